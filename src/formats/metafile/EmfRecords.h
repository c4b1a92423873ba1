#pragma once
// The fixed parts of the EMF records the player reads (ByteView::layout).
#include "formats/metafile/RecordLayout.h"

namespace tirvelo::metafile::emf {

#pragma pack(push, 1)

struct PointL { int32_t x, y; };
struct SizeL { int32_t cx, cy; };
struct RectL { int32_t left, top, right, bottom; }; // inclusive corners
struct XForm { float m11, m12, m21, m22, dx, dy; };

struct Record { uint32_t type, size; };
// Records of one value: modes, colours, object indices, saved-state levels.
struct ValueRecord { Record emr; uint32_t value; };
struct PointRecord { Record emr; PointL point; };
struct SizeRecord { Record emr; SizeL size; };
struct RectRecord { Record emr; RectL rect; };
struct ScaleExtRecord { Record emr; int32_t xNum, xDenom, yNum, yDenom; };
struct XFormRecord { Record emr; XForm xform; };
struct ModifyXFormRecord { Record emr; XForm xform; uint32_t mode; };
struct RoundRectRecord { Record emr; RectL box; SizeL corner; };
struct ArcRecord { Record emr; RectL box; PointL start, end; };
struct SetPixelRecord { Record emr; PointL point; uint32_t color; };
struct AngleArcRecord { Record emr; PointL center; uint32_t radius; float startAngle, sweepAngle; };

struct Header {
    Record emr;
    RectL bounds, frame;
    uint32_t signature, version, bytes, records;
    uint16_t handles, reserved;
    uint32_t descriptionChars, descriptionOffset, paletteEntries;
    SizeL devicePixels, deviceMillimetres;
};

// The points follow: 8 bytes each, or 4 in the 16-bit records.
struct PolyRecord { Record emr; RectL bounds; uint32_t count; };
// The counts follow, then the points.
struct PolyPolyRecord { Record emr; RectL bounds; uint32_t polygons, points; };

struct ExtTextOutRecord { Record emr; RectL bounds; uint32_t graphicsMode; float xScale, yScale; };
// The clipping rectangle follows unless ETO_NO_RECT is set, then the offset of
// the advances.
struct EmrText { PointL reference; uint32_t chars, offString, options; };

// BITBLT; STRETCHBLT adds the source's size. ALPHABLEND holds its blend
// function and TRANSPARENTBLT its transparent colour where BITBLT holds the
// raster operation.
struct BitBltRecord {
    Record emr;
    RectL bounds;
    PointL dest;
    SizeL destSize;
    uint32_t operation;
    PointL src;
    XForm srcXform;
    uint32_t srcBkColor, srcUsage, offBmi, cbBmi, offBits, cbBits;
};
struct StretchBltRecord { BitBltRecord blt; SizeL srcSize; };
struct StretchDibitsRecord {
    Record emr;
    RectL bounds;
    PointL dest, src;
    SizeL srcSize;
    uint32_t offBmi, cbBmi, offBits, cbBits, usage, rop;
    SizeL destSize;
};
struct SetDibitsToDeviceRecord {
    Record emr;
    RectL bounds;
    PointL dest, src;
    SizeL srcSize;
    uint32_t offBmi, cbBmi, offBits, cbBits, usage, startScan, scans;
};

struct LogPen { uint32_t style; PointL width; uint32_t color; };
struct CreatePenRecord { Record emr; uint32_t index; LogPen pen; };
// The user style's dash lengths follow.
struct ExtLogPen { uint32_t style, width, brushStyle, color, hatch, styleEntries; };
struct ExtCreatePenRecord { Record emr; uint32_t index, offBmi, cbBmi, offBits, cbBits; ExtLogPen pen; };
struct CreateBrushRecord { Record emr; uint32_t index, style, color, hatch; };
struct CreateDibBrushRecord { Record emr; uint32_t index, usage, offBmi, cbBmi, offBits, cbBits; };
struct LogFontW {
    int32_t height, width, escapement, orientation, weight;
    uint8_t italic, underline, strikeout, charset, outPrecision, clipPrecision, quality, pitchAndFamily;
    char16_t face[32];
};
struct CreateFontRecord { Record emr; uint32_t index; LogFontW font; };

// Region data follows each of these.
struct ExtSelectClipRgnRecord { Record emr; uint32_t cbRgnData, mode; };
struct PaintRgnRecord { Record emr; RectL bounds; uint32_t cbRgnData; };
struct FillRgnRecord { Record emr; RectL bounds; uint32_t cbRgnData, brushIndex; };
// The rectangles follow the header, at its own size.
struct RgnDataHeader { uint32_t size, type, count, rgnSize; RectL bounds; };

#pragma pack(pop)

static_assert(assertSize<PointL, 8>() && assertSize<RectL, 16>() && assertSize<XForm, 24>());
static_assert(assertSize<ValueRecord, 12>() && assertSize<PointRecord, 16>() && assertSize<SizeRecord, 16>());
static_assert(assertSize<RectRecord, 24>() && assertSize<ScaleExtRecord, 24>() && assertSize<XFormRecord, 32>());
static_assert(assertSize<ModifyXFormRecord, 36>() && assertSize<RoundRectRecord, 32>());
static_assert(assertSize<ArcRecord, 40>() && assertSize<SetPixelRecord, 20>() && assertSize<AngleArcRecord, 28>());
static_assert(assertSize<Header, 88>() && assertSize<PolyRecord, 28>() && assertSize<PolyPolyRecord, 32>());
static_assert(assertSize<ExtTextOutRecord, 36>() && assertSize<EmrText, 20>());
static_assert(assertSize<BitBltRecord, 100>() && assertSize<StretchBltRecord, 108>());
static_assert(assertSize<StretchDibitsRecord, 80>() && assertSize<SetDibitsToDeviceRecord, 76>());
static_assert(assertSize<CreatePenRecord, 28>() && assertSize<ExtCreatePenRecord, 52>());
static_assert(assertSize<CreateBrushRecord, 24>() && assertSize<CreateDibBrushRecord, 32>());
static_assert(assertSize<LogFontW, 92>() && assertSize<CreateFontRecord, 104>());
static_assert(assertSize<ExtSelectClipRgnRecord, 16>() && assertSize<PaintRgnRecord, 28>());
static_assert(assertSize<FillRgnRecord, 32>() && assertSize<RgnDataHeader, 32>());

} // namespace tirvelo::metafile::emf
