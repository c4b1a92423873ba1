#include "audio/QtCaptureDevice.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QEventLoop>
#include <QMediaDevices>
#include <QTimer>

namespace tirvelo {

namespace {

// The device list is filled asynchronously after the first QMediaDevices use;
// right after start-up the default input may still be unknown, so wait a little
// for the list before concluding there is none.
QAudioDevice defaultInput()
{
    QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (!device.isNull())
        return device;
    QMediaDevices devices;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&devices, &QMediaDevices::audioInputsChanged, &loop, &QEventLoop::quit);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(1000);
    loop.exec();
    return QMediaDevices::defaultAudioInput();
}

} // namespace

QtCaptureDevice::QtCaptureDevice() = default;

QtCaptureDevice::~QtCaptureDevice()
{
    close();
}

int QtCaptureDevice::open(const WaveFormatRecord& format, QObject* notify)
{
    if (format.formatTag != 1 || format.bitsPerSample != 8 || format.channels != 1)
        return CaptureBadFormat;
    const QAudioDevice device = defaultInput();
    if (device.isNull())
        return CaptureBadDeviceId;

    QAudioFormat audioFormat;
    audioFormat.setSampleFormat(QAudioFormat::UInt8);
    audioFormat.setChannelCount(1);
    audioFormat.setSampleRate(static_cast<int>(format.samplesPerSec));
    if (!device.isFormatSupported(audioFormat))
        return CaptureBadFormat;

    m_source = std::make_unique<QAudioSource>(device, audioFormat);
    // Ask for small reads (about 46 ms) so that a filled buffer is returned soon
    // after its last sample arrives.
    m_source->setBufferSize(512);
    m_stream = m_source->start();
    if (!m_stream || m_source->error() != QAudio::NoError) {
        m_source.reset();
        m_stream = nullptr;
        return CaptureAllocated;
    }
    setNotify(notify);
    connect(m_stream, &QIODevice::readyRead, this, &QtCaptureDevice::readAvailable);
    return CaptureOk;
}

void QtCaptureDevice::readAvailable()
{
    if (!m_stream)
        return;
    for (;;) {
        const qint64 n = m_stream->read(reinterpret_cast<char*>(m_scratch.data()), qint64(m_scratch.size()));
        if (n <= 0)
            break;
        // Samples read before start() or while every buffer is held are dropped there.
        deliverSamples(m_scratch.data(), n);
    }
}

void QtCaptureDevice::closeSource()
{
    if (m_stream)
        disconnect(m_stream, nullptr, this, nullptr);
    if (m_source)
        m_source->stop();
    m_stream = nullptr;
    m_source.reset();
}

} // namespace tirvelo
