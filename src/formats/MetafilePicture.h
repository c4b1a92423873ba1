#pragma once
// WMF and EMF pictures, played onto a QPainter by our own record players
// (formats/metafile/). A loaded picture keeps the file's bytes and replays
// them at every paint, so it stays sharp at any size.
//
// Safety: files above 64 MiB (FileTooLarge), anything that is not a regular
// file (Unreadable), and bytes without a valid metafile header (NotThisFormat)
// are refused, as is a picture with nothing to size it by (Empty); damaged
// records end the drawing early (a partial picture), never a crash, hang or
// runaway allocation: every count, offset and size is checked against its
// record, and points, path sizes, saved states, objects and bitmap pixels are
// capped.
#include "formats/PictureResult.h"

#include <QByteArray>
#include <QString>

namespace tirvelo {

enum class MetafileFormat { Wmf, Emf };

// Reads and checks the file; the picture draws itself through VectorPicture.
// Its naturalSize is the picture's size in pixels at the screen's resolution:
// an EMF's frame (0.01 mm), a placeable WMF's bounding box and units per inch,
// otherwise a WMF's window extent through its mapping mode or, lacking one,
// the bounds of what it draws.
PictureResult loadMetafilePicture(const QString& path, MetafileFormat format);
// The same from bytes in memory.
PictureResult loadMetafileBytes(const QByteArray& bytes, MetafileFormat format);

// The resolution pictures are sized for: the primary screen's logical DPI
// when a QGuiApplication exists, else 96.
double metafileScreenDpi();

} // namespace tirvelo
