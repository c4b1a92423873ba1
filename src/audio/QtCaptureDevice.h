#pragma once
// The real sound input: the desktop's default audio input through Qt
// Multimedia, 8-bit unsigned mono at 11025 Hz, re-blocked into the queued
// buffers by CaptureDevice. Samples are read into a fixed scratch buffer, so
// capturing allocates no sample memory.
#include "audio/CaptureDevice.h"

#include <QObject>

#include <array>
#include <memory>

class QAudioSource;
class QIODevice;

namespace tirvelo {

class QtCaptureDevice : public QObject, public CaptureDevice {
    Q_OBJECT
public:
    QtCaptureDevice();
    ~QtCaptureDevice() override;

    // 0, CaptureBadDeviceId (no input device), CaptureBadFormat or CaptureAllocated.
    int open(const WaveFormatRecord& format, QObject* notify) override;

protected:
    void closeSource() override;

private:
    void readAvailable();

    std::unique_ptr<QAudioSource> m_source;
    QIODevice* m_stream = nullptr;
    std::array<quint8, 4096> m_scratch{};
};

} // namespace tirvelo
