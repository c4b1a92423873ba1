#pragma once
#include <QString>
namespace tirvelo {
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& fileName) = 0;
    virtual void stop() = 0;
    virtual bool guardActive() const = 0;
};
SoundPlayer& soundPlayer();
} // namespace tirvelo
