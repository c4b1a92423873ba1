#pragma once
// Reading a whole file that must be an ordinary file of bounded size.
#include <QByteArray>
#include <QString>
#include <optional>

namespace tirvelo {

// The file's bytes, or nullopt when it cannot be opened, is not a regular file
// (a directory, a FIFO or a device is refused without blocking on it), or is
// larger than maxBytes.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes);

} // namespace tirvelo
