#include "audio/SimulatedCaptureDevice.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace tirvelo {

namespace {

constexpr qint64 MaxSourceBytes = 64 * 1024 * 1024;

QByteArray levelsPattern(QStringView list)
{
    QByteArray pattern;
    const auto parts = list.split(u',');
    if (parts.size() > 10000)
        return {};
    for (QStringView part : parts) {
        bool ok = false;
        const int level = part.trimmed().toInt(&ok);
        if (!ok || level < 0 || level > 127)
            return {};
        // A square wave: the peak above the midline is the level.
        for (int i = 0; i < SimulatedCaptureDevice::SpanLength; ++i)
            pattern.append(static_cast<char>(i % 2 == 0 ? 128 + level : 128 - level));
    }
    return pattern;
}

// The data chunk of an 8-bit mono PCM wave file; empty when it is anything else.
QByteArray waveSamples(const QByteArray& file)
{
    qsizetype pos = 12;
    bool formatOk = false;
    while (pos + 8 <= file.size()) {
        const QByteArray id = file.mid(pos, 4);
        const quint32 size = qFromLittleEndian<quint32>(file.constData() + pos + 4);
        const qsizetype body = pos + 8;
        if (size > quint32(file.size() - body))
            return {};
        if (id == "fmt ") {
            if (size < 16)
                return {};
            const quint16 tag = qFromLittleEndian<quint16>(file.constData() + body);
            const quint16 channels = qFromLittleEndian<quint16>(file.constData() + body + 2);
            const quint16 bits = qFromLittleEndian<quint16>(file.constData() + body + 14);
            formatOk = tag == 1 && channels == 1 && bits == 8;
        } else if (id == "data") {
            return formatOk ? file.mid(body, size) : QByteArray();
        }
        pos = body + size + (size & 1);
    }
    return {};
}

} // namespace

SimulatedCaptureDevice::SimulatedCaptureDevice(QString source, int speed)
    : m_sourceName(std::move(source)), m_speed(std::clamp(speed, 1, 1000))
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &SimulatedCaptureDevice::feed);
}

SimulatedCaptureDevice::~SimulatedCaptureDevice()
{
    close();
}

int SimulatedCaptureDevice::speedFromEnvironment()
{
    bool ok = false;
    const int speed = qEnvironmentVariableIntValue(SpeedVariable, &ok);
    return ok ? std::clamp(speed, 1, 1000) : 1;
}

QByteArray SimulatedCaptureDevice::loadPattern(const QString& source)
{
    if (source.startsWith(QLatin1String("levels:")))
        return levelsPattern(QStringView(source).mid(7));
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxSourceBytes)
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WAVE")
        return waveSamples(bytes);
    return bytes;
}

int SimulatedCaptureDevice::open(const WaveFormatRecord& format, QObject* notify)
{
    if (format.formatTag != 1 || format.bitsPerSample != 8 || format.channels != 1)
        return CaptureBadFormat;
    m_pattern = loadPattern(m_sourceName);
    if (m_pattern.isEmpty())
        return CaptureError;
    setNotify(notify);
    return CaptureOk;
}

void SimulatedCaptureDevice::startSource()
{
    m_delivered = 0;
    m_clock.start();
    m_timer.start();
}

void SimulatedCaptureDevice::stopSource()
{
    m_timer.stop();
}

void SimulatedCaptureDevice::closeSource()
{
    m_timer.stop();
}

void SimulatedCaptureDevice::feed()
{
    // Count from the start so that timer jitter does not make the rate drift.
    const qint64 due = m_clock.elapsed() * 11025 * m_speed / 1000;
    qint64 missing = due - m_delivered;
    // After a long stall only the most recent samples matter: the rest would be
    // dropped anyway, as no more than a few buffers can be queued.
    if (missing > 65536) {
        m_delivered = due - 65536;
        missing = 65536;
    }
    while (missing > 0 && started()) {
        const qsizetype chunk = std::min<qint64>(missing, qint64(m_scratch.size()));
        for (qsizetype i = 0; i < chunk; ++i) {
            m_scratch[size_t(i)] = static_cast<quint8>(m_pattern.at(m_position));
            m_position = (m_position + 1) % m_pattern.size();
        }
        deliverSamples(m_scratch.data(), chunk);
        m_delivered += chunk;
        missing -= chunk;
    }
}

} // namespace tirvelo
