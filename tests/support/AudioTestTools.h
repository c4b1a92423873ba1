#pragma once
// Sound helpers for the tests that use the private PulseAudio server of
// scripts/test-env.sh (sink "nul", source "mic" = nul.monitor).
#include <QByteArray>
#include <QProcess>
#include <QString>

#include <cstdint>

namespace tirvelo::test {

// True when the private PulseAudio server runs (TIRVELO_PULSE is set).
bool pulseAvailable();

// Writes a PCM wave file with a sine tone; amplitude 0..1 of full scale.
bool writeToneWave(const QString& path, double seconds, double frequency = 440.0, double amplitude = 0.8,
                   int rate = 22050, int bits = 16);

// Writes a sine tone with libsndfile; format is its SF_FORMAT_* container and
// encoding (a wave file in µ-law, ADPCM and so on).
bool writeEncodedTone(const QString& path, int format, double seconds, int channels = 1, int rate = 22050,
                      double amplitude = 0.8);

// Whether this process has loaded the GStreamer library.
bool gstreamerLoaded();

// Plays digital silence into a sink so that the null sink renders steadily
// (an idle null sink renders in bursts of about two seconds).
class SinkKeeper {
public:
    explicit SinkKeeper(const QString& sink = QStringLiteral("nul"));
    ~SinkKeeper();

private:
    QProcess m_process;
};

// Records a sink's monitor as unsigned 8-bit mono at 11025 Hz with parec.
class MonitorRecorder {
public:
    static constexpr qsizetype kTenth = 1102; // samples in a tenth of a second

    explicit MonitorRecorder(const QString& sink = QStringLiteral("nul"));
    ~MonitorRecorder();
    bool running() const;
    // Reads what has arrived; returns the samples recorded so far.
    const QByteArray& samples();
    // Peak level (0..127) of the samples from `from` on.
    int peakSince(qsizetype from);
    // Peak level of the last `tenths` tenths of a second.
    int recentPeak(int tenths = 2);
    // Whether a sample above `level` arrives within the time, counting from now.
    bool heardAbove(int level, int timeoutMs = 5000);
    // Whether, within the time, the last half second stays below `level`.
    bool silentWithin(int timeoutMs, int level = 3);
    // Whole tenths of a second recorded from `from` on whose peak is above `level`.
    int loudTenths(qsizetype from, int level = 60);

private:
    QProcess m_process;
    QByteArray m_samples;
};

// Records a sink's monitor as signed 16-bit mono at 11025 Hz with parec, for
// the speech engine's sound. Levels are sample magnitudes (0..32767);
// positions count samples from the start of the recording.
class SpeechMonitor {
public:
    static constexpr int kRate = 11025;      // samples per second
    static constexpr int kSoundPeak = 2000;  // a sample this loud is sound
    static constexpr int kSilencePeak = 200; // nothing above this is silence

    explicit SpeechMonitor(const QString& sink = QStringLiteral("nul"));
    ~SpeechMonitor();
    // Starts parec; true once its first 200 ms of samples have come.
    bool start();
    // Reads what has arrived; the number of samples recorded so far.
    qsizetype size();
    bool waitForSamples(qsizetype count, int timeoutMs = 5000);
    // Largest magnitude and root mean square of the samples in [from, to).
    int peak(qsizetype from, qsizetype to) const;
    double rms(qsizetype from, qsizetype to) const;
    // Waits until a sample from `from` on reaches `level`; its index, or -1.
    qsizetype waitForSound(qsizetype from, int timeoutMs = 5000, int level = kSoundPeak);
    // Whether a sample from `from` on reaches `level` within the time.
    bool soundAfter(qsizetype from, int timeoutMs = 8000, int level = kSoundPeak);
    // Waits for `quietMs` without a sample above `level`; the index of the last
    // loud sample before that quiet stretch (or `from` when all was quiet),
    // also when the time runs out first.
    qsizetype waitForQuiet(qsizetype from, int quietMs, int timeoutMs = 20000, int level = kSilencePeak);
    // Whether, from now on and within the time, `quietMs` pass without a sample above `level`.
    bool quietFor(int quietMs, int timeoutMs = 15000, int level = kSilencePeak);

private:
    int16_t sample(qsizetype i) const;
    bool awaitQuiet(qsizetype from, int quietMs, int timeoutMs, int level, qsizetype& lastLoud);

    QString m_sink;
    QProcess m_process;
    QByteArray m_bytes;
};

} // namespace tirvelo::test
