// Loading page pictures by name: the extension rule, Qt's bitmap and icon
// readers, and files that must fail.
#include "formats/PictureLoader.h"
#include "formats/PictureFile.h"

#include "support/BookWriter.h"
#include "support/ColourChecks.h"
#include "support/TestPaths.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

using namespace tirvelo;
using tirvelo::test::near;
using tirvelo::test::readAll;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// tests/data/pictures/quadrants.*: 64×64, red, green / blue, white.
void expectQuadrants(const Picture& picture)
{
    const QImage& image = picture.raster;
    ASSERT_EQ(image.size(), QSize(64, 64));
    EXPECT_TRUE(near(image.pixel(16, 16), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(image.pixel(48, 16), qRgb(0, 255, 0)));
    EXPECT_TRUE(near(image.pixel(16, 48), qRgb(0, 0, 255)));
    EXPECT_TRUE(near(image.pixel(48, 48), qRgb(255, 255, 255)));
}

class PictureLoader : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString copyAs(const QString& data, const QString& name)
    {
        const QString target = m_dir.filePath(name);
        writeFile(target, readAll(test::testDataPath(data)));
        return target;
    }
    QTemporaryDir m_dir;
    // Qt finds its image plugins (icons) without an application object, but a
    // page picture is always loaded with one.
    int m_argc = 1;
    char m_arg0[8] = "test";
    char* m_argv[1] = {m_arg0};
    QGuiApplication m_app{m_argc, m_argv};
};

} // namespace

TEST(PictureType, ExtensionAfterTheLastSeparatorWithoutRegardToCase)
{
    EXPECT_EQ(pictureTypeOf("a.bmp"), PictureType::Bitmap);
    EXPECT_EQ(pictureTypeOf("C:\\Llibres\\Foto.JPG"), PictureType::Jpeg);
    EXPECT_EQ(pictureTypeOf("foto.Jpeg"), PictureType::Jpeg);
    EXPECT_EQ(pictureTypeOf("icona.IcO"), PictureType::Icon);
    EXPECT_EQ(pictureTypeOf("dibuix.wMf"), PictureType::Wmf);
    EXPECT_EQ(pictureTypeOf("dibuix.EMF"), PictureType::Emf);
    EXPECT_EQ(pictureTypeOf("/llibres/arxiu.tar.jpg"), PictureType::Jpeg);
    // The last dot decides.
    EXPECT_EQ(pictureTypeOf("foto.jpg.txt"), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf("foto.jpg."), PictureType::Unknown);
    // A dot before the last separator is not an extension.
    EXPECT_EQ(pictureTypeOf("C:\\fotos.jpg\\foto"), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf("fotos.jpg/foto"), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf("D.jpg:foto"), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf("foto"), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf(""), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf("so.wav"), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf("foto.jp"), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf("foto.jpgx"), PictureType::Unknown);
    EXPECT_EQ(pictureTypeOf("foto.png"), PictureType::Unknown);
    // Only ASCII letters match: U+0130 (a capital I with a dot) lower-cases
    // to i in Unicode, but it is not an I.
    EXPECT_EQ(pictureTypeOf(QString::fromUtf16(u"icona.\u0130co")), PictureType::Unknown);
}

TEST_F(PictureLoader, LoadsEachTypeByItsExtension)
{
    ASSERT_TRUE(rasterReadersAvailable());

    const auto jpeg = loadPicture(copyAs("pictures/quadrants.jpg", "Foto.JPG"), {1920, 1080});
    ASSERT_TRUE(jpeg);
    expectQuadrants(*jpeg);
    EXPECT_TRUE(loadPicture(copyAs("pictures/quadrants.jpg", "foto.Jpeg"), {1920, 1080}));
    // Large photos come stretched to the box, with their own size kept, and
    // remember where they came from, to be loaded again.
    const QString large = copyAs("pictures/quadrants.jpg", "gran.jpg");
    const auto scaled = loadPicture(large, {32, 16});
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->naturalSize, QSize(64, 64));
    EXPECT_EQ(scaled->raster.size(), QSize(32, 16));
    EXPECT_EQ(scaled->file, large);
    EXPECT_EQ(scaled->decodedFor, QSize(32, 16));

    const auto bitmap = loadPicture(copyAs("pictures/quadrants.bmp", "Dibuix.BMP"), {1920, 1080});
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->naturalSize, QSize(64, 64));
    expectQuadrants(*bitmap);
    // Bitmaps are not scaled: the box stretches them.
    EXPECT_EQ(loadPicture(copyAs("pictures/quadrants.bmp", "petit.bmp"), {8, 8})->raster.size(), QSize(64, 64));

    // A bitmap Qt writes itself, with an odd width (rows padded to 4 bytes).
    QImage odd(7, 3, QImage::Format_RGB32);
    odd.fill(qRgb(200, 100, 50));
    ASSERT_TRUE(odd.save(m_dir.filePath("senar.bmp"), "BMP"));
    const auto oddPicture = loadPicture(m_dir.filePath("senar.bmp"), {1920, 1080});
    ASSERT_TRUE(oddPicture);
    EXPECT_EQ(oddPicture->naturalSize, QSize(7, 3));
    EXPECT_EQ(oddPicture->raster.pixel(6, 2), qRgb(200, 100, 50));

    // An icon of 16, 48 and 32 pixels, red, blue and green: the largest.
    const auto icon = loadPicture(copyAs("pictures/several-sizes.ico", "Icona.ICO"), {1920, 1080});
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->naturalSize, QSize(48, 48));
    EXPECT_EQ(icon->raster.size(), QSize(48, 48));
    EXPECT_TRUE(near(icon->raster.pixel(24, 24), qRgb(0, 0, 255), 0));
    // 16 red pixels and 256 yellow ones stored as PNG inside the icon.
    const auto pngIcon = loadPicture(copyAs("pictures/png-entry.ico", "png.ico"), {1920, 1080});
    ASSERT_TRUE(pngIcon);
    EXPECT_EQ(pngIcon->naturalSize, QSize(256, 256));
    EXPECT_TRUE(near(pngIcon->raster.pixel(100, 100), qRgb(255, 255, 0), 0));
}

TEST_F(PictureLoader, EveryPixelOfABitmapIndexesItsColourTable)
{
    // A damaged run-length bitmap with two colours whose runs use a third:
    // Qt draws indexed pictures by looking each pixel up in the table.
    const auto damaged = loadPicture(
        copyAs("pictures/regressions/bitmap_pixels_past_its_colour_table.bmp", "dany.bmp"), {1920, 1080});
    ASSERT_TRUE(damaged);
    const QImage& image = damaged->raster;
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    int highest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            highest = std::max<int>(highest, image.constScanLine(y)[x]);
    EXPECT_GE(highest, 2);
    EXPECT_GT(image.colorCount(), highest);
    EXPECT_EQ(image.color(highest), qRgb(0, 0, 0)) << "an index the file gives no colour for is black";
    EXPECT_EQ(damaged->toImage({37, 23}).size(), QSize(37, 23));

    // A one-bit bitmap whose table holds a single colour.
    QImage mono(8, 2, QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(255, 0, 0)});
    mono.fill(1);
    ASSERT_TRUE(mono.save(m_dir.filePath("mono.bmp"), "BMP"));
    QByteArray bytes = readAll(m_dir.filePath("mono.bmp"));
    ASSERT_GE(bytes.size(), 62);
    bytes[46] = 1; // biClrUsed: one colour
    const auto oneColour = decodeRasterBytes(bytes, PictureType::Bitmap);
    ASSERT_TRUE(oneColour);
    EXPECT_GE(oneColour->raster.colorCount(), 2);
}

TEST_F(PictureLoader, ContentMustMatchTheExtension)
{
    const struct {
        const char* data;
        const char* name;
        PictureRefusal refusal;
    } cases[] = {
        // Each reader is held to its own format: no sniffing of the content.
        {"pictures/quadrants.png", "foto.bmp", PictureRefusal::NotThisFormat},
        {"pictures/quadrants.jpg", "foto.bmp", PictureRefusal::NotThisFormat},
        {"pictures/quadrants.bmp", "foto.ico", PictureRefusal::NotThisFormat},
        {"pictures/quadrants.bmp", "foto.jpg", PictureRefusal::NotThisFormat},
        {"pictures/quadrants.png", "foto.jpg", PictureRefusal::NotThisFormat},
        {"pictures/several-sizes.ico", "foto.bmp", PictureRefusal::NotThisFormat},
        // A good picture under a name of no picture type.
        {"pictures/quadrants.png", "foto.png", PictureRefusal::UnknownType},
        {"pictures/quadrants.jpg", "foto.jpg.txt", PictureRefusal::UnknownType},
        {"pictures/quadrants.bmp", "foto", PictureRefusal::UnknownType},
    };
    for (const auto& c : cases)
        EXPECT_EQ(loadPicture(copyAs(c.data, c.name), {100, 100}).refusal(), c.refusal) << c.name;
}

TEST_F(PictureLoader, DamagedAndUnreadableFilesFail)
{
    const QByteArray bmp = readAll(test::testDataPath("pictures/quadrants.bmp"));
    ASSERT_GT(bmp.size(), 1000);
    // Pixel data cut short, and the header alone.
    writeFile(m_dir.filePath("tallat.bmp"), bmp.left(bmp.size() / 2));
    EXPECT_EQ(loadPicture(m_dir.filePath("tallat.bmp"), {100, 100}).refusal(), PictureRefusal::Truncated);
    writeFile(m_dir.filePath("capcalera.bmp"), bmp.left(54));
    EXPECT_EQ(loadPicture(m_dir.filePath("capcalera.bmp"), {100, 100}).refusal(), PictureRefusal::Truncated);
    // Run-length coded: whole it loads; without its end-of-bitmap code it is
    // cut short (Qt's reader alone would show the rows it got).
    const QByteArray rle = readAll(test::testDataPath("pictures/quadrants-rle8.bmp"));
    ASSERT_EQ(quint8(rle[30]), 1); // BI_RLE8
    writeFile(m_dir.filePath("rle.bmp"), rle);
    const auto rlePicture = loadPicture(m_dir.filePath("rle.bmp"), {100, 100});
    ASSERT_TRUE(rlePicture);
    expectQuadrants(*rlePicture);
    for (const qsizetype cut : {qsizetype(2), rle.size() / 3, rle.size() - 700}) {
        writeFile(m_dir.filePath("rle-tallat.bmp"), rle.left(rle.size() - cut));
        EXPECT_EQ(loadPicture(m_dir.filePath("rle-tallat.bmp"), {100, 100}).refusal(), PictureRefusal::Truncated)
            << cut;
    }
    // A header claiming 60000×60000 pixels.
    QByteArray huge = bmp;
    const qint32 side = 60000;
    memcpy(huge.data() + 18, &side, 4);
    memcpy(huge.data() + 22, &side, 4);
    writeFile(m_dir.filePath("enorme.bmp"), huge);
    EXPECT_EQ(loadPicture(m_dir.filePath("enorme.bmp"), {100, 100}).refusal(), PictureRefusal::TooManyPixels);

    const QByteArray ico = readAll(test::testDataPath("pictures/several-sizes.ico"));
    writeFile(m_dir.filePath("tallat.ico"), ico.left(ico.size() / 2));
    EXPECT_EQ(loadPicture(m_dir.filePath("tallat.ico"), {100, 100}).refusal(), PictureRefusal::Truncated);
    writeFile(m_dir.filePath("directori.ico"), ico.left(22));
    EXPECT_EQ(loadPicture(m_dir.filePath("directori.ico"), {100, 100}).refusal(), PictureRefusal::Truncated);

    for (const char* name : {"buit.bmp", "buit.ico", "buit.jpg"}) {
        writeFile(m_dir.filePath(name), {});
        EXPECT_EQ(loadPicture(m_dir.filePath(name), {100, 100}).refusal(), PictureRefusal::NotThisFormat) << name;
    }
    for (const char* name : {"carpeta.bmp", "carpeta.ico", "carpeta.jpeg"}) {
        ASSERT_TRUE(QDir(m_dir.path()).mkdir(name));
        EXPECT_EQ(loadPicture(m_dir.filePath(name), {100, 100}).refusal(), PictureRefusal::Unreadable) << name;
    }
    // FIFOs with no writer: a reader that opened one would wait for ever.
    for (const char* name : {"fifo.bmp", "fifo.ico", "fifo.jpg"}) {
        ASSERT_EQ(mkfifo(QFile::encodeName(m_dir.filePath(name)).constData(), 0600), 0);
        EXPECT_EQ(loadPicture(m_dir.filePath(name), {100, 100}).refusal(), PictureRefusal::Unreadable) << name;
    }
    EXPECT_EQ(loadPicture(m_dir.filePath("no-hi-es.bmp"), {100, 100}).refusal(), PictureRefusal::Missing);
    EXPECT_EQ(loadPicture("/dev/zero.jpg", {100, 100}).refusal(), PictureRefusal::Missing);
    EXPECT_EQ(readPictureFile("/dev/zero").status, ReadStatus::Unreadable);
    EXPECT_EQ(readPictureFile("/dev/null").status, ReadStatus::Unreadable);

    // The size cap is checked before reading.
    const QString bmpPath = test::testDataPath("pictures/quadrants.bmp");
    EXPECT_EQ(readPictureFile(bmpPath, bmp.size() - 1).status, ReadStatus::TooLarge);
    const FileContents exact = readPictureFile(bmpPath, bmp.size());
    ASSERT_EQ(exact.status, ReadStatus::Ok);
    EXPECT_EQ(exact.bytes, bmp);

    EXPECT_EQ(decodeRasterBytes(bmp, PictureType::Jpeg).refusal(), PictureRefusal::UnknownType);
    EXPECT_EQ(decodeRasterBytes(bmp, PictureType::Unknown).refusal(), PictureRefusal::UnknownType);
    EXPECT_EQ(decodeRasterBytes({}, PictureType::Bitmap).refusal(), PictureRefusal::NotThisFormat);
}

namespace {

// A run-length (RLE8) bitmap of the size given, two colours, with data as written.
QByteArray runLengthBitmap(qint32 width, qint32 height, const QByteArray& data)
{
    QByteArray info(40, '\0');
    const auto put = [](QByteArray& bytes, int at, quint32 value) { std::memcpy(bytes.data() + at, &value, 4); };
    put(info, 0, 40);
    put(info, 4, quint32(width));
    put(info, 8, quint32(height));
    put(info, 12, 1 | (8 << 16)); // one plane, 8 bits a pixel
    put(info, 16, 1);             // BI_RLE8
    put(info, 20, quint32(data.size()));
    put(info, 32, 2); // two colours
    const QByteArray palette("\0\0\xFF\0\xFF\xFF\xFF\0", 8); // red, white
    QByteArray file("BM");
    file += QByteArray(12, '\0');
    put(file, 2, quint32(14 + 40 + 8 + data.size()));
    put(file, 10, 14 + 40 + 8);
    return file + info + palette + data;
}

} // namespace

// A run of 255 pixels takes two bytes, so a kilobyte describes a quarter of a
// megapixel, however large the header says the picture is; Qt's reader would
// still allocate the whole size it claims.
TEST_F(PictureLoader, ARunLengthBitmapCannotClaimMorePixelsThanItsDataHolds)
{
    QByteArray runs;
    for (int i = 0; i < 240; ++i)
        runs += QByteArray("\xFF\x00\x00\x00", 4); // a run, the end of a line
    runs += QByteArray("\x00\x01", 2);             // the end of the bitmap
    const QByteArray hostile = runLengthBitmap(10000, 10000, runs);
    ASSERT_LT(hostile.size(), 1100);
    writeFile(m_dir.filePath("enorme-rle.bmp"), hostile);
    EXPECT_EQ(loadPicture(m_dir.filePath("enorme-rle.bmp"), {100, 100}).refusal(), PictureRefusal::TooManyPixels);

    // A real picture ending early with its end-of-bitmap code still loads, at
    // its size (the bottom row is stored first).
    const QByteArray early = runLengthBitmap(640, 480, QByteArray("\x80\x01\x00\x00\x00\x01", 6));
    writeFile(m_dir.filePath("curt.bmp"), early);
    const auto picture = loadPicture(m_dir.filePath("curt.bmp"), {100, 100});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->naturalSize, QSize(640, 480));
    EXPECT_TRUE(near(picture->raster.pixel(10, 479), qRgb(255, 255, 255)));
}
