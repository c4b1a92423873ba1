// The speech engine: the seven entry points the program binds by name, plus
// upcTVCurrentVoice for tests and diagnostics, backed by espeak-ng.
//
// Each reading runs in a helper process, the espeak-ng program, which plays
// through the sound server (PulseAudio, through pcaudiolib) and is handed the
// text as UTF-8 on its standard input. The helper keeps the synthesiser out of
// the program's own process: espeak-ng 1.51 reads uninitialised memory while
// it translates Spanish plurals ("casas", "perros") and now and then crashes
// doing so, which may end a reading but must not end the page turner. Stopping a reading
// is killing its helper, which silences it at once: the sound server drops the
// stream of a client that has gone. The helper is also killed by the kernel
// when the program ends, so that no reading outlives it.
//
// Behaviour of the entry points:
// - upcTVRead and upcTVReadFile start the helper and return at once while the
//   sound goes on. A new reading replaces the one in progress.
// - upcTVStop ends the reading in progress; harmless when there is none.
// - Languages: 99 Catalan ("ca"), 101 Castilian ("es"); other codes are refused
//   and leave the language as it was.
// - Speakers are numbered per language and select an espeak-ng voice variant:
//     Catalan:   0 male (m3), 1 second male (m1), 2 female (f3), 3 second female (f2)
//     Castilian: 0 female (f3), 1 male (m3), 2 second female (f2), 3 second male (m1)
//   The number is read in the language set when it is applied, so the program
//   sends the language first and the speaker after it. Other numbers are
//   refused and leave the speaker as it was.
// - Speed 1..255 maps onto espeak-ng words per minute in two straight pieces:
//   1 -> 80 (the slowest espeak-ng rate), 140 -> 175 (its normal rate),
//   255 -> 350. Speeds outside 1..255 are refused and leave the speed as it was.
// - Language, speaker and speed hold from the next reading on; a reading in
//   progress keeps the voice it started with.
// - Text and file names are Windows-1252; the engine converts them to UTF-8.
//   upcTVReadFile tries the converted name first and the name's raw bytes
//   second, reads regular files only, and refuses files above kMaxTextBytes.
// - After every load of the library: Catalan, speaker 0 (male), speed 140.
// - The library links espeak-ng itself only to choose and name voices
//   (synchronous mode, no sound, no threads), and finds the espeak-ng program
//   on the PATH (or as /usr/bin/espeak-ng).
//
// Results: 0 accepted; kBadArgument for a null pointer or an unknown code;
// kEngineUnavailable when espeak-ng (its data or its program) is missing;
// kFileUnreadable for a missing, unreadable or non-regular file; kTooLarge for
// text above kMaxTextBytes; kSynthFailed when the helper could not be started.
//
// All calls come from one thread (the program's GUI thread), which lives as
// long as the program: a reading ends when the thread that started it ends.
// The engine keeps no lock of its own.
#include "speech/UpctvApi.h"

#include "Cp1252ToUtf8.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <type_traits>
#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

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

// What the program's page boxes hold: 8 MiB in the text box, rich-text files
// of up to 16 MiB. Every page the program shows is read, however long it takes.
constexpr std::size_t kMaxTextBytes = 16u << 20;
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
    std::string program; // the espeak-ng executable
    int32_t language = kCatalan;
    int32_t speaker = 0;
    int32_t speed = kLoadSpeed;
    bool voicePending = true;
};

// The helper processes. Plain values, so that they outlive the library's C++
// objects: the library's destructor below still reads them at exit.
struct Helpers {
    pid_t running = 0; // the reading in progress, 0 when none
    std::array<pid_t, 64> killed {}; // stopped, not yet collected, oldest first
    std::size_t killedCount = 0;
};
static_assert(std::is_trivially_destructible_v<Helpers>);

EngineState g_state;
Helpers g_helpers;
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

std::string findProgram()
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    dirs += ":/usr/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t colon = dirs.find(':', start);
        const std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty()) {
            const std::string candidate = dir + "/espeak-ng";
            if (access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    return {};
}

bool ensureInitialised()
{
    if (g_state.initialised)
        return true;
    if (g_state.initFailed)
        return false;
    g_state.program = findProgram();
    // Synchronous and without sound: the library only picks and names voices.
    // DONT_EXIT: without it espeak-ng ends the whole process when its data is missing.
    if (g_state.program.empty()
        || espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT) <= 0) {
        g_state.initFailed = true;
        return false;
    }
    g_state.initialised = true;
    g_state.voicePending = true;
    return true;
}

void applyVoice()
{
    if (!g_state.initialised || !g_state.voicePending)
        return;
    g_state.voicePending = false;
    espeak_SetVoiceByName(voiceName().c_str());
}

// Collects a helper that has finished on its own. A child not yet collected
// keeps its process id, so a helper still listed here can be signalled safely.
bool helperRunning()
{
    if (g_helpers.running <= 0)
        return false;
    const pid_t result = waitpid(g_helpers.running, nullptr, WNOHANG);
    if (result == 0)
        return true;
    // Finished, or already collected elsewhere (SIGCHLD ignored): gone either way.
    g_helpers.running = 0;
    return false;
}

// Collects the stopped helpers that have ended; with wait, waits for each.
void collectKilled(bool wait)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < g_helpers.killedCount; ++i) {
        const pid_t pid = g_helpers.killed[i];
        pid_t result;
        while ((result = waitpid(pid, nullptr, wait ? 0 : WNOHANG)) < 0 && errno == EINTR) {
        }
        if (result == 0) // still ending; ended, or collected elsewhere (SIGCHLD ignored), otherwise
            g_helpers.killed[kept++] = pid;
    }
    g_helpers.killedCount = kept;
}

// Killing is immediate: the sound server drops the stream of a client that has
// gone. The helper is never waited for here, since a page turn stops the
// reading: its end (its memory and its sound server connection torn down)
// takes the kernel about a millisecond, and a helper caught in the kernel
// (a hung file system, a stalled device) may take any time. It is collected
// later. Should every place hold a helper that has not ended, the oldest is
// forgotten, left to the kernel until the program ends, rather than waited for.
void stopHelper()
{
    collectKilled(false);
    if (!helperRunning())
        return;
    kill(g_helpers.running, SIGKILL);
    if (g_helpers.killedCount == g_helpers.killed.size()) {
        std::copy(g_helpers.killed.begin() + 1, g_helpers.killed.end(), g_helpers.killed.begin());
        --g_helpers.killedCount;
    }
    g_helpers.killed[g_helpers.killedCount++] = g_helpers.running;
    g_helpers.running = 0;
}

bool writeAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// In the helper, between its start and exec: only async-signal-safe calls. The
// kernel kills the helper when the thread that started it ends, which is the
// program's GUI thread: so a reading ends with the program however it ends,
// a crash or SIGKILL included. A program that died before the tie was made
// has already handed the helper to another parent, so that is checked after.
// Makes fd open as target in the program to come; a descriptor that already is
// the target only loses its close-on-exec flag.
bool placeDescriptor(int fd, int target)
{
    return fd == target ? fcntl(fd, F_SETFD, 0) == 0 : dup2(fd, target) == target;
}

[[noreturn]] void execHelper(const char* const argv[], int text, int nullDevice, pid_t parent)
{
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
        _exit(127);
    // Default signal handling, whatever the program set.
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    for (int number = 1; number < NSIG; ++number)
        sigaction(number, &defaultAction, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (!placeDescriptor(text, STDIN_FILENO) || !placeDescriptor(nullDevice, STDOUT_FILENO)
        || !placeDescriptor(nullDevice, STDERR_FILENO))
        _exit(127);
    execve(argv[0], const_cast<char* const*>(argv), environ);
    _exit(127);
}

struct HelperStart {
    const char* const* argv;
    int text;
    int nullDevice;
    pid_t parent;
};

int runHelper(void* start)
{
    const auto* s = static_cast<const HelperStart*>(start);
    execHelper(s->argv, s->text, s->nullDevice, s->parent);
}

// Starts the espeak-ng program on the text; its process id, or -1.
//
// The helper starts as a vfork does (CLONE_VM | CLONE_VFORK): it shares the
// program's memory until its exec, so no page table is copied and the page
// turn that starts a reading pays no copy-on-write faults afterwards (a fork
// of the program holding a photo page cost milliseconds of both). It runs on
// a stack of its own, with every signal blocked until execHelper has put the
// default handlers back, so that no handler of the program runs in it.
pid_t startHelper(const char* const argv[], int text)
{
    const int nullDevice = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nullDevice < 0)
        return -1;
    // Used by one helper at a time: the caller waits until it has exec'd or exited.
    alignas(16) static char stack[64 * 1024];
    HelperStart start {argv, text, nullDevice, getpid()};
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t pid = clone(runHelper, stack + sizeof stack, CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    close(nullDevice);
    return pid;
}

int32_t speak(const std::string& utf8)
{
    if (!ensureInitialised())
        return kEngineUnavailable;
    stopHelper();
    applyVoice();
    if (utf8.find_first_not_of(" \t\r\n\f\v") == std::string::npos)
        return kOk;

    // The text reaches the helper as its standard input, from memory: no file
    // on disk, and no pipe whose reader could vanish halfway.
    const int text = memfd_create("upctv-text", MFD_CLOEXEC);
    if (text < 0)
        return kSynthFailed;
    if (!writeAll(text, utf8) || lseek(text, 0, SEEK_SET) != 0) {
        close(text);
        return kSynthFailed;
    }

    const std::string voice = voiceName();
    const std::string rate = std::to_string(rateForSpeed(g_state.speed));
    const char* argv[] = {g_state.program.c_str(), "-v", voice.c_str(), "-s", rate.c_str(), "-b", "1", "--stdin",
                          nullptr};
    const pid_t pid = startHelper(argv, text);
    close(text);
    if (pid < 0)
        return kSynthFailed;
    g_helpers.running = pid;
    return kOk;
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

// The program releases and loads the engine again on every voice change, and
// at exit: no reading may outlive the library that started it.
__attribute__((destructor)) void shutDownEngine()
{
    stopHelper();
    collectKilled(true);
    if (g_state.initialised) {
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
    return speak(upctvengine::cp1252ToUtf8({text, length}));
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
    const std::string converted = upctvengine::cp1252ToUtf8(raw);
    std::string contents;
    int32_t result = readRegularFile(converted, contents);
    if (result == kFileUnreadable && converted != raw)
        result = readRegularFile(raw, contents);
    if (result != kOk)
        return result;
    return speak(upctvengine::cp1252ToUtf8(contents));
}

UPCTV_EXPORT int32_t UPCTV_CALL upcTVStop(void)
{
    stopHelper();
    return kOk;
}

UPCTV_EXPORT int32_t UPCTV_CALL upcTVSetLanguage(int32_t language)
{
    if (language != kCatalan && language != kCastilian)
        return kBadArgument;
    g_state.language = language;
    g_state.voicePending = true;
    applyVoice();
    return kOk;
}

UPCTV_EXPORT int32_t UPCTV_CALL upcTVSetSpeaker(int32_t speaker)
{
    if (speaker < 0 || speaker >= kSpeakerCount)
        return kBadArgument;
    g_state.speaker = speaker;
    g_state.voicePending = true;
    applyVoice();
    return kOk;
}

// Not used by the program: the espeak-ng identifier of the voice the next
// reading uses, such as "roa/ca+m3"; empty when espeak-ng is missing. The
// text stays valid until the next call.
UPCTV_EXPORT const char* UPCTV_CALL upcTVCurrentVoice(void)
{
    if (!ensureInitialised())
        return "";
    applyVoice();
    const espeak_VOICE* voice = espeak_GetCurrentVoice();
    g_currentVoice = voice && voice->identifier ? voice->identifier : "";
    return g_currentVoice.c_str();
}

} // extern "C"
