#include "support/RecordingMessageSink.h"

#include "desktop/ApplicationTitle.h"
#include "ui/MessageBoxes.h"

namespace tirvelo::test {

void RecordingMessageSink::record(const SeenMessage& message)
{
    m_seen.append(message);
    if (onMessage)
        onMessage(message);
}

void RecordingMessageSink::plain(QWidget*, const QString& text)
{
    record({applicationTitle(), text, QMessageBox::NoIcon});
}

void RecordingMessageSink::errorReport(QWidget*, const QString& failureText)
{
    record({applicationTitle(), errorReportText(failureText), QMessageBox::Critical});
}

void RecordingMessageSink::information(QWidget*, const QString& text, const QString& caption)
{
    record({caption, text, QMessageBox::Information});
}

void RecordingMessageSink::warning(QWidget*, const QString& text, const QString& caption)
{
    record({caption, text, QMessageBox::Warning});
}

bool RecordingMessageSink::askYesNo(QWidget*, const QString& text, const QString& caption)
{
    record({caption, text, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No});
    const QMessageBox::StandardButton answer = m_answers.isEmpty() ? m_defaultAnswer : m_answers.takeFirst();
    return answer == QMessageBox::Yes;
}

} // namespace tirvelo::test
