#include "support/AudioTestTools.h"

#include "audio/WaveFile.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

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

bool writeEncodedTone(const QString& path, int format, double seconds, int channels, int rate, double amplitude)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    const auto frames = static_cast<sf_count_t>(seconds * rate);
    std::vector<float> samples(static_cast<size_t>(frames * channels));
    for (sf_count_t i = 0; i < frames; ++i) {
        const auto v = static_cast<float>(amplitude * std::sin(2 * M_PI * 440.0 * double(i) / rate));
        std::fill_n(samples.begin() + i * channels, channels, v);
    }
    const bool written = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

bool gstreamerLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libgstreamer-1.0");
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

int MonitorRecorder::recentPeak(int tenths)
{
    const qsizetype size = samples().size();
    return peakSince(size - tenths * kTenth);
}

bool MonitorRecorder::heardAbove(int level, int timeoutMs)
{
    const qsizetype from = samples().size();
    return QTest::qWaitFor([&] { return peakSince(from) > level; }, timeoutMs);
}

bool MonitorRecorder::silentWithin(int timeoutMs, int level)
{
    return QTest::qWaitFor([&] { return samples().size() > 5 * kTenth && recentPeak(5) < level; }, timeoutMs);
}

int MonitorRecorder::loudTenths(qsizetype from, int level)
{
    const QByteArray& all = samples();
    int count = 0;
    for (qsizetype at = from; at + kTenth <= all.size(); at += kTenth) {
        int peak = 0;
        for (qsizetype i = at; i < at + kTenth; ++i)
            peak = std::max(peak, int(quint8(all[i])) - 128);
        count += peak > level ? 1 : 0;
    }
    return count;
}

namespace {

qsizetype samplesFor(int ms)
{
    return qsizetype(SpeechMonitor::kRate) * ms / 1000;
}

} // namespace

SpeechMonitor::SpeechMonitor(const QString& sink) : m_sink(sink) {}

SpeechMonitor::~SpeechMonitor()
{
    m_process.kill();
    m_process.waitForFinished(2000);
}

bool SpeechMonitor::start()
{
    m_process.start(QStringLiteral("parec"),
                    {QStringLiteral("-d"), m_sink + QStringLiteral(".monitor"), QStringLiteral("--format=s16le"),
                     QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=1"),
                     QStringLiteral("--latency-msec=20")});
    return m_process.waitForStarted(5000) && waitForSamples(samplesFor(200), 5000);
}

qsizetype SpeechMonitor::size()
{
    m_bytes += m_process.readAllStandardOutput();
    return m_bytes.size() / 2;
}

bool SpeechMonitor::waitForSamples(qsizetype count, int timeoutMs)
{
    return QTest::qWaitFor([&] { m_process.waitForReadyRead(10); return size() >= count; }, timeoutMs);
}

int16_t SpeechMonitor::sample(qsizetype i) const
{
    const auto lo = static_cast<unsigned char>(m_bytes[2 * i]);
    const auto hi = static_cast<unsigned char>(m_bytes[2 * i + 1]);
    return static_cast<int16_t>(lo | (hi << 8));
}

int SpeechMonitor::peak(qsizetype from, qsizetype to) const
{
    int best = 0;
    for (qsizetype i = std::max<qsizetype>(from, 0); i < to && i < m_bytes.size() / 2; ++i)
        best = std::max(best, std::abs(int(sample(i))));
    return best;
}

double SpeechMonitor::rms(qsizetype from, qsizetype to) const
{
    double sum = 0;
    qsizetype n = 0;
    for (qsizetype i = std::max<qsizetype>(from, 0); i < to && i < m_bytes.size() / 2; ++i, ++n)
        sum += double(sample(i)) * sample(i);
    return n ? std::sqrt(sum / n) : 0.0;
}

qsizetype SpeechMonitor::waitForSound(qsizetype from, int timeoutMs, int level)
{
    qsizetype found = -1;
    (void)QTest::qWaitFor(
        [&] {
            m_process.waitForReadyRead(10);
            const qsizetype end = size();
            for (qsizetype i = from; i < end && found < 0; ++i)
                if (std::abs(int(sample(i))) >= level)
                    found = i;
            from = std::max(from, end);
            return found >= 0;
        },
        timeoutMs);
    return found;
}

bool SpeechMonitor::soundAfter(qsizetype from, int timeoutMs, int level)
{
    return waitForSound(from, timeoutMs, level) >= 0;
}

bool SpeechMonitor::awaitQuiet(qsizetype from, int quietMs, int timeoutMs, int level, qsizetype& lastLoud)
{
    lastLoud = from;
    return QTest::qWaitFor(
        [&] {
            m_process.waitForReadyRead(10);
            const qsizetype end = size();
            for (qsizetype i = from; i < end; ++i)
                if (std::abs(int(sample(i))) > level)
                    lastLoud = i;
            from = std::max(from, end);
            return end - lastLoud >= samplesFor(quietMs);
        },
        timeoutMs);
}

qsizetype SpeechMonitor::waitForQuiet(qsizetype from, int quietMs, int timeoutMs, int level)
{
    qsizetype lastLoud = from;
    awaitQuiet(from, quietMs, timeoutMs, level, lastLoud);
    return lastLoud;
}

bool SpeechMonitor::quietFor(int quietMs, int timeoutMs, int level)
{
    qsizetype lastLoud = 0;
    return awaitQuiet(size(), quietMs, timeoutMs, level, lastLoud);
}

} // namespace tirvelo::test
