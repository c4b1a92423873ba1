#include "ui/NavigationButton.h"

#include "ui/Accessibility.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace tirvelo {
namespace {

const QColor kHighlightYellow(255, 255, 0);
constexpr int kSmallestCaptionPixels = 6;

} // namespace

NavigationButton::NavigationButton(const QImage& glyph, QWidget* parent)
    : QAbstractButton(parent), m_glyph(glyph)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void NavigationButton::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    update();
    if (highlighted)
        announceHighlight(this);
    else
        announceHighlightLeft(this);
}

QColor NavigationButton::captionColor() const
{
    return m_highlighted ? kHighlightYellow : palette().color(QPalette::WindowText);
}

int NavigationButton::frameThickness() const
{
    // A yellow band of at least 4 pixels with a black line on either side.
    return std::max(4, qRound(5 * layoutScale())) + 2;
}

QRect NavigationButton::glyphRect() const
{
    const int size = qRound(32 * layoutScale());
    return QRect((width() - size) / 2, qRound(20 * layoutScale()), size, size);
}

QRect NavigationButton::captionRect() const
{
    // Inside the frame, so that the highlight never covers the caption and the
    // caption stays where it is whether highlighted or not.
    const int inset = frameThickness();
    return QRect(inset, inset, width() - 2 * inset, std::max(1, glyphRect().top() - inset));
}

QFont NavigationButton::captionFont() const
{
    QFont captionFont = font();
    const QString shown = spokenCaption(text());
    const QRect room = captionRect();
    int pixels = captionFont.pixelSize() > 0 ? captionFont.pixelSize() : QFontInfo(captionFont).pixelSize();
    for (; pixels > kSmallestCaptionPixels; --pixels) {
        captionFont.setPixelSize(pixels);
        const QFontMetrics metrics(captionFont);
        // The ascent must fit; descenders may reach into the glyph's empty top rows.
        if (metrics.horizontalAdvance(shown) <= room.width() && metrics.ascent() <= room.height() + 1)
            break;
    }
    captionFont.setPixelSize(pixels);
    return captionFont;
}

void NavigationButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);

    const int shift = isDown() ? 1 : 0;
    const QRect caption = captionRect().translated(shift, shift);
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic;
    painter.setFont(captionFont());
    if (m_highlighted) {
        // Yellow hardly shows on a light face: the caption gets a black strip
        // of its own, joined to the frame's inner edge.
        const int edge = frameThickness() - 1;
        painter.fillRect(QRect(edge, edge, width() - 2 * edge, caption.bottom() + 1 - edge), Qt::black);
    }
    painter.setPen(captionColor());
    painter.drawText(caption, flags, text());
    painter.drawImage(glyphRect().translated(shift, shift), m_glyph);

    if (m_highlighted) {
        // A yellow band with a black line on both sides: visible on any page
        // and on the button's own face alike.
        const int band = frameThickness();
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRect(QRect(0, 0, width(), band));
        painter.drawRect(QRect(0, height() - band, width(), band));
        painter.drawRect(QRect(0, 0, band, height()));
        painter.drawRect(QRect(width() - band, 0, band, height()));
        painter.setBrush(kHighlightYellow);
        const QRect outer = rect().adjusted(1, 1, -1, -1);
        const QRect inner = rect().adjusted(band - 1, band - 1, -(band - 1), -(band - 1));
        painter.drawRect(QRect(outer.left(), outer.top(), outer.width(), inner.top() - outer.top()));
        painter.drawRect(QRect(outer.left(), inner.bottom() + 1, outer.width(), outer.bottom() - inner.bottom()));
        painter.drawRect(QRect(outer.left(), outer.top(), inner.left() - outer.left(), outer.height()));
        painter.drawRect(QRect(inner.right() + 1, outer.top(), outer.right() - inner.right(), outer.height()));
    }
}

} // namespace tirvelo
