// Metafiles written record by record: mapping modes, the object table, text
// alignment, paths and clipping, checked on the drawn pixels.
#include "formats/MetafilePicture.h"
#include "metafile_writer.h"
#include "support/TestApplication.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <uemf.h>

using namespace tirvelo;
using tirvelo::test::EmfWriter;
using tirvelo::test::Params;
using tirvelo::test::WmfWriter;

namespace {

// WMF record functions used below.
enum : int {
    SetMapMode = 0x0103, SetWindowOrg = 0x020B, SetWindowExt = 0x020C, SetViewportExt = 0x020E,
    CreatePen = 0x02FA, CreateBrush = 0x02FC, CreatePalette = 0x00F7, SelectObject = 0x012D,
    DeleteObject = 0x01F0, Rectangle = 0x041B, SetBkMode = 0x0102, MoveTo = 0x0214, LineTo = 0x0213,
    Polyline = 0x0325, ScaleWindowExt = 0x0410,
};

QImage draw(const Picture& picture, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture.paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

QImage drawWmf(const QByteArray& bytes, QSize size, QSize* natural = nullptr)
{
    const auto picture = loadMetafileBytes(bytes, MetafileFormat::Wmf);
    EXPECT_TRUE(picture.has_value());
    if (!picture)
        return {};
    if (natural)
        *natural = picture->naturalSize;
    return draw(*picture, size);
}

QImage drawEmf(const QByteArray& bytes, QSize size)
{
    const auto picture = loadMetafileBytes(bytes, MetafileFormat::Emf);
    EXPECT_TRUE(picture.has_value());
    return picture ? draw(*picture, size) : QImage();
}

bool isRed(const QImage& image, int x, int y)
{
    const QRgb c = image.pixel(x, y);
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}

bool isWhite(const QImage& image, int x, int y) { return image.pixel(x, y) == qRgb(255, 255, 255); }

// The bounding box of pixels darker than mid-grey.
QRect ink(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

int px(double pixelsAt96) { return int(std::lround(pixelsAt96 * metafileScreenDpi() / 96.0)); }

// A red brush selected into slot `slot` and a null pen: rectangles fill red.
void redFill(WmfWriter& w)
{
    w.record(CreateBrush, Params().u16(0).color(255, 0, 0).u16(0));
    w.record(SelectObject, {0});
    w.record(CreatePen, Params().u16(5).i16(0).i16(0).color(0, 0, 0));
    w.record(SelectObject, {1});
}

// Rectangle words are bottom, right, top, left.
void rect(WmfWriter& w, int l, int t, int r, int b) { w.record(Rectangle, {b, r, t, l}); }

TEST(MetafileMapping, WmfWithoutPlaceableHeaderIsSizedByItsMappingMode)
{
    test::guiApplication();
    QSize natural;
    {
        // MM_TEXT: the window extent is in pixels.
        WmfWriter w;
        w.record(SetWindowExt, {50, 100});
        redFill(w);
        rect(w, 10, 10, 30, 30);
        const QImage image = drawWmf(w.finish(), QSize(100, 50), &natural);
        EXPECT_EQ(natural, QSize(100, 50));
        EXPECT_TRUE(isRed(image, 20, 20));
        EXPECT_TRUE(isWhite(image, 40, 20));
    }
    {
        // MM_HIMETRIC: 2540 units are one inch, and y grows upwards.
        WmfWriter w;
        w.record(SetMapMode, {3});
        w.record(SetWindowExt, {2540, 2540});
        redFill(w);
        rect(w, 0, 0, 1270, -1270);
        const QImage image = drawWmf(w.finish(), QSize(96, 96), &natural);
        EXPECT_EQ(natural, QSize(px(96), px(96)));
        EXPECT_TRUE(isRed(image, 24, 24));
        EXPECT_TRUE(isWhite(image, 72, 24));
        EXPECT_TRUE(isWhite(image, 24, 72));
    }
    {
        // MM_ANISOTROPIC with a window and no viewport: the extent is in 0.01 mm.
        WmfWriter w;
        w.record(SetMapMode, {8});
        w.record(SetWindowExt, {2540, 5080});
        redFill(w);
        rect(w, 0, 0, 2540, 2540);
        const QImage image = drawWmf(w.finish(), QSize(192, 96), &natural);
        EXPECT_EQ(natural, QSize(px(192), px(96)));
        EXPECT_TRUE(isRed(image, 48, 48));
        EXPECT_TRUE(isWhite(image, 144, 48));
    }
    {
        // MM_ANISOTROPIC with a viewport of its own: the viewport is in pixels.
        WmfWriter w;
        w.record(SetMapMode, {8});
        w.record(SetWindowExt, {1000, 1000});
        w.record(SetViewportExt, {100, 200});
        redFill(w);
        rect(w, 0, 0, 500, 500);
        const QImage image = drawWmf(w.finish(), QSize(200, 100), &natural);
        EXPECT_EQ(natural, QSize(200, 100));
        EXPECT_TRUE(isRed(image, 50, 25));
        EXPECT_TRUE(isWhite(image, 150, 25));
        EXPECT_TRUE(isWhite(image, 50, 75));
    }
    {
        // MM_ISOTROPIC keeps the units square: a square window in a wide viewport.
        WmfWriter w;
        w.record(SetMapMode, {7});
        w.record(SetWindowExt, {100, 100});
        w.record(SetViewportExt, {100, 200});
        redFill(w);
        rect(w, 0, 0, 100, 100);
        const QImage image = drawWmf(w.finish(), QSize(200, 100), &natural);
        EXPECT_TRUE(isRed(image, 50, 50));
        EXPECT_TRUE(isWhite(image, 150, 50));
    }
}

TEST(MetafileMapping, WmfScaleWindowExtScalesEachAxisByItsOwnRatio)
{
    test::guiApplication();
    // The window's height doubles (yNum 2, yDenom 1) and its width stays: the
    // square fills the top half only.
    WmfWriter w;
    w.record(SetMapMode, {8});
    w.record(SetWindowExt, {100, 100});
    w.record(SetViewportExt, {100, 100});
    w.record(ScaleWindowExt, {1, 2, 1, 1}); // yDenom, yNum, xDenom, xNum
    redFill(w);
    rect(w, 0, 0, 100, 100);
    const QImage image = drawWmf(w.finish(), QSize(100, 100));
    EXPECT_TRUE(isRed(image, 50, 25));
    EXPECT_TRUE(isRed(image, 90, 25));
    EXPECT_TRUE(isWhite(image, 50, 75));
}

TEST(MetafileMapping, PlaceableWmfMapsItsWindowOntoTheBoundingBox)
{
    test::guiApplication();
    // Two inches by one; the file's own window is twice the box.
    WmfWriter w(true, QRect(QPoint(0, 0), QPoint(2000, 1000)), 1000);
    w.record(SetMapMode, {8});
    w.record(SetWindowOrg, {0, 0});
    w.record(SetWindowExt, {2000, 4000});
    redFill(w);
    rect(w, 0, 0, 2000, 1000);
    QSize natural;
    const QImage image = drawWmf(w.finish(), QSize(192, 96), &natural);
    EXPECT_EQ(natural, QSize(px(192), px(96)));
    EXPECT_TRUE(isRed(image, 48, 24));
    EXPECT_TRUE(isWhite(image, 144, 24));
    EXPECT_TRUE(isWhite(image, 48, 72));
}

namespace {

// Lines `lines` pixels along both axes are solid and one pixel wide.
void expectOnePixelGrid(const QImage& image, const QList<int>& lines, const char* what)
{
    ASSERT_FALSE(image.isNull());
    const auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    for (const int line : lines) {
        int column = 0, row = 0, beside = 0;
        for (int along = 0; along < image.width(); ++along) {
            column += dark(line, along);
            row += dark(along, line);
            beside += dark(line + 5, along) + dark(along, line + 5);
        }
        EXPECT_GE(column, 85) << what << ", column " << line;
        EXPECT_GE(row, 85) << what << ", row " << line;
        EXPECT_LE(beside, 2 * lines.size()) << what << ": one pixel wide, not more, near " << line;
    }
}

} // namespace

TEST(MetafilePens, ThinWmfPensStayOnePixelWideWhenThePictureIsShrunk)
{
    test::guiApplication();
    // A grid 1000 units square drawn at 100 pixels: every line would be a
    // tenth of a pixel at its scaled width. Lines at 100k + 5 units fall on
    // the middle of pixel column or row 10k; widths 0 (10, 20) and 1 (30, 40).
    WmfWriter w;
    w.record(SetMapMode, {8});
    w.record(SetWindowExt, {1000, 1000});
    w.record(SetViewportExt, {1000, 1000});
    for (const int width : {0, 1}) {
        w.record(CreatePen, Params().u16(0).i16(width).i16(0).color(0, 0, 0));
        w.record(SelectObject, {width});
        for (const int at : {105 + 200 * width, 205 + 200 * width}) {
            w.record(MoveTo, {50, at});
            w.record(LineTo, {950, at});
            w.record(Polyline, Params().i16(2).i16(50).i16(at).i16(950).i16(at));
        }
    }
    expectOnePixelGrid(drawWmf(w.finish(), QSize(100, 100)), {10, 20, 30, 40}, "LineTo and Polyline");
}

TEST(MetafileMapping, EmfFrameWindowViewportAndWorldTransform)
{
    test::guiApplication();
    // 25 mm square frame: 100 reference pixels at 4 pixels per millimetre.
    EmfWriter w(QRect(0, 0, 100, 100), QRect(QPoint(0, 0), QPoint(2500, 2500)));
    w.record(U_EMR_CREATEBRUSHINDIRECT, Params().u32(1).u32(0).color(255, 0, 0).u32(0));
    w.record(U_EMR_SELECTOBJECT, Params().u32(1));
    w.record(U_EMR_SELECTOBJECT, Params().u32(0x80000008)); // NULL_PEN
    w.record(U_EMR_SETMAPMODE, Params().u32(8));
    w.record(U_EMR_SETWINDOWEXTEX, Params().i32(1000).i32(1000));
    w.record(U_EMR_SETVIEWPORTEXTEX, Params().i32(100).i32(100));
    w.record(U_EMR_RECTANGLE, Params().rectL(0, 0, 250, 250));
    // Shifted by the world transform: 500 logical units to the right.
    w.record(U_EMR_SETWORLDTRANSFORM, Params().f32(1).f32(0).f32(0).f32(1).f32(500).f32(500));
    w.record(U_EMR_RECTANGLE, Params().rectL(0, 0, 250, 250));
    const auto picture = loadMetafileBytes(w.finish(), MetafileFormat::Emf);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->naturalSize, QSize(px(2500 * 96 / 2540.0), px(2500 * 96 / 2540.0)));
    const QImage image = draw(*picture, QSize(100, 100));
    EXPECT_TRUE(isRed(image, 12, 12));
    EXPECT_TRUE(isWhite(image, 37, 37));
    EXPECT_TRUE(isRed(image, 62, 62));
    EXPECT_TRUE(isWhite(image, 87, 87));
    // Drawn four times larger, still in the same places.
    const QImage big = draw(*picture, QSize(400, 400));
    EXPECT_TRUE(isRed(big, 50, 50));
    EXPECT_TRUE(isWhite(big, 150, 150));
    EXPECT_TRUE(isRed(big, 250, 250));
}

TEST(MetafileObjects, EveryWmfCreationTakesTheLowestFreeSlot)
{
    test::guiApplication();
    WmfWriter w;
    w.record(SetWindowExt, {10, 40});
    w.record(CreatePen, Params().u16(5).i16(0).i16(0).color(0, 0, 0)); // slot 0
    w.record(CreateBrush, Params().u16(0).color(0, 0, 255).u16(0));     // slot 1, blue
    // A palette is never drawn, yet it takes slot 2.
    w.record(CreatePalette, Params().u16(0x300).u16(1).color(1, 2, 3));
    w.record(CreateBrush, Params().u16(0).color(255, 0, 0).u16(0)); // slot 3, red
    w.record(SelectObject, {0});
    w.record(SelectObject, {3});
    rect(w, 0, 0, 10, 10);
    w.record(DeleteObject, {1});
    w.record(CreateBrush, Params().u16(0).color(0, 255, 0).u16(0)); // reuses slot 1: green
    w.record(SelectObject, {1});
    rect(w, 10, 0, 20, 10);
    w.record(SelectObject, {3});
    rect(w, 20, 0, 30, 10);
    // Indexes of nothing, far or near, change nothing.
    w.record(SelectObject, {2});
    w.record(SelectObject, {-1});
    w.record(SelectObject, {7});
    rect(w, 30, 0, 40, 10);
    const QImage image = drawWmf(w.finish(), QSize(40, 10));
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(15, 5), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(25, 5), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(35, 5), qRgb(255, 0, 0));
}

QByteArray emfText(quint32 align, int escapement, const QString& text)
{
    EmfWriter w(QRect(0, 0, 200, 200), QRect(QPoint(0, 0), QPoint(5000, 5000)));
    Params font;
    font.u32(1).i32(-30).i32(0).i32(escapement).i32(escapement).i32(400).u32(0).u32(0);
    const QString face = QStringLiteral("DejaVu Sans");
    for (int i = 0; i < 32; ++i)
        font.u16(i < face.size() ? face[i].unicode() : 0);
    w.record(U_EMR_EXTCREATEFONTINDIRECTW, font);
    w.record(U_EMR_SELECTOBJECT, Params().u32(1));
    w.record(U_EMR_SETBKMODE, Params().u32(1));
    w.record(U_EMR_SETTEXTALIGN, Params().u32(align));
    Params out;
    // bounds, graphics mode, scales, then the text: reference, count, offsets.
    out.rectL(0, 0, 0, 0).u32(1).f32(0).f32(0);
    out.i32(100).i32(100).u32(quint32(text.size())).u32(76).u32(0).rectL(0, 0, 0, 0).u32(0);
    for (const QChar c : text)
        out.u16(c.unicode());
    w.record(U_EMR_EXTTEXTOUTW, out);
    return w.finish();
}

TEST(MetafileText, AlignmentPlacesTheTextAroundItsReferencePoint)
{
    test::guiApplication();
    const QSize size(200, 200);
    const QRect left = ink(drawEmf(emfText(0, 0, QStringLiteral("HHHH")), size));
    ASSERT_FALSE(left.isEmpty());
    EXPECT_GE(left.left(), 98);   // TA_LEFT: starts at the point
    EXPECT_GE(left.top(), 98);    // TA_TOP: hangs below it
    const QRect right = ink(drawEmf(emfText(U_TA_RIGHT, 0, QStringLiteral("HHHH")), size));
    EXPECT_LE(right.right(), 102); // ends at the point
    EXPECT_NEAR(right.width(), left.width(), 2);
    const QRect centre = ink(drawEmf(emfText(U_TA_CENTER, 0, QStringLiteral("HHHH")), size));
    EXPECT_NEAR(centre.center().x(), 100, 3);
    const QRect baseline = ink(drawEmf(emfText(U_TA_BASELINE, 0, QStringLiteral("HHHH")), size));
    EXPECT_NEAR(baseline.bottom(), 100, 2); // capitals sit on the baseline
    const QRect bottom = ink(drawEmf(emfText(U_TA_BOTTOM, 0, QStringLiteral("HHHH")), size));
    EXPECT_LE(bottom.bottom(), 100);
    EXPECT_LT(bottom.bottom(), baseline.bottom());
    // Escapement 90 degrees: the line runs upwards from the point.
    const QRect up = ink(drawEmf(emfText(0, 900, QStringLiteral("HHHHHH")), size));
    EXPECT_GT(up.height(), up.width());
    EXPECT_LE(up.bottom(), 102);
    EXPECT_GE(up.left(), 98);
}

TEST(MetafilePaths, FillStrokeAndClipToAPath)
{
    test::guiApplication();
    auto triangle = [](EmfWriter& w) {
        w.record(U_EMR_BEGINPATH);
        w.record(U_EMR_MOVETOEX, Params().i32(10).i32(90));
        w.record(U_EMR_LINETO, Params().i32(50).i32(10));
        w.record(U_EMR_LINETO, Params().i32(90).i32(90));
        w.record(U_EMR_CLOSEFIGURE);
        w.record(U_EMR_ENDPATH);
    };
    const QRect frame(QPoint(0, 0), QPoint(2500, 2500)); // 100 x 100 reference pixels
    {
        EmfWriter w(QRect(0, 0, 100, 100), frame);
        w.record(U_EMR_CREATEBRUSHINDIRECT, Params().u32(1).u32(0).color(255, 0, 0).u32(0));
        w.record(U_EMR_SELECTOBJECT, Params().u32(1));
        triangle(w);
        w.record(U_EMR_FILLPATH, Params().rectL(0, 0, 100, 100));
        const QImage image = drawEmf(w.finish(), QSize(100, 100));
        EXPECT_TRUE(isRed(image, 50, 60));
        EXPECT_TRUE(isWhite(image, 15, 20));
        EXPECT_TRUE(isWhite(image, 85, 20));
    }
    {
        // A thick pen strokes the outline only.
        EmfWriter w(QRect(0, 0, 100, 100), frame);
        w.record(U_EMR_CREATEPEN, Params().u32(1).u32(0).i32(6).i32(0).color(0, 0, 255));
        w.record(U_EMR_SELECTOBJECT, Params().u32(1));
        triangle(w);
        w.record(U_EMR_STROKEPATH, Params().rectL(0, 0, 100, 100));
        const QImage image = drawEmf(w.finish(), QSize(100, 100));
        EXPECT_EQ(qBlue(image.pixel(50, 89)), 255);
        EXPECT_LT(qRed(image.pixel(50, 89)), 60);
        EXPECT_TRUE(isWhite(image, 50, 60));
    }
    {
        // The path as clip: a full-frame rectangle paints only the triangle.
        EmfWriter w(QRect(0, 0, 100, 100), frame);
        w.record(U_EMR_CREATEBRUSHINDIRECT, Params().u32(1).u32(0).color(255, 0, 0).u32(0));
        w.record(U_EMR_SELECTOBJECT, Params().u32(1));
        w.record(U_EMR_SELECTOBJECT, Params().u32(0x80000008));
        triangle(w);
        w.record(U_EMR_SELECTCLIPPATH, Params().u32(U_RGN_COPY));
        w.record(U_EMR_RECTANGLE, Params().rectL(0, 0, 100, 100));
        const QImage image = drawEmf(w.finish(), QSize(100, 100));
        EXPECT_TRUE(isRed(image, 50, 60));
        EXPECT_TRUE(isWhite(image, 15, 20));
    }
}

TEST(MetafileClipping, ClipRectanglesFollowSaveAndRestore)
{
    test::guiApplication();
    EmfWriter w(QRect(0, 0, 100, 100), QRect(QPoint(0, 0), QPoint(2500, 2500)));
    w.record(U_EMR_CREATEBRUSHINDIRECT, Params().u32(1).u32(0).color(255, 0, 0).u32(0));
    w.record(U_EMR_SELECTOBJECT, Params().u32(1));
    w.record(U_EMR_SELECTOBJECT, Params().u32(0x80000008));
    w.record(U_EMR_INTERSECTCLIPRECT, Params().rectL(0, 0, 50, 100));
    w.record(U_EMR_SAVEDC);
    w.record(U_EMR_EXCLUDECLIPRECT, Params().rectL(0, 0, 50, 50));
    w.record(U_EMR_RECTANGLE, Params().rectL(0, 0, 100, 100));
    w.record(U_EMR_RESTOREDC, Params().i32(-1));
    // Blue, after the exclusion was undone: the left half only.
    w.record(U_EMR_CREATEBRUSHINDIRECT, Params().u32(2).u32(0).color(0, 0, 255).u32(0));
    w.record(U_EMR_SELECTOBJECT, Params().u32(2));
    w.record(U_EMR_RECTANGLE, Params().rectL(0, 0, 100, 30));
    const QImage image = drawEmf(w.finish(), QSize(100, 100));
    EXPECT_EQ(image.pixel(25, 15), qRgb(0, 0, 255));
    EXPECT_TRUE(isWhite(image, 75, 15));
    EXPECT_TRUE(isWhite(image, 25, 40));
    EXPECT_TRUE(isRed(image, 25, 75));
    EXPECT_TRUE(isWhite(image, 75, 75));
}

} // namespace
