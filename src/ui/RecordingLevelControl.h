#pragma once
// The desktop's recording-level control: the PulseAudio volume control
// (pavucontrol) on its input-devices tab.

namespace tirvelo {

class RecordingLevelControl {
public:
    // Brings an open window of the control to the front (mapping it again when
    // minimised); when none is open, starts the control detached on its input
    // tab. Nothing is shown when the control is not installed.
    // Returns true when a window was raised or the program started.
    static bool raise();
};

} // namespace tirvelo
