#include "audio/WavMax.h"

#include "audio/QtCaptureDevice.h"
#include "audio/SimulatedCaptureDevice.h"

#include <QCoreApplication>
#include <QDebug>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tirvelo {

// Both buffers exist from the start, so capture never allocates sample memory.
WavMax::WavMax(CaptureDeviceFactory factory)
    : CaptureBuffer1(new quint8[CaptureBufferCapacity]()),
      CaptureBuffer2(new quint8[CaptureBufferCapacity]()),
      m_deviceFactory(std::move(factory))
{
}

WavMax::~WavMax()
{
    CloseWaveInput();
    FreeWaveBuffers();
}

void WavMax::fillHeader(WaveHeader& header, quint8* buffer) const
{
    header.data = buffer;
    header.bufferLength = BufferLength;
    header.bytesRecorded = 0;
    header.flags = 0;
}

int WavMax::reportOpenFailure(QObject* notifyWindow, int code) const
{
    if (m_errorReporter)
        m_errorReporter(notifyWindow, DeviceErrorText(), DeviceErrorCaption());
    else
        qWarning().noquote() << DeviceErrorCaption() << ":" << DeviceErrorText();
    return code;
}

QString WavMax::DeviceErrorText()
{
    return QStringLiteral(u"No és possible obrir el dispositiu d'entrada de so. O no hi ha tarja de so o hi ha "
                          u"una altre aplicació que la fa servir. Si és així pareu aquesta aplicació i torneu-ho "
                          u"a provar.");
}

QString WavMax::DeviceErrorCaption()
{
    return QStringLiteral(u"Control del valor màxim detectat en el micròfon");
}

std::unique_ptr<CaptureDevice> WavMax::createDefaultCaptureDevice()
{
    const QString simulated = qEnvironmentVariable(SimulatedCaptureDevice::EnvironmentVariable);
    if (!simulated.isEmpty())
        return std::make_unique<SimulatedCaptureDevice>(simulated, SimulatedCaptureDevice::speedFromEnvironment());
    return std::make_unique<QtCaptureDevice>();
}

void WavMax::SetupWaveInput(int bufferLength)
{
    // The headers are about to be rewritten: a device still holding them is closed first.
    if (WaveInHandle)
        CloseWaveInput();
    if (!CaptureBuffer1)
        CaptureBuffer1 = new quint8[CaptureBufferCapacity]();
    if (!CaptureBuffer2)
        CaptureBuffer2 = new quint8[CaptureBufferCapacity]();
    BufferLength = std::clamp(bufferLength, 1, CaptureBufferCapacity);

    WaveFormat.formatTag = 1; // PCM
    WaveFormat.channels = 1;
    WaveFormat.samplesPerSec = 11025;
    WaveFormat.bitsPerSample = 8;
    const double bytesPerFrame = WaveFormat.bitsPerSample / 8.0 * WaveFormat.channels;
    WaveFormat.blockAlign = static_cast<quint16>(std::lround(bytesPerFrame));
    WaveFormat.avgBytesPerSec = static_cast<quint32>(std::lround(WaveFormat.samplesPerSec * bytesPerFrame));
    WaveFormat.extraSize = 0;

    fillHeader(CaptureHeader1, CaptureBuffer1);
    fillHeader(CaptureHeader2, CaptureBuffer2);
    TriggerHoldOff = 0;
    TriggerThreshold = DefaultTriggerThreshold;
}

int WavMax::OpenWaveInput(QObject* notifyWindow)
{
    if (WaveInHandle)
        return 0;

    auto report = [this, notifyWindow](int code) { return reportOpenFailure(notifyWindow, code); };
    if (!CaptureBuffer1 || !CaptureBuffer2 || !CaptureHeader1.data || !CaptureHeader2.data)
        return report(CaptureNoMemory);

    // A second open arriving while the first waits for the device list finds
    // the device busy.
    if (m_opening)
        return report(CaptureAllocated);
    std::unique_ptr<CaptureDevice> device = m_deviceFactory ? m_deviceFactory() : createDefaultCaptureDevice();
    if (!device)
        return report(CaptureBadDeviceId);
    m_opening = true;
    const int result = device->open(WaveFormat, notifyWindow);
    m_opening = false;
    if (result != 0) {
        device->close();
        return report(result);
    }
    WaveInHandle = device.release();

    // Buffers that a previous capture returned after its reset, and whose events
    // are still queued, belong to that capture: they must not be taken for
    // buffers of this one.
    if (notifyWindow)
        QCoreApplication::removePostedEvents(notifyWindow, MM_WIM_DATA);

    std::memset(CaptureBuffer1, 0, CaptureBufferCapacity);
    std::memset(CaptureBuffer2, 0, CaptureBufferCapacity);
    Closing = false;
    CaptureHeader1.flags &= ~(WaveHeader::Done | WaveHeader::InQueue);
    CaptureHeader2.flags &= ~(WaveHeader::Done | WaveHeader::InQueue);
    WaveInHandle->prepareHeader(&CaptureHeader1);
    WaveInHandle->addBuffer(&CaptureHeader1);
    LastQueued = 1;
    WaveInHandle->prepareHeader(&CaptureHeader2);
    WaveInHandle->addBuffer(&CaptureHeader2);
    LastQueued = 2;
    WaveInHandle->start();
    return 0;
}

int WavMax::ReadPeakLevel()
{
    LastPeakLevel = 0;
    if (Closing)
        return 0;

    // Buffers come back in the order they were queued: the one returned now is
    // the other one than the buffer queued last.
    const int returned = LastQueued == 2 ? 1 : 2;
    WaveHeader& header = returned == 1 ? CaptureHeader1 : CaptureHeader2;
    const quint8* samples = header.data;
    if (!samples)
        return 0;

    // 8-bit samples are unsigned, silence is 128: only excursions above it count.
    int peak = 128;
    for (int i = 0; i < BufferLength; ++i)
        peak = std::max<int>(peak, samples[i]);
    int level = peak - 128;
    LastPeakLevel = level;

    if (TriggerHoldOff > 0) {
        if (level <= TriggerThreshold)
            TriggerHoldOff = std::max(0, TriggerHoldOff - 1);
        level = 0;
    }

    if (WaveInHandle)
        WaveInHandle->addBuffer(&header);
    LastQueued = returned;
    return level;
}

void WavMax::CloseWaveInput()
{
    Closing = true;
    if (!WaveInHandle)
        return;
    // The reset returns the buffers still held, each with its event; those are
    // answered with 0 while Closing stays true.
    WaveInHandle->reset();
    WaveInHandle->close();
    delete WaveInHandle;
    WaveInHandle = nullptr;
}

void WavMax::FreeWaveBuffers()
{
    delete[] CaptureBuffer2;
    CaptureBuffer2 = nullptr;
    delete[] CaptureBuffer1;
    CaptureBuffer1 = nullptr;
    CaptureHeader1.data = nullptr;
    CaptureHeader2.data = nullptr;
}

} // namespace tirvelo
