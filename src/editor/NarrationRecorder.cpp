#include "editor/NarrationRecorder.h"

#include "audio/WaveFile.h"
#include "editor/SoundFiles.h"

namespace tirvelo::editor {
namespace {

constexpr int kSampleRate = 11025;

} // namespace

NarrationRecorder::NarrationRecorder(WavMax::CaptureDeviceFactory factory, QObject* parent)
    : QObject(parent), m_capture(std::move(factory))
{
    m_capture.SetupWaveInput(WavMax::DefaultBufferLength);
    m_capture.setDeviceErrorReporter([this](QObject*, const QString& text, const QString&) { m_openFailure = text; });
}

NarrationRecorder::~NarrationRecorder()
{
    m_capture.CloseWaveInput();
}

std::optional<QString> NarrationRecorder::start()
{
    stop();
    m_samples.clear();
    m_openFailure.reset();
    if (m_capture.OpenWaveInput(this) != 0)
        return m_openFailure.value_or(WavMax::DeviceErrorText());
    m_recording = true;
    emit timeChanged(0);
    return std::nullopt;
}

void NarrationRecorder::stop()
{
    if (!m_recording)
        return;
    m_recording = false;
    m_capture.CloseWaveInput();
    emit levelChanged(0);
    emit stopped();
}

QByteArray NarrationRecorder::waveFile() const
{
    const QByteArray trimmed = trimmedSilence(m_samples, kSampleRate, SilenceLevel);
    return trimmed.isEmpty() ? QByteArray() : monoWaveFile(trimmed, kSampleRate, 8);
}

qint64 NarrationRecorder::recordedMilliseconds() const
{
    return m_samples.size() * 1000 / kSampleRate;
}

bool NarrationRecorder::event(QEvent* event)
{
    if (event->type() != MM_WIM_DATA)
        return QObject::event(event);
    if (!m_recording || m_capture.Closing) {
        m_capture.ReadPeakLevel();
        return true;
    }
    // The buffer coming back is the one handed to the device first.
    const quint8* returned = m_capture.LastQueued == 2 ? m_capture.CaptureBuffer1 : m_capture.CaptureBuffer2;
    m_samples.append(reinterpret_cast<const char*>(returned), m_capture.BufferLength);
    emit levelChanged(m_capture.ReadPeakLevel());
    emit timeChanged(recordedMilliseconds());
    if (recordedMilliseconds() >= MaxMilliseconds)
        stop();
    return true;
}

} // namespace tirvelo::editor
