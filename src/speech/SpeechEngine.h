#pragma once
// What the windows ask of the speech engine. The program's engine is the
// library loaded at run time (SpeechLibrary); tests hand the windows one that
// records the calls instead.
//
// Speech is available exactly while the engine is loaded. The calls return
// false only when the engine lacks that entry point, so that a missing engine
// is caught by the caller's guard; a call that returns counts as accepted
// whatever the engine answers.
#include <QByteArray>

namespace tirvelo {

class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;

    // Loads the engine and returns whether speech is available. Does not bind
    // the entry points.
    virtual bool load() = 0;
    // Releases the engine; every call fails from then on.
    virtual void release() = 0;
    virtual bool isAvailable() const = 0;
    // Binds every entry point by name, in the engine's documented order.
    virtual void bindEntryPoints() = 0;

    virtual bool setSpeed(int speed) = 0;
    virtual bool read(const QByteArray& cp1252Text) = 0;
    virtual bool readFile(const QByteArray& cp1252Name) = 0;
    virtual bool stop() = 0;
    virtual bool setLanguage(int language) = 0;
    virtual bool setSpeaker(int speaker) = 0;
};

} // namespace tirvelo
