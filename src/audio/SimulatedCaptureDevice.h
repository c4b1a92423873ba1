#pragma once
// A capture device that needs no sound card, for soak tests and demonstrations:
// it feeds the queued buffers from a generator at N times real speed.
//
// The program uses it instead of the sound input when the environment variable
// TIRVELO_SIMULATED_CAPTURE is set:
//   TIRVELO_SIMULATED_CAPTURE=levels:0,0,90,0,0,0   one 1024-sample span per
//       number, each a square wave of that level (0..127) around the midline,
//       repeated for ever;
//   TIRVELO_SIMULATED_CAPTURE=/path/sound.wav       the samples of an 8-bit mono
//       PCM wave file (or a raw file of unsigned 8-bit samples), looped.
// TIRVELO_SIMULATED_CAPTURE_SPEED=N (1..1000, default 1) runs it N times faster
// than real time. A source that cannot be read makes the open fail (CaptureError).
#include "audio/CaptureDevice.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <array>

namespace tirvelo {

class SimulatedCaptureDevice : public QObject, public CaptureDevice {
    Q_OBJECT
public:
    static constexpr const char* EnvironmentVariable = "TIRVELO_SIMULATED_CAPTURE";
    static constexpr const char* SpeedVariable = "TIRVELO_SIMULATED_CAPTURE_SPEED";
    static constexpr int SpanLength = 1024;

    SimulatedCaptureDevice(QString source, int speed);
    ~SimulatedCaptureDevice() override;

    static int speedFromEnvironment();
    // The looped sample pattern of a source description; empty when it cannot be used.
    static QByteArray loadPattern(const QString& source);

    int open(const WaveFormatRecord& format, QObject* notify) override;

protected:
    void startSource() override;
    void stopSource() override;
    void closeSource() override;

private:
    void feed();

    QString m_sourceName;
    int m_speed;
    QByteArray m_pattern;
    qsizetype m_position = 0;
    qint64 m_delivered = 0;
    QElapsedTimer m_clock;
    QTimer m_timer;
    std::array<quint8, 4096> m_scratch{};
};

} // namespace tirvelo
