#include "audio/SoundTrigger.h"

#include "audio/WavMax.h"

namespace tirvelo {

WaveInOutcome HandleWaveInDataCore(bool scanningActive, bool companionGuardActive)
{
    const int level = WavMax::ReadPeakLevel();
    if (level <= WavMax::TriggerThreshold || WavMax::TriggerHoldOff != 0 || companionGuardActive)
        return {level, false};
    // Set before the page turns: a buffer handled while the page command waits
    // cannot trigger a second time.
    WavMax::TriggerHoldOff = 2;
    return {level, scanningActive};
}

} // namespace tirvelo
