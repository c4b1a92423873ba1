// The pieces the book tool's import and the editor share: texts in
// Windows-1252, page names, page pictures and writing a book.
#include "authoring/BookFile.h"
#include "authoring/PageNames.h"
#include "authoring/PagePicture.h"
#include "authoring/WindowsText.h"
#include "formats/PictureLoader.h"
#include "support/BookWriter.h"
#include "support/TestApplication.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::authoring;
using namespace tirvelo::test;

namespace {

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Something like a photo: every pixel a colour of its own.
QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    return image;
}

// A JPEG whose EXIF orientation says "turn 90° clockwise" (value 6).
QByteArray withExifOrientation(const QByteArray& jpeg, quint16 orientation)
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    tiff += QByteArray("\x01\0", 2);                            // one entry
    tiff += QByteArray("\x12\x01\x03\0\x01\0\0\0", 8);          // Orientation, SHORT, 1
    tiff += char(orientation & 0xFF);
    tiff += char(orientation >> 8);
    tiff += QByteArray(2, '\0');
    tiff += QByteArray(4, '\0'); // no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment += char(length >> 8);
    segment += char(length & 0xFF);
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

QImage decoded(const PagePicture& picture)
{
    return QImage::fromData(picture.bytes);
}

} // namespace

TEST(WindowsText, KeepsWhatTheCodePageHoldsAndListsEachReplacement)
{
    const WindowsText text = toWindowsText(u"“Hola” — l’àvia‑mare ‛x‟ ő\u200B−2 ŀl 😀😀 e\u0301");
    EXPECT_EQ(text.text, QStringView(u"“Hola” — l’àvia-mare 'x\" o-2 l·l ?? é"));
    EXPECT_EQ(text.replacements,
              (QList<TextReplacement>{{u"‑"_qs, u"-"_qs, 1}, {u"‛"_qs, u"'"_qs, 1}, {u"‟"_qs, u"\""_qs, 1},
                                      {u"ő"_qs, u"o"_qs, 1}, {u"\u200B"_qs, QString(), 1}, {u"−"_qs, u"-"_qs, 1},
                                      {u"ŀ"_qs, u"l·"_qs, 1}, {u"😀"_qs, u"?"_qs, 2}}));
    EXPECT_EQ(text.bytes(), QByteArray("\x93Hola\x94 \x97 l\x92\xE0via-mare 'x\" o-2 l\xB7l ?? \xE9"));
    EXPECT_TRUE(toWindowsText(u"Plain ASCII, tab\tand\r\nbreaks").replacements.isEmpty());
}

TEST(PageNames, SafeShortAndUniqueInTheFolder)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("Plana.jpg"), "x");
    PageNames names(dir.path());
    EXPECT_EQ(names.claim("plana", ".jpg"), "plana-2.jpg"); // the folder's file, in other case
    EXPECT_EQ(names.claim("plana", ".jpg"), "plana-3.jpg");
    EXPECT_EQ(names.claim("plana", ".wav"), "plana.wav");
    EXPECT_EQ(names.claim(u"a\\b#c/d:e.txt.wav — ő"_qs, ".txt"), u"a_b_c_d_e_txt_wav — o.txt"_qs);
    EXPECT_EQ(names.claim("###", ".jpg"), "plana-4.jpg");
    const QString longName = names.claim(QString(300, u'x'), ".jpg");
    EXPECT_EQ(longName.size(), MaxPageNameCharacters);
    const QString second = names.claim(QString(300, u'x'), ".jpg");
    EXPECT_EQ(second.size(), MaxPageNameCharacters);
    EXPECT_TRUE(second.endsWith("-2.jpg"));
}

TEST(PagePicture, KindsSizesAndOrientation)
{
    guiApplication();
    // A small upright JPEG keeps its bytes.
    const QByteArray jpeg = encoded(gradient(64, 48), "jpeg");
    std::optional<PagePicture> picture = pagePictureFromBytes(jpeg);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->unchanged);
    EXPECT_EQ(picture->bytes, jpeg);

    // Turned by its EXIF orientation: written anew, upright.
    picture = pagePictureFromBytes(withExifOrientation(jpeg, 6));
    ASSERT_TRUE(picture);
    EXPECT_FALSE(picture->unchanged);
    EXPECT_EQ(picture->ending, ".jpg");
    EXPECT_EQ(decoded(*picture).size(), QSize(48, 64));

    // Larger than twice a full-HD screen: scaled to fit, proportions kept.
    picture = pagePictureFromBytes(encoded(gradient(5000, 1000), "jpeg"));
    ASSERT_TRUE(picture);
    EXPECT_EQ(decoded(*picture).size(), QSize(3840, 768));

    // A drawing of few colours, with transparency: an 8-bit BMP on white.
    QImage drawing(300, 200, QImage::Format_ARGB32);
    drawing.fill(Qt::transparent);
    QPainter(&drawing).fillRect(10, 10, 100, 100, Qt::red);
    picture = pagePictureFromBytes(encoded(drawing, "png"));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->ending, ".bmp");
    const QImage bmp = decoded(*picture);
    EXPECT_EQ(bmp.depth(), 8);
    EXPECT_EQ(bmp.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(bmp.pixel(50, 50), qRgb(255, 0, 0));
    // The program itself shows it.
    QTemporaryDir dir;
    writeFile(dir.filePath("d.bmp"), picture->bytes);
    EXPECT_TRUE(loadPicture(dir.filePath("d.bmp"), QSize(1920, 1080)));

    // A photo-like PNG becomes JPEG; a GIF (one transparent pixel) a BMP, on white.
    picture = pagePictureFromBytes(encoded(gradient(300, 200), "png"));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->ending, ".jpg");
    picture = pagePictureFromBytes(QByteArray::fromHex("47494638396101000100800000ff000000000021f90401000000002c000000000100010000020244010"
                                                       "03b"));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->ending, ".bmp");
    EXPECT_EQ(decoded(*picture).pixel(0, 0), qRgb(255, 255, 255));

    // SVG, drawn to fill a screen.
    picture = pagePictureFromBytes("<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20'>"
                                   "<rect width='40' height='20' fill='#0000ff'/></svg>");
    ASSERT_TRUE(picture);
    EXPECT_EQ(decoded(*picture).size(), QSize(1920, 960));
    EXPECT_EQ(decoded(*picture).pixel(100, 100), qRgb(0, 0, 255));

    // One naming a file of this machine is not drawn at all.
    QTemporaryDir local;
    const QString secret = writeFile(local.filePath("secret.png"), encoded(gradient(10, 10), "png"));
    EXPECT_FALSE(pagePictureFromBytes("<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
                                      "width='10' height='10'><image xlink:href='" + secret.toUtf8() + "' width='10' height='10'/></svg>"));

    // WebP, through Qt's image-format plugins.
    picture = pagePictureFromBytes(encoded(gradient(120, 80), "webp"));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->ending, ".jpg");

    EXPECT_FALSE(pagePictureFromBytes("not a picture at all"));
    EXPECT_FALSE(pagePictureFromBytes("<svg broken"));
}

TEST(BookFile, WritesTheExactFileAndNeverReplacesAnotherFile)
{
    guiApplication();
    QTemporaryDir dir;
    writeBmp(dir.filePath("a.bmp"), 4, 4);
    writeFile(dir.filePath("b.txt"), "hola");
    const QString book = dir.filePath("Conte.Lumbrix");
    WrittenBook written = writeBookFile(book, {"a.bmp#b.txt", "b.txt"}, false);
    ASSERT_EQ(written.result, BookWrite::Written);
    EXPECT_EQ(readAll(book), QByteArray("{Quirna 2000 - Tirvelo}\r\n{N\xFAmero de planes}\r\n2\r\n{Directori}\r\n\r\n"
                                        "{Planes}\r\na.bmp#b.txt\r\nb.txt\r\n"));
    EXPECT_EQ(written.report.errorCount(), 0);
    EXPECT_EQ(written.report.pageCount, 2);
    EXPECT_EQ(writeBookFile(book, {"a.bmp"}, false).result, BookWrite::Exists);
    EXPECT_EQ(writeBookFile(book, {"missing.bmp"}, true).report.errorCount(), 1);

    writeFile(dir.filePath("notes.Lumbrix"), "my notes");
    EXPECT_EQ(writeBookFile(dir.filePath("notes.Lumbrix"), {"a.bmp"}, true).result, BookWrite::NotABook);
    EXPECT_EQ(readAll(dir.filePath("notes.Lumbrix")), "my notes");
    QFile::link(dir.filePath("notes.Lumbrix"), dir.filePath("link.Lumbrix"));
    EXPECT_EQ(writeBookFile(dir.filePath("link.Lumbrix"), {"a.bmp"}, true).result, BookWrite::IsLink);
}
