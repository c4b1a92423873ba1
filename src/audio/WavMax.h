#pragma once
// WavMax: sound capture from the default input and the peak level of each
// captured buffer, with the threshold and hold-off the sound trigger shares
// with the level dialog. One object for the program's run, used from the GUI
// thread only.
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

namespace tirvelo {

class WavMax {
public:
    static constexpr int CaptureBufferCapacity = 8193;
    static constexpr int DefaultBufferLength = 1024;
    static constexpr int DefaultTriggerThreshold = 30;

    // Makes the devices that OpenWaveInput opens.
    using CaptureDeviceFactory = std::function<std::unique_ptr<CaptureDevice>()>;
    // How an open failure is shown: the UI installs a warning message box. Without
    // one the text goes to the debug output.
    using DeviceErrorReporter = std::function<void(QObject* owner, const QString& text, const QString& caption)>;

    // An empty factory opens the default device (createDefaultCaptureDevice).
    explicit WavMax(CaptureDeviceFactory factory = {});
    // Closes a device still open and releases the buffers.
    ~WavMax();
    WavMax(const WavMax&) = delete;
    WavMax& operator=(const WavMax&) = delete;

    // The simulated device when TIRVELO_SIMULATED_CAPTURE is set, else the
    // default Qt audio input.
    static std::unique_ptr<CaptureDevice> createDefaultCaptureDevice();

    // The failure message of OpenWaveInput, shown with the warning icon.
    static QString DeviceErrorText();
    static QString DeviceErrorCaption();

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

    void setDeviceErrorReporter(DeviceErrorReporter reporter) { m_errorReporter = std::move(reporter); }

    // Sample memory handed to the device. Allocated with this object; released
    // by FreeWaveBuffers (a later SetupWaveInput allocates them again).
    quint8* CaptureBuffer1 = nullptr;
    quint8* CaptureBuffer2 = nullptr;
    WaveHeader CaptureHeader1;
    WaveHeader CaptureHeader2;
    WaveFormatRecord WaveFormat;
    // The open device, or null when capture is closed. Owned by this object.
    CaptureDevice* WaveInHandle = nullptr;
    int BufferLength = DefaultBufferLength;
    // Which buffer (1 or 2) was handed to the device most recently.
    int LastQueued = 2;
    // True from CloseWaveInput to the next successful open: returned buffers are ignored.
    bool Closing = false;
    // A buffer triggers only when its level is greater than this (0..128).
    int TriggerThreshold = DefaultTriggerThreshold;
    // Quiet buffers still to pass before the next trigger; never below 0.
    int TriggerHoldOff = 0;
    // The level of the buffer ReadPeakLevel measured last, also while a hold-off
    // made it read 0 (0 while closing): what calibration hears of the room.
    int LastPeakLevel = 0;

private:
    void fillHeader(WaveHeader& header, quint8* buffer) const;
    int reportOpenFailure(QObject* notifyWindow, int code) const;

    CaptureDeviceFactory m_deviceFactory;
    DeviceErrorReporter m_errorReporter;
    // Opening may wait for the device list with events running.
    bool m_opening = false;
};

} // namespace tirvelo
