#include "support/ProcessTable.h"

#include <QDir>
#include <QFile>

namespace tirvelo::test {

QList<ProcessEntry> processTable()
{
    QList<ProcessEntry> processes;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid pgrp ...": the name may hold blanks, so read after its ")".
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (open < 0 || close < open || fields.size() < 3 || fields[0].isEmpty())
            continue;
        processes.append({pid_t(line.left(open).trimmed().toInt()), line.mid(open + 1, close - open - 1),
                          fields[0][0], pid_t(fields[1].toInt()), pid_t(fields[2].toInt())});
    }
    return processes;
}

QList<QByteArray> processEnvironment(pid_t pid)
{
    QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
    return environ.open(QIODevice::ReadOnly) ? environ.readAll().split('\0') : QList<QByteArray>();
}

} // namespace tirvelo::test
