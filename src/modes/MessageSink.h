#pragma once
// Where the windows send what they tell the reader. The program shows each
// message in a modal box (MessageBoxSink); tests record them instead.
#include <QString>

class QWidget;

namespace tirvelo {

class MessageSink {
public:
    virtual ~MessageSink() = default;

    // The text, the application's title as caption, no icon, OK.
    virtual void plain(QWidget* owner, const QString& text) = 0;
    // The general error report for a failure no guard caught: error icon, OK.
    virtual void errorReport(QWidget* owner, const QString& failureText) = 0;
    virtual void information(QWidget* owner, const QString& text, const QString& caption) = 0;
    virtual void warning(QWidget* owner, const QString& text, const QString& caption) = 0;
    // Yes/No with the exclamation icon; true for Yes.
    virtual bool askYesNo(QWidget* owner, const QString& text, const QString& caption) = 0;
};

} // namespace tirvelo
