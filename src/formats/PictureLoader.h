#pragma once
// Loads a page picture by its file-name extension (case-insensitive):
// "bmp" and "ico" through Qt's readers, "jpg"/"jpeg" through libjpeg,
// "wmf"/"emf" through the metafile players. Any other extension
// (UnknownType), a file that cannot be read, or one that does not decode is
// refused, with the reason.
#include "formats/PictureResult.h"

#include <QByteArray>
#include <QString>

namespace tirvelo {

enum class PictureType { Unknown, Bitmap, Icon, Wmf, Emf, Jpeg };

// The extension is the text after the last dot that follows the last folder
// separator ("\", "/" or ":"), compared without regard to (ASCII) case.
PictureType pictureTypeOf(const QString& name);

// box: the size the picture will be shown in; a decoder may use it to decode a
// large picture at a reduced scale that still covers the box (a colour JPEG
// larger than the box comes stretched to it already: JpegFit::StretchedToBox).
// The picture remembers both (Picture::file, Picture::decodedFor).
PictureResult loadPicture(const QString& path, QSize box);

// A device-independent bitmap (Bitmap) or an icon (Icon) held in memory,
// decoded by Qt's reader for exactly that format: a file of another format
// under such a name is a failure. An icon holding several images gives its
// largest. Pictures over 100 megapixels are refused (TooManyPixels), a bitmap
// whose pixel data the file does not hold whole is Truncated. Other types:
// UnknownType.
PictureResult decodeRasterBytes(const QByteArray& bytes, PictureType type);

// Whether Qt's readers for bitmaps and icons are present (icons come from
// an image-format plugin, which a stripped installation may lack).
bool rasterReadersAvailable();

} // namespace tirvelo
