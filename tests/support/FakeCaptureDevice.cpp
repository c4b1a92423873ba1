#include "support/FakeCaptureDevice.h"


namespace tirvelo::test {

namespace {
FakeCaptureDevice* g_last = nullptr;
int g_openAttempts = 0;
} // namespace

FakeCaptureDevice::FakeCaptureDevice(int openResult) : m_openResult(openResult)
{
    g_last = this;
}

FakeCaptureDevice::~FakeCaptureDevice()
{
    close();
    if (g_last == this)
        g_last = nullptr;
}

FakeCaptureDevice* FakeCaptureDevice::last() { return g_last; }
int FakeCaptureDevice::openAttempts() { return g_openAttempts; }
void FakeCaptureDevice::resetCounters() { g_openAttempts = 0; }

int FakeCaptureDevice::open(const WaveFormatRecord& format, QObject* notify)
{
    ++g_openAttempts;
    openedFormat = format;
    if (m_openResult != 0)
        return m_openResult;
    setNotify(notify);
    return 0;
}

void FakeCaptureDevice::feed(const QByteArray& samples)
{
    deliverSamples(reinterpret_cast<const quint8*>(samples.constData()), samples.size());
}

QByteArray FakeCaptureDevice::block(int level, int count)
{
    QByteArray samples(count, char(128));
    // A negative swing as deep as the positive one, which must not count.
    for (int i = 0; i < count; i += 7)
        samples[i] = char(128 - level);
    samples[count / 2] = char(128 + level);
    return samples;
}

WavMax::CaptureDeviceFactory fakeCaptureDevices(int openResult)
{
    return [openResult] { return std::make_unique<FakeCaptureDevice>(openResult); };
}

void WaveInRecorder::customEvent(QEvent* event)
{
    if (event->type() != MM_WIM_DATA)
        return;
    ++events;
    headers.append(static_cast<WaveInDataEvent*>(event)->header());
    if (autoRead && m_capture)
        levels.append(m_capture->ReadPeakLevel());
}

} // namespace tirvelo::test
