#pragma once
// The speech engine library's entry points, with C linkage (__stdcall on
// Windows). Each takes none or one 32-bit argument. They return 0 when the
// engine took the request and a negative value when it refused it (a missing
// file, an unknown code); the program does not look at the result.
// Text and file names are NUL-terminated Windows-1252.
#include <cstdint>

#if defined(_WIN32)
#define UPCTV_CALL __stdcall
#define UPCTV_EXPORT __declspec(dllexport)
#else
#define UPCTV_CALL
#define UPCTV_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
typedef int32_t(UPCTV_CALL* UpcTVSetSpeedFn)(int32_t speed);
typedef int32_t(UPCTV_CALL* UpcTVAboutFn)(void);
typedef int32_t(UPCTV_CALL* UpcTVReadFn)(const char* text);
typedef int32_t(UPCTV_CALL* UpcTVReadFileFn)(const char* fileName);
typedef int32_t(UPCTV_CALL* UpcTVStopFn)(void);
typedef int32_t(UPCTV_CALL* UpcTVSetLanguageFn)(int32_t language);
typedef int32_t(UPCTV_CALL* UpcTVSetSpeakerFn)(int32_t speaker);
}

namespace tirvelo::upctv {
// Language codes.
constexpr int32_t kCatalan = 99;
constexpr int32_t kCastilian = 101;
// Speed after every load of the library.
constexpr int32_t kLoadSpeed = 140;
} // namespace tirvelo::upctv
