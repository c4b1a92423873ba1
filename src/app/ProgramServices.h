#pragma once
// The services of the running program, made once at start-up and handed to
// the windows as a Services bundle: the speech engine loaded at run time, the
// Qt sound player, sound capture from the default input, message boxes, the
// event-loop clock and the settings (whose failed writes go to the boxes).
#include "audio/QtSoundPlayer.h"
#include "audio/WavMax.h"
#include "modes/Settings.h"
#include "speech/SpeechLibrary.h"
#include "modes/Delay.h"
#include "ui/MessageBoxes.h"
#include "modes/Services.h"

namespace tirvelo {

class ProgramServices {
public:
    // Needs the application object (the sound player). Without a factory,
    // capture opens the default device (WavMax::createDefaultCaptureDevice).
    explicit ProgramServices(WavMax::CaptureDeviceFactory devices = {}) : capture(std::move(devices)) {}
    ProgramServices(const ProgramServices&) = delete;
    ProgramServices& operator=(const ProgramServices&) = delete;

    Services bundle() { return {speech, sound, capture, messages, clock, settings}; }

    SpeechLibrary speech;
    QtSoundPlayer sound;
    WavMax capture;
    MessageBoxSink messages;
    EventLoopClock clock;
    Settings settings{&messages};
};

} // namespace tirvelo
