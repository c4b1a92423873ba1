#pragma once
// The drawing state both metafile players share, and the drawing operations
// they call: device-context stack, object table, mapping mode with window,
// viewport and world transform, pen, brush, font, text colour and alignment,
// background, fill mode, current position, clipping and paths. Coordinates
// handed in are logical; the context maps them through the page and world
// transforms to the reference device, and from there onto the painter.
//
// Without a painter the context only measures: it collects the device-space
// bounds of what would be drawn.
//
// The members are defined by concern: GdiContext.cpp (budgets, objects,
// mapping, saved states), GdiDrawing.cpp (pens, brushes, lines and shapes),
// GdiPathsAndClipping.cpp, GdiText.cpp and GdiBlits.cpp (bitmaps, pattern
// and region fills).
#include "formats/metafile/Limits.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QTransform>
#include <QVector>
#include <cstdint>
#include <set>
#include <unordered_map>
#include <vector>

class QPainter;

namespace tirvelo::metafile {

// GDI constants the players and the context share.
namespace gdi {
enum MapMode { MmText = 1, MmLoMetric, MmHiMetric, MmLoEnglish, MmHiEnglish, MmTwips, MmIsotropic, MmAnisotropic };
enum PenStyle { PsSolid = 0, PsDash, PsDot, PsDashDot, PsDashDotDot, PsNull, PsInsideFrame, PsUserStyle, PsAlternate };
enum BrushStyle { BsSolid = 0, BsNull, BsHatched, BsPattern, BsIndexed, BsDibPattern, BsDibPatternPt };
enum BkMode { Transparent = 1, Opaque = 2 };
enum FillMode { Alternate = 1, Winding = 2 };
enum RegionMode { RgnAnd = 1, RgnOr, RgnXor, RgnDiff, RgnCopy };
enum TextAlign : uint32_t {
    TaUpdateCp = 1, TaRight = 2, TaCenter = 6, TaBottom = 8, TaBaseline = 24, TaRtlReading = 256
};
enum TextOptions : uint32_t { EtoOpaque = 2, EtoClipped = 4, EtoGlyphIndex = 0x10, EtoPdy = 0x2000 };
enum ArcKind { Arc, ArcTo, Chord, Pie };
constexpr uint32_t SrcCopy = 0x00CC0020, SrcPaint = 0x00EE0086, SrcAnd = 0x008800C6, SrcInvert = 0x00660046,
                   SrcErase = 0x00440328, NotSrcCopy = 0x00330008, PatCopy = 0x00F00021, PatInvert = 0x005A0049,
                   DstInvert = 0x00550009, Blackness = 0x00000042, Whiteness = 0x00FF0062, NoOp = 0x00AA0029,
                   MergeCopy = 0x00C000CA;
} // namespace gdi

// A COLORREF: red in the low byte, then green and blue.
inline QColor colorRef(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// The device-context values that records of both formats set, one each.
enum class DcValue { BkMode, FillMode, Rop2, StretchMode, TextAlign, TextColor, BkColor, ArcDirection, MiterLimit,
                     CharExtra };

struct PenSpec {
    uint32_t style = gdi::PsSolid; // style, end cap and join bits
    double width = 0;              // logical units; 0 draws one device pixel
    bool cosmetic = false;         // always one device pixel wide
    QColor color = Qt::black;
    QVector<qreal> dashes;         // PS_USERSTYLE lengths in logical units
};

struct BrushSpec {
    enum class Kind { Solid, Null, Hatched, Pattern };
    Kind kind = Kind::Solid;
    QColor color = Qt::white;
    int hatch = 0;
    QImage pattern;
};

struct FontSpec {
    double height = 0; // <0: character height, >0: cell height, 0: default
    double width = 0;
    double escapement = 0; // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    int charset = 1;
    QString face;
};

// A font from the LOGFONT fields both formats' records hold (the face name
// is read by each player, in its own encoding).
template <class LogFont>
FontSpec fontSpecOf(const LogFont& lf)
{
    FontSpec f;
    f.height = lf.height;
    f.width = lf.width;
    f.escapement = lf.escapement;
    f.weight = lf.weight;
    f.italic = lf.italic;
    f.underline = lf.underline;
    f.strikeout = lf.strikeout;
    f.charset = lf.charset;
    return f;
}

struct GdiObject {
    enum class Kind { Pen, Brush, Font, Region, Palette, Other };
    Kind kind = Kind::Other;
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    QPainterPath region; // WMF regions, in logical units
};

struct DcState {
    int mapMode = gdi::MmText;
    QPointF windowOrg{0, 0};
    QSizeF windowExt{1, 1};
    QPointF viewportOrg{0, 0};
    QSizeF viewportExt{1, 1};
    bool viewportExtSet = false;
    bool windowExtSet = false;
    QTransform world;
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int bkMode = gdi::Opaque;
    uint32_t textAlign = 0;
    int fillMode = gdi::Alternate;
    int rop2 = 13; // R2_COPYPEN
    int stretchMode = 1;
    bool clockwiseArcs = false;
    double miterLimit = 10;
    double charExtra = 0;
    QPointF currentPosition{0, 0};
    bool clipActive = false;
    QPainterPath clip; // device units
};

class GdiContext {
public:
    enum class Flavour { Emf, Wmf };

    // painter: where to draw (null: measure only). deviceToTarget maps the
    // reference device onto the painter; deviceClip, when not empty, bounds
    // every drawing (the picture's frame in device units).
    GdiContext(Flavour flavour, QPainter* painter, const QTransform& deviceToTarget, const QRectF& deviceClip);
    ~GdiContext();
    GdiContext(const GdiContext&) = delete;
    GdiContext& operator=(const GdiContext&) = delete;

    DcState& dc() { return m_dc; }
    const DcState& dc() const { return m_dc; }
    // Device pixels per millimetre, for the fixed mapping modes.
    void setDeviceResolution(double pixelsPerMmX, double pixelsPerMmY);
    // WMF: the viewport extent the player sets up (the picture's frame), used
    // in the scaled mapping modes while the file sets no viewport of its own.
    // Unset, the window maps one to one.
    void setPlayerViewport(QSizeF extent) { m_playerViewport = extent; }

    // False once a budget (points, operations, characters, pixels) is spent:
    // the player stops and what was drawn stays.
    bool withinBudget() const { return !m_exhausted; }
    bool chargePoints(int64_t count);
    bool chargeImagePixels(int64_t count);
    // False, without ending the playback, when a pattern brush of this many
    // pixels would go over the patterns' budget; it is then not decoded.
    bool chargePatternPixels(int64_t count);

    // --- object table ---
    // WMF: takes the lowest free slot; returns it, or -1 when the table is full.
    int addObject(GdiObject object);
    // EMF: stores at a given handle (replacing what was there).
    void setObject(uint32_t index, GdiObject object);
    void selectObject(uint32_t index);
    void selectStockObject(uint32_t stock);
    void deleteObject(uint32_t index);
    const GdiObject* object(uint32_t index) const;

    // --- mapping ---
    void setMapMode(int mode);
    void setWindowOrg(QPointF origin);
    void setWindowExt(QSizeF extent);
    void setViewportOrg(QPointF origin);
    void setViewportExt(QSizeF extent);
    void offsetWindowOrg(QPointF delta);
    void offsetViewportOrg(QPointF delta);
    void scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void setWorldTransform(const QTransform& transform);
    // mode: 1 identity, 2 left multiply, 3 right multiply, 4 set.
    void modifyWorldTransform(const QTransform& transform, uint32_t mode);
    QTransform pageTransform() const;
    QTransform logicalToDevice() const;

    // --- state ---
    // value: as the record holds it (colours as COLORREF), widened without
    // changing its sign.
    void setDcValue(DcValue which, int64_t value);
    void saveDc();
    void restoreDc(int32_t relative);
    void moveTo(QPointF p);

    // --- drawing, logical coordinates ---
    void lineTo(QPointF p);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polygon(const QPolygonF& points);
    void polyPolygon(const QVector<QPolygonF>& polygons);
    void polyPolyline(const QVector<QPolygonF>& polylines);
    void polyBezier(const QPolygonF& points);
    void polyBezierTo(const QPolygonF& points);
    // types: PT_MOVETO 6, PT_LINETO 2, PT_BEZIERTO 4, each possibly | PT_CLOSEFIGURE 1.
    void polyDraw(const QPolygonF& points, const QVector<uint8_t>& types);
    void rectangle(const QRectF& box);
    void roundRect(const QRectF& box, QSizeF corner);
    void ellipse(const QRectF& box);
    void arc(const QRectF& box, QPointF start, QPointF end, gdi::ArcKind kind);
    void angleArc(QPointF center, double radius, double startDegrees, double sweepDegrees);
    void setPixel(QPointF p, const QColor& color);
    // dx: advance of each character in logical units (may be empty).
    void text(QPointF reference, const QString& text, const QVector<double>& dx, uint32_t options,
              const QRectF& rect);
    // Draws source (the part srcRect of it) into dest with a raster operation.
    void drawImage(const QRectF& dest, const QImage& source, const QRectF& srcRect, uint32_t rop);
    // Fills dest with the brush or a fixed colour according to a raster operation.
    void patBlt(const QRectF& dest, uint32_t rop);
    // Fills or frames a region given in logical units.
    void fillRegion(const QPainterPath& logicalRegion, const BrushSpec& brush);
    void frameRegion(const QPainterPath& logicalRegion, const BrushSpec& brush, QSizeF stroke);
    // Fills a region given in device units (EMF region records).
    void fillDeviceRegion(const QPainterPath& deviceRegion, const BrushSpec& brush);

    // --- paths ---
    void beginPath();
    void endPath();
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void selectClipPath(int mode);

    // --- clipping ---
    void intersectClipRect(const QRectF& logical);
    void excludeClipRect(const QRectF& logical);
    void offsetClip(QPointF logicalDelta);
    // region in device units; an empty region with RGN_COPY removes the clip.
    void selectClipRegion(const QPainterPath& deviceRegion, int mode);
    void selectLogicalClipRegion(const QPainterPath& logicalRegion);

    // --- what was drawn ---
    bool drewSomething() const { return m_drew; }
    QRectF drawnBounds() const { return m_bounds; }
    // The logical-to-device transform in force at the first drawing.
    QTransform firstDrawTransform() const { return m_firstDrawTransform; }
    // The device context as it was at the first drawing.
    const DcState& firstDrawState() const { return m_firstDrawState; }

private:
    bool beginOp();
    bool usable(const QTransform& t) const;
    void emitPath(const QPainterPath& logical, bool fill, bool stroke);
    void emitDevicePath(const QPainterPath& device, bool fill, bool stroke, const QTransform& penTransform);
    void applyClip();
    // Counts a drawing: its bounds widen the picture's, and the part of
    // paintedRect inside the frame is charged to the painted-area budget.
    void note(const QRectF& deviceRect, const QRectF& paintedRect);
    void note(const QRectF& deviceRect) { note(deviceRect, deviceRect); }
    // The bounds of a path grown by half the pen's width, as stroking paints them.
    QRectF strokedRect(const QRectF& deviceRect, const QTransform& penToDevice) const;
    // The pen's style; its width in logical units goes to widthOut.
    QPen makePen(const QTransform& logicalToTarget, double* widthOut) const;
    void strokeLogical(const QPainterPath& logical, const QTransform& logicalToTarget);
    QBrush makeBrush(const BrushSpec& brushStyle, const QTransform& painterTransform) const;
    void fillBackgroundForHatch(const QPainterPath& path, const BrushSpec& brushStyle);
    void combineClip(const QPainterPath& device, int mode);
    void combineClipRect(const QRectF& logical, int mode);
    QPainterPath arcPath(const QRectF& box, QPointF start, QPointF end, gdi::ArcKind kind, QPointF* arcStart,
                         QPointF* arcEnd) const;
    void addToPath(const QPainterPath& logical, bool continueFigure);
    // Counts one operation and the characters against their budgets.
    bool chargeText(qsizetype characters);
    void fillOpaqueBox(const QRectF& logicalBox, const QTransform& toDevice);

    Flavour m_flavour;
    QPainter* m_painter;
    QTransform m_deviceToTarget;
    QRectF m_deviceClip;
    double m_pxPerMmX = 96.0 / 25.4;
    double m_pxPerMmY = 96.0 / 25.4;
    QSizeF m_playerViewport;

    DcState m_dc;
    std::vector<DcState> m_saved;
    std::unordered_map<uint32_t, GdiObject> m_objects;
    std::set<int> m_freeSlots;
    int m_nextSlot = 0;

    bool m_inPath = false;
    QPainterPath m_path; // device units
    bool m_figureOpen = false;

    bool m_clipDirty = true;
    bool m_drew = false;
    QRectF m_bounds;
    QTransform m_firstDrawTransform;
    DcState m_firstDrawState;

    bool m_exhausted = false;
    int64_t m_points = 0;
    int64_t m_ops = 0;
    int64_t m_chars = 0;
    int64_t m_imagePixels = 0;
    int64_t m_patternPixels = 0;
    double m_paintedFrames = 0;
};

// Text in a font's 8-bit character set (ANSI records, WMF text); the Symbol
// font's own encoding is mapped to the Unicode characters it shows.
QString decodeCharset(const QByteArray& bytes, int charset, const QString& face = QString());

} // namespace tirvelo::metafile
