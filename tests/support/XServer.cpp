#include "support/XServer.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace tirvelo::test {
namespace {
std::optional<QString> run(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(5000) || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}
} // namespace

bool xdotoolAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

std::optional<QPoint> pointerPositionOnServer()
{
    const std::optional<QString> out = run({QStringLiteral("getmouselocation"), QStringLiteral("--shell")});
    if (!out)
        return std::nullopt;
    const QRegularExpressionMatch x = QRegularExpression(QStringLiteral("X=(\\d+)")).match(*out);
    const QRegularExpressionMatch y = QRegularExpression(QStringLiteral("Y=(\\d+)")).match(*out);
    if (!x.hasMatch() || !y.hasMatch())
        return std::nullopt;
    return QPoint(x.captured(1).toInt(), y.captured(1).toInt());
}

bool clickAtPointer()
{
    return run({QStringLiteral("click"), QStringLiteral("1")}).has_value();
}

} // namespace tirvelo::test
