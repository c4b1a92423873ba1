#pragma once
// A picture made fit for a book page: the kinds the program shows (JPEG, and
// BMP for drawings), turned as the camera says, and no larger than twice a
// 1920 × 1080 screen. The source is only read, never changed.
#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

namespace tirvelo::authoring {

// The largest page picture: twice a full-HD screen in each direction.
inline constexpr QSize MaxPagePictureSize{3840, 2160};
// A picture holding at most this many colours (after transparency is laid on
// white) is a drawing, and is written as an 8-bit BMP, which keeps its edges.
inline constexpr int MaxDrawingColours = 256;

struct PagePicture {
    QByteArray bytes;
    QString ending;      // ".jpg" or ".bmp"
    QSize size;          // as the page shows it
    bool unchanged = false; // the source's own bytes (a JPEG that needed nothing)
};

// Whatever Qt's image readers decode (JPEG, PNG, GIF's first frame, WebP, BMP,
// TIFF...) and SVG (drawn by QtSvg to fit a 1920 × 1080 screen; one that
// links to other files is refused, since they would be read from this machine). A JPEG keeps
// its bytes when it is upright, small enough and decoded by the program's own
// JPEG decoder; otherwise it is turned by its EXIF orientation, scaled down and
// written as JPEG again. Other pictures become JPEG, or BMP for drawings.
// nullopt when the bytes do not decode (or would take over 256 MB).
std::optional<PagePicture> pagePictureFromBytes(const QByteArray& source);

// The same for a file (read whole, at most 64 MiB).
std::optional<PagePicture> pagePictureFromFile(const QString& path);

} // namespace tirvelo::authoring
