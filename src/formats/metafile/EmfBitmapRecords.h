#pragma once
// The EMF records that carry a bitmap: blits and pattern brushes.
#include "formats/metafile/ByteView.h"
#include "formats/metafile/GdiContext.h"

namespace tirvelo::metafile::emf {

// BITBLT (stretch false) and STRETCHBLT.
void bitBlt(ByteView r, bool stretch, GdiContext& context);
void stretchDibits(ByteView r, GdiContext& context);
void setDibitsToDevice(ByteView r, GdiContext& context);
void alphaBlend(ByteView r, GdiContext& context);
void transparentBlt(ByteView r, GdiContext& context);
// CREATEDIBPATTERNBRUSHPT and CREATEMONOBRUSH; a pattern over the patterns'
// budget is left empty.
BrushSpec patternBrush(uint32_t type, ByteView r, GdiContext& context);

} // namespace tirvelo::metafile::emf
