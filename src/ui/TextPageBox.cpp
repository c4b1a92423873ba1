#include "ui/TextPageBox.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace tirvelo {

namespace {

bool sameFace(const QRawFont& a, const QRawFont& b)
{
    return a.familyName() == b.familyName() && a.styleName() == b.styleName() && a.pixelSize() == b.pixelSize()
           && a.weight() == b.weight() && a.style() == b.style();
}

} // namespace

std::optional<std::vector<TextPageGlyphs>> layOutTextPage(const QString& text, const TextPageLook& look)
{
    // Only the box's resolution matters to the layout.
    QImage resolution(1, 1, QImage::Format_RGB32);
    resolution.setDevicePixelRatio(look.pixelRatio);
    resolution.setDotsPerMeterX(qRound(look.dpiX / 0.0254));
    resolution.setDotsPerMeterY(qRound(look.dpiY / 0.0254));
    // The box's own document layout, set up as the box sets up its document.
    QTextDocument document;
    auto* layout = new QPlainTextDocumentLayout(&document);
    document.setDocumentLayout(layout);
    document.setTextWidth(-1);
    layout->setPaintDevice(&resolution);
    QFont font;
    font.fromString(look.font);
    document.setDefaultFont(font);
    document.setDocumentMargin(look.margin);
    document.setDefaultTextOption(look.option);
    // Left at no width, as the box's own before it first shows: lines that
    // do not wrap and start at the left edge are laid out alike at any width.
    document.setPlainText(text);

    // As the box paints its blocks from the first, its top margin above them.
    const QRawFont boxFont = QRawFont::fromFont(font);
    std::vector<TextPageGlyphs> lines;
    QPointF offset(0, look.margin);
    const QRectF area(QPointF(0, 0), QSizeF(look.area));
    for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next()) {
        const QRectF bounds = layout->blockBoundingRect(block).translated(offset);
        if (bounds.bottom() >= area.top() && bounds.top() <= area.bottom()) {
            const QTextLayout* blockLayout = block.layout();
            for (int index = 0; index < blockLayout->lineCount(); ++index) {
                for (const QGlyphRun& run : blockLayout->lineAt(index).glyphRuns()) {
                    if (!sameFace(run.rawFont(), boxFont))
                        return std::nullopt;
                    TextPageGlyphs glyphs {run.glyphIndexes(), run.positions(), run.flags()};
                    for (QPointF& position : glyphs.positions)
                        position += offset;
                    lines.push_back(std::move(glyphs));
                }
            }
        }
        offset.ry() += bounds.height();
        if (offset.y() > area.height())
            break;
    }
    return lines;
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
    connect(this, &QPlainTextEdit::textChanged, this, [this] { m_prepared.reset(); });
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
        m_prepared = prepared->lines;
        m_preparedLook = prepared->look;
    }
}

bool TextPageBox::drawsPrepared() const
{
    return m_prepared && verticalScrollBar()->value() == 0 && horizontalScrollBar()->value() == 0
           && !textCursor().hasSelection() && m_preparedLook == look();
}

void TextPageBox::paintEvent(QPaintEvent* event)
{
    if (!drawsPrepared()) {
        m_prepared.reset();
        QPlainTextEdit::paintEvent(event);
        return;
    }
    // Where the box's own paint draws: the strip it leaves out at the right
    // (its lines' width as far as it has laid them out) stays as the
    // background left it.
    QRect area = event->rect();
    const qreal widest = document()->documentLayout()->documentSize().width();
    area.setRight(qMin(area.right(), int(contentOffset().x() + qMax(qreal(viewport()->width()), widest)
                                         - document()->documentMargin() + cursorWidth())));
    if (m_preparedFontKey != m_preparedLook.font) {
        m_preparedFont = QRawFont::fromFont(document()->defaultFont());
        m_preparedFontKey = m_preparedLook.font;
    }
    QPainter painter(viewport());
    painter.setClipRect(area);
    painter.setPen(palette().color(QPalette::Text));
    QGlyphRun run;
    run.setRawFont(m_preparedFont);
    for (const TextPageGlyphs& glyphs : *m_prepared) {
        run.setGlyphIndexes(glyphs.glyphs);
        run.setPositions(glyphs.positions);
        run.setFlags(glyphs.flags);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    // Once the whole area is on the screen the glyphs go: a later repaint
    // lays out what it shows, as the box always did.
    if (event->rect().contains(viewport()->rect()))
        m_prepared.reset();
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
    // A page of a few lines lays out about as fast as its glyphs are handed
    // over: only a page filling half the box or more.
    QFont font;
    font.fromString(look.font);
    const qreal lineHeight = QFontMetricsF(font).lineSpacing();
    if (qreal(page.text->count(u'\n') + page.text->count(u'\r') + 1) * lineHeight < look.area.height() / 2.0)
        return nullptr;
    std::optional<std::vector<TextPageGlyphs>> lines = layOutTextPage(*page.text, look);
    if (!lines)
        return nullptr;
    auto prepared = std::make_shared<PreparedTextPage>();
    prepared->text = *page.text;
    prepared->look = look;
    prepared->lines = std::move(*lines);
    return prepared;
}

} // namespace tirvelo
