#pragma once
// The short cue voice that says which button the scan highlights. It is its
// own espeak-ng process, separate from the engine that reads pages, so the
// sound server mixes the two: a cue never cuts a page's reading or its sound.
// A higher, faster voice than any reading voice tells the two apart.
#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QProcess;

namespace tirvelo {

class CueVoice : public QObject {
    Q_OBJECT
public:
    // Looks for the cue program once: a step of the scan searches nothing.
    explicit CueVoice(QObject* parent = nullptr);
    ~CueVoice() override;

    // $TIRVELO_CUE_PROGRAM when set (tests name a recording stand-in),
    // otherwise espeak-ng from the PATH; empty when there is none (or the one
    // named cannot be run).
    static QString program();
    bool available() const { return !m_program.isEmpty(); }

    // The microphone may hear a cue through the loudspeakers: true while one
    // sounds and for as long after it as after the page's own sound.
    static constexpr int GuardMilliseconds = 300;
    bool guardActive() const;

    // Speaks the text in the language ("ca", "es", "pt"); a cue still sounding
    // is cut first, as the highlight has already moved on. Returns false when
    // there is no cue program.
    bool say(const QString& text, const QString& language);
    void stop();

    // The arguments a cue in that language runs with; the text goes to the
    // program's standard input, never onto its command line.
    static QStringList argumentsFor(const QString& language);

private:
    void ended();

    QString m_program;
    QProcess* m_process = nullptr;
    QElapsedTimer m_endClock; // since the last cue ended or was cut
};

} // namespace tirvelo
