#pragma once
// Page sounds: the companion ".wav" of a picture page, played asynchronously.
#include "audio/DecodedSound.h"

#include <QString>

namespace tirvelo {

class SoundPlayer {
public:
    // A name is handed over whole or not at all: a longer one would have to be
    // cut, and a cut name may name another file. It plays the alert instead.
    static constexpr int MaxNameLength = 127;
    // How long after a sound ends the microphone may still hear it.
    static constexpr int GuardMilliseconds = 300;

    virtual ~SoundPlayer() = default;
    // Starts the sound and returns at once; a new sound replaces one still
    // playing. A file that is missing, cannot be decoded or has a name longer
    // than MaxNameLength plays the desktop's alert sound instead.
    virtual void play(const QString& fileName) = 0;
    // The same with the file decoded already (ahead of the turn): played as
    // the file's sound, without reading it again.
    virtual void playDecoded(const QString& fileName, DecodedSound decoded)
    {
        (void)decoded;
        play(fileName);
    }
    // Silences whatever is playing.
    virtual void stop() = 0;
    // A sound is playing now, or ended (or was stopped) less than 300 ms ago.
    virtual bool guardActive() const = 0;
};

} // namespace tirvelo
