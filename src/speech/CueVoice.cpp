#include "speech/CueVoice.h"

#include <QProcess>
#include <QStandardPaths>

namespace tirvelo {

namespace {
// Faster and higher than the reading voices, so that a cue is heard as a cue.
constexpr int kCueWordsPerMinute = 230;
constexpr int kCuePitch = 75;
} // namespace

CueVoice::CueVoice(QObject* parent) : QObject(parent), m_program(program()) {}

CueVoice::~CueVoice()
{
    stop();
}

QString CueVoice::program()
{
    const QString chosen = qEnvironmentVariable("TIRVELO_CUE_PROGRAM");
    return QStandardPaths::findExecutable(chosen.isEmpty() ? QStringLiteral("espeak-ng") : chosen);
}

bool CueVoice::guardActive() const
{
    if (m_process && m_process->state() != QProcess::NotRunning)
        return true;
    return m_endClock.isValid() && m_endClock.elapsed() < GuardMilliseconds;
}

void CueVoice::ended()
{
    m_endClock.start();
}

QStringList CueVoice::argumentsFor(const QString& language)
{
    return {QStringLiteral("-v"), language + QStringLiteral("+f5"), QStringLiteral("-s"),
            QString::number(kCueWordsPerMinute), QStringLiteral("-p"), QString::number(kCuePitch),
            QStringLiteral("--stdin")};
}

bool CueVoice::say(const QString& text, const QString& language)
{
    if (m_program.isEmpty())
        return false;
    stop();
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->setStandardOutputFile(QProcess::nullDevice());
    QProcess* started = m_process;
    connect(started, &QProcess::finished, started, &QObject::deleteLater);
    connect(started, &QProcess::finished, this, [this, started] {
        if (m_process == started)
            ended();
    });
    connect(started, &QProcess::errorOccurred, started, [started](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            started->deleteLater();
    });
    connect(started, &QObject::destroyed, this, [this, started] {
        if (m_process == started)
            m_process = nullptr;
    });
    m_process->start(m_program, argumentsFor(language));
    m_process->write(text.toUtf8());
    m_process->write("\n");
    m_process->closeWriteChannel();
    return true;
}

void CueVoice::stop()
{
    if (!m_process)
        return;
    QProcess* process = m_process;
    m_process = nullptr;
    process->disconnect(this);
    ended();
    if (process->state() == QProcess::NotRunning) {
        delete process;
        return;
    }
    // Killed without waiting: a step of the scan must not wait for the old
    // cue to end. It goes when it has (its finished signal deletes it).
    process->kill();
}

} // namespace tirvelo
