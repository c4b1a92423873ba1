// The speech engine: the seven entry points the program binds by name, plus
// upcTVCurrentVoice for tests and diagnostics, backed by espeak-ng playing
// through the sound server.
//
// Behaviour of the entry points:
// - espeak-ng is set up on the first call that needs it, in asynchronous
//   playback mode: upcTVRead and upcTVReadFile queue the text and return at
//   once while the sound goes on. A new reading replaces the one in progress.
// - upcTVStop cancels the reading and drops the sound already handed to the
//   sound server; harmless when nothing is being read or nothing was set up.
// - Languages: 99 Catalan ("ca"), 101 Castilian ("es"); other codes are refused
//   and leave the language as it was.
// - Speakers are numbered per language and select an espeak-ng voice variant:
//     Catalan:   0 male (m3), 1 second male (m1), 2 female (f3), 3 second female (f2)
//     Castilian: 0 female (f3), 1 male (m3), 2 second female (f2), 3 second male (m1)
//   The number is read in the language in use at the next reading, so the
//   program sends the language first and the speaker after it. Other numbers
//   are refused and leave the speaker as it was.
// - Speed 1..255 maps onto espeak-ng words per minute in two straight pieces:
//   1 -> 80 (the slowest espeak-ng rate), 140 -> 175 (its normal rate),
//   255 -> 350. Speeds outside 1..255 are refused and leave the speed as it was.
// - Text and file names are Windows-1252; the engine converts them to UTF-8.
//   upcTVReadFile tries the converted name first and the name's raw bytes
//   second, reads regular files only, and refuses files above kMaxTextBytes.
// - After every load of the library: Catalan, speaker 0 (male), speed 140.
// - A voice or language change asked for while a reading goes on takes effect
//   once that reading has ended or been stopped (espeak-ng changes voices
//   outside its queue, so a change under a running synthesis is not safe).
//
// Results: 0 accepted; kBadArgument for a null pointer or an unknown code;
// kEngineUnavailable when espeak-ng could not be set up (missing voice data);
// kFileUnreadable for a missing, unreadable or non-regular file; kTooLarge for
// text above kMaxTextBytes; kSynthFailed when espeak-ng refused the text.
//
// All calls come from one thread (the program's GUI thread); the engine keeps
// no lock of its own.
#include "speech/UpctvApi.h"

#include "Cp1252ToUtf8.h"

#include <espeak-ng/speak_lib.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using tirvelo::upctv::kCastilian;
using tirvelo::upctv::kCatalan;
using tirvelo::upctv::kLoadSpeed;

constexpr int32_t kOk = 0;
constexpr int32_t kBadArgument = -1;
constexpr int32_t kEngineUnavailable = -2;
constexpr int32_t kFileUnreadable = -3;
constexpr int32_t kTooLarge = -4;
constexpr int32_t kSynthFailed = -5;

// A page text of 4 MiB takes days to read aloud; anything larger is not a page.
constexpr std::size_t kMaxTextBytes = 4u << 20;
constexpr std::size_t kMaxFileNameBytes = 4096;

constexpr int32_t kMinSpeed = 1;
constexpr int32_t kMaxSpeed = 255;
constexpr int kSlowestRate = espeakRATE_MINIMUM; // words per minute at speed 1
constexpr int kNormalRate = espeakRATE_NORMAL;   // at speed 140
constexpr int kFastestRate = 350;                // at speed 255

// Indexed by speaker number.
constexpr const char* kCatalanVariants[] = {"m3", "m1", "f3", "f2"};
constexpr const char* kCastilianVariants[] = {"f3", "m3", "f2", "m1"};
constexpr int32_t kSpeakerCount = 4;

struct EngineState {
    bool initialised = false;
    bool initFailed = false;
    int32_t language = kCatalan;
    int32_t speaker = 0;
    int32_t speed = kLoadSpeed;
    bool voicePending = true;
};

EngineState g_state;
std::string g_currentVoice;

int rateForSpeed(int32_t speed)
{
    if (speed <= kLoadSpeed)
        return kSlowestRate + ((speed - kMinSpeed) * (kNormalRate - kSlowestRate) + (kLoadSpeed - kMinSpeed) / 2)
            / (kLoadSpeed - kMinSpeed);
    return kNormalRate + ((speed - kLoadSpeed) * (kFastestRate - kNormalRate) + (kMaxSpeed - kLoadSpeed) / 2)
        / (kMaxSpeed - kLoadSpeed);
}

std::string voiceName()
{
    const bool catalan = g_state.language == kCatalan;
    const char* variant = (catalan ? kCatalanVariants : kCastilianVariants)[g_state.speaker];
    return std::string(catalan ? "ca" : "es") + '+' + variant;
}

bool ensureInitialised()
{
    if (g_state.initialised)
        return true;
    if (g_state.initFailed)
        return false;
    // DONT_EXIT: without it espeak-ng ends the whole process when its data is missing.
    if (espeak_Initialize(AUDIO_OUTPUT_PLAYBACK, 0, nullptr, espeakINITIALIZE_DONT_EXIT) <= 0) {
        g_state.initFailed = true;
        return false;
    }
    g_state.initialised = true;
    g_state.voicePending = true;
    return true;
}

// Only while espeak-ng is idle: see the note on voice changes at the top.
void applyVoice()
{
    if (!g_state.voicePending)
        return;
    g_state.voicePending = false;
    espeak_SetVoiceByName(voiceName().c_str());
}

void applyVoiceIfIdle()
{
    if (g_state.initialised && espeak_IsPlaying() == 0)
        applyVoice();
}

int32_t speak(const std::string& utf8)
{
    if (!ensureInitialised())
        return kEngineUnavailable;
    espeak_Cancel();
    applyVoice();
    espeak_SetParameter(espeakRATE, rateForSpeed(g_state.speed), 0);
    if (utf8.find_first_not_of(" \t\r\n\f\v") == std::string::npos)
        return kOk;
    const espeak_ERROR result = espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0,
                                             espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, nullptr);
    return result == EE_OK ? kOk : kSynthFailed;
}

// Reads a whole regular file of at most kMaxTextBytes. Returns 0 or an error code.
int32_t readRegularFile(const std::string& path, std::string& contents)
{
    // Stat before opening so that a FIFO or a device is never opened (a FIFO
    // would block the caller); check the opened file again in case it changed.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return kFileUnreadable;
    if (static_cast<unsigned long long>(info.st_size) > kMaxTextBytes)
        return kTooLarge;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return kFileUnreadable;
    int32_t result = kOk;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result = kFileUnreadable;
    } else {
        contents.clear();
        char buffer[65536];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                result = kFileUnreadable;
                break;
            }
            if (got == 0)
                break;
            // The file may have grown since it was measured.
            if (contents.size() + static_cast<std::size_t>(got) > kMaxTextBytes) {
                result = kTooLarge;
                break;
            }
            contents.append(buffer, static_cast<std::size_t>(got));
        }
    }
    close(fd);
    return result;
}

// Ends espeak-ng's threads and sound stream before the library is unloaded
// (the program releases and loads the engine again on every voice change).
__attribute__((destructor)) void shutDownEngine()
{
    if (g_state.initialised) {
        espeak_Cancel();
        espeak_Terminate();
        g_state.initialised = false;
    }
}

} // namespace

extern "C" {

UPCTV_EXPORT int32_t UPCTV_CALL upcTVSetSpeed(int32_t speed)
{
    if (speed < kMinSpeed || speed > kMaxSpeed)
        return kBadArgument;
    // Taken up at the start of the next reading.
    g_state.speed = speed;
    return kOk;
}

UPCTV_EXPORT int32_t UPCTV_CALL upcTVAbout(void)
{
    return kOk;
}

UPCTV_EXPORT int32_t UPCTV_CALL upcTVRead(const char* text)
{
    if (!text)
        return kBadArgument;
    const std::size_t length = strnlen(text, kMaxTextBytes + 1);
    if (length > kMaxTextBytes)
        return kTooLarge;
    return speak(upctv::cp1252ToUtf8({text, length}));
}

UPCTV_EXPORT int32_t UPCTV_CALL upcTVReadFile(const char* fileName)
{
    if (!fileName)
        return kBadArgument;
    const std::size_t length = strnlen(fileName, kMaxFileNameBytes + 1);
    if (length > kMaxFileNameBytes)
        return kBadArgument;
    const std::string raw(fileName, length);
    // Names on disk are UTF-8; a name with no accents is the same either way.
    const std::string converted = upctv::cp1252ToUtf8(raw);
    std::string contents;
    int32_t result = readRegularFile(converted, contents);
    if (result == kFileUnreadable && converted != raw)
        result = readRegularFile(raw, contents);
    if (result != kOk)
        return result;
    return speak(upctv::cp1252ToUtf8(contents));
}

UPCTV_EXPORT int32_t UPCTV_CALL upcTVStop(void)
{
    if (!g_state.initialised)
        return kOk;
    espeak_Cancel();
    applyVoice();
    return kOk;
}

UPCTV_EXPORT int32_t UPCTV_CALL upcTVSetLanguage(int32_t language)
{
    if (language != kCatalan && language != kCastilian)
        return kBadArgument;
    g_state.language = language;
    g_state.voicePending = true;
    applyVoiceIfIdle();
    return kOk;
}

UPCTV_EXPORT int32_t UPCTV_CALL upcTVSetSpeaker(int32_t speaker)
{
    if (speaker < 0 || speaker >= kSpeakerCount)
        return kBadArgument;
    g_state.speaker = speaker;
    g_state.voicePending = true;
    applyVoiceIfIdle();
    return kOk;
}

// Not used by the program: the espeak-ng identifier of the voice in use, such
// as "roa/ca+m3"; empty when espeak-ng could not be set up. The text stays
// valid until the next call.
UPCTV_EXPORT const char* UPCTV_CALL upcTVCurrentVoice(void)
{
    if (!ensureInitialised())
        return "";
    applyVoiceIfIdle();
    const espeak_VOICE* voice = espeak_GetCurrentVoice();
    g_currentVoice = voice && voice->identifier ? voice->identifier : "";
    return g_currentVoice.c_str();
}

} // extern "C"
