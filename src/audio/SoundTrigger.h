#pragma once
// The sound trigger's decision for one returned capture buffer, without
// widgets: the main window's MM_WIM_DATA handler shows `level` on the dialog's
// bar when the dialog is visible and, when `activate` is set, clears the scan
// highlight and runs the command of the highlighted button.
namespace tirvelo {

class WavMax;

struct WaveInOutcome {
    int level;      // what the level bar shows (0..127)
    bool activate;  // run the highlighted button's command
};

// level := capture.ReadPeakLevel(). A level above TriggerThreshold with no hold-off
// running starts the hold-off of 2 quiet buffers, also when scanning is off,
// and activates when scanning is active.
//
// companionGuardActive: the book's own companion sound is playing or ended less
// than 300 ms ago. The microphone hears the loudspeaker, so such buffers still
// show their level but neither activate nor start the hold-off: they are not the
// user's sound, and a hold-off started by them would swallow the user's first
// sound after the page's sound ends.
WaveInOutcome HandleWaveInDataCore(WavMax& capture, bool scanningActive, bool companionGuardActive);

// While the room is heard for calibration: the buffer's own level, also
// through a hold-off (which goes on counting quiet buffers), and never a
// trigger or a new hold-off, so the room's noise turns no page.
int HearRoomLevel(WavMax& capture);

} // namespace tirvelo
