#include "support/RecordingLog.h"

#include "support/TestPaths.h"

#include <QFile>

namespace tirvelo::test {

QString recordingEnginePath(const QString& variant)
{
    return buildPath(QStringLiteral("tests/engines/librecording_%1.so").arg(variant));
}

RecordingLog::RecordingLog()
    : m_logVariable("TIRVELO_RECORDING_LOG", QFile::encodeName(path())), m_failVariable("TIRVELO_RECORDING_FAIL")
{
}

RecordingLog::~RecordingLog() = default;

QString RecordingLog::path() const
{
    return m_dir.filePath(QStringLiteral("calls.log"));
}

QList<QByteArray> RecordingLog::lines() const
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    // The last line ends in a line feed, leaving an empty piece behind it.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void RecordingLog::clear()
{
    QFile::remove(path());
}

void RecordingLog::setFailingCalls(const QByteArray& calls)
{
    m_failVariable.set(calls);
}

} // namespace tirvelo::test
