#include "formats/ExifOrientation.h"

#include <cstdint>
#include <optional>

namespace tirvelo {
namespace {

constexpr uint16_t OrientationTag = 0x0112;
constexpr uint16_t ShortType = 3;

class TiffReader {
public:
    TiffReader(QByteArrayView bytes, bool bigEndian) : m_bytes(bytes), m_bigEndian(bigEndian) {}

    std::optional<uint32_t> read(qsizetype at, int size) const
    {
        if (at < 0 || at + size > m_bytes.size())
            return std::nullopt;
        uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            const uint32_t byte = uint8_t(m_bytes[at + (m_bigEndian ? i : size - 1 - i)]);
            value = (value << 8) | byte;
        }
        return value;
    }

private:
    QByteArrayView m_bytes;
    bool m_bigEndian;
};

// The orientation in an Exif block's TIFF structure: the first directory's
// entry for the tag.
std::optional<int> orientationInTiff(QByteArrayView tiff)
{
    if (tiff.size() < 8)
        return std::nullopt;
    const bool bigEndian = tiff.startsWith(QByteArrayView("MM\0*", 4));
    if (!bigEndian && !tiff.startsWith(QByteArrayView("II*\0", 4)))
        return std::nullopt;
    const TiffReader reader(tiff, bigEndian);
    const std::optional<uint32_t> directory = reader.read(4, 4);
    if (!directory)
        return std::nullopt;
    const std::optional<uint32_t> entries = reader.read(qsizetype(*directory), 2);
    if (!entries)
        return std::nullopt;
    for (uint32_t i = 0; i < *entries; ++i) {
        const qsizetype entry = qsizetype(*directory) + 2 + qsizetype(i) * 12;
        const std::optional<uint32_t> tag = reader.read(entry, 2);
        if (!tag)
            return std::nullopt;
        if (*tag != OrientationTag)
            continue;
        if (reader.read(entry + 2, 2) != ShortType || reader.read(entry + 4, 4) != 1u)
            return std::nullopt;
        const std::optional<uint32_t> value = reader.read(entry + 8, 2);
        return value ? std::optional<int>(int(*value)) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

ExifOrientation jpegExifOrientation(QByteArrayView jpeg)
{
    if (!jpeg.startsWith("\xFF\xD8"))
        return ExifOrientation::Upright;
    qsizetype at = 2;
    // Marker segments up to the start of the scan, where the picture's data begins.
    while (at + 4 <= jpeg.size() && uint8_t(jpeg[at]) == 0xFF) {
        const uint8_t marker = uint8_t(jpeg[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            break;
        const qsizetype length = (qsizetype(uint8_t(jpeg[at + 2])) << 8) | uint8_t(jpeg[at + 3]);
        if (length < 2 || at + 2 + length > jpeg.size())
            break;
        const QByteArrayView payload = jpeg.sliced(at + 4, length - 2);
        if (marker == 0xE1 && payload.startsWith(QByteArrayView("Exif\0\0", 6))) {
            const std::optional<int> value = orientationInTiff(payload.sliced(6));
            if (value && *value >= 1 && *value <= 8)
                return ExifOrientation(*value);
            return ExifOrientation::Upright;
        }
        at += 2 + length;
    }
    return ExifOrientation::Upright;
}

} // namespace tirvelo
