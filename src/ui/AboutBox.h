#pragma once
// The credits window. Shown modally from the menu, and in a reduced form (no
// OK button, 28 pixels shorter) for two seconds as the splash at start.
#include "modes/Services.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace tirvelo {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // The services must outlive the box.
    explicit TAboutBox(const Services& services, QWidget* parent = nullptr);

    QLabel* ImageOrdinador = nullptr;
    QLabel* ProductName = nullptr;
    QPushButton* OKButton = nullptr;
    QTimer* Timer1 = nullptr; // a gentle colour pulse of the title while the box is open

    // The splash: shown without the button for the given time, then hidden
    // and restored to the full box.
    void showAsSplash(int milliseconds);

private:
    Services m_services;
    QLabel* m_title = nullptr;
    int m_pulse = 0;
};

} // namespace tirvelo
