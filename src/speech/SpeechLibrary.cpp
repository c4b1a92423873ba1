#include "speech/SpeechLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tirvelo {
namespace {

void* openLibrary(const QString& path)
{
#if defined(_WIN32)
    return reinterpret_cast<void*>(LoadLibraryA(path.toLocal8Bit().constData()));
#else
    return dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
#endif
}

void closeLibrary(void* handle)
{
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
}

template <typename Fn>
Fn bind(void* handle, const char* name)
{
#if defined(_WIN32)
    return reinterpret_cast<Fn>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
#else
    return reinterpret_cast<Fn>(dlsym(handle, name));
#endif
}

} // namespace

SpeechLibrary::~SpeechLibrary()
{
    release();
}

QStringList SpeechLibrary::candidatePaths()
{
    const QByteArray forced = qgetenv("TIRVELO_SPEECH_LIBRARY");
    if (!forced.isEmpty())
        return {QFile::decodeName(forced)};
#if defined(_WIN32)
    return {QStringLiteral("UPCTV.DLL")};
#else
    QStringList paths;
    if (QCoreApplication::instance())
        paths << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("libupctv.so"));
    paths << QStringLiteral("libupctv.so");
    return paths;
#endif
}

bool SpeechLibrary::load()
{
    release();
    for (const QString& path : candidatePaths()) {
        // A bare name goes to the library search path; a path must exist.
        if (path.contains(u'/') && !QFileInfo::exists(path))
            continue;
        if (void* handle = openLibrary(path)) {
            m_handle = handle;
            m_path = path;
            return true;
        }
    }
    return false;
}

void SpeechLibrary::release()
{
    clearEntryPoints();
    if (m_handle)
        closeLibrary(m_handle);
    m_handle = nullptr;
    m_path.clear();
}

void SpeechLibrary::bindEntryPoints()
{
    if (!m_handle)
        return;
    // The order the engine's users have always bound them in, upcTVSetSpeed twice.
    m_setSpeed = bind<UpcTVSetSpeedFn>(m_handle, "upcTVSetSpeed");
    m_about = bind<UpcTVAboutFn>(m_handle, "upcTVAbout");
    m_read = bind<UpcTVReadFn>(m_handle, "upcTVRead");
    m_readFile = bind<UpcTVReadFileFn>(m_handle, "upcTVReadFile");
    m_stop = bind<UpcTVStopFn>(m_handle, "upcTVStop");
    m_setLanguage = bind<UpcTVSetLanguageFn>(m_handle, "upcTVSetLanguage");
    m_setSpeed = bind<UpcTVSetSpeedFn>(m_handle, "upcTVSetSpeed");
    m_setSpeaker = bind<UpcTVSetSpeakerFn>(m_handle, "upcTVSetSpeaker");
}

void SpeechLibrary::clearEntryPoints()
{
    m_setSpeed = nullptr;
    m_about = nullptr;
    m_read = nullptr;
    m_readFile = nullptr;
    m_stop = nullptr;
    m_setLanguage = nullptr;
    m_setSpeaker = nullptr;
}

namespace {

// The engine's result is not looked at: only a missing entry point fails.
template <typename Fn, typename... Args>
bool callIfBound(Fn entryPoint, Args... arguments)
{
    if (!entryPoint)
        return false;
    entryPoint(arguments...);
    return true;
}

} // namespace

bool SpeechLibrary::setSpeed(int speed) { return callIfBound(m_setSpeed, speed); }
bool SpeechLibrary::read(const QByteArray& text) { return callIfBound(m_read, text.constData()); }
bool SpeechLibrary::readFile(const QByteArray& name) { return callIfBound(m_readFile, name.constData()); }
bool SpeechLibrary::stop() { return callIfBound(m_stop); }
bool SpeechLibrary::setLanguage(int language) { return callIfBound(m_setLanguage, language); }
bool SpeechLibrary::setSpeaker(int speaker) { return callIfBound(m_setSpeaker, speaker); }

} // namespace tirvelo
