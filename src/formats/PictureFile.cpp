#include "formats/PictureFile.h"

#include "base/RegularFile.h"

namespace tirvelo {

std::optional<QByteArray> readPictureFile(const QString& path, qint64 maxBytes)
{
    return readRegularFile(path, maxBytes);
}

} // namespace tirvelo
