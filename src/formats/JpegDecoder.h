#pragma once
// JPEG pictures through libjpeg's decompression interface.
//
// The decoder is strict: any warning libjpeg gives (corrupt entropy data, a
// premature end of file, a bad marker) makes the picture a failure, as does
// any error. Baseline and progressive files work, in greyscale (a Grayscale8
// image), YCbCr/RGB (an RGB32 image) and CMYK/YCCK (converted to RGB32, with
// the inverted CMYK that Adobe applications write recognised by its marker).
// A picture comes out upright, as its Exif orientation tag says, turned in
// the pass that decodes it (and stretches it): naturalSize is the upright size.
#include "formats/ClaimedSize.h"
#include "formats/Picture.h"
#include "formats/PictureFile.h"
#include "formats/PictureResult.h"

#include <QByteArray>
#include <QString>

namespace tirvelo {

struct JpegLimits {
    // Files above this size are refused unread.
    qint64 maxFileBytes = MaxPictureFileBytes;
    // Width × height of the decoded image (at the output scale): 100 megapixels.
    qint64 maxOutputPixels = 100'000'000;
    // libjpeg's whole-image buffers (a progressive file keeps every DCT
    // coefficient of the full-size picture): 1 GiB.
    qint64 maxWorkingMemory = qint64(1) << 30;
    // Width × height of the whole picture for each byte of the file, above a
    // size any file may claim (see ClaimedSize.h).
    qint64 maxPixelsPerFileByte = MaxPixelsPerFileByte;
    qint64 pixelsAnyFileMayClaim = PixelsAnyFileMayClaim;
};

// The DCT scale, in eighths (1, 2, 4 or 8), a picture of size natural is
// decoded at for a picture box of size box. A picture not larger than the box
// in either direction is shown at its own size and decoded whole (8). A
// larger one is stretched to fill the box, so it is decoded at the smallest of
// 1/8, 1/4 and 1/2 whose output still covers the box in both directions (the
// scales in between decode slower than the next of these above them). In a
// direction where the picture is smaller than the box, no resolution is given
// up. An empty or invalid box means "unknown": decode whole.
int jpegScaleEighths(QSize natural, QSize box);

// What a colour picture larger than the box (in either direction) comes out
// as: decoded at the scale above (Scaled), or stretched to exactly the box as
// well, band by band while it is decoded (StretchedToBox): the pixels
// stretchRaster gives for the scaled raster, without ever holding that raster
// (24 MB for a 24-megapixel photo). Other pictures come out Scaled either way.
enum class JpegFit { Scaled, StretchedToBox };

// Decodes the file (read whole first; see readPictureFile for what is refused).
// naturalSize is always the full size; raster may be smaller (see above).
// Refusals: the file's own (Missing, Unreadable, FileTooLarge); NotThisFormat
// (empty, no start-of-image marker, no image); Truncated; Corrupt (any other
// error or warning); UnsupportedVariant (precision, process or colour layout
// this libjpeg does not decode); Empty (a zero dimension); TooManyPixels (the
// output over maxOutputPixels); TooMuchMemory (over maxWorkingMemory).
PictureResult decodeJpegFile(const QString& path, QSize box, const JpegLimits& limits = {},
                             JpegFit fit = JpegFit::Scaled);

// The same for a JPEG held in memory.
PictureResult decodeJpegBytes(const QByteArray& bytes, QSize box, const JpegLimits& limits = {},
                              JpegFit fit = JpegFit::Scaled);

} // namespace tirvelo
