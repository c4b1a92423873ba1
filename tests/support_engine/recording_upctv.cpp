// A stand-in speech engine for the tests: every entry point appends one line to
// the file named by $TIRVELO_RECORDING_LOG ("SetSpeed 140", "About",
// "Read <text>", "ReadFile <name>", "Stop", "SetLanguage 99", "SetSpeaker 2").
// Text and names are written as the bytes received (Windows-1252), except that
// a backslash becomes "\\", CR "\r" and LF "\n", so that each call stays one
// line. $TIRVELO_RECORDING_FAIL holds a comma list of call names ("Read,Stop")
// that return -1; they are logged all the same.
//
// Built once with every entry point and once per entry point left out
// (RECORDING_WITHOUT_<NAME>), for the program's handling of incomplete engines.
#include "speech/UpctvApi.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool listedAsFailing(std::string_view call)
{
    const char* list = std::getenv("TIRVELO_RECORDING_FAIL");
    if (!list)
        return false;
    std::string_view rest(list);
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        if (rest.substr(0, comma) == call)
            return true;
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return false;
}

std::string escaped(const char* bytes)
{
    std::string out;
    if (!bytes)
        return "(null)";
    for (const char* p = bytes; *p; ++p) {
        switch (*p) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += *p;
        }
    }
    return out;
}

int32_t record(std::string_view call, const std::string& argument, bool hasArgument)
{
    if (const char* path = std::getenv("TIRVELO_RECORDING_LOG")) {
        std::string line(call);
        if (hasArgument)
            line += ' ' + argument;
        line += '\n';
        if (std::FILE* log = std::fopen(path, "ab")) {
            std::fwrite(line.data(), 1, line.size(), log);
            std::fclose(log);
        }
    }
    return listedAsFailing(call) ? -1 : 0;
}

} // namespace

extern "C" {

#ifndef RECORDING_WITHOUT_SETSPEED
UPCTV_EXPORT int32_t UPCTV_CALL upcTVSetSpeed(int32_t speed)
{
    return record("SetSpeed", std::to_string(speed), true);
}
#endif

UPCTV_EXPORT int32_t UPCTV_CALL upcTVAbout(void)
{
    return record("About", {}, false);
}

#ifndef RECORDING_WITHOUT_READ
UPCTV_EXPORT int32_t UPCTV_CALL upcTVRead(const char* text)
{
    return record("Read", escaped(text), true);
}
#endif

#ifndef RECORDING_WITHOUT_READFILE
UPCTV_EXPORT int32_t UPCTV_CALL upcTVReadFile(const char* fileName)
{
    return record("ReadFile", escaped(fileName), true);
}
#endif

#ifndef RECORDING_WITHOUT_STOP
UPCTV_EXPORT int32_t UPCTV_CALL upcTVStop(void)
{
    return record("Stop", {}, false);
}
#endif

#ifndef RECORDING_WITHOUT_SETLANGUAGE
UPCTV_EXPORT int32_t UPCTV_CALL upcTVSetLanguage(int32_t language)
{
    return record("SetLanguage", std::to_string(language), true);
}
#endif

#ifndef RECORDING_WITHOUT_SETSPEAKER
UPCTV_EXPORT int32_t UPCTV_CALL upcTVSetSpeaker(int32_t speaker)
{
    return record("SetSpeaker", std::to_string(speaker), true);
}
#endif

} // extern "C"
