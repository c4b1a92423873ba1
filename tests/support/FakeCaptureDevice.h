#pragma once
// Capture devices and notify windows for the capture tests.
#include "audio/CaptureDevice.h"
#include "audio/WavMax.h"

#include <QByteArray>
#include <QObject>
#include <QVector>

namespace tirvelo::test {

// A capture device fed by hand: feed() pushes samples as a driver read would.
// The most recently made one is reachable through last() while it lives.
class FakeCaptureDevice : public CaptureDevice {
public:
    explicit FakeCaptureDevice(int openResult = 0);
    ~FakeCaptureDevice() override;

    static FakeCaptureDevice* last();
    // How many fake devices have been opened (successfully or not) since reset.
    static int openAttempts();
    static void resetCounters();

    int open(const WaveFormatRecord& format, QObject* notify) override;
    void feed(const QByteArray& samples);
    // One block of `count` samples whose peak above the midline is `level`.
    static QByteArray block(int level, int count = 1024);

    WaveFormatRecord openedFormat;

private:
    int m_openResult;
};

// A factory for WavMax that opens FakeCaptureDevices with the given open result.
WavMax::CaptureDeviceFactory fakeCaptureDevices(int openResult = 0);

// The window that capture notifies: counts MM_WIM_DATA events and, when
// autoRead is on, answers each with the capture's ReadPeakLevel as the main
// window does.
class WaveInRecorder : public QObject {
public:
    explicit WaveInRecorder(WavMax* capture = nullptr) : m_capture(capture) {}

    bool autoRead = true;
    int events = 0;
    QVector<int> levels;
    QVector<WaveHeader*> headers;

protected:
    void customEvent(QEvent* event) override;

private:
    WavMax* m_capture;
};

} // namespace tirvelo::test
