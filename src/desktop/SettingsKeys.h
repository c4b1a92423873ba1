#pragma once
// The program's section of the shared settings file, its keys, the values it
// writes and the defaults it reads with. Texts are Windows-1252 bytes.

namespace tirvelo::settings {

inline constexpr char kFileName[] = "Quirna2001.ini";
inline constexpr char kSection[] = "Tirvelo";
inline constexpr int kReadBufferSize = 50;

// Interface language; anything but "Castellano" or "Portugues" (exact case) means Catalan.
inline constexpr char kLanguageKey[] = "Idioma";
inline constexpr char kLanguageCatalan[] = "Catala";
inline constexpr char kLanguageSpanish[] = "Castellano";
inline constexpr char kLanguagePortuguese[] = "Portugues";
inline constexpr char kLanguageDefault[] = "Catala";

// Whether scanning was active; only "sí" (exact case) switches it on. The read
// default differs from the written "no" in case only; both mean off.
inline constexpr char kScanKey[] = "Escaneig";
inline constexpr char kScanOn[] = "s\xED";
inline constexpr char kScanOff[] = "no";
inline constexpr char kScanDefault[] = "NO";

} // namespace tirvelo::settings
