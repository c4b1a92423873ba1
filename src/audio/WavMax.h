#pragma once
// WavMax: sound capture from the default input and the peak level of each
// captured buffer, with the threshold and hold-off the sound trigger shares
// with the level dialog. Unit-level state, used from the GUI thread only.
//
// Capture is double-buffered: OpenWaveInput hands both buffers to the device,
// which posts one MM_WIM_DATA event (CaptureDevice.h) to the notify object per
// filled buffer; the handler calls ReadPeakLevel, which measures the returned
// buffer and hands it back.
#include "audio/CaptureDevice.h"

#include <QString>

#include <functional>
#include <memory>

class QObject;

namespace tirvelo::WavMax {

inline constexpr int CaptureBufferCapacity = 8193;
inline constexpr int DefaultBufferLength = 1024;
inline constexpr int DefaultTriggerThreshold = 30;

// Sample memory handed to the device. Allocated when the program starts;
// released by FreeWaveBuffers (a later SetupWaveInput allocates them again).
extern quint8* CaptureBuffer1;
extern quint8* CaptureBuffer2;
extern WaveHeader CaptureHeader1;
extern WaveHeader CaptureHeader2;
extern WaveFormatRecord WaveFormat;
// The open device, or null when capture is closed. Owned by this unit.
extern CaptureDevice* WaveInHandle;
extern int BufferLength;
// Which buffer (1 or 2) was handed to the device most recently.
extern int LastQueued;
// True from CloseWaveInput to the next successful open: returned buffers are ignored.
extern bool Closing;
// A buffer triggers only when its level is greater than this (0..128).
extern int TriggerThreshold;
// Quiet buffers still to pass before the next trigger; never below 0.
extern int TriggerHoldOff;

// Fills the format and the headers, sets the threshold to 30 and the hold-off to
// 0; a device still open is closed first. A length outside 1..8193 is brought
// into that range.
void SetupWaveInput(int bufferLength);
// Opens the default input and starts capture with events posted to notifyWindow.
// Returns 0, also when a device is already open (then nothing else happens), or
// the device's error code after reporting the failure once (setDeviceErrorReporter).
int OpenWaveInput(QObject* notifyWindow);
// The level 0..127 of the buffer just returned, 0 while a hold-off runs (quiet
// buffers count it down) and 0 while closing (the buffer is then not handed back).
int ReadPeakLevel();
// Stops capture and closes the device; safe when nothing is open.
void CloseWaveInput();
// Releases both buffers. Capture must be closed first.
void FreeWaveBuffers();

// The failure message of OpenWaveInput, shown with the warning icon.
QString DeviceErrorText();
QString DeviceErrorCaption();

// How an open failure is shown: the UI installs a warning message box. Without
// one the text goes to the debug output.
using DeviceErrorReporter = std::function<void(QObject* owner, const QString& text, const QString& caption)>;
void setDeviceErrorReporter(DeviceErrorReporter reporter);

// Makes the devices that OpenWaveInput opens; an empty factory restores the
// default (the simulated device when TIRVELO_SIMULATED_CAPTURE is set, else the
// default Qt audio input).
using CaptureDeviceFactory = std::function<std::unique_ptr<CaptureDevice>()>;
void setCaptureDeviceFactory(CaptureDeviceFactory factory);
std::unique_ptr<CaptureDevice> createDefaultCaptureDevice();

} // namespace tirvelo::WavMax
