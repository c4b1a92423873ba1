#pragma once
// The objects the WMF creation records make, and the device-dependent bitmaps
// some of them and the old blits carry.
#include "formats/metafile/ByteView.h"
#include "formats/metafile/GdiContext.h"

namespace tirvelo::metafile::wmf {

// A device-dependent Bitmap16 (old BitBlt records, pattern brushes): only
// monochrome and true-colour layouts are drawable without the writer's device.
QImage decodeBitmap16(ByteView b);

// The object a creation record makes; palettes and device bitmaps only hold
// their slot. Pattern brushes are charged to the context's patterns' budget.
GdiObject objectFromRecord(uint16_t function, ByteView r, GdiContext& context);

} // namespace tirvelo::metafile::wmf
