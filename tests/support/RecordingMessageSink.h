#pragma once
// A message sink that records what the windows tell the reader, with the
// caption and icon the program's box would show, and answers questions from a
// queue. Messages are there as soon as the call returns: nothing to wait for.
#include "support/MessageBoxRecorder.h"
#include "modes/MessageSink.h"

#include <functional>

namespace tirvelo::test {

class RecordingMessageSink : public MessageSink {
public:
    // Questions are answered with answer unless answers were queued.
    explicit RecordingMessageSink(QMessageBox::StandardButton answer = QMessageBox::Ok) : m_defaultAnswer(answer) {}

    void plain(QWidget* owner, const QString& text) override;
    void errorReport(QWidget* owner, const QString& failureText) override;
    void information(QWidget* owner, const QString& text, const QString& caption) override;
    void warning(QWidget* owner, const QString& text, const QString& caption) override;
    bool askYesNo(QWidget* owner, const QString& text, const QString& caption) override;

    void queueAnswer(QMessageBox::StandardButton answer) { m_answers.append(answer); }
    const QList<SeenMessage>& seen() const { return m_seen; }
    QStringList texts() const { return messageTexts(m_seen); }
    void clear() { m_seen.clear(); }

    // Called with each message as it is given, where a box would be open:
    // lets a test act while the window waits for the answer.
    std::function<void(const SeenMessage&)> onMessage;

private:
    void record(const SeenMessage& message);

    QMessageBox::StandardButton m_defaultAnswer;
    QList<QMessageBox::StandardButton> m_answers;
    QList<SeenMessage> m_seen;
};

} // namespace tirvelo::test
