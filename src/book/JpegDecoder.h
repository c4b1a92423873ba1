#pragma once
// JPEG pictures through libjpeg's decompression interface.
#include "book/Picture.h"

#include <QString>
#include <optional>

namespace tirvelo {

// Decodes the file. When the picture is larger than box in either direction it
// will be stretched to the box, so the decoder may use DCT scaling down to the
// smallest scale that still covers the box; naturalSize is always the full size.
// Warnings and errors of libjpeg make the picture a failure.
std::optional<Picture> decodeJpegFile(const QString& path, QSize box);

} // namespace tirvelo
