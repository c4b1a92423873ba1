#include "book/MetafilePicture.h"

namespace tirvelo {

std::optional<Picture> loadMetafilePicture(const QString&, MetafileFormat)
{
    return std::nullopt; // replaced by the metafile players
}

} // namespace tirvelo
