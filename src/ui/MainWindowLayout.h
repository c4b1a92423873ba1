#pragma once
// The main window's places, sizes and fonts in one place: the design values at
// 96 dots per inch, and the same scaled once for the screen.
#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

namespace tirvelo {

struct MainWindowLayout {
    // The layout for a layout factor (1 at 96 dots per inch): every length is
    // rounded once, font sizes in pixels.
    static MainWindowLayout scaledBy(qreal scale);
    // The factor of the primary screen.
    static qreal screenFactor();
    // What a maximised window covers on the widget's screen.
    static QRect availableScreen(const QWidget* widget);

    QSize window;          // the design size before the window is maximised
    QRect previousButton;  // "&Anterior"
    QRect nextButton;      // "&Següent"
    QPoint infoLabel;      // the hint, which sizes itself to its text
    QRect pageLabel;       // beside the buttons, where the speed box does not cover it
    QRect scanInterval;    // the spin box
    QRect speedEdit;
    // The text boxes take the screen less these margins.
    int textBoxLeft = 0;
    int textBoxTop = 0;
    int textBoxRight = 0;
    int textBoxBottom = 0;

    QFont windowFont;
    QFont buttonFont;
    QFont infoFont;
    QFont pageFont;
    QFont textBoxFont;
    QFont speedFont;

    // The text boxes' place on a maximised window of this size.
    QRect textBoxes(QSize maximised) const;
};

} // namespace tirvelo
