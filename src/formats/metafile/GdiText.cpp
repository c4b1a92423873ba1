// Text: the font a record selects, where its characters go, and the 8-bit
// character sets text arrives in.
#include "formats/metafile/GdiContext.h"
#include "formats/metafile/GdiGeometry.h"

#include "base/Cp1252.h"
#include "formats/WindowsFonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStringDecoder>
#include <algorithm>
#include <optional>

namespace tirvelo::metafile {

// ---------------------------------------------------------------- text

namespace {

QFont fontFor(const FontSpec& f, double pixelHeight, double* outScale)
{
    QFont font;
    font.setFamilies(familiesFor(f.face.isEmpty() ? QStringLiteral("Arial") : f.face));
    if (f.charset == 2 && f.face.startsWith(QLatin1String("Symbol"), Qt::CaseInsensitive))
        font.setFamilies({QStringLiteral("serif")}); // its text arrives as Unicode Greek and maths
    font.setWeight(QFont::Weight(std::clamp(f.weight == 0 ? 400 : f.weight, 1, 1000)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeout);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    // Draw at a whole pixel size and scale the rest, so tiny or fractional
    // heights keep their proportions.
    const int size = std::clamp(int(std::lround(pixelHeight)), 8, 400);
    font.setPixelSize(size);
    *outScale = pixelHeight / size;
    return font;
}

// The text's frame on the target: origin, direction of the logical x axis,
// scales along and across it.
struct TextFrame {
    QPointF origin;
    QPointF ux;
    double xScale = 0;
    double yScale = 0;
};

std::optional<TextFrame> textFrame(const QTransform& full, QPointF reference)
{
    TextFrame frame;
    frame.origin = full.map(reference);
    frame.ux = full.map(reference + QPointF(1, 0)) - frame.origin;
    frame.xScale = std::hypot(frame.ux.x(), frame.ux.y());
    frame.yScale = frame.xScale > 0 ? std::abs(full.determinant()) / frame.xScale : 0;
    if (frame.xScale <= 0 || frame.yScale <= 0 || !std::isfinite(frame.xScale) || !std::isfinite(frame.yScale))
        return std::nullopt;
    return frame;
}

// Where a text record's characters go. Local units are the font's pixels
// before the layout's scale; local x runs along the baseline.
struct TextLayout {
    QFont font;
    QFontMetricsF metrics;
    double scale = 1;          // local units to target pixels across the baseline
    double stretch = 1;        // the font's width against its natural width
    double localToLogical = 1; // along the baseline, local units to logical units
    QVector<double> positions; // each character's start when the record gives advances
    double width = 0;
    double x0 = 0;             // where the text starts, from the reference point
    double baseline = 0;
    QTransform local;          // local units to the target

    explicit TextLayout(QFont f) : font(std::move(f)), metrics(font) {}
    QRectF box() const { return QRectF(x0, baseline - metrics.ascent(), width, metrics.ascent() + metrics.descent()); }
};

// The font at the record's height on the target, and its stretch to the
// record's character width; nullopt for heights nothing can show.
std::optional<TextLayout> sizedFont(const FontSpec& f, const TextFrame& frame, double defaultCellHeight)
{
    double cellHeight = std::abs(f.height) * frame.yScale;
    if (f.height == 0)
        cellHeight = defaultCellHeight;
    if (cellHeight < 0.05 || cellHeight > 1e5)
        return std::nullopt;
    double scale = 1;
    std::optional<TextLayout> layout(std::in_place, fontFor(f, cellHeight, &scale));
    if (f.height > 0) {
        // A positive height is the cell (ascent + descent), not the em.
        const double cell = layout->metrics.ascent() + layout->metrics.descent();
        if (cell > 0)
            scale *= layout->font.pixelSize() / cell;
    }
    if (f.width > 0) {
        const double wanted = f.width * frame.xScale / scale;
        const double average = layout->metrics.averageCharWidth();
        if (average > 0)
            layout->stretch = std::clamp(wanted / average, 0.05, 20.0);
    }
    layout->scale = scale;
    layout->localToLogical = scale * layout->stretch / frame.xScale;
    return layout;
}

// The record's own advances as local positions, or the font's advances with
// the character extra; the whole width either way.
void placeCharacters(TextLayout& layout, const QString& text, const QVector<double>& dx, double charExtra)
{
    if (!dx.isEmpty()) {
        layout.positions.reserve(text.size());
        double at = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            layout.positions.append(at / layout.localToLogical);
            at += i < dx.size() ? dx[i] : 0;
        }
        layout.width = at / layout.localToLogical;
    } else {
        layout.width = layout.metrics.horizontalAdvance(text) + charExtra * text.size() / layout.localToLogical;
    }
}

void alignText(TextLayout& layout, uint32_t align)
{
    if ((align & gdi::TaCenter) == gdi::TaCenter)
        layout.x0 = -layout.width / 2;
    else if (align & gdi::TaRight)
        layout.x0 = -layout.width;
    layout.baseline = layout.metrics.ascent();
    if ((align & gdi::TaBaseline) == gdi::TaBaseline)
        layout.baseline = 0;
    else if (align & gdi::TaBottom)
        layout.baseline = -layout.metrics.descent();
}

void orientText(TextLayout& layout, const TextFrame& frame, double escapement)
{
    const double angle = std::atan2(frame.ux.y(), frame.ux.x()) * 180 / kPi - escapement / 10.0;
    layout.local.translate(frame.origin.x(), frame.origin.y());
    layout.local.rotate(angle);
    layout.local.scale(layout.scale * layout.stretch, layout.scale);
}

std::optional<TextLayout> layoutText(const DcState& dc, QPointF reference, const QString& text,
                                     const QVector<double>& dx, const QTransform& full, double defaultCellHeight)
{
    const std::optional<TextFrame> frame = textFrame(full, reference);
    if (!frame)
        return std::nullopt;
    std::optional<TextLayout> layout = sizedFont(dc.font, *frame, defaultCellHeight);
    if (!layout)
        return std::nullopt;
    placeCharacters(*layout, text, dx, dc.charExtra);
    alignText(*layout, dc.textAlign);
    orientText(*layout, *frame, dc.font.escapement);
    return layout;
}

// With TA_UPDATECP the text moves the current position past itself (not for
// centred text).
QPointF positionAfter(QPointF reference, const TextLayout& layout, uint32_t align)
{
    const double advance = layout.width * layout.localToLogical;
    const double sign = (align & gdi::TaCenter) == gdi::TaCenter ? 0 : (align & gdi::TaRight) ? -1 : 1;
    return reference + QPointF(sign * advance, 0);
}

void drawCharacters(QPainter& painter, const TextLayout& layout, const QString& text, double charExtra)
{
    if (!layout.positions.isEmpty()) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            QString piece(text[i]);
            if (text[i].isHighSurrogate() && i + 1 < text.size()) {
                piece.append(text[i + 1]);
                ++i;
            }
            if (piece.trimmed().isEmpty())
                continue;
            painter.drawText(QPointF(layout.x0 + layout.positions[i - (piece.size() - 1)], layout.baseline), piece);
        }
    } else if (charExtra != 0) {
        double at = layout.x0;
        for (const QChar ch : text) {
            painter.drawText(QPointF(at, layout.baseline), QString(ch));
            at += layout.metrics.horizontalAdvance(ch) + charExtra / layout.localToLogical;
        }
    } else {
        painter.drawText(QPointF(layout.x0, layout.baseline), text);
    }
}

} // namespace

bool GdiContext::chargeText(qsizetype characters)
{
    if (!beginOp())
        return false;
    m_chars += characters;
    if (m_chars > kMaxTotalChars) {
        m_exhausted = true;
        return false;
    }
    return true;
}

void GdiContext::fillOpaqueBox(const QRectF& logicalBox, const QTransform& toDevice)
{
    QPainterPath box;
    box.addRect(logicalBox);
    note(toDevice.mapRect(logicalBox));
    if (m_painter) {
        applyClip();
        m_painter->setTransform(toDevice * m_deviceToTarget);
        m_painter->fillPath(box, m_dc.bkColor);
    }
}

void GdiContext::text(QPointF reference, const QString& text, const QVector<double>& dx, uint32_t options,
                      const QRectF& rect)
{
    if (!chargeText(text.size()))
        return;
    const uint32_t align = m_dc.textAlign;
    if (align & gdi::TaUpdateCp)
        reference = m_dc.currentPosition;
    if (!finite(reference.x()) || !finite(reference.y()))
        return;
    const QTransform toDevice = logicalToDevice();
    if (!usable(toDevice))
        return;
    const QTransform full = toDevice * m_deviceToTarget;
    const bool rectValid = finiteRect(rect) && !rect.isEmpty();
    // Opaque rectangle first: it is drawn even when the text is empty.
    if ((options & gdi::EtoOpaque) && rectValid)
        fillOpaqueBox(normalised(rect), toDevice);
    if (text.isEmpty())
        return;

    const std::optional<TextLayout> layout
        = layoutText(m_dc, reference, text, dx, full, 16 * areaScale(m_deviceToTarget));
    if (!layout)
        return;
    if (align & gdi::TaUpdateCp)
        m_dc.currentPosition = positionAfter(reference, *layout, align);
    bool invertible = false;
    const QTransform targetToDevice = m_deviceToTarget.inverted(&invertible);
    if (invertible)
        note((layout->local * targetToDevice).mapRect(layout->box()));
    if (!m_painter)
        return;

    applyClip();
    m_painter->save();
    if ((options & gdi::EtoClipped) && rectValid) {
        m_painter->setTransform(full);
        m_painter->setClipRect(normalised(rect), Qt::IntersectClip);
    }
    m_painter->setTransform(layout->local);
    if (m_dc.bkMode == gdi::Opaque && !(options & gdi::EtoOpaque))
        m_painter->fillRect(layout->box(), m_dc.bkColor);
    m_painter->setFont(layout->font);
    m_painter->setPen(m_dc.textColor);
    drawCharacters(*m_painter, *layout, text, m_dc.charExtra);
    m_painter->restore(); // back to the clip applied before save()
}

// ---------------------------------------------------------------- text encodings

namespace {

// The Symbol font's code points 0x20-0xFF as Unicode (its empty slots as spaces).
constexpr char16_t kSymbolToUnicode[224] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B,
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9,
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9,
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x007F,
    0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020,
    0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020,
    0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020,
    0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020,
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663,
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    0x0020, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0020,
};

} // namespace

QString decodeCharset(const QByteArray& bytes, int charset, const QString& face)
{
    if (charset == 2 && face.startsWith(QLatin1String("Symbol"), Qt::CaseInsensitive)) {
        QString text;
        text.reserve(bytes.size());
        for (const char c : bytes) {
            const unsigned char b = static_cast<unsigned char>(c);
            text.append(b < 0x20 ? QChar(b) : QChar(kSymbolToUnicode[b - 0x20]));
        }
        return text;
    }
    const char* name = nullptr;
    switch (charset) {
    case 128: name = "Shift_JIS"; break;
    case 129: name = "EUC-KR"; break;
    case 134: name = "GBK"; break;
    case 136: name = "Big5"; break;
    case 161: name = "windows-1253"; break;
    case 162: name = "windows-1254"; break;
    case 163: name = "windows-1258"; break;
    case 177: name = "windows-1255"; break;
    case 178: name = "windows-1256"; break;
    case 186: name = "windows-1257"; break;
    case 204: name = "windows-1251"; break;
    case 222: name = "windows-874"; break;
    case 238: name = "windows-1250"; break;
    default: break;
    }
    if (name) {
        QStringDecoder decoder(name);
        if (decoder.isValid()) {
            QString text = decoder(bytes);
            if (!decoder.hasError())
                return text;
        }
    }
    return fromCp1252(bytes);
}

} // namespace tirvelo::metafile
