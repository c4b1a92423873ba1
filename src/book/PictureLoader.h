#pragma once
// Loads a page picture by its file-name extension (case-insensitive):
// "bmp" and "ico" through Qt's readers, "jpg"/"jpeg" through libjpeg,
// "wmf"/"emf" through the metafile players. Any other extension, a file that
// cannot be read, or one that does not decode is a failure (nullopt).
#include "book/Picture.h"

#include <QString>
#include <optional>

namespace tirvelo {

enum class PictureType { Unknown, Bitmap, Icon, Wmf, Emf, Jpeg };

// The extension is the text after the last dot that follows the last folder
// separator ("\", "/" or ":").
PictureType pictureTypeOf(const QString& name);

// box: the size the picture will be shown in; a decoder may use it to decode a
// large picture at a reduced scale that still covers the box.
std::optional<Picture> loadPicture(const QString& path, QSize box);

} // namespace tirvelo
