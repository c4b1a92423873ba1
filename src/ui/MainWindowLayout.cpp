#include "ui/MainWindowLayout.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QtMath>

#include <algorithm>

namespace tirvelo {
namespace {

QFont font(const char* family, int pixels, bool bold, qreal scale)
{
    QFont result(QString::fromLatin1(family));
    result.setPixelSize(qRound(pixels * scale));
    if (bold)
        result.setBold(true);
    return result;
}

} // namespace

qreal MainWindowLayout::screenFactor()
{
    // Qt already scales logical pixels by the screen's device-pixel ratio (from
    // QT_SCALE_FACTOR, QT_FONT_DPI or the X server's Xft.dpi), and then reports
    // 96 logical dots per inch. Only a logical resolution it leaves above 96
    // (its own scaling switched off) asks for a layout factor of ours; using it
    // on top of the device-pixel ratio would scale twice.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return std::max<qreal>(1.0, screen->logicalDotsPerInch() / 96.0);
    return 1.0;
}

QRect MainWindowLayout::availableScreen(const QWidget* widget)
{
    const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 536, 348);
}

MainWindowLayout MainWindowLayout::scaledBy(qreal scale)
{
    const auto length = [scale](int value) { return qRound(value * scale); };
    const auto rect = [&](int left, int top, int width, int height) {
        return QRect(length(left), length(top), length(width), length(height));
    };
    MainWindowLayout layout;
    // Cut, not rounded: the window is maximised before anything is drawn.
    layout.window = QSize(int(536 * scale), int(348 * scale));
    layout.previousButton = rect(0, 0, 57, 57);
    layout.nextButton = rect(56, 0, 57, 57);
    layout.infoLabel = QPoint(length(170), length(8));
    layout.pageLabel = rect(178, 38, 90, 17);
    layout.scanInterval = rect(118, 5, 41, 22);
    layout.speedEdit = rect(118, 34, 54, 24);
    layout.textBoxLeft = length(20);
    layout.textBoxTop = length(74);
    layout.textBoxRight = length(50) - layout.textBoxLeft;
    layout.textBoxBottom = length(94) - layout.textBoxTop;
    // "MS Sans Serif" and "Arial" of the design, drawn by their metric twins.
    layout.windowFont = font("Sans Serif", 11, false, scale);
    layout.buttonFont = layout.windowFont;
    layout.infoFont = font("Sans Serif", 13, true, scale);
    layout.pageFont = layout.windowFont;
    layout.textBoxFont = font("Arial", 16, true, scale);
    layout.speedFont = layout.infoFont;
    return layout;
}

QRect MainWindowLayout::textBoxes(QSize maximised) const
{
    return QRect(textBoxLeft, textBoxTop, maximised.width() - textBoxLeft - textBoxRight,
                 maximised.height() - textBoxTop - textBoxBottom);
}

} // namespace tirvelo
