#pragma once
// What a compressed picture's header may claim against the bytes that follow
// it. Arithmetic coding, a JPEG's end-of-band runs and a bitmap's run-length
// codes (its end-of-bitmap code and moves included) let a few hundred bytes
// describe a picture of a hundred megapixels, which would take seconds and
// gigabytes to decode. A real photo holds under a hundred pixels a byte, a
// flat drawing a few hundred; any file may claim up to a large photo's size.
#include <QtGlobal>

namespace tirvelo {

inline constexpr qint64 MaxPixelsPerFileByte = 1024;
inline constexpr qint64 PixelsAnyFileMayClaim = 32'000'000;

constexpr bool claimsMorePixelsThanItsBytesHold(qint64 pixels, qint64 fileBytes,
                                                qint64 perByte = MaxPixelsPerFileByte,
                                                qint64 anyFile = PixelsAnyFileMayClaim)
{
    return pixels > anyFile && (fileBytes <= 0 || pixels / fileBytes > perByte);
}

} // namespace tirvelo
