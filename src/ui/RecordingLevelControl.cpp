#include "ui/RecordingLevelControl.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace tirvelo {

namespace {

const QString Program = QStringLiteral("pavucontrol");
const QStringList InputTab = {QStringLiteral("--tab=4")};

// Runs a short helper and returns its output; empty when it is missing or fails.
QString run(const QString& program, const QStringList& arguments)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return {};
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(2000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace

bool RecordingLevelControl::raise()
{
    // Windows of the control are found by their X class with xdotool.
    const QString found = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--class"), Program});
    const QStringList windows = found.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!windows.isEmpty()) {
        const QString& window = windows.first();
        run(QStringLiteral("xdotool"), {QStringLiteral("windowmap"), window});
        run(QStringLiteral("xdotool"), {QStringLiteral("windowraise"), window});
        run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), window});
        return true;
    }
    if (QStandardPaths::findExecutable(Program).isEmpty())
        return false;
    return QProcess::startDetached(Program, InputTab);
}

} // namespace tirvelo
