#pragma once
// The program's message boxes. All are modal and keep handling window events
// while open.
#include <QString>

class QWidget;

namespace tirvelo {

// The application's title: the program file's name as the title rule gives it.
QString applicationTitle();

// A plain box: the text, the application's title as caption, no icon, OK.
void showPlainMessage(QWidget* owner, const QString& text);
// The general error report for a failure no guard caught: error icon, OK.
void showErrorReport(QWidget* owner, const QString& failureText);
void showInformationMessage(QWidget* owner, const QString& text, const QString& caption);
void showWarningMessage(QWidget* owner, const QString& text, const QString& caption);
// Yes/No with the exclamation icon; true for Yes.
bool askYesNo(QWidget* owner, const QString& text, const QString& caption);

} // namespace tirvelo
