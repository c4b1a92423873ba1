#include "ui/TextPageBox.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace tirvelo {

QImage drawTextPage(const QString& text, const TextPageLook& look)
{
    QImage image(look.area * look.pixelRatio, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.setDevicePixelRatio(look.pixelRatio);
    image.setDotsPerMeterX(qRound(look.dpiX / 0.0254));
    image.setDotsPerMeterY(qRound(look.dpiY / 0.0254));
    image.fill(look.base);
    // The box's own document layout, set up as the box sets up its document.
    QTextDocument document;
    auto* layout = new QPlainTextDocumentLayout(&document);
    document.setDocumentLayout(layout);
    document.setTextWidth(-1);
    layout->setPaintDevice(&image);
    QFont font;
    font.fromString(look.font);
    document.setDefaultFont(font);
    document.setDocumentMargin(look.margin);
    document.setDefaultTextOption(look.option);
    // Left at no width, as the box's own before it first shows: lines that
    // do not wrap and start at the left edge are laid out alike at any width.
    document.setPlainText(text);

    // As the box paints its blocks from the first, its top margin above them.
    // The box leaves out a strip at the right edge when its lines are all
    // shorter than the area; it does that itself when it draws this.
    QPainter painter(&image);
    QPointF offset(0, look.margin);
    const QRect area(QPoint(0, 0), look.area);
    painter.setBrushOrigin(offset);
    painter.setClipRect(area);
    painter.setPen(look.text);
    for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next()) {
        const QRectF bounds = layout->blockBoundingRect(block).translated(offset);
        if (bounds.bottom() >= area.top() && bounds.top() <= area.bottom())
            block.layout()->draw(&painter, offset, {}, area);
        offset.ry() += bounds.height();
        if (offset.y() > area.height())
            break;
    }
    return image;
}

bool TextPageLook::operator==(const TextPageLook& other) const
{
    const auto sameOption = [](const QTextOption& a, const QTextOption& b) {
        return a.alignment() == b.alignment() && a.flags() == b.flags() && a.wrapMode() == b.wrapMode()
               && a.tabStopDistance() == b.tabStopDistance() && a.textDirection() == b.textDirection()
               && a.useDesignMetrics() == b.useDesignMetrics();
    };
    return font == other.font && sameOption(option, other.option) && margin == other.margin && base == other.base
           && text == other.text && area == other.area && pixelRatio == other.pixelRatio && dpiX == other.dpiX
           && dpiY == other.dpiY;
}

TextPageBox::TextPageBox(QWidget* parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] { m_prepared = QImage(); });
}

TextPageLook TextPageBox::look() const
{
    const QWidget* area = viewport();
    return {document()->defaultFont().toString(),
            document()->defaultTextOption(),
            document()->documentMargin(),
            area->palette().color(QPalette::Base),
            palette().color(QPalette::Text),
            area->size(),
            area->devicePixelRatioF(),
            area->logicalDpiX(),
            area->logicalDpiY()};
}

void TextPageBox::showPage(const QString& text, const PreparedTextPage* prepared)
{
    setPlainText(text);
    if (prepared && prepared->text == text) {
        m_prepared = prepared->image;
        m_preparedLook = prepared->look;
    }
}

bool TextPageBox::drawsPrepared() const
{
    return !m_prepared.isNull() && verticalScrollBar()->value() == 0 && horizontalScrollBar()->value() == 0
           && !textCursor().hasSelection() && m_preparedLook == look();
}

void TextPageBox::paintEvent(QPaintEvent* event)
{
    if (!drawsPrepared()) {
        m_prepared = QImage();
        QPlainTextEdit::paintEvent(event);
        return;
    }
    // The strip the box's own paint leaves out at the right (its lines'
    // width as far as it has laid them out) stays as the background left it.
    QRect area = event->rect();
    const qreal widest = document()->documentLayout()->documentSize().width();
    area.setRight(qMin(area.right(), int(contentOffset().x() + qMax(qreal(viewport()->width()), widest)
                                         - document()->documentMargin() + cursorWidth())));
    QPainter painter(viewport());
    painter.drawImage(area, m_prepared, QRectF(area.topLeft() * m_prepared.devicePixelRatio(), area.size() * m_prepared.devicePixelRatio()));
    // Once the whole area is on the screen, the picture's memory goes: a
    // later repaint of part of it costs the box little.
    if (event->rect().contains(viewport()->rect()))
        m_prepared = QImage();
}

void TextPageLookout::set(const TextPageLook& look)
{
    const std::lock_guard lock(m_mutex);
    m_look = look;
}

std::shared_ptr<PageExtra> TextPageLookout::prepare(const PageView& page) const
{
    if (page.box != PageBox::Text || !page.text)
        return nullptr;
    TextPageLook look;
    {
        const std::lock_guard lock(m_mutex);
        look = m_look;
    }
    if (look.area.isEmpty())
        return nullptr;
    // A page of a few lines lays out and draws faster than a picture of the
    // whole area is copied: only a page filling half the box or more.
    QFont font;
    font.fromString(look.font);
    const qreal lineHeight = QFontMetricsF(font).lineSpacing();
    if (qreal(page.text->count(u'\n') + page.text->count(u'\r') + 1) * lineHeight < look.area.height() / 2.0)
        return nullptr;
    auto prepared = std::make_shared<PreparedTextPage>();
    prepared->text = *page.text;
    prepared->look = look;
    prepared->image = drawTextPage(*page.text, look);
    return prepared;
}

} // namespace tirvelo
