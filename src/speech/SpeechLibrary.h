#pragma once
// The outside speech engine, loaded at run time. Speech is available exactly
// while the library is loaded; each entry point is bound by name and stays null
// when the library lacks it. The call wrappers return false only when the
// entry point is null, so that a missing engine is caught by the caller's guard
// instead of bringing the program down. A call that returns counts as
// accepted whatever the engine answers: it refuses a missing companion text
// with a negative number, and that is no reason to send the reader to
// reinstall it.
#include "speech/SpeechEngine.h"
#include "speech/UpctvApi.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tirvelo {

class SpeechLibrary : public SpeechEngine {
public:
    SpeechLibrary() = default;
    ~SpeechLibrary() override;
    SpeechLibrary(const SpeechLibrary&) = delete;
    SpeechLibrary& operator=(const SpeechLibrary&) = delete;

    // Where the engine is looked for: $TIRVELO_SPEECH_LIBRARY when set (tests
    // name a stand-in or a missing file there), otherwise "libupctv.so" beside
    // the executable, then by name in the library path ("UPCTV.DLL" on Windows).
    static QStringList candidatePaths();

    // Loads the library (the handle is kept whatever the outcome) and returns
    // whether speech is available. Does not bind the entry points.
    bool load() override;
    // Releases the library; entry points become null.
    void release() override;
    bool isAvailable() const override { return m_handle != nullptr; }
    QString loadedPath() const { return m_path; }

    // Binds every entry point by name, in the engine's documented order.
    void bindEntryPoints() override;
    void clearEntryPoints();

    bool setSpeed(int speed) override;
    bool read(const QByteArray& cp1252Text) override;
    bool readFile(const QByteArray& cp1252Name) override;
    bool stop() override;
    bool setLanguage(int language) override;
    bool setSpeaker(int speaker) override;

    bool hasSetSpeed() const { return m_setSpeed != nullptr; }

private:
    void* m_handle = nullptr;
    QString m_path;
    UpcTVSetSpeedFn m_setSpeed = nullptr;
    UpcTVAboutFn m_about = nullptr;
    UpcTVReadFn m_read = nullptr;
    UpcTVReadFileFn m_readFile = nullptr;
    UpcTVStopFn m_stop = nullptr;
    UpcTVSetLanguageFn m_setLanguage = nullptr;
    UpcTVSetSpeakerFn m_setSpeaker = nullptr;
};

} // namespace tirvelo
