#include "ui/RecordingLevelControl.h"

#include "ui/CurrentDesktop.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace tirvelo {

namespace {

const QString Program = QStringLiteral("pavucontrol");
const QStringList InputTab = {QStringLiteral("--tab=4")};
const QString WindowTool = QStringLiteral("xdotool");
constexpr int HelperTimeLimitMs = 2000;

} // namespace

RecordingLevelControl::RecordingLevelControl(QObject* parent) : QObject(parent) {}

RecordingLevelControl::~RecordingLevelControl()
{
    for (QProcess* helper : findChildren<QProcess*>()) {
        helper->disconnect(this);
        helper->kill();
        helper->waitForFinished(1000);
    }
}

void RecordingLevelControl::raise()
{
    if (m_busy)
        return;
    m_busy = true;
    // On a Wayland session the control is a Wayland client, out of an X
    // client's sight: it is started, and the compositor places it.
    if (!currentDesktopSession().findsOtherWindows()) {
        startControl();
        return;
    }
    // Windows of the control are found by their X class.
    runHelper(WindowTool, {QStringLiteral("search"), QStringLiteral("--class"), Program},
              [this](const QString& found) {
                  const QStringList windows = found.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                  if (windows.isEmpty())
                      startControl();
                  else
                      raiseWindow(windows.first());
              });
}

void RecordingLevelControl::raiseWindow(const QString& window)
{
    runHelper(WindowTool, {QStringLiteral("windowmap"), window}, [this, window](const QString&) {
        runHelper(WindowTool, {QStringLiteral("windowraise"), window}, [this, window](const QString&) {
            runHelper(WindowTool, {QStringLiteral("windowactivate"), window},
                      [this](const QString&) { finish(true); });
        });
    });
}

void RecordingLevelControl::startControl()
{
    finish(!QStandardPaths::findExecutable(Program).isEmpty() && QProcess::startDetached(Program, InputTab));
}

void RecordingLevelControl::finish(bool shown)
{
    m_busy = false;
    emit finished(shown);
}

void RecordingLevelControl::runHelper(const QString& program, const QStringList& arguments, Next next)
{
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        next({});
        return;
    }
    auto* process = new QProcess(this);
    auto* limit = new QTimer(process);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, process, &QProcess::kill);
    // Exactly one of the two ends a run: finished, or a start that failed.
    connect(process, &QProcess::finished, this, [process, next](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        const bool ok = status == QProcess::NormalExit && code == 0;
        next(ok ? QString::fromLocal8Bit(process->readAllStandardOutput()) : QString());
    });
    connect(process, &QProcess::errorOccurred, this, [process, next](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        next({});
    });
    process->start(program, arguments);
    limit->start(HelperTimeLimitMs);
}

} // namespace tirvelo
