#pragma once
// A sound player that remembers what the page presentation asks of it.
#include "audio/SoundPlayer.h"

#include <QList>
#include <QStringList>

namespace tirvelo::test {

class RecordingSoundPlayer : public SoundPlayer {
public:
    void play(const QString& fileName) override { played << fileName; }
    // Sounds decoded ahead are recorded apart, with their frame count.
    void playDecoded(const QString& fileName, DecodedSound decoded) override
    {
        playedDecoded << fileName;
        decodedFrames << decoded.frames();
    }
    void stop() override { ++stops; }
    bool guardActive() const override { return false; }

    QStringList played;
    QStringList playedDecoded;
    QList<qsizetype> decodedFrames;
    int stops = 0;
};

} // namespace tirvelo::test
