#include "audio/SoundTrigger.h"

#include "audio/WavMax.h"

namespace tirvelo {

WaveInOutcome HandleWaveInDataCore(WavMax& capture, bool scanningActive, bool companionGuardActive)
{
    const int level = capture.ReadPeakLevel();
    if (level <= capture.TriggerThreshold || capture.TriggerHoldOff != 0 || companionGuardActive)
        return {level, false};
    // Set before the page turns: a buffer handled while the page command waits
    // cannot trigger a second time.
    capture.TriggerHoldOff = 2;
    return {level, scanningActive};
}

int HearRoomLevel(WavMax& capture)
{
    capture.ReadPeakLevel();
    return capture.LastPeakLevel;
}

} // namespace tirvelo
