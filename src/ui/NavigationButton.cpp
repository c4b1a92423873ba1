#include "ui/NavigationButton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace tirvelo {

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
}

QColor NavigationButton::captionColor() const
{
    return m_highlighted ? QColor(255, 255, 0) : palette().color(QPalette::WindowText);
}

void NavigationButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
    if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this))
        option.state &= ~QStyle::State_HasFocus;

    const qreal scale = width() / 57.0;
    const QRect captionRect(0, int(3 * scale), width(), int(16 * scale));
    const int shift = isDown() ? 1 : 0;
    painter.setPen(captionColor());
    QFont captionFont = font();
    if (m_highlighted)
        captionFont.setBold(true);
    painter.setFont(captionFont);
    painter.drawText(captionRect.translated(shift, shift), Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic, text());
    const int glyphSize = int(32 * scale);
    const QRect glyphRect((width() - glyphSize) / 2 + shift, int(20 * scale) + shift, glyphSize, glyphSize);
    painter.drawImage(glyphRect, m_glyph);

    if (m_highlighted) {
        // Thick yellow frame with a black edge on both sides: visible on any page.
        const int thickness = std::max(4, int(5 * scale));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::NoBrush);
        QPen outer(Qt::black, 1);
        painter.setPen(outer);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        QPen yellow(QColor(255, 255, 0), thickness);
        yellow.setJoinStyle(Qt::MiterJoin);
        painter.setPen(yellow);
        const int half = thickness / 2 + 1;
        painter.drawRect(rect().adjusted(half, half, -half - (thickness % 2 ? 0 : 1), -half - (thickness % 2 ? 0 : 1)));
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(rect().adjusted(thickness + 1, thickness + 1, -thickness - 2, -thickness - 2));
    }
}

} // namespace tirvelo
