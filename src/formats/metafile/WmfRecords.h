#pragma once
// The fixed parts of the WMF records the player reads (ByteView::layout).
// Parameters come in the file in reverse order of the call's arguments: y
// before x, bottom-right before top-left.
#include "formats/metafile/RecordLayout.h"

namespace tirvelo::metafile::wmf {

// Full 16-bit record functions.
enum Function : uint16_t {
    MetaEof = 0x0000, MetaSaveDc = 0x001E, MetaRealizePalette = 0x0035, MetaSetPalEntries = 0x0037,
    MetaCreatePalette = 0x00F7, MetaSetBkMode = 0x0102, MetaSetMapMode = 0x0103, MetaSetRop2 = 0x0104,
    MetaSetRelabs = 0x0105, MetaSetPolyFillMode = 0x0106, MetaSetStretchBltMode = 0x0107,
    MetaSetTextCharExtra = 0x0108, MetaRestoreDc = 0x0127, MetaInvertRegion = 0x012A, MetaPaintRegion = 0x012B,
    MetaSelectClipRegion = 0x012C, MetaSelectObject = 0x012D, MetaSetTextAlign = 0x012E,
    MetaResizePalette = 0x0139, MetaDibCreatePatternBrush = 0x0142, MetaDeleteObject = 0x01F0,
    MetaCreatePatternBrush = 0x01F9, MetaSetBkColor = 0x0201, MetaSetTextColor = 0x0209,
    MetaSetTextJustification = 0x020A, MetaSetWindowOrg = 0x020B, MetaSetWindowExt = 0x020C,
    MetaSetViewportOrg = 0x020D, MetaSetViewportExt = 0x020E, MetaOffsetWindowOrg = 0x020F,
    MetaOffsetViewportOrg = 0x0211, MetaLineTo = 0x0213, MetaMoveTo = 0x0214, MetaOffsetClipRgn = 0x0220,
    MetaFillRegion = 0x0228, MetaSetMapperFlags = 0x0231, MetaSelectPalette = 0x0234,
    MetaCreatePenIndirect = 0x02FA, MetaCreateFontIndirect = 0x02FB, MetaCreateBrushIndirect = 0x02FC,
    MetaCreateBitmapIndirect = 0x02FD, MetaPolygon = 0x0324, MetaPolyline = 0x0325,
    MetaScaleWindowExt = 0x0410, MetaScaleViewportExt = 0x0412, MetaExcludeClipRect = 0x0415,
    MetaIntersectClipRect = 0x0416, MetaEllipse = 0x0418, MetaFloodFill = 0x0419, MetaRectangle = 0x041B,
    MetaSetPixel = 0x041F, MetaFrameRegion = 0x0429, MetaAnimatePalette = 0x0436, MetaTextOut = 0x0521,
    MetaPolyPolygon = 0x0538, MetaExtFloodFill = 0x0548, MetaRoundRect = 0x061C, MetaPatBlt = 0x061D,
    MetaEscape = 0x0626, MetaCreateBitmap = 0x06FE, MetaCreateRegion = 0x06FF, MetaArc = 0x0817,
    MetaPie = 0x081A, MetaChord = 0x0830, MetaBitBlt = 0x0922, MetaDibBitBlt = 0x0940,
    MetaExtTextOut = 0x0A32, MetaStretchBlt = 0x0B23, MetaDibStretchBlt = 0x0B41, MetaSetDibToDev = 0x0D33,
    MetaStretchDib = 0x0F43,
};

#pragma pack(push, 1)

struct Record { uint32_t words; uint16_t function; };
struct PlaceableHeader {
    uint32_t key;
    uint16_t handle;
    int16_t left, top, right, bottom;
    uint16_t unitsPerInch;
    uint32_t reserved;
    uint16_t checksum;
};
struct Header { uint16_t type, headerWords, version; uint32_t words; uint16_t objects; uint32_t maxRecord;
                uint16_t members; };

// Records of one 16-bit value: modes, object indices, saved-state levels.
struct ValueRecord { Record rec; uint16_t value; };
struct ColorRecord { Record rec; uint32_t color; };
struct PointRecord { Record rec; int16_t y, x; };
struct ScaleExtRecord { Record rec; int16_t yDenom, yNum, xDenom, xNum; };
struct RectRecord { Record rec; int16_t bottom, right, top, left; };
struct RoundRectRecord { Record rec; int16_t height, width, bottom, right, top, left; };
struct ArcRecord { Record rec; int16_t yEnd, xEnd, yStart, xStart, bottom, right, top, left; };
struct SetPixelRecord { Record rec; uint32_t color; int16_t y, x; };
// The points follow (POLYGON, POLYLINE); POLYPOLYGON's counts, then its points.
struct CountRecord { Record rec; int16_t count; };

struct FillRegionRecord { Record rec; uint16_t region, brush; };
struct FrameRegionRecord { Record rec; uint16_t region, brush; int16_t height, width; };
struct PatBltRecord { Record rec; uint32_t rop; int16_t height, width, y, x; };

// The text follows, padded to a word; ETO_OPAQUE or ETO_CLIPPED put a
// rectangle (left, top, right, bottom) before it.
struct ExtTextOutRecord { Record rec; int16_t y, x, count; uint16_t options; };
struct Rect16 { int16_t left, top, right, bottom; };

// BITBLT and DIBBITBLT; without a bitmap a reserved word follows the source.
struct BitBltRecord { Record rec; uint32_t rop; int16_t ySrc, xSrc, height, width, yDest, xDest; };
struct BitBltWithoutBitmapRecord { Record rec; uint32_t rop; int16_t ySrc, xSrc, reserved, height, width, yDest,
                                   xDest; };
struct StretchBltRecord { Record rec; uint32_t rop; int16_t srcHeight, srcWidth, ySrc, xSrc, destHeight, destWidth,
                          yDest, xDest; };
struct StretchBltWithoutBitmapRecord { Record rec; uint32_t rop; int16_t srcHeight, srcWidth, ySrc, xSrc, reserved,
                                       destHeight, destWidth, yDest, xDest; };
struct StretchDibRecord { Record rec; uint32_t rop; uint16_t usage; int16_t srcHeight, srcWidth, ySrc, xSrc,
                          destHeight, destWidth, yDest, xDest; };
struct SetDibToDevRecord { Record rec; uint16_t usage, scans, startScan; int16_t ySrc, xSrc, height, width, yDest,
                           xDest; };

struct CreatePenRecord { Record rec; uint16_t style; int16_t width, widthY; uint32_t color; };
struct CreateBrushRecord { Record rec; uint16_t style; uint32_t color; uint16_t hatch; };
// The face name follows, up to 32 bytes.
struct CreateFontRecord {
    Record rec;
    int16_t height, width, escapement, orientation, weight;
    uint8_t italic, underline, strikeout, charset, outPrecision, clipPrecision, quality, pitchAndFamily;
};
// The DIB follows.
struct DibPatternBrushRecord { Record rec; uint16_t style, usage; };
// A device-dependent bitmap's header; its bits follow.
struct Bitmap16 { int16_t type, width, height, widthBytes; uint8_t planes, bitsPixel; };
// The scans follow: a count of coordinates, top and bottom, the intervals,
// and the count again.
struct CreateRegionRecord {
    Record rec;
    int16_t nextInChain, objectType;
    uint32_t objectCount;
    int16_t regionSize;
    uint16_t scanCount;
    int16_t maxScan, left, top, right, bottom;
};
struct RegionScan { uint16_t count; int16_t top, bottom; };

#pragma pack(pop)

static_assert(assertSize<Record, 6>() && assertSize<PlaceableHeader, 22>() && assertSize<Header, 18>());
static_assert(assertSize<ValueRecord, 8>() && assertSize<ColorRecord, 10>() && assertSize<PointRecord, 10>());
static_assert(assertSize<ScaleExtRecord, 14>() && assertSize<RectRecord, 14>() && assertSize<RoundRectRecord, 18>());
static_assert(assertSize<ArcRecord, 22>() && assertSize<SetPixelRecord, 14>() && assertSize<CountRecord, 8>());
static_assert(assertSize<FillRegionRecord, 10>() && assertSize<FrameRegionRecord, 14>());
static_assert(assertSize<PatBltRecord, 18>() && assertSize<ExtTextOutRecord, 14>() && assertSize<Rect16, 8>());
static_assert(assertSize<BitBltRecord, 22>() && assertSize<BitBltWithoutBitmapRecord, 24>());
static_assert(assertSize<StretchBltRecord, 26>() && assertSize<StretchBltWithoutBitmapRecord, 28>());
static_assert(assertSize<StretchDibRecord, 28>() && assertSize<SetDibToDevRecord, 24>());
static_assert(assertSize<CreatePenRecord, 16>() && assertSize<CreateBrushRecord, 14>());
static_assert(assertSize<CreateFontRecord, 24>() && assertSize<DibPatternBrushRecord, 10>());
static_assert(assertSize<Bitmap16, 10>() && assertSize<CreateRegionRecord, 28>() && assertSize<RegionScan, 6>());

} // namespace tirvelo::metafile::wmf
