#include "ui/MessageBoxes.h"

#include "desktop/ApplicationTitle.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace tirvelo {
namespace {

int showBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
            QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption, text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    return box.exec();
}

} // namespace

QString applicationTitle()
{
    return applicationTitleFor(QCoreApplication::applicationFilePath());
}

void MessageBoxSink::plain(QWidget* owner, const QString& text)
{
    showBox(owner, QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok);
}

void MessageBoxSink::errorReport(QWidget* owner, const QString& failureText)
{
    showBox(owner, QMessageBox::Critical, applicationTitle(), errorReportText(failureText), QMessageBox::Ok);
}

void MessageBoxSink::information(QWidget* owner, const QString& text, const QString& caption)
{
    showBox(owner, QMessageBox::Information, caption, text, QMessageBox::Ok);
}

void MessageBoxSink::warning(QWidget* owner, const QString& text, const QString& caption)
{
    QMessageBox::warning(owner, caption, text);
}

bool MessageBoxSink::askYesNo(QWidget* owner, const QString& text, const QString& caption)
{
    return showBox(owner, QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

} // namespace tirvelo
