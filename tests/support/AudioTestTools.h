#pragma once
// Sound helpers for the tests that use the private PulseAudio server of
// scripts/test-env.sh (sink "nul", source "mic" = nul.monitor).
#include <QByteArray>
#include <QProcess>
#include <QString>

namespace tirvelo::test {

// True when the private PulseAudio server runs (TIRVELO_PULSE is set).
bool pulseAvailable();

// Writes a PCM wave file with a sine tone; amplitude 0..1 of full scale.
bool writeToneWave(const QString& path, double seconds, double frequency = 440.0, double amplitude = 0.8,
                   int rate = 22050, int bits = 16);

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
    explicit MonitorRecorder(const QString& sink = QStringLiteral("nul"));
    ~MonitorRecorder();
    bool running() const;
    // Reads what has arrived; returns the samples recorded so far.
    const QByteArray& samples();
    // Peak level (0..127) of the samples from `from` on.
    int peakSince(qsizetype from);

private:
    QProcess m_process;
    QByteArray m_samples;
};

} // namespace tirvelo::test
