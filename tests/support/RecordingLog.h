#pragma once
// The call log of the stand-in speech engine (tests/support_engine): where its
// build variants are, and the lines it has written.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include "support/ScopedEnvironmentVariable.h"

namespace tirvelo::test {

// The stand-in engine of one build variant: "upctv" has every entry point,
// "no_readfile", "no_read", "no_setspeed", "no_setlanguage", "no_setspeaker"
// and "no_stop" each lack one.
QString recordingEnginePath(const QString& variant = QStringLiteral("upctv"));

// A log file in a temporary folder of its own. While the object lives,
// TIRVELO_RECORDING_LOG names it and TIRVELO_RECORDING_FAIL is what
// setFailingCalls last set (unset at first); both come back afterwards.
class RecordingLog {
public:
    RecordingLog();
    ~RecordingLog();
    RecordingLog(const RecordingLog&) = delete;
    RecordingLog& operator=(const RecordingLog&) = delete;

    QString path() const;
    // One entry per logged call, without the line end; empty when nothing was logged.
    QList<QByteArray> lines() const;
    void clear();
    // A comma list of call names that should fail ("Read,ReadFile").
    void setFailingCalls(const QByteArray& calls);

private:
    QTemporaryDir m_dir;
    ScopedEnvironmentVariable m_logVariable;
    ScopedEnvironmentVariable m_failVariable;
};

} // namespace tirvelo::test
