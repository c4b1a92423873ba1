#include "formats/PictureFile.h"

namespace tirvelo {

FileContents readPictureFile(const QString& path, qint64 maxBytes)
{
    return readBoundedFile(path, maxBytes);
}

PictureRefusal refusalForRead(ReadStatus status)
{
    switch (status) {
    case ReadStatus::Missing: return PictureRefusal::Missing;
    case ReadStatus::TooLarge: return PictureRefusal::FileTooLarge;
    case ReadStatus::Ok:
    case ReadStatus::Unreadable: break;
    }
    return PictureRefusal::Unreadable;
}

} // namespace tirvelo
