// The JPEG decoder against real files written by libjpeg's own compressor
// (and a few made by ImageMagick under tests/data/pictures).
#include "formats/JpegDecoder.h"

#include "support/ColourChecks.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <sys/stat.h>
#include <vector>

#include <jpeglib.h>

using namespace tirvelo;
using tirvelo::test::near;

namespace {

enum class Layout { Colour, Grey, CmykAdobe, CmykPlain, Ycck };

struct JpegOptions {
    int quality = 92;
    bool progressive = false;
    Layout layout = Layout::Colour;
    bool fullChroma = false; // 4:4:4 instead of libjpeg's 4:2:0
};

// Writes image as a JPEG with libjpeg's compression interface. For the CMYK
// layouts each pixel's RGB becomes inks C = 255 - R, M = 255 - G, Y = 255 - B,
// K = 0, stored inverted under an Adobe marker (as Adobe applications do) or
// plainly without one.
QByteArray encodeJpeg(const QImage& source, const JpegOptions& options = {})
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr errors {};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    const bool cmyk = options.layout == Layout::CmykAdobe || options.layout == Layout::CmykPlain
        || options.layout == Layout::Ycck;
    if (options.layout == Layout::Grey) {
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
    } else if (cmyk) {
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_CMYK;
    } else {
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
    }
    jpeg_set_defaults(&cinfo);
    if (options.layout == Layout::Ycck)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    if (options.layout == Layout::CmykPlain)
        cinfo.write_Adobe_marker = FALSE;
    if (options.fullChroma)
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(image.width()) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar* rgb = image.constScanLine(int(cinfo.next_scanline));
        for (int x = 0; x < image.width(); ++x) {
            const int r = rgb[3 * x], g = rgb[3 * x + 1], b = rgb[3 * x + 2];
            if (options.layout == Layout::Grey) {
                row[size_t(x)] = JSAMPLE((r * 299 + g * 587 + b * 114) / 1000);
            } else if (cmyk) {
                const bool inverted = options.layout != Layout::CmykPlain;
                const int inks[4] = {255 - r, 255 - g, 255 - b, 0};
                for (int c = 0; c < 4; ++c)
                    row[size_t(4 * x + c)] = JSAMPLE(inverted ? 255 - inks[c] : inks[c]);
            } else {
                row[size_t(3 * x)] = JSAMPLE(r);
                row[size_t(3 * x + 1)] = JSAMPLE(g);
                row[size_t(3 * x + 2)] = JSAMPLE(b);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(outSize));
    free(out);
    return bytes;
}

// Red, green, blue and white quadrants.
QImage quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            QRgb c = !bottom ? (!right ? qRgb(255, 0, 0) : qRgb(0, 255, 0)) : (!right ? qRgb(0, 0, 255) : qRgb(255, 255, 255));
            image.setPixel(x, y, c);
        }
    }
    return image;
}

// A noisy picture: every pixel its own colour.
QImage noise(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = 0xff000000u | (state >> 8);
        }
    }
    return image;
}

// Checks the four quadrants' middles of a decoded quadrants() picture.
void expectQuadrants(const QImage& image)
{
    ASSERT_FALSE(image.isNull());
    const int w = image.width(), h = image.height();
    EXPECT_TRUE(near(image.pixel(w / 4, h / 4), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(image.pixel(3 * w / 4, h / 4), qRgb(0, 255, 0)));
    EXPECT_TRUE(near(image.pixel(w / 4, 3 * h / 4), qRgb(0, 0, 255)));
    EXPECT_TRUE(near(image.pixel(3 * w / 4, 3 * h / 4), qRgb(255, 255, 255)));
}

// What plain libjpeg, keeping on after warnings, makes of bytes.
struct Verdict {
    bool error = false;
    long warnings = 0;
};
struct LenientErrors {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};
Verdict lenientVerdict(const QByteArray& bytes)
{
    static jpeg_decompress_struct cinfo;
    static LenientErrors errors;
    static std::vector<JSAMPLE> row;
    Verdict verdict;
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<LenientErrors*>(c->err)->escape, 1); };
    errors.base.output_message = [](j_common_ptr) {};
    if (setjmp(errors.escape) != 0) {
        verdict.error = true;
    } else {
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()), (unsigned long)bytes.size());
        jpeg_read_header(&cinfo, TRUE);
        jpeg_start_decompress(&cinfo);
        row.resize(size_t(cinfo.output_width) * size_t(cinfo.output_components));
        JSAMPROW rows[1] = {row.data()};
        while (cinfo.output_scanline < cinfo.output_height)
            jpeg_read_scanlines(&cinfo, rows, 1);
        jpeg_finish_decompress(&cinfo);
    }
    verdict.warnings = errors.base.num_warnings;
    jpeg_destroy_decompress(&cinfo);
    return verdict;
}

// The offset of the first byte of entropy-coded data (after the SOS segment).
qsizetype scanDataStart(const QByteArray& jpeg)
{
    const qsizetype sos = jpeg.indexOf("\xFF\xDA");
    if (sos < 0)
        return -1;
    const int length = (uchar(jpeg[sos + 2]) << 8) | uchar(jpeg[sos + 3]);
    return sos + 2 + length;
}

} // namespace

TEST(JpegDecoder, DecodesBaselineProgressiveGreyAndCmykWithTheirColours)
{
    const QImage source = quadrants(64, 48);
    const QSize box(1920, 1080);

    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const auto picture = decodeJpegBytes(encodeJpeg(source, {.progressive = progressive}), box);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->naturalSize, QSize(64, 48));
        EXPECT_EQ(picture->raster.size(), QSize(64, 48));
        EXPECT_EQ(picture->raster.format(), QImage::Format_RGB32);
        EXPECT_EQ(qAlpha(picture->raster.pixel(0, 0)), 255);
        expectQuadrants(picture->raster);
    }

    const auto grey = decodeJpegBytes(encodeJpeg(source, {.progressive = true, .layout = Layout::Grey}), box);
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->raster.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(grey->raster.size(), QSize(64, 48));
    // Red is 76 grey, white 255.
    EXPECT_TRUE(near(grey->raster.pixel(16, 12), qRgb(76, 76, 76), 6));
    EXPECT_TRUE(near(grey->raster.pixel(48, 36), qRgb(255, 255, 255), 6));
    const QImage greyShown = grey->toImage({128, 24});
    ASSERT_EQ(greyShown.size(), QSize(128, 24));
    EXPECT_TRUE(near(greyShown.pixel(32, 6), qRgb(76, 76, 76), 6));
    EXPECT_TRUE(near(greyShown.pixel(96, 18), qRgb(255, 255, 255), 6));

    for (const Layout layout : {Layout::CmykAdobe, Layout::CmykPlain, Layout::Ycck}) {
        SCOPED_TRACE(int(layout));
        const auto cmyk = decodeJpegBytes(encodeJpeg(source, {.layout = layout}), box);
        ASSERT_TRUE(cmyk);
        EXPECT_EQ(cmyk->raster.format(), QImage::Format_RGB32);
        expectQuadrants(cmyk->raster);
    }

    // CMYK written by another program (ImageMagick, with Adobe's marker).
    const auto fromFile = decodeJpegFile(test::testDataPath("pictures/cmyk-adobe.jpg"), box);
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->naturalSize, QSize(64, 64));
    expectQuadrants(fromFile->raster);

    const QImage one(1, 1, QImage::Format_RGB32);
    QImage pixel = one;
    pixel.fill(qRgb(10, 200, 30));
    const auto tiny = decodeJpegBytes(encodeJpeg(pixel, {.quality = 100, .fullChroma = true}), box);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny->naturalSize, QSize(1, 1));
    EXPECT_TRUE(near(tiny->raster.pixel(0, 0), qRgb(10, 200, 30), 6));
}

TEST(JpegDecoder, ChoosesTheSmallestScaleThatStillCoversTheBox)
{
    const QSize screen(1920, 1080);
    // Not larger in either direction: shown at its own size.
    EXPECT_EQ(jpegScaleEighths({1920, 1080}, screen), 8);
    EXPECT_EQ(jpegScaleEighths({800, 600}, screen), 8);
    // One pixel over: no eighth-step below full size still covers the box.
    EXPECT_EQ(jpegScaleEighths({1921, 1080}, screen), 8);
    EXPECT_EQ(jpegScaleEighths({1920, 1081}, screen), 8);
    // A 24-megapixel photo: 1/2 gives 3000×2000, 1/4 only 1500×1000 (3/8
    // would cover too, but decodes slower than 1/2).
    EXPECT_EQ(jpegScaleEighths({6000, 4000}, screen), 4);
    EXPECT_EQ(jpegScaleEighths({4000, 6000}, screen), 4);
    EXPECT_EQ(jpegScaleEighths({15360, 8640}, screen), 1);
    // Rounding up counts: 1/8 of 15353 is 1919.1, which libjpeg makes 1920.
    EXPECT_EQ(jpegScaleEighths({15353, 8633}, screen), 1);
    EXPECT_EQ(jpegScaleEighths({15352, 8640}, screen), 2);
    EXPECT_EQ(jpegScaleEighths({7680, 4320}, screen), 2);
    EXPECT_EQ(jpegScaleEighths({7676, 4320}, screen), 4); // 1/4 gives 1919 columns
    // Wide but low: the height is below the box, so nothing may be lost there.
    EXPECT_EQ(jpegScaleEighths({8000, 500}, screen), 8);
    EXPECT_EQ(jpegScaleEighths({8000, 2000}, {1920, 1000}), 4);
    EXPECT_EQ(jpegScaleEighths({8000, 1200}, {1920, 1000}), 8);
    // No usable box: whole.
    EXPECT_EQ(jpegScaleEighths({6000, 4000}, {0, 0}), 8);
    EXPECT_EQ(jpegScaleEighths({6000, 4000}, {-1, 500}), 8);

    // The decoder really decodes at that scale, and the result covers the box.
    const QByteArray big = encodeJpeg(quadrants(400, 300));
    struct Case {
        QSize box;
        QSize raster;
    };
    for (const Case& c : {Case{{200, 100}, {200, 150}},  // 4/8
                          Case{{150, 100}, {200, 150}},  // 4/8 (not 3/8)
                          Case{{100, 70}, {100, 75}},    // 2/8
                          Case{{50, 37}, {50, 38}},      // 1/8, rounded up
                          Case{{51, 37}, {100, 75}},     // 1/8 would give 50 columns
                          Case{{400, 300}, {400, 300}},  // exactly the box: whole
                          Case{{399, 300}, {400, 300}},  // one pixel over: 4/8 is 200
                          Case{{400, 301}, {400, 300}},  // smaller than the box
                          Case{{13, 299}, {400, 300}},   // only whole covers 299 rows
                          Case{{1920, 1080}, {400, 300}}}) {
        SCOPED_TRACE(testing::Message() << c.box.width() << "x" << c.box.height());
        const auto picture = decodeJpegBytes(big, c.box);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->naturalSize, QSize(400, 300));
        EXPECT_EQ(picture->raster.size(), c.raster);
        EXPECT_GE(picture->raster.width(), std::min(c.box.width(), 400));
        EXPECT_GE(picture->raster.height(), std::min(c.box.height(), 300));
        expectQuadrants(picture->raster);
        // What the picture box draws: stretched to exactly the box.
        const QImage shown = picture->toImage(c.box);
        EXPECT_EQ(shown.size(), c.box);
        expectQuadrants(shown);
    }
}

TEST(JpegDecoder, StretchingWhileDecodingGivesThePixelsOfTheWholeStretch)
{
    const QByteArray photo = encodeJpeg(noise(400, 300));
    for (const QSize box : {QSize(200, 100), QSize(150, 100), QSize(51, 37), QSize(399, 300), QSize(13, 299),
                            QSize(390, 7), QSize(397, 263), QSize(1920, 1080)}) {
        SCOPED_TRACE(testing::Message() << box.width() << "x" << box.height());
        const auto scaled = decodeJpegBytes(photo, box);
        const auto stretched = decodeJpegBytes(photo, box, {}, JpegFit::StretchedToBox);
        ASSERT_TRUE(scaled && stretched);
        EXPECT_EQ(stretched->naturalSize, QSize(400, 300));
        // A picture not larger than the box is shown at its own size: not stretched.
        const bool larger = box.width() < 400 || box.height() < 300;
        EXPECT_TRUE(stretched->raster == (larger ? scaled->toImage(box) : scaled->raster));
    }
}

TEST(JpegDecoder, RefusesDamagedFilesEvenWhenLibjpegOnlyWarns)
{
    const QByteArray good = encodeJpeg(noise(96, 64), {.quality = 90});
    ASSERT_TRUE(decodeJpegBytes(good, {1920, 1080}));
    const QByteArray progressive = encodeJpeg(noise(96, 64), {.quality = 90, .progressive = true});
    ASSERT_TRUE(decodeJpegBytes(progressive, {1920, 1080}));

    // Truncated in the middle of the picture data: libjpeg pads it out with
    // grey and only warns.
    for (const QByteArray& whole : {good, progressive}) {
        const QByteArray truncated = whole.left(whole.size() * 2 / 3);
        const Verdict lenient = lenientVerdict(truncated);
        EXPECT_FALSE(lenient.error);
        EXPECT_GT(lenient.warnings, 0);
        EXPECT_EQ(decodeJpegBytes(truncated, {1920, 1080}).refusal(), PictureRefusal::Truncated);
    }
    // Cut off just before the end-of-image marker: every row decodes, the
    // damage shows only when the end is read.
    EXPECT_EQ(decodeJpegBytes(good.left(good.size() - 2), {1920, 1080}).refusal(), PictureRefusal::Truncated);

    // A marker in the middle of the entropy-coded data.
    QByteArray corrupt = good;
    const qsizetype start = scanDataStart(corrupt);
    ASSERT_GT(start, 0);
    const qsizetype middle = start + (corrupt.size() - start) / 2;
    corrupt[middle] = char(0xFF);
    corrupt[middle + 1] = char(0xD3);
    const Verdict lenient = lenientVerdict(corrupt);
    EXPECT_FALSE(lenient.error);
    EXPECT_GT(lenient.warnings, 0);
    EXPECT_EQ(decodeJpegBytes(corrupt, {1920, 1080}).refusal(), PictureRefusal::Corrupt);
    // The same damage in a scaled decode.
    EXPECT_EQ(decodeJpegBytes(corrupt, {20, 10}).refusal(), PictureRefusal::Corrupt);

    // Broken headers: a zero height, and 12-bit precision this libjpeg lacks.
    QByteArray zeroHeight = good;
    const qsizetype sof = zeroHeight.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    zeroHeight[sof + 5] = 0;
    zeroHeight[sof + 6] = 0;
    EXPECT_EQ(decodeJpegBytes(zeroHeight, {1920, 1080}).refusal(), PictureRefusal::Empty);
    QByteArray precision = good;
    precision[sof + 4] = 12;
    EXPECT_EQ(decodeJpegBytes(precision, {1920, 1080}).refusal(), PictureRefusal::UnsupportedVariant);
    QByteArray noMarker = good;
    noMarker[0] = 0;
    EXPECT_EQ(decodeJpegBytes(noMarker, {1920, 1080}).refusal(), PictureRefusal::NotThisFormat);

    EXPECT_EQ(decodeJpegBytes({}, {1920, 1080}).refusal(), PictureRefusal::NotThisFormat);
    EXPECT_EQ(decodeJpegBytes(good.left(2), {1920, 1080}).refusal(), PictureRefusal::Truncated);
    EXPECT_EQ(decodeJpegBytes(QByteArray(5000, '\xFF'), {1920, 1080}).refusal(), PictureRefusal::NotThisFormat);
}

TEST(JpegDecoder, LimitsSizeAndMemory)
{
    const QByteArray picture = encodeJpeg(quadrants(400, 300));
    JpegLimits limits;
    limits.maxOutputPixels = 400 * 300 - 1;
    // The limit is on the decoded size: whole it is too large...
    EXPECT_EQ(decodeJpegBytes(picture, {1920, 1080}, limits).refusal(), PictureRefusal::TooManyPixels);
    // ...at half scale it fits.
    const auto half = decodeJpegBytes(picture, {200, 150}, limits);
    ASSERT_TRUE(half);
    EXPECT_EQ(half->raster.size(), QSize(200, 150));

    limits = {};
    limits.maxFileBytes = picture.size() - 1;
    EXPECT_EQ(decodeJpegBytes(picture, {1920, 1080}, limits).refusal(), PictureRefusal::FileTooLarge);
    limits.maxFileBytes = picture.size();
    EXPECT_TRUE(decodeJpegBytes(picture, {1920, 1080}, limits));

    // A progressive file needs every coefficient of the full picture in
    // memory (400×300, 4:2:0: 1.5 × 120000 × 2 bytes); a one-pass file does not.
    limits = {};
    limits.maxWorkingMemory = 100'000;
    EXPECT_EQ(decodeJpegBytes(encodeJpeg(quadrants(400, 300), {.progressive = true}), {1920, 1080}, limits).refusal(),
              PictureRefusal::TooMuchMemory);
    EXPECT_TRUE(decodeJpegBytes(picture, {1920, 1080}, limits));

    // A header claiming 65000×65000 pixels over a few bytes of data (as an
    // arithmetic-coded or progressive file can hold them): refused by its
    // claim, before any decoding, whatever the scale; at the limit it goes
    // on to libjpeg, which refuses it for the memory it would need.
    QByteArray bomb = encodeJpeg(quadrants(16, 16), {.progressive = true});
    const qsizetype sof = bomb.indexOf("\xFF\xC2");
    ASSERT_GT(sof, 0);
    bomb[sof + 5] = char(0xFD);
    bomb[sof + 6] = char(0xE8);
    bomb[sof + 7] = char(0xFD);
    bomb[sof + 8] = char(0xE8);
    EXPECT_EQ(decodeJpegBytes(bomb, {1920, 1080}).refusal(), PictureRefusal::TooManyPixels);
    EXPECT_EQ(decodeJpegBytes(bomb, {0, 0}).refusal(), PictureRefusal::TooManyPixels);
    limits = {};
    limits.maxPixelsPerFileByte = qint64(65000) * 65000 / bomb.size();
    EXPECT_EQ(decodeJpegBytes(bomb, {1920, 1080}, limits).refusal(), PictureRefusal::TooMuchMemory);
    limits.maxPixelsPerFileByte -= 1;
    EXPECT_EQ(decodeJpegBytes(bomb, {1920, 1080}, limits).refusal(), PictureRefusal::TooManyPixels);
}

TEST(JpegDecoder, ReadsFilesButNotFoldersFifosOrEmptyFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString photo = dir.filePath("photo.jpg");
    QFile file(photo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(encodeJpeg(quadrants(64, 64)));
    file.close();
    const auto picture = decodeJpegFile(photo, {32, 32});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->naturalSize, QSize(64, 64));
    EXPECT_EQ(picture->raster.size(), QSize(32, 32));
    expectQuadrants(picture->raster);

    JpegLimits small;
    small.maxFileBytes = QFileInfo(photo).size() - 1;
    EXPECT_EQ(decodeJpegFile(photo, {32, 32}, small).refusal(), PictureRefusal::FileTooLarge);

    QFile empty(dir.filePath("empty.jpg"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_EQ(decodeJpegFile(empty.fileName(), {32, 32}).refusal(), PictureRefusal::NotThisFormat);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.jpg"));
    EXPECT_EQ(decodeJpegFile(dir.filePath("folder.jpg"), {32, 32}).refusal(), PictureRefusal::Unreadable);
    EXPECT_EQ(decodeJpegFile(dir.filePath("missing.jpg"), {32, 32}).refusal(), PictureRefusal::Missing);
    // A FIFO with no writer: opening it for reading would wait for ever.
    const QString fifo = dir.filePath("fifo.jpg");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(decodeJpegFile(fifo, {32, 32}).refusal(), PictureRefusal::Unreadable);
}

namespace {

// The JPEG with an Exif block after its start marker carrying the orientation
// tag, in either byte order (cameras write both), behind another tag.
QByteArray withOrientation(const QByteArray& jpeg, int orientation, bool bigEndian)
{
    const auto put = [bigEndian](QByteArray& out, quint32 value, int size) {
        for (int i = 0; i < size; ++i)
            out += char(value >> (8 * (bigEndian ? size - 1 - i : i)));
    };
    QByteArray tiff = bigEndian ? QByteArray("MM\0*", 4) : QByteArray("II*\0", 4);
    put(tiff, 8, 4);      // the first directory
    put(tiff, 2, 2);      // two entries
    put(tiff, 0x010F, 2); // the maker, an ASCII tag of 4 bytes held in place
    put(tiff, 2, 2);
    put(tiff, 4, 4);
    tiff += QByteArray("abc\0", 4);
    put(tiff, 0x0112, 2); // the orientation: SHORT, one value
    put(tiff, 3, 2);
    put(tiff, 1, 4);
    put(tiff, quint32(orientation), 2);
    put(tiff, 0, 2);
    put(tiff, 0, 4); // no further directory
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1");
    segment += char((payload.size() + 2) >> 8);
    segment += char((payload.size() + 2) & 0xFF);
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

} // namespace

// Where the red (stored top left) and green (stored top right) quadrants of
// quadrants() stand once the picture is upright, for each of the eight
// orientations: corners as 0 top left, 1 top right, 2 bottom left, 3 bottom right.
TEST(JpegDecoder, ShowsPhotosUprightAsTheirOrientationTagSays)
{
    struct Case {
        int orientation;
        int red;
        int green;
    };
    const Case cases[] = {{1, 0, 1}, {2, 1, 0}, {3, 3, 2}, {4, 2, 3}, {5, 0, 2}, {6, 1, 3}, {7, 3, 1}, {8, 2, 0}};
    const QByteArray stored = encodeJpeg(quadrants(160, 80), {.quality = 95, .fullChroma = true});
    const auto corner = [](const QImage& image, int which) {
        const int w = image.width(), h = image.height();
        return image.pixel(which % 2 ? 3 * w / 4 : w / 4, which / 2 ? 3 * h / 4 : h / 4);
    };
    for (const Case& c : cases) {
        for (const bool bigEndian : {false, true}) {
            SCOPED_TRACE(testing::Message() << "orientation " << c.orientation << (bigEndian ? " MM" : " II"));
            const QByteArray photo = withOrientation(stored, c.orientation, bigEndian);
            const QSize upright = c.orientation >= 5 ? QSize(80, 160) : QSize(160, 80);
            // At its own size (read whole), stretched while decoded, and at
            // a reduced scale that the box stretches.
            const auto whole = decodeJpegBytes(photo, {1920, 1080}, {}, JpegFit::StretchedToBox);
            const QSize box = upright / 3;
            const auto stretched = decodeJpegBytes(photo, box, {}, JpegFit::StretchedToBox);
            const auto scaled = decodeJpegBytes(photo, upright / 2);
            ASSERT_TRUE(whole && stretched && scaled);
            EXPECT_EQ(whole->naturalSize, upright);
            EXPECT_EQ(whole->raster.size(), upright);
            EXPECT_EQ(stretched->raster.size(), box);
            EXPECT_EQ(scaled->raster.size(), upright / 2);
            for (const QImage& image : {whole->raster, stretched->raster, scaled->raster}) {
                EXPECT_TRUE(near(corner(image, c.red), qRgb(255, 0, 0)));
                EXPECT_TRUE(near(corner(image, c.green), qRgb(0, 255, 0)));
            }
        }
    }
    // A grey photo and a CMYK one turn alike: red (stored top left) to the
    // top right, blue (stored bottom left) to the top left.
    for (const Layout layout : {Layout::Grey, Layout::CmykAdobe}) {
        SCOPED_TRACE(int(layout));
        const auto turned = decodeJpegBytes(withOrientation(encodeJpeg(quadrants(160, 80), {.layout = layout}), 6, false),
                                            {1920, 1080});
        ASSERT_TRUE(turned);
        EXPECT_EQ(turned->raster.size(), QSize(80, 160));
        const auto expected = [layout](QRgb colour) {
            const int grey = (qRed(colour) * 299 + qGreen(colour) * 587 + qBlue(colour) * 114) / 1000;
            return layout == Layout::Grey ? qRgb(grey, grey, grey) : colour;
        };
        EXPECT_TRUE(near(corner(turned->raster, 1), expected(qRgb(255, 0, 0))));
        EXPECT_TRUE(near(corner(turned->raster, 0), expected(qRgb(0, 0, 255))));
    }
    // A damaged block or a value outside 1 to 8 leaves the photo as stored.
    for (const QByteArray& photo : {withOrientation(stored, 9, false), withOrientation(stored, 0, true),
                                    withOrientation(stored, 6, false).replace("II*", "IX*")}) {
        const auto asStored = decodeJpegBytes(photo, {1920, 1080});
        ASSERT_TRUE(asStored);
        EXPECT_EQ(asStored->raster.size(), QSize(160, 80));
    }
}
