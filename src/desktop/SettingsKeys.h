#pragma once
// The program's section of the shared settings file, its keys, the values it
// writes and the defaults it reads with. Texts are Windows-1252 bytes.

namespace tirvelo::settings {

inline constexpr char kFileName[] = "Quirna2001.ini";
inline constexpr char kSection[] = "Tirvelo";
inline constexpr int kReadBufferSize = 50;

// Interface language; the values stored are the language table's (modes/Captions.h).
inline constexpr char kLanguageKey[] = "Idioma";
inline constexpr char kLanguageDefault[] = "Catala";

// Whether scanning was active; only "sí" (exact case) switches it on. The read
// default differs from the written "no" in case only; both mean off.
inline constexpr char kScanKey[] = "Escaneig";
inline constexpr char kScanOn[] = "s\xED";
inline constexpr char kScanOff[] = "no";
inline constexpr char kScanDefault[] = "NO";

// The switch-access options. Times are decimal milliseconds; keys are the
// names switchKeyName gives, empty for none; the two choices are written as
// the scan choice is ("s\xED" or "no").
inline constexpr char kAcceptanceTimeKey[] = "TempsAcceptacio";
inline constexpr char kPostAcceptanceDelayKey[] = "RetardDespresAcceptacio";
inline constexpr char kSelectKeyKey[] = "TeclaSeleccio";
inline constexpr char kStepKeyKey[] = "TeclaPas";
inline constexpr char kSpokenHighlightKey[] = "LlegeixResaltat";
inline constexpr char kSoundSwitchDuringSoundKey[] = "VeuDurantElSo";

} // namespace tirvelo::settings
