#pragma once
// Reads a picture file whole, safely: only regular files are read (a FIFO or
// a device is refused before it is opened for reading, so it can never block
// the page turn), and files larger than a cap are refused without reading.
#include <QByteArray>
#include <QString>
#include <optional>

namespace tirvelo {

// 256 MiB: far above any page picture, small enough to hold in memory.
inline constexpr qint64 MaxPictureFileBytes = qint64(256) << 20;

// The file's bytes, or nullopt when it is missing, not a regular file, larger
// than maxBytes, or cannot be read.
std::optional<QByteArray> readPictureFile(const QString& path, qint64 maxBytes = MaxPictureFileBytes);

} // namespace tirvelo
