#pragma once
// The processes the system lists in /proc, as their stat lines describe them,
// for tests that look for helpers a program started or left behind.
#include <QByteArray>
#include <QList>

#include <sys/types.h>

namespace tirvelo::test {

struct ProcessEntry {
    pid_t pid = 0;
    QByteArray name;  // the command name, as in /proc/<pid>/comm
    char state = '?'; // 'Z' for one that has ended and not been collected
    pid_t parent = 0;
    pid_t group = 0;
};

QList<ProcessEntry> processTable();

// The process's environment, one "NAME=value" entry each; empty when unreadable.
QList<QByteArray> processEnvironment(pid_t pid);

} // namespace tirvelo::test
