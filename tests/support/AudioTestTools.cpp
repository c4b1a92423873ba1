#include "support/AudioTestTools.h"

#include "audio/WaveFile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace tirvelo::test {

bool pulseAvailable()
{
    return !qEnvironmentVariableIsEmpty("TIRVELO_PULSE");
}

bool writeToneWave(const QString& path, double seconds, double frequency, double amplitude, int rate, int bits)
{
    const int frames = static_cast<int>(seconds * rate);
    const int bytesPerSample = bits / 8;
    QByteArray data(frames * bytesPerSample, '\0');
    for (int i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2 * M_PI * frequency * i / rate);
        if (bits == 8)
            data[i] = char(std::clamp<long>(std::lround(128 + 127 * v), 0, 255));
        else
            qToLittleEndian<qint16>(static_cast<qint16>(std::lround(32767 * v)), data.data() + 2 * i);
    }
    const QByteArray wave = monoWaveFile(data, rate, bits);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wave) == wave.size();
}

SinkKeeper::SinkKeeper(const QString& sink)
{
    // Signed 16-bit zeros are silence (unsigned 8-bit zeros would be a full negative swing).
    m_process.setStandardInputFile(QStringLiteral("/dev/zero"));
    m_process.start(QStringLiteral("pacat"), {QStringLiteral("--playback"), QStringLiteral("-d"), sink,
                                              QStringLiteral("--format=s16le"), QStringLiteral("--rate=11025"),
                                              QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
    m_process.waitForStarted(3000);
}

SinkKeeper::~SinkKeeper()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

MonitorRecorder::MonitorRecorder(const QString& sink)
{
    m_process.start(QStringLiteral("parec"), {QStringLiteral("-d"), sink + QStringLiteral(".monitor"),
                                              QStringLiteral("--format=u8"), QStringLiteral("--rate=11025"),
                                              QStringLiteral("--channels=1"), QStringLiteral("--raw"),
                                              QStringLiteral("--latency-msec=20")});
    m_process.waitForStarted(3000);
}

MonitorRecorder::~MonitorRecorder()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

bool MonitorRecorder::running() const
{
    return m_process.state() == QProcess::Running;
}

const QByteArray& MonitorRecorder::samples()
{
    m_samples.append(m_process.readAllStandardOutput());
    return m_samples;
}

int MonitorRecorder::peakSince(qsizetype from)
{
    const QByteArray& all = samples();
    int peak = 128;
    for (qsizetype i = std::max<qsizetype>(0, from); i < all.size(); ++i)
        peak = std::max(peak, int(quint8(all[i])));
    return peak - 128;
}

} // namespace tirvelo::test
