#pragma once
// WMF and EMF pictures, played onto a QPainter by our own record players.
#include "book/Picture.h"

#include <QString>
#include <optional>

namespace tirvelo {

enum class MetafileFormat { Wmf, Emf };

// Reads and checks the file; the picture draws itself through VectorPicture.
std::optional<Picture> loadMetafilePicture(const QString& path, MetafileFormat format);

} // namespace tirvelo
