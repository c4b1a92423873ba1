#pragma once
// The orientation a camera records in a JPEG's Exif block (tag 0x0112): how
// the stored rows must be turned to stand upright. Phones store portrait
// photos as landscape rows and say so here. One reader for every part that
// shows or writes photos.
#include <QByteArrayView>
#include <QSize>

namespace tirvelo {

// The tag's eight values, as the Exif standard numbers them.
enum class ExifOrientation {
    Upright = 1,
    MirroredLeftRight = 2,
    UpsideDown = 3,
    MirroredTopBottom = 4,
    Transposed = 5,     // mirrored about the top-left to bottom-right diagonal
    TurnedRight = 6,    // shown turned a quarter clockwise
    Transversed = 7,    // mirrored about the other diagonal
    TurnedLeft = 8,     // shown turned a quarter anticlockwise
};

// The orientation of a JPEG file's bytes: the first Exif block before the
// picture's data, little- or big-endian. Upright when there is none, or when
// the block is damaged or holds a value outside 1 to 8.
ExifOrientation jpegExifOrientation(QByteArrayView jpeg);

// Whether upright, the stored columns become rows (the picture's width and
// height change places).
constexpr bool swapsSides(ExifOrientation orientation) { return int(orientation) >= 5; }

// Whether upright the stored columns run the other way (right to left, or
// bottom to top once the sides swap), and whether the stored rows do (bottom
// to top, or right to left once the sides swap).
constexpr bool mirrorsColumns(ExifOrientation o)
{
    return o == ExifOrientation::MirroredLeftRight || o == ExifOrientation::UpsideDown
        || o == ExifOrientation::Transversed || o == ExifOrientation::TurnedLeft;
}
constexpr bool mirrorsRows(ExifOrientation o)
{
    return o == ExifOrientation::UpsideDown || o == ExifOrientation::MirroredTopBottom
        || o == ExifOrientation::TurnedRight || o == ExifOrientation::Transversed;
}

// The size of a stored picture once upright.
inline QSize uprightSize(QSize stored, ExifOrientation orientation)
{
    return swapsSides(orientation) ? stored.transposed() : stored;
}

} // namespace tirvelo
