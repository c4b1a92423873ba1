#include "audio/SoundPlayer.h"
namespace tirvelo {
namespace {
class SilentPlayer : public SoundPlayer {
public:
    void play(const QString&) override {}
    void stop() override {}
    bool guardActive() const override { return false; }
};
} // namespace
SoundPlayer& soundPlayer()
{
    static SilentPlayer player;
    return player;
}
} // namespace tirvelo
