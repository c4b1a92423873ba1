#pragma once
// Recording a page's narration through the program's own capture (WavMax on
// a device of its own, so voice mode's stays as it was): the live level and
// the time recorded while it runs, then the recording with the silence at both
// ends trimmed, as the wave file the reader plays.
#include "audio/WavMax.h"

#include <QByteArray>
#include <QObject>
#include <optional>

namespace tirvelo::editor {

class NarrationRecorder : public QObject {
    Q_OBJECT
public:
    // Quieter than this (a level 0..127) counts as silence at the ends.
    static constexpr int SilenceLevel = 6;
    // A recording stops by itself at ten minutes.
    static constexpr qint64 MaxMilliseconds = 10 * 60 * 1000;

    explicit NarrationRecorder(WavMax::CaptureDeviceFactory factory = {}, QObject* parent = nullptr);
    ~NarrationRecorder() override;

    // Starts a new recording, dropping the last one; the device's message when
    // it cannot be opened.
    std::optional<QString> start();
    void stop();
    bool recording() const { return m_recording; }

    // The last recording, trimmed, as a wave file; empty when nothing louder
    // than the silence was heard.
    QByteArray waveFile() const;
    qint64 recordedMilliseconds() const;

signals:
    void levelChanged(int level);
    void timeChanged(qint64 milliseconds);
    void stopped();

protected:
    bool event(QEvent* event) override;

private:
    WavMax m_capture;
    QByteArray m_samples;
    bool m_recording = false;
    std::optional<QString> m_openFailure;
};

} // namespace tirvelo::editor
