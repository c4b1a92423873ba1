#include "ui/ScanIntervalSpinBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

namespace tirvelo {

ScanIntervalSpinBox::ScanIntervalSpinBox(QWidget* parent) : QSpinBox(parent)
{
    setRange(1, 64);
    setValue(16);
    lineEdit()->setReadOnly(true); // no paste, no middle-click insert
    setContextMenuPolicy(Qt::NoContextMenu);
}

void ScanIntervalSpinBox::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        emit pageKeyPressed(event->key());
        event->accept();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        QSpinBox::keyPressEvent(event);
        return;
    default:
        break;
    }
    const bool typing = !event->text().isEmpty() || event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete
        || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (typing && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QApplication::beep();
        event->accept();
        return;
    }
    event->ignore();
}

// A hand resting on the mouse must not change the scan speed.
void ScanIntervalSpinBox::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}

} // namespace tirvelo
