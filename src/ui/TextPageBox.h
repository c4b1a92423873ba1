#pragma once
// The plain-text page box. Laying out and shaping a long page's lines is most
// of a text page's turn, so the page after this one can be laid out ahead, in
// the page preparer's worker: the glyphs of the lines the box shows and where
// they go, from the same document layout, font and positions the box paints
// with. The box draws those glyphs (the same pixels as its own paint) while
// the page shows from its start, as prepared (not scrolled, nothing
// selected, the same look), and paints itself otherwise. Glyphs, not a
// picture of the area: they take a few hundred kilobytes where a picture
// took a screen's raster, and draw in about a millisecond.
#include "book/PagePreparer.h"

#include <QColor>
#include <QGlyphRun>
#include <QList>
#include <QPlainTextEdit>
#include <QPointF>
#include <QRawFont>
#include <QTextOption>

#include <mutex>
#include <optional>
#include <vector>

namespace tirvelo {

// What a text area's pixels depend on besides its text.
struct TextPageLook {
    QString font; // QFont::toString: a font of its own in each thread
    QTextOption option;
    qreal margin = 0;
    QColor base;
    QColor text;
    QSize area; // logical pixels
    qreal pixelRatio = 1;
    int dpiX = 96;
    int dpiY = 96;
    bool operator==(const TextPageLook& other) const;
};

// One run of glyphs of the box's font, where the box draws them.
struct TextPageGlyphs {
    QList<quint32> glyphs;
    QList<QPointF> positions; // in the text area, logical pixels
    QGlyphRun::GlyphRunFlags flags;
};

// The glyphs the box draws of text from its start, laid out as the box lays
// them out; any thread. Nothing when a line needs another font than the
// box's own (a fallback font for letters it lacks): the box draws it itself.
std::optional<std::vector<TextPageGlyphs>> layOutTextPage(const QString& text, const TextPageLook& look);

// A text page laid out ahead, with the look it was laid out for.
struct PreparedTextPage : PageExtra {
    QString text;
    TextPageLook look;
    std::vector<TextPageGlyphs> lines;
};

class TextPageBox : public QPlainTextEdit {
public:
    explicit TextPageBox(QWidget* parent = nullptr);

    TextPageLook look() const;
    // Shows text; draws prepared while it shows from its start, when it was
    // drawn for this text and the box's look now.
    void showPage(const QString& text, const PreparedTextPage* prepared);
    // Whether the page shown draws the picture prepared for it (for tests).
    bool drawsPreparedPage() const { return drawsPrepared(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool drawsPrepared() const;

    std::optional<std::vector<TextPageGlyphs>> m_prepared;
    TextPageLook m_preparedLook;
    QRawFont m_preparedFont; // the box's font for the glyphs, made once
    QString m_preparedFontKey;
};

// The window's look of the text box for the worker (set from the window's
// thread, read in the worker).
class TextPageLookout {
public:
    void set(const TextPageLook& look);
    // The page laid out ahead when it is a text page that fills half the box.
    std::shared_ptr<PageExtra> prepare(const PageView& page) const;

private:
    mutable std::mutex m_mutex;
    TextPageLook m_look;
};

} // namespace tirvelo
