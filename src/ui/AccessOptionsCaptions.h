#pragma once
// Captions of the switch-access options in the three interface languages: the
// options dialog and the level dialog's calibration.
#include "desktop/InterfaceLanguage.h"

#include <QString>

namespace tirvelo {

struct AccessOptionsCaptions {
    QString DialogTitle;
    QString AcceptanceTime;
    QString PostAcceptanceDelay;
    QString SelectKey;
    QString StepKey;
    QString NoKey;
    QString SpokenHighlight;
    QString SoundSwitchDuringSound;
    QString SoundSwitchDuringSoundHint;
    QString Accept;
    QString Cancel;
    QString Calibrate;
    QString CalibrationCountdown; // %1: whole seconds left
    QString RoomTooLoud;          // on the level bar after a calibration in a room too loud
    QString RoomTooLoudHint;      // what to do about it, said to a screen reader
    QString NotStored;            // the options could not be written
    QString DigitKeyHint;         // shown while "1" or "2" is a switch key
    QString NoCueVoice;           // shown when the cue voice's program is missing
};

const AccessOptionsCaptions& accessOptionsCaptionsFor(InterfaceLanguage language);

} // namespace tirvelo
