#pragma once
// The short cue voice that says which button the scan highlights. It is its
// own espeak-ng process, separate from the engine that reads pages, so the
// sound server mixes the two: a cue never cuts a page's reading or its sound.
// A higher, faster voice than any reading voice tells the two apart.
#include <QObject>
#include <QString>

class QProcess;

namespace tirvelo {

class CueVoice : public QObject {
    Q_OBJECT
public:
    explicit CueVoice(QObject* parent = nullptr);
    ~CueVoice() override;

    // $TIRVELO_CUE_PROGRAM when set (tests name a recording stand-in),
    // otherwise espeak-ng from the PATH; empty when there is none.
    static QString program();

    // Speaks the text in the language ("ca", "es", "pt"); a cue still sounding
    // is cut first, as the highlight has already moved on. Returns false when
    // there is no cue program.
    bool say(const QString& text, const QString& language);
    void stop();

    // The arguments a cue in that language runs with; the text goes to the
    // program's standard input, never onto its command line.
    static QStringList argumentsFor(const QString& language);

private:
    QProcess* m_process = nullptr;
};

} // namespace tirvelo
