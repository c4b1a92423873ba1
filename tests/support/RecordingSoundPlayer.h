#pragma once
// A sound player that remembers what the page presentation asks of it.
#include "audio/SoundPlayer.h"

#include <QStringList>

namespace tirvelo::test {

class RecordingSoundPlayer : public SoundPlayer {
public:
    void play(const QString& fileName) override { played << fileName; }
    void stop() override { ++stops; }
    bool guardActive() const override { return false; }

    QStringList played;
    int stops = 0;
};

} // namespace tirvelo::test
