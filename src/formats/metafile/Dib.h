#pragma once
// Device-independent bitmaps as metafiles embed them: a BITMAPINFO (core,
// info or V4/V5 header, masks, colour table) and the pixel rows, checked
// against the bytes that hold them.
#include "formats/metafile/ByteView.h"

#include <QImage>

namespace tirvelo::metafile {

// How the colour table is stored: RGB quads (DIB_RGB_COLORS) or 16-bit
// indices into the selected palette (DIB_PAL_COLORS).
enum class DibColors { Rgb, PaletteIndices };

// Decodes header and bits kept apart (EMF). A null image when the header is
// malformed or the picture exceeds the pixel cap; rows missing from a short
// bits block stay transparent.
// keepAlpha: take the fourth byte of 32-bit BI_RGB pixels as alpha (AlphaBlend)
// instead of ignoring it as StretchDIBits does.
QImage decodeDib(ByteView info, ByteView bits, DibColors colors = DibColors::Rgb, bool keepAlpha = false);
// Decodes a packed DIB: header, colour table and bits in one block (WMF).
QImage decodePackedDib(ByteView dib, DibColors colors = DibColors::Rgb);
// The width and height a DIB header claims (0, 0 when it is malformed).
QSize dibSize(ByteView info);

} // namespace tirvelo::metafile
