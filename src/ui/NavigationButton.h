#pragma once
// One of the two big page-turning buttons: caption above, arrow glyph below.
// It never takes the keyboard focus. While highlighted by the scan its caption
// turns yellow and a thick yellow-and-black frame surrounds it, so the
// highlight is plain also to users with low vision.
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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_glyph;
    bool m_highlighted = false;
};

} // namespace tirvelo
