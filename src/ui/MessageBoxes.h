#pragma once
// The program's message boxes. All are modal and keep handling window events
// while open.
#include "modes/MessageSink.h"

namespace tirvelo {

// The application's title: the program file's name as the title rule gives it.
QString applicationTitle();

class MessageBoxSink final : public MessageSink {
public:
    void plain(QWidget* owner, const QString& text) override;
    void errorReport(QWidget* owner, const QString& failureText) override;
    void information(QWidget* owner, const QString& text, const QString& caption) override;
    void warning(QWidget* owner, const QString& text, const QString& caption) override;
    bool askYesNo(QWidget* owner, const QString& text, const QString& caption) override;
};

} // namespace tirvelo
