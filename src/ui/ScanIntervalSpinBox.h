#pragma once
// The scan interval in tenths of a second, 1..64. Its text cannot be typed
// into: every typed character, Backspace and Enter included, is dropped with
// the system beep, so the value changes only through the arrows and the Up and
// Down keys: the mouse wheel over it is left alone. Page Up and Page Down are
// reported as page keys instead of stepping the value.
#include <QSpinBox>

namespace tirvelo {

class ScanIntervalSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit ScanIntervalSpinBox(QWidget* parent = nullptr);

signals:
    void pageKeyPressed(int key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

} // namespace tirvelo
