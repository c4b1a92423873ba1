#include "formats/JpegDecoder.h"

#include "formats/ExifOrientation.h"
#include "formats/RasterStretch.h"

#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cstring>
#include <csetjmp>
#include <cstdio>
#include <optional>
#include <vector>

#include <jpeglib.h>
// After jpeglib.h: the message codes.
#include <jerror.h>

namespace tirvelo {

namespace {

// libjpeg's error manager, extended with the way back to the decoder.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
    int warnings = 0;
};

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->escape, 1);
}

// msg_level -1 is a warning (corrupt data, premature end of file); the
// picture is no longer trustworthy, so decoding stops there. Trace messages
// (levels 0 and up) are neither printed nor counted.
void emitMessage(j_common_ptr cinfo, int msgLevel)
{
    if (msgLevel < 0) {
        auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
        ++errors->warnings;
        ++errors->base.num_warnings;
        std::longjmp(errors->escape, 1);
    }
}

void outputMessage(j_common_ptr) {}

// Why libjpeg stopped, from the code of its error or warning.
PictureRefusal refusalForMessage(int code)
{
    switch (code) {
    case JERR_NO_SOI:
    case JERR_NO_IMAGE:
        return PictureRefusal::NotThisFormat;
    case JWRN_JPEG_EOF:
    case JERR_INPUT_EOF:
    case JERR_INPUT_EMPTY:
        return PictureRefusal::Truncated;
    case JERR_BAD_PRECISION:
    case JERR_ARITH_NOTIMPL:
    case JERR_NOT_COMPILED:
    case JERR_SOF_UNSUPPORTED:
        return PictureRefusal::UnsupportedVariant;
    case JERR_EMPTY_IMAGE:
        return PictureRefusal::Empty;
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW:
        return PictureRefusal::TooManyPixels;
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE:
        return PictureRefusal::TooMuchMemory;
    default:
        return PictureRefusal::Corrupt;
    }
}

// Everything that lives across the setjmp in decodeInto: the decoder's
// locals there are plain values only, so a longjmp skips no destructor.
struct Decode {
    jpeg_decompress_struct cinfo {};
    ErrorManager errors {};
    QImage image;
    QImage::Format format = QImage::Format_RGB32;
    bool cmyk = false;
    QImage band; // the rows being stretched (JpegFit::StretchedToBox)
    std::optional<BandedStretch> stretch;
    std::vector<JSAMPLE> cmykRow;
    std::vector<JSAMPLE> turnedRow; // a row on its way to its upright place
    std::vector<JSAMPROW> rows;
    QSize naturalSize; // as stored: upright it may have its sides swapped
    ExifOrientation orientation = ExifOrientation::Upright;
    const unsigned char* data = nullptr;
    unsigned long size = 0;
};

// A step of the decoding: a refusal, or nullopt to go on.
using Step = std::optional<PictureRefusal>;

constexpr J_COLOR_SPACE RgbxSpace = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// One CMYK row to RGB32. Adobe applications store the inks inverted (0 is full
// ink) and say so with their marker; other writers store them plainly.
void cmykRowToRgb32(const JSAMPLE* cmyk, QRgb* out, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // Now every value is 255 - ink: red = (1 - C)(1 - K), and so on.
        out[x] = qRgb((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
}

Step readHeader(Decode& d)
{
    jpeg_create_decompress(&d.cinfo);
    jpeg_mem_src(&d.cinfo, d.data, d.size);
    if (jpeg_read_header(&d.cinfo, TRUE) != JPEG_HEADER_OK)
        return PictureRefusal::NotThisFormat;
    d.naturalSize = QSize(int(d.cinfo.image_width), int(d.cinfo.image_height));
    return std::nullopt;
}

// The image format and libjpeg's output colour space for the file's layout.
Step chooseColourLayout(Decode& d)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo.out_color_space = JCS_GRAYSCALE;
        d.format = QImage::Format_Grayscale8;
        return std::nullopt;
    case JCS_YCbCr:
    case JCS_RGB:
        cinfo.out_color_space = RgbxSpace;
        return std::nullopt;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;
        d.cmyk = true;
        return std::nullopt;
    default:
        return PictureRefusal::UnsupportedVariant; // two-component and other unknown layouts
    }
}

void chooseScale(jpeg_decompress_struct& cinfo, QSize natural, QSize box)
{
    cinfo.scale_denom = 8;
    cinfo.scale_num = unsigned(jpegScaleEighths(natural, box));
    jpeg_calc_output_dimensions(&cinfo);
    // The chosen scale must leave the box covered (jpegScaleEighths follows
    // libjpeg's rounding, so this loop only guards against a surprise).
    const QSize need = box.isValid() && !box.isEmpty() ? natural.boundedTo(box) : natural;
    while (cinfo.scale_num < 8 && (int(cinfo.output_width) < need.width() || int(cinfo.output_height) < need.height())) {
        ++cinfo.scale_num;
        jpeg_calc_output_dimensions(&cinfo);
    }
}

// Checks the output against the limits and starts libjpeg.
Step startOutput(Decode& d, const JpegLimits& limits)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (qint64(cinfo.output_width) * cinfo.output_height > limits.maxOutputPixels)
        return PictureRefusal::TooManyPixels;
    cinfo.mem->max_memory_to_use = long(std::min<qint64>(limits.maxWorkingMemory, LONG_MAX));
    if (!jpeg_start_decompress(&cinfo))
        return PictureRefusal::Truncated; // only a suspending source stops here
    const int expectedComponents = d.format == QImage::Format_Grayscale8 ? 1 : 4;
    if (cinfo.output_components != expectedComponents)
        return PictureRefusal::UnsupportedVariant;
    return std::nullopt;
}

// A colour picture larger than the box, asked for stretched, never exists whole.
bool stretchesWhileDecoding(const Decode& d, QSize box, JpegFit fit)
{
    const QSize upright = uprightSize(d.naturalSize, d.orientation);
    const bool larger = box.isValid() && !box.isEmpty()
        && (upright.width() > box.width() || upright.height() > box.height());
    return fit == JpegFit::StretchedToBox && larger && !d.cmyk && d.format == QImage::Format_RGB32;
}

// Rows straight into the stretch, a band at a time; the rows the next output
// rows still need move to the top of the band. d.image is the stretched image.
Step readStretched(Decode& d, QSize box)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    constexpr int BandRows = 32; // more than the 4 rows an output row reads
    const int width = int(cinfo.output_width);
    const int height = int(cinfo.output_height);
    d.stretch.emplace(QSize(width, height), box, d.orientation);
    d.band = QImage(width, std::min(BandRows, height), QImage::Format_RGB32);
    if (d.stretch->isNull() || d.band.isNull())
        return PictureRefusal::TooMuchMemory;
    const qsizetype stride = d.band.bytesPerLine();
    d.rows.resize(size_t(std::max(1, cinfo.rec_outbuf_height)));
    int top = 0;    // the source row in the band's first row
    int filled = 0; // rows in the band
    while (int(cinfo.output_scanline) < height) {
        const int count = std::min({int(d.rows.size()), d.band.height() - filled, height - int(cinfo.output_scanline)});
        for (int i = 0; i < count; ++i)
            d.rows[size_t(i)] = d.band.bits() + qsizetype(filled + i) * stride;
        const int read = int(jpeg_read_scanlines(&cinfo, d.rows.data(), JDIMENSION(count)));
        if (read == 0)
            return PictureRefusal::Truncated; // only a suspending source stops here
        filled += read;
        if (filled < d.band.height() && int(cinfo.output_scanline) < height)
            continue;
        // The band's filled rows, read in place.
        d.stretch->addBand(QImage(d.band.constBits(), width, filled, stride, QImage::Format_RGB32), top);
        const int keep = std::clamp(d.stretch->firstRowNeeded(), top, top + filled);
        const int kept = top + filled - keep;
        std::memmove(d.band.bits(), d.band.bits() + qsizetype(keep - top) * stride, size_t(kept) * size_t(stride));
        top = keep;
        filled = kept;
    }
    d.image = d.stretch->result();
    return d.stretch->done() ? Step() : Step(PictureRefusal::Truncated);
}


// Puts stored row y (pixels of pixelBytes bytes) where it stands once upright
// in d.image: a row, mirrored or not, or a column.
void placeRow(Decode& d, const JSAMPLE* row, int y, int pixelBytes)
{
    const int width = int(d.cinfo.output_width), height = int(d.cinfo.output_height);
    const ExifOrientation o = d.orientation;
    const int line = mirrorsRows(o) ? height - 1 - y : y;
    uchar* const bits = d.image.bits();
    const qsizetype stride = d.image.bytesPerLine();
    if (!swapsSides(o)) {
        uchar* out = bits + qsizetype(line) * stride;
        if (!mirrorsColumns(o)) {
            std::memcpy(out, row, size_t(width) * size_t(pixelBytes));
            return;
        }
        for (int x = 0; x < width; ++x)
            std::memcpy(out + qsizetype(width - 1 - x) * pixelBytes, row + qsizetype(x) * pixelBytes, size_t(pixelBytes));
        return;
    }
    uchar* out = bits + qsizetype(line) * pixelBytes;
    for (int x = 0; x < width; ++x) {
        const int target = mirrorsColumns(o) ? width - 1 - x : x;
        std::memcpy(out + qsizetype(target) * stride, row + qsizetype(x) * pixelBytes, size_t(pixelBytes));
    }
}

// A picture stored turned: each row decoded on its own, then put in its place.
bool readTurnedRows(Decode& d)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    const int pixelBytes = cinfo.output_components;
    d.turnedRow.resize(size_t(cinfo.output_width) * size_t(pixelBytes));
    JSAMPROW row = d.turnedRow.data();
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = int(cinfo.output_scanline);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            return false;
        placeRow(d, row, y, pixelBytes);
    }
    return true;
}

// libjpeg writes straight into the image's rows (its X byte is 0xFF, as RGB32
// requires).
bool readDirectRows(Decode& d)
{
    if (d.orientation != ExifOrientation::Upright)
        return readTurnedRows(d);
    jpeg_decompress_struct& cinfo = d.cinfo;
    uchar* const bits = d.image.bits();
    const qsizetype stride = d.image.bytesPerLine();
    const JDIMENSION height = cinfo.output_height;
    d.rows.resize(std::max(1, cinfo.rec_outbuf_height));
    while (cinfo.output_scanline < height) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(JDIMENSION(d.rows.size()), height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            d.rows[i] = bits + qsizetype(first + i) * stride;
        if (jpeg_read_scanlines(&cinfo, d.rows.data(), count) == 0)
            return false;
    }
    return true;
}

bool readCmykRows(Decode& d)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    uchar* const bits = d.image.bits();
    const qsizetype stride = d.image.bytesPerLine();
    const JDIMENSION width = cinfo.output_width;
    const bool inverted = cinfo.saw_Adobe_marker;
    const bool upright = d.orientation == ExifOrientation::Upright;
    d.cmykRow.resize(size_t(width) * 4);
    d.turnedRow.resize(upright ? 0 : size_t(width) * 4);
    JSAMPROW row = d.cmykRow.data();
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            return false;
        if (upright) {
            cmykRowToRgb32(row, reinterpret_cast<QRgb*>(bits + qsizetype(y) * stride), width, inverted);
            continue;
        }
        cmykRowToRgb32(row, reinterpret_cast<QRgb*>(d.turnedRow.data()), width, inverted);
        placeRow(d, d.turnedRow.data(), int(y), 4);
    }
    return true;
}

// The whole output raster, rows read straight into it.
Step readWhole(Decode& d)
{
    d.image = QImage(uprightSize(QSize(int(d.cinfo.output_width), int(d.cinfo.output_height)), d.orientation), d.format);
    if (d.image.isNull())
        return PictureRefusal::TooMuchMemory;
    if (!(d.cmyk ? readCmykRows(d) : readDirectRows(d)))
        return PictureRefusal::Truncated; // only a suspending source stops here
    return std::nullopt;
}

// Decodes d.cinfo's source into d.image: nullopt, or why it was refused (any
// error or warning refuses it).
Step decodeInto(Decode& d, QSize box, const JpegLimits& limits, JpegFit fit)
{
    if (setjmp(d.errors.escape) != 0)
        return refusalForMessage(d.errors.base.msg_code);
    if (const Step refused = readHeader(d))
        return refused;
    const qint64 claimed = qint64(d.naturalSize.width()) * d.naturalSize.height();
    if (claimsMorePixelsThanItsBytesHold(claimed, qint64(d.size), limits.maxPixelsPerFileByte,
                                         limits.pixelsAnyFileMayClaim))
        return PictureRefusal::TooManyPixels;
    if (const Step refused = chooseColourLayout(d))
        return refused;
    // The scale is chosen for the stored rows against the box turned as they are.
    chooseScale(d.cinfo, d.naturalSize, swapsSides(d.orientation) ? box.transposed() : box);
    if (const Step refused = startOutput(d, limits))
        return refused;
    if (const Step refused = stretchesWhileDecoding(d, box, fit) ? readStretched(d, box) : readWhole(d))
        return refused;
    // Reads up to the end-of-image marker, so damage after the last row still
    // makes libjpeg warn.
    if (!jpeg_finish_decompress(&d.cinfo))
        return PictureRefusal::Truncated;
    if (d.errors.warnings != 0)
        return refusalForMessage(d.errors.base.msg_code);
    return std::nullopt;
}

} // namespace

int jpegScaleEighths(QSize natural, QSize box)
{
    if (!natural.isValid() || natural.isEmpty() || !box.isValid() || box.isEmpty())
        return 8;
    if (natural.width() <= box.width() && natural.height() <= box.height())
        return 8; // shown at its own size
    const QSize need = natural.boundedTo(box);
    // libjpeg's output size at scale n/8 is the full size times n/8, rounded up.
    const auto scaled = [](int full, int n) { return (qint64(full) * n + 7) / 8; };
    // Only the scales libjpeg-turbo decodes with SIMD code: the others (3/8,
    // 5/8 to 7/8) run in plain C and measure slower than the next of these
    // above them (a 24-megapixel photo: 31 ms at 3/8, 21 ms at 4/8).
    for (const int n : {1, 2, 4}) {
        if (scaled(natural.width(), n) >= need.width() && scaled(natural.height(), n) >= need.height())
            return n;
    }
    return 8;
}

PictureResult decodeJpegBytes(const QByteArray& bytes, QSize box, const JpegLimits& limits, JpegFit fit)
{
    if (bytes.isEmpty())
        return PictureRefusal::NotThisFormat;
    if (bytes.size() > limits.maxFileBytes)
        return PictureRefusal::FileTooLarge;

    Decode d;
    d.cinfo.err = jpeg_std_error(&d.errors.base);
    d.errors.base.error_exit = errorExit;
    d.errors.base.emit_message = emitMessage;
    d.errors.base.output_message = outputMessage;
    d.data = reinterpret_cast<const unsigned char*>(bytes.constData());
    d.size = static_cast<unsigned long>(bytes.size());
    d.orientation = jpegExifOrientation(bytes);

    const Step refused = decodeInto(d, box, limits, fit);
    jpeg_destroy_decompress(&d.cinfo);
    if (refused)
        return *refused;

    Picture picture;
    picture.naturalSize = uprightSize(d.naturalSize, d.orientation);
    picture.raster = std::move(d.image);
    return picture;
}

PictureResult decodeJpegFile(const QString& path, QSize box, const JpegLimits& limits, JpegFit fit)
{
    const FileContents file = readPictureFile(path, limits.maxFileBytes);
    if (file.status != ReadStatus::Ok)
        return refusalForRead(file.status);
    return decodeJpegBytes(file.bytes, box, limits, fit);
}

} // namespace tirvelo
