#pragma once
// Watches for the program's modal message boxes while a test drives the real
// windows: records each box's caption, text and icon as it is shown, then
// answers it.
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>

namespace tirvelo::test {

struct SeenMessage {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// The texts of the messages, in order.
QStringList messageTexts(const QList<SeenMessage>& messages);

class MessageBoxRecorder : public QObject {
    Q_OBJECT
public:
    // Every box is answered with answer unless answers were queued.
    explicit MessageBoxRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok);
    ~MessageBoxRecorder() override;

    void queueAnswer(QMessageBox::StandardButton answer) { m_answers.append(answer); }
    const QList<SeenMessage>& seen() const { return m_seen; }
    QStringList texts() const { return messageTexts(m_seen); }
    void clear() { m_seen.clear(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void answer(QMessageBox* box);

    QMessageBox::StandardButton m_defaultAnswer;
    QList<QMessageBox::StandardButton> m_answers;
    QList<SeenMessage> m_seen;
};

} // namespace tirvelo::test
