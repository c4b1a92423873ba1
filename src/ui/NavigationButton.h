#pragma once
// One of the two big page-turning buttons: caption above, arrow glyph below.
// It never takes the keyboard focus. While highlighted by the scan its caption
// turns yellow on a black strip (yellow on the light button face would hardly
// show) and a thick yellow frame edged in black surrounds the button, so the
// highlight is plain also to users with low vision.
//
// Everything is laid out for the design size of 57 x 57 and scaled with the
// button's size; the caption's font shrinks when the caption would not fit
// inside the frame (a longer caption of another language, say).
#include <QAbstractButton>
#include <QImage>

namespace tirvelo {

class NavigationButton : public QAbstractButton {
    Q_OBJECT
public:
    NavigationButton(const QImage& glyph, QWidget* parent = nullptr);

    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return m_highlighted; }
    // The caption's colour: yellow when highlighted, the window-text colour otherwise.
    QColor captionColor() const;

    // Where the parts are drawn, in the button's own coordinates (not pressed).
    // The frame is a band this thick along every edge; caption and glyph lie inside it.
    int frameThickness() const;
    QRect captionRect() const;
    QRect glyphRect() const;
    // The caption's font as drawn: the button's font, made smaller until the
    // caption fits captionRect().
    QFont captionFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal layoutScale() const { return width() / 57.0; }

    QImage m_glyph;
    bool m_highlighted = false;
};

} // namespace tirvelo
