#include "book/PictureLoader.h"

#include "book/JpegDecoder.h"
#include "book/MetafilePicture.h"

#include <QFile>
#include <QImageReader>

namespace tirvelo {

PictureType pictureTypeOf(const QString& name)
{
    const qsizetype separator = std::max({name.lastIndexOf(u'\\'), name.lastIndexOf(u'/'), name.lastIndexOf(u':')});
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || dot < separator)
        return PictureType::Unknown;
    const QString ext = name.mid(dot + 1).toLower();
    if (ext == u"bmp") return PictureType::Bitmap;
    if (ext == u"ico") return PictureType::Icon;
    if (ext == u"wmf") return PictureType::Wmf;
    if (ext == u"emf") return PictureType::Emf;
    if (ext == u"jpg" || ext == u"jpeg") return PictureType::Jpeg;
    return PictureType::Unknown;
}

std::optional<Picture> loadPicture(const QString& path, QSize box)
{
    const PictureType type = pictureTypeOf(path);
    switch (type) {
    case PictureType::Unknown:
        return std::nullopt;
    case PictureType::Jpeg:
        return decodeJpegFile(path, box);
    case PictureType::Wmf:
    case PictureType::Emf:
        return loadMetafilePicture(path, type == PictureType::Emf ? MetafileFormat::Emf : MetafileFormat::Wmf);
    case PictureType::Bitmap:
    case PictureType::Icon: {
        QImageReader reader(path, type == PictureType::Bitmap ? "bmp" : "ico");
        reader.setDecideFormatFromContent(false);
        QImage image = reader.read();
        if (image.isNull())
            return std::nullopt;
        Picture picture;
        picture.naturalSize = image.size();
        picture.raster = std::move(image);
        return picture;
    }
    }
    return std::nullopt;
}

} // namespace tirvelo
