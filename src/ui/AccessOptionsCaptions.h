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
};

const AccessOptionsCaptions& accessOptionsCaptionsFor(InterfaceLanguage language);

} // namespace tirvelo
