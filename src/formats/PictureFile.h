#pragma once
// Reads a picture file whole, safely: only regular files are read (a FIFO or
// a device is refused before it is opened for reading, so it can never block
// the page turn), and files larger than a cap are refused without reading.
#include "base/RegularFile.h"
#include "formats/PictureResult.h"

#include <QString>

namespace tirvelo {

// 256 MiB: far above any page picture, small enough to hold in memory.
inline constexpr qint64 MaxPictureFileBytes = qint64(256) << 20;

// The file's bytes, or why there are none: missing, not a regular file or
// unreadable, larger than maxBytes.
FileContents readPictureFile(const QString& path, qint64 maxBytes = MaxPictureFileBytes);

// Why a file could not be read, as a picture refusal (for any status but Ok).
PictureRefusal refusalForRead(ReadStatus status);

} // namespace tirvelo
