#pragma once
// Plays the records of a Windows metafile (WMF, with or without the placeable
// header) onto a GdiContext.
#include "formats/metafile/ByteView.h"

#include <QRect>
#include <optional>

namespace tirvelo::metafile {

class GdiContext;

struct WmfHeader {
    bool placeable = false;
    QRect boundingBox;      // placeable header: the picture in logical units
    int unitsPerInch = 0;   // placeable header: logical units per inch
    int objectCount = 0;    // object table size the header announces
    int64_t recordsOffset = 0;
};

// Checks the placeable header (if any) and the metafile header; nullopt when
// the bytes are not a WMF.
std::optional<WmfHeader> readWmfHeader(ByteView file);
// Plays every record up to META_EOF, the end of the bytes, the first record
// whose size does not fit, or a spent budget.
// A placeable file starts in MM_ANISOTROPIC with its bounding box as the
// window, as the system's picture players set it up.
void playWmf(ByteView file, const WmfHeader& header, GdiContext& context);

} // namespace tirvelo::metafile
