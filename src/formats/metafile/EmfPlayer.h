#pragma once
// Plays the records of an enhanced metafile (EMF) onto a GdiContext. EMF+
// comments are skipped: a dual file is drawn from its EMF records.
#include "formats/metafile/ByteView.h"

#include <QRect>
#include <QSize>
#include <optional>

namespace tirvelo::metafile {

class GdiContext;

struct EmfHeader {
    QRect bounds;        // device pixels, inclusive
    QRect frame;         // 0.01 mm, inclusive
    QSize devicePixels;  // reference device size in pixels
    QSize deviceMm;      // reference device size in millimetres
    uint32_t handles = 0;
    // Reference device pixels per millimetre (96 dpi when the header gives none).
    double pixelsPerMmX() const;
    double pixelsPerMmY() const;
    // The frame in reference device pixels (empty when the frame is unusable).
    QRectF frameInDevicePixels() const;
};

// Checks the header record; nullopt when the bytes are not an EMF.
std::optional<EmfHeader> readEmfHeader(ByteView file);
// Plays every record up to EMR_EOF, the end of the bytes, the first record
// whose size does not fit, or a spent budget.
void playEmf(ByteView file, const EmfHeader& header, GdiContext& context);

} // namespace tirvelo::metafile
