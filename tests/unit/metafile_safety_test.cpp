// Hostile and damaged metafiles: every one gives nullopt or a (partial)
// drawing, never a crash, a hang or a runaway allocation.
#include "formats/MetafilePicture.h"
#include "metafile_writer.h"
#include "support/TestApplication.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <uemf.h>
#include <unistd.h>

using namespace tirvelo;
using tirvelo::test::EmfWriter;
using tirvelo::test::Params;
using tirvelo::test::WmfWriter;

namespace {

// Loads and, when that works, paints into a small image; returns the image
// (null when the bytes were refused).
QImage loadAndPaint(const QByteArray& bytes, MetafileFormat format, QSize size = QSize(64, 64))
{
    const auto picture = loadMetafileBytes(bytes, format);
    if (!picture)
        return {};
    EXPECT_TRUE(picture->naturalSize.isValid());
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture->paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

bool allWhite(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                return false;
    return true;
}

QString sharedMetafiles()
{
    QString dir = tirvelo::test::sharedTestDataPath(QStringLiteral("metafiles"));
    if (!QFileInfo::exists(dir) && qEnvironmentVariableIsSet("TIRVELO_SHARED_TESTDATA"))
        dir = qEnvironmentVariable("TIRVELO_SHARED_TESTDATA") + QStringLiteral("/metafiles");
    return dir;
}

EmfWriter emf() { return EmfWriter(QRect(0, 0, 100, 100), QRect(QPoint(0, 0), QPoint(2500, 2500))); }

// A file that uses most record kinds, for truncation and bit-flip runs.
QByteArray richEmf()
{
    EmfWriter w = emf();
    w.record(U_EMR_CREATEBRUSHINDIRECT, Params().u32(1).u32(2).color(255, 0, 0).u32(3));
    w.record(U_EMR_SELECTOBJECT, Params().u32(1));
    w.record(U_EMR_CREATEPEN, Params().u32(2).u32(1).i32(3).i32(0).color(0, 0, 255));
    w.record(U_EMR_SELECTOBJECT, Params().u32(2));
    w.record(U_EMR_SAVEDC);
    w.record(U_EMR_SETMAPMODE, Params().u32(8));
    w.record(U_EMR_SETWINDOWEXTEX, Params().i32(100).i32(100));
    w.record(U_EMR_SETVIEWPORTEXTEX, Params().i32(100).i32(100));
    w.record(U_EMR_POLYGON16, Params().rectL(0, 0, 0, 0).u32(3).i16(0).i16(0).i16(90).i16(10).i16(40).i16(90));
    w.record(U_EMR_POLYPOLYLINE, Params().rectL(0, 0, 0, 0).u32(2).u32(4).u32(2).u32(2)
                                     .i32(0).i32(0).i32(50).i32(50).i32(10).i32(80).i32(80).i32(10));
    w.record(U_EMR_ARC, Params().rectL(10, 10, 90, 90).i32(90).i32(50).i32(10).i32(50));
    w.record(U_EMR_BEGINPATH);
    w.record(U_EMR_POLYBEZIER16, Params().rectL(0, 0, 0, 0).u32(4).i16(5).i16(5).i16(30).i16(90).i16(60).i16(0).i16(95).i16(95));
    w.record(U_EMR_ENDPATH);
    w.record(U_EMR_STROKEANDFILLPATH, Params().rectL(0, 0, 0, 0));
    w.record(U_EMR_RESTOREDC, Params().i32(-1));
    // A 2x2 24-bit DIB stretched over a corner.
    Params dib;
    dib.rectL(0, 0, 0, 0).i32(60).i32(60).i32(0).i32(0).i32(2).i32(2).u32(80).u32(40).u32(120).u32(16)
        .u32(0).u32(0x00CC0020).i32(30).i32(30);
    dib.u32(40).i32(2).i32(2).u16(1).u16(24).u32(0).u32(16).i32(0).i32(0).u32(0).u32(0);
    dib.bytes(QByteArray::fromHex("0000ff00ff000000ff0000000000ff00"));
    w.record(U_EMR_STRETCHDIBITS, dib);
    return w.finish();
}

QByteArray richWmf()
{
    WmfWriter w(true, QRect(QPoint(0, 0), QPoint(1000, 1000)), 1000);
    w.record(0x02FC, Params().u16(2).color(255, 0, 0).u16(4));   // hatched brush
    w.record(0x012D, {0});
    w.record(0x02FA, Params().u16(0).i16(20).i16(0).color(0, 0, 255));
    w.record(0x012D, {1});
    Params font;
    font.i16(-120).i16(0).i16(450).i16(0).i16(700).u16(0).u16(0).u16(0).u16(0).bytes("Arial");
    w.record(0x02FB, font);
    w.record(0x012D, {2});
    w.record(0x0324, Params().i16(3).i16(0).i16(0).i16(900).i16(100).i16(400).i16(900));
    w.record(0x0538, Params().u16(2).u16(3).u16(3).i16(0).i16(0).i16(500).i16(0).i16(0).i16(500)
                         .i16(500).i16(500).i16(900).i16(500).i16(500).i16(900));
    w.record(0x0817, {500, 900, 500, 100, 900, 900, 100, 100});
    w.record(0x0521, Params().i16(5).bytes("Hello").u16(0).i16(500).i16(100));
    w.record(0x0A32, Params().i16(600).i16(100).i16(3).u16(4).i16(0).i16(0).i16(900).i16(900).bytes("abc").u16(0)
                         .i16(100).i16(100).i16(100));
    w.record(0x06FF, Params().i16(0).i16(6).i32(0).i16(30).i16(1).i16(2).i16(0).i16(0).i16(100).i16(100)
                         .u16(2).i16(0).i16(100).i16(0).i16(100).u16(2));
    w.record(0x012C, {3});
    w.record(0x041B, {800, 800, 200, 200});
    return w.finish();
}

TEST(MetafileSafety, CountsBeyondTheRecordDrawNothing)
{
    test::guiApplication();
    {
        // 0x20000001 points: count x 8 wraps to 8 in 32-bit arithmetic.
        EmfWriter w = emf();
        w.record(U_EMR_POLYLINE, Params().rectL(0, 0, 100, 100).u32(0x20000001).i32(0).i32(0).i32(100).i32(100));
        w.record(U_EMR_POLYGON16, Params().rectL(0, 0, 100, 100).u32(0xFFFFFFFF).i16(0).i16(0));
        w.record(U_EMR_POLYPOLYGON, Params().rectL(0, 0, 100, 100).u32(0x40000000).u32(2).u32(2).i32(0).i32(0));
        w.record(U_EMR_POLYPOLYLINE16, Params().rectL(0, 0, 100, 100).u32(1).u32(2).u32(0x7FFFFFFF).i16(0).i16(0).i16(9).i16(9));
        w.record(U_EMR_EXTTEXTOUTW, Params().rectL(0, 0, 0, 0).u32(1).f32(0).f32(0).i32(10).i32(10)
                                        .u32(0x7FFFFFFF).u32(76).u32(0).rectL(0, 0, 0, 0).u32(0xFFFFFFF0));
        // A DIB claiming 60000 x 60000 pixels, and offsets past the record.
        w.record(U_EMR_STRETCHDIBITS, Params().rectL(0, 0, 0, 0).i32(0).i32(0).i32(0).i32(0).i32(10).i32(10)
                                          .u32(80).u32(40).u32(120).u32(0x7FFFFFFF).u32(0).u32(0x00CC0020).i32(100).i32(100)
                                          .u32(40).i32(60000).i32(60000).u16(1).u16(32).u32(0).u32(0).i32(0).i32(0).u32(0).u32(0));
        w.record(U_EMR_STRETCHDIBITS, Params().rectL(0, 0, 0, 0).i32(0).i32(0).i32(0).i32(0).i32(10).i32(10)
                                          .u32(0xFFFFFFF0).u32(40).u32(0xFFFFFFF8).u32(16).u32(0).u32(0x00CC0020).i32(100).i32(100));
        const QImage image = loadAndPaint(w.finish(), MetafileFormat::Emf);
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(allWhite(image));
    }
    {
        WmfWriter w;
        w.record(0x020C, {100, 100});
        w.record(0x0324, Params().i16(0x7FFF).i16(0).i16(0).i16(50).i16(50));
        w.record(0x0325, Params().i16(-5).i16(0).i16(0).i16(50).i16(50));
        w.record(0x0538, Params().u16(0xFFFF).u16(2).i16(0).i16(0).i16(9).i16(9));
        w.record(0x0538, Params().u16(1).u16(0xFFFF).i16(0).i16(0).i16(9).i16(9));
        w.record(0x0521, Params().i16(0x7FFF).bytes("ab").i16(10).i16(10));
        w.record(0x0A32, Params().i16(10).i16(10).i16(0x7FFF).u16(6).i16(0).i16(0));
        w.record(0x0F43, Params().u32(0x00CC0020).u16(0).i16(10).i16(10).i16(0).i16(0).i16(100).i16(100).i16(0).i16(0)
                             .u32(40).i32(-60000).i32(60000).u16(1).u16(33).u32(0));
        w.record(0x012D, {-1});
        w.record(0x01F0, {-1});
        const QImage image = loadAndPaint(w.finish(), MetafileFormat::Wmf);
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(allWhite(image));
    }
}

TEST(MetafileSafety, RecordSizesThatDoNotFitEndThePicture)
{
    test::guiApplication();
    EmfWriter w = emf();
    w.record(U_EMR_CREATEBRUSHINDIRECT, Params().u32(1).u32(0).color(255, 0, 0).u32(0));
    w.record(U_EMR_SELECTOBJECT, Params().u32(1));
    w.record(U_EMR_RECTANGLE, Params().rectL(0, 0, 50, 50));
    QByteArray bytes = w.finish();
    // Append a record whose size runs far past the end, then a drawing that
    // must not be reached.
    Params bad;
    bad.u32(U_EMR_RECTANGLE).u32(0xFFFFFFF0).rectL(50, 50, 100, 100);
    bytes.insert(bytes.size() - 20, bad.data());
    const QImage image = loadAndPaint(bytes, MetafileFormat::Emf, QSize(100, 100));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(25, 25), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(75, 75), qRgb(255, 255, 255));
}

TEST(MetafileSafety, StateStacksAndObjectTablesStayBounded)
{
    test::guiApplication();
    EmfWriter w = emf();
    for (int i = 0; i < 20000; ++i)
        w.record(U_EMR_SAVEDC);
    w.record(U_EMR_RESTOREDC, Params().i32(-2000000000));
    w.record(U_EMR_RESTOREDC, Params().i32(2000000000));
    for (quint32 i = 0; i < 2000; ++i)
        w.record(U_EMR_CREATEPEN, Params().u32(0xFFFFFFFF - i).u32(0).i32(1).i32(0).u32(0));
    // Transforms that are not numbers, or collapse the plane, are refused.
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    w.record(U_EMR_SETWORLDTRANSFORM, Params().f32(nan).f32(0).f32(0).f32(1).f32(0).f32(0));
    w.record(U_EMR_MODIFYWORLDTRANSFORM, Params().f32(inf).f32(0).f32(0).f32(inf).f32(0).f32(0).u32(2));
    w.record(U_EMR_SETWORLDTRANSFORM, Params().f32(0).f32(0).f32(0).f32(0).f32(0).f32(0));
    w.record(U_EMR_SETWINDOWEXTEX, Params().i32(0).i32(0));
    w.record(U_EMR_SCALEVIEWPORTEXTEX, Params().i32(1).i32(0).i32(1).i32(0));
    w.record(U_EMR_CREATEBRUSHINDIRECT, Params().u32(1).u32(0).color(255, 0, 0).u32(0));
    w.record(U_EMR_SELECTOBJECT, Params().u32(1));
    w.record(U_EMR_RECTANGLE, Params().rectL(0, 0, 100, 100));
    const QImage image = loadAndPaint(w.finish(), MetafileFormat::Emf, QSize(10, 10));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 0, 0)); // the mapping survived the bad records
}

TEST(MetafileSafety, PaintingStopsAfterAFixedAmountOfWork)
{
    test::guiApplication();
    // 20000 fills of the whole picture: the player stops after the area cap
    // (5000 frames), so the last fill, in red, is never drawn.
    EmfWriter w = emf();
    w.record(U_EMR_CREATEBRUSHINDIRECT, Params().u32(1).u32(0).color(0, 0, 255).u32(0));
    w.record(U_EMR_SELECTOBJECT, Params().u32(1));
    for (int i = 0; i < 20000; ++i)
        w.record(U_EMR_RECTANGLE, Params().rectL(-10, -10, 110, 110));
    w.record(U_EMR_CREATEBRUSHINDIRECT, Params().u32(2).u32(0).color(255, 0, 0).u32(0));
    w.record(U_EMR_SELECTOBJECT, Params().u32(2));
    w.record(U_EMR_RECTANGLE, Params().rectL(-10, -10, 110, 110));
    const QImage image = loadAndPaint(w.finish(), MetafileFormat::Emf, QSize(20, 20));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(10, 10), qRgb(0, 0, 255));
}

// What a record costs is charged by what it makes, not by its size in the
// file: a pattern brush claiming a huge bitmap, a line of no height stroked
// with a pen as wide as the picture.
TEST(MetafileSafety, PatternBrushesAndWidePensAreChargedForWhatTheyCost)
{
    test::guiApplication();
    EmfWriter patterns = emf();
    const auto patternBrush = [&](quint32 handle, int width, int height, const QByteArray& bits) {
        Params p;
        p.u32(handle).u32(0).u32(32).u32(40).u32(72).u32(quint32(bits.size()));
        p.u32(40).i32(width).i32(height).u16(1).u16(32).u32(0).u32(0).i32(0).i32(0).u32(0).u32(0).bytes(bits);
        patterns.record(U_EMR_CREATEDIBPATTERNBRUSHPT, p);
    };
    // Over the patterns' budget: never decoded, it paints as a solid brush of
    // its colour; a small pattern after it still paints.
    patternBrush(1, 8192, 4096, {});
    patternBrush(2, 8, 8, QByteArray::fromHex("0000ff00").repeated(64));
    patterns.record(U_EMR_SELECTOBJECT, Params().u32(1));
    patterns.record(U_EMR_RECTANGLE, Params().rectL(0, 0, 50, 100));
    patterns.record(U_EMR_SELECTOBJECT, Params().u32(2));
    patterns.record(U_EMR_RECTANGLE, Params().rectL(50, 0, 100, 100));
    const QImage patterned = loadAndPaint(patterns.finish(), MetafileFormat::Emf, QSize(20, 20));
    ASSERT_FALSE(patterned.isNull());
    EXPECT_EQ(patterned.pixel(5, 10), qRgb(0, 0, 0));
    EXPECT_EQ(patterned.pixel(15, 10), qRgb(255, 0, 0));

    // 20000 wide strokes each paint the whole picture: the area cap stops
    // them, so the red fill after them is never drawn.
    EmfWriter lines = emf();
    lines.record(U_EMR_CREATEPEN, Params().u32(1).u32(0).i32(200).i32(0).color(0, 0, 255));
    lines.record(U_EMR_SELECTOBJECT, Params().u32(1));
    for (int i = 0; i < 20000; ++i) {
        lines.record(U_EMR_MOVETOEX, Params().i32(0).i32(50));
        lines.record(U_EMR_LINETO, Params().i32(100).i32(50));
    }
    lines.record(U_EMR_CREATEBRUSHINDIRECT, Params().u32(2).u32(0).color(255, 0, 0).u32(0));
    lines.record(U_EMR_SELECTOBJECT, Params().u32(2));
    lines.record(U_EMR_SELECTOBJECT, Params().u32(0x80000008)); // the stock null pen
    lines.record(U_EMR_RECTANGLE, Params().rectL(-10, -10, 110, 110));
    const QImage stroked = loadAndPaint(lines.finish(), MetafileFormat::Emf, QSize(20, 20));
    ASSERT_FALSE(stroked.isNull());
    EXPECT_EQ(stroked.pixel(10, 10), qRgb(0, 0, 255));
}

TEST(MetafileSafety, EveryTruncationLoadsOrIsRefused)
{
    test::guiApplication();
    for (const auto& [bytes, format] : {std::pair{richEmf(), MetafileFormat::Emf}, std::pair{richWmf(), MetafileFormat::Wmf}}) {
        ASSERT_FALSE(loadAndPaint(bytes, format).isNull());
        for (qsizetype length = 0; length < bytes.size(); ++length)
            loadAndPaint(bytes.left(length), format);
        EXPECT_EQ(loadMetafileBytes(QByteArray(), format).refusal(), PictureRefusal::NotThisFormat);
        EXPECT_EQ(loadMetafileBytes(bytes.left(10), format).refusal(), PictureRefusal::NotThisFormat);
    }
    // A header and nothing else: no extent and nothing drawn to size it by.
    EXPECT_EQ(loadMetafileBytes(WmfWriter().finish(), MetafileFormat::Wmf).refusal(), PictureRefusal::Empty);
}

TEST(MetafileSafety, FlippedBytesNeverCrash)
{
    test::guiApplication();
    QList<std::pair<QByteArray, MetafileFormat>> seeds{{richEmf(), MetafileFormat::Emf}, {richWmf(), MetafileFormat::Wmf}};
    for (const char* name : {"pillow_drawing.emf", "pillow_drawing.wmf", "emf2svg_test-065.emf"}) {
        QFile file(sharedMetafiles() + QLatin1Char('/') + QLatin1String(name));
        if (file.open(QIODevice::ReadOnly))
            seeds.append({file.readAll(), QString::fromLatin1(name).endsWith(QLatin1String(".wmf")) ? MetafileFormat::Wmf
                                                                                              : MetafileFormat::Emf});
    }
    QRandomGenerator random(20240611);
    for (const auto& [seed, format] : seeds) {
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = seed;
            const int flips = 1 + random.bounded(8);
            for (int i = 0; i < flips; ++i) {
                const int at = random.bounded(int(bytes.size()));
                bytes[at] = char(random.bounded(4) == 0 ? 0xFF : bytes[at] ^ char(1 << random.bounded(8)));
            }
            loadAndPaint(bytes, format, QSize(32, 32));
        }
    }
}

TEST(MetafileSafety, DamagedRealFilesGiveAPartialDrawingOrNothing)
{
    test::guiApplication();
    const QDir dir(sharedMetafiles());
    if (!dir.exists())
        GTEST_SKIP() << "shared test data absent: " << dir.path().toStdString();
    const QStringList files = dir.entryList({QStringLiteral("emf2svg_bad_corrupted_*.emf")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    int drawn = 0;
    for (const QString& name : files) {
        const auto picture = loadMetafilePicture(dir.filePath(name), MetafileFormat::Emf);
        if (!picture)
            continue;
        QImage image(200, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        picture->paint(painter, QRectF(0, 0, 200, 200));
        painter.end();
        drawn += allWhite(image) ? 0 : 1;
    }
    EXPECT_GT(drawn, 0); // damage late in a file leaves what came before it
}

// Files that once drew wrongly or warned, named after the fault; new fuzz
// findings go in the same folder and are replayed here.
TEST(MetafileSafety, RegressionsStayFixed)
{
    test::guiApplication();
    const QDir dir(tirvelo::test::testDataPath(QStringLiteral("metafiles/regressions")));
    const QStringList files = dir.entryList({QStringLiteral("*.emf"), QStringLiteral("*.wmf")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        loadAndPaint(file.readAll(), name.endsWith(QLatin1String(".wmf")) ? MetafileFormat::Wmf : MetafileFormat::Emf);
    }
    auto draw = [&](const char* name) {
        QFile file(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        return loadAndPaint(file.readAll(), MetafileFormat::Emf, QSize(100, 100));
    };
    // The red square survives a blit that does nothing, and a record libuemf
    // refuses does not end the picture before it.
    EXPECT_EQ(draw("nop_blit_painted_over_the_picture.emf").pixel(25, 25), qRgb(255, 0, 0));
    EXPECT_EQ(draw("record_refused_by_libuemf_ended_the_picture.emf").pixel(25, 25), qRgb(255, 0, 0));
    // A pen as wide as the plane covers the picture.
    EXPECT_EQ(draw("pen_wider_than_qpen_accepts.emf").pixel(90, 10), qRgb(255, 0, 0));
}

TEST(MetafileSafety, ADashLongerThanThePathIsASolidLineAndShorterDashesStay)
{
    test::guiApplication();
    // A geometric pen 50 units wide with flat ends, solid or with the given
    // dash and gap, stroking a line across the middle of the picture.
    auto stroke = [](bool dashed, quint32 dash, quint32 gap) {
        EmfWriter w = emf();
        Params pen;
        pen.u32(1).u32(0).u32(0).u32(0).u32(0); // no brush bitmap
        pen.u32(0x10200 | (dashed ? 7u : 0u)).u32(50).u32(0).color(255, 0, 0).u32(0);
        if (dashed)
            pen.u32(2).u32(dash).u32(gap);
        else
            pen.u32(0);
        w.record(U_EMR_EXTCREATEPEN, pen);
        w.record(U_EMR_SELECTOBJECT, Params().u32(1));
        w.record(U_EMR_POLYLINE16, Params().rectL(0, 0, 100, 100).u32(2).i16(0).i16(50).i16(100).i16(50));
        return loadAndPaint(w.finish(), MetafileFormat::Emf);
    };
    const QImage solid = stroke(false, 0, 0);
    ASSERT_FALSE(solid.isNull());
    EXPECT_EQ(solid.pixel(32, 32), qRgb(255, 0, 0));
    EXPECT_EQ(solid.pixel(32, 5), qRgb(255, 255, 255));
    // One dash longer than the line: the solid line, pixel for pixel.
    EXPECT_EQ(stroke(true, 100000, 10), solid);
    // A short dash (5 units, the shortest a dash gets at this width) and a
    // long gap: only the line's first few units are painted.
    const QImage shortDash = stroke(true, 1, 100000);
    EXPECT_EQ(shortDash.pixel(1, 32), qRgb(255, 0, 0));
    EXPECT_EQ(shortDash.pixel(32, 32), qRgb(255, 255, 255));
}

TEST(MetafileSafety, OnlyRegularFilesWithinTheSizeCapAreRead)
{
    test::guiApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString good = dir.filePath(QStringLiteral("good.emf"));
    {
        QFile f(good);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(richEmf());
    }
    EXPECT_TRUE(loadMetafilePicture(good, MetafileFormat::Emf).has_value());
    EXPECT_EQ(loadMetafilePicture(good, MetafileFormat::Wmf).refusal(), PictureRefusal::NotThisFormat);
    EXPECT_EQ(loadMetafilePicture(dir.filePath(QStringLiteral("missing.emf")), MetafileFormat::Emf).refusal(),
              PictureRefusal::Missing);
    EXPECT_EQ(loadMetafilePicture(dir.path(), MetafileFormat::Emf).refusal(), PictureRefusal::Unreadable);

    // Over 64 MiB: refused without reading (a sparse file costs no disk).
    const QString huge = dir.filePath(QStringLiteral("huge.emf"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(richEmf());
        ASSERT_TRUE(f.resize(64ll * 1024 * 1024 + 1));
    }
    EXPECT_EQ(loadMetafilePicture(huge, MetafileFormat::Emf).refusal(), PictureRefusal::FileTooLarge);

    // A FIFO (and a link to one) is refused at once, never waited on.
    const QString fifo = dir.filePath(QStringLiteral("pipe.emf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString link = dir.filePath(QStringLiteral("link.emf"));
    ASSERT_TRUE(QFile::link(fifo, link));
    for (const QString& path : {fifo, link}) {
        auto result = std::async(std::launch::async, [path] { return loadMetafilePicture(path, MetafileFormat::Emf); });
        if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Release the blocked reader so the test can end, then fail.
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            FAIL() << "loading a FIFO blocked";
        }
        EXPECT_EQ(result.get().refusal(), PictureRefusal::Unreadable);
    }
}

} // namespace
