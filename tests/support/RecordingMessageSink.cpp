#include "support/RecordingMessageSink.h"

#include "desktop/ApplicationTitle.h"
#include "ui/MessageBoxes.h"

namespace tirvelo::test {

void RecordingMessageSink::plain(QWidget*, const QString& text)
{
    m_seen.append({applicationTitle(), text, QMessageBox::NoIcon});
}

void RecordingMessageSink::errorReport(QWidget*, const QString& failureText)
{
    m_seen.append({applicationTitle(), errorReportText(failureText), QMessageBox::Critical});
}

void RecordingMessageSink::information(QWidget*, const QString& text, const QString& caption)
{
    m_seen.append({caption, text, QMessageBox::Information});
}

void RecordingMessageSink::warning(QWidget*, const QString& text, const QString& caption)
{
    m_seen.append({caption, text, QMessageBox::Warning});
}

bool RecordingMessageSink::askYesNo(QWidget*, const QString& text, const QString& caption)
{
    m_seen.append({caption, text, QMessageBox::Warning});
    const QMessageBox::StandardButton answer = m_answers.isEmpty() ? m_defaultAnswer : m_answers.takeFirst();
    return answer == QMessageBox::Yes;
}

} // namespace tirvelo::test
