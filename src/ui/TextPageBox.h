#pragma once
// The plain-text page box. Laying out and drawing a long page's lines is most
// of a text page's turn, so the page after this one can be drawn ahead, in
// the page preparer's worker, into a picture of the box's text area: the
// same document layout, font, colours and positions the box paints with,
// pixel for pixel. The box draws that picture while the page shows from its
// start, as prepared (not scrolled, nothing selected, the same look), and
// paints itself otherwise.
#include "book/PagePreparer.h"

#include <QColor>
#include <QImage>
#include <QPlainTextEdit>
#include <QTextOption>

#include <mutex>

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

// The text area as the box paints it from its start; any thread.
QImage drawTextPage(const QString& text, const TextPageLook& look);

// A text page drawn ahead, with the look it was drawn for.
struct PreparedTextPage : PageExtra {
    QString text;
    TextPageLook look;
    QImage image;
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

    QImage m_prepared;
    TextPageLook m_preparedLook;
};

// The window's look of the text box for the worker (set from the window's
// thread, read in the worker).
class TextPageLookout {
public:
    void set(const TextPageLook& look);
    // The page drawn ahead when it is a text page.
    std::shared_ptr<PageExtra> prepare(const PageView& page) const;

private:
    mutable std::mutex m_mutex;
    TextPageLook m_look;
};

} // namespace tirvelo
