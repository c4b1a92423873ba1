// The stretch of raster pictures to the picture box: places, edges, the
// alpha byte RGB32 promises, transparency over black, every source format,
// and sides too long for pixman's fixed-point coordinates.
#include "formats/RasterStretch.h"
#include "support/ColourChecks.h"

#include <QImage>
#include <gtest/gtest.h>


using tirvelo::stretchRaster;
using tirvelo::test::near;

namespace {

const QRgb Red = qRgb(255, 0, 0), Green = qRgb(0, 255, 0), Blue = qRgb(0, 0, 255), White = qRgb(255, 255, 255);

// Red, green / blue, white.
QImage quadrants(QSize size, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const bool left = x < size.width() / 2, top = y < size.height() / 2;
            image.setPixel(x, y, top ? (left ? Red : Green) : (left ? Blue : White));
        }
    return image.convertToFormat(format);
}

void expectQuadrants(const QImage& shown)
{
    const int w = shown.width(), h = shown.height();
    EXPECT_TRUE(near(shown.pixel(w / 8, h / 8), Red, 8));
    EXPECT_TRUE(near(shown.pixel(7 * w / 8, h / 8), Green, 8));
    EXPECT_TRUE(near(shown.pixel(w / 8, 7 * h / 8), Blue, 8));
    EXPECT_TRUE(near(shown.pixel(7 * w / 8, 7 * h / 8), White, 8));
    // The far corners keep their own colour: the border is not blended with
    // anything outside the picture.
    EXPECT_TRUE(near(shown.pixel(0, 0), Red, 0));
    EXPECT_TRUE(near(shown.pixel(w - 1, 0), Green, 0));
    EXPECT_TRUE(near(shown.pixel(0, h - 1), Blue, 0));
    EXPECT_TRUE(near(shown.pixel(w - 1, h - 1), White, 0));
}

bool everyAlphaByteIsOpaque(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(row[x]) != 255)
                return false;
    }
    return true;
}

} // namespace

TEST(RasterStretch, FillsExactlyTheSizeUpAndDownKeepingPlacesAndEdges)
{
    for (const QSize from : {QSize(64, 48), QSize(3000, 2000), QSize(2, 2)}) {
        for (const QSize to : {QSize(1920, 1080), QSize(1000, 20), QSize(17, 300), QSize(2, 2)}) {
            SCOPED_TRACE(testing::Message() << from.width() << "x" << from.height() << " to " << to.width() << "x"
                                            << to.height());
            const QImage shown = stretchRaster(quadrants(from), to);
            ASSERT_EQ(shown.size(), to);
            EXPECT_EQ(shown.format(), QImage::Format_RGB32);
            expectQuadrants(shown);
            EXPECT_TRUE(everyAlphaByteIsOpaque(shown));
        }
    }
    // One plain colour stays that colour everywhere, to the last pixel.
    QImage grey(3, 3, QImage::Format_RGB32);
    grey.fill(qRgb(90, 90, 90));
    const QImage shown = stretchRaster(grey, {101, 49});
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            ASSERT_EQ(shown.pixel(x, y), qRgb(90, 90, 90)) << x << "," << y;
}

TEST(RasterStretch, EveryDecoderFormatAndTransparencyOverBlack)
{
    for (const QImage::Format format : {QImage::Format_Indexed8, QImage::Format_RGB888, QImage::Format_RGB16,
                                        QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
        SCOPED_TRACE(int(format));
        const QImage shown = stretchRaster(quadrants({40, 30}, format), {90, 70});
        ASSERT_EQ(shown.size(), QSize(90, 70));
        expectQuadrants(shown);
        EXPECT_TRUE(everyAlphaByteIsOpaque(shown));
    }
    QImage grey(8, 8, QImage::Format_Grayscale8);
    grey.fill(200);
    EXPECT_TRUE(near(stretchRaster(grey, {30, 20}).pixel(29, 19), qRgb(200, 200, 200), 0));
    QImage mono(8, 8, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(1);
    EXPECT_TRUE(near(stretchRaster(mono, {30, 20}).pixel(15, 10), White, 0));

    // An icon's transparent and half-transparent pixels over black, at its
    // own size as well as stretched.
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(qRgba(0, 0, 0, 0));
    for (int y = 0; y < 16; ++y)
        for (int x = 8; x < 16; ++x)
            icon.setPixel(x, y, qRgba(255, 0, 0, 128));
    for (const QSize to : {QSize(16, 16), QSize(64, 32)}) {
        const QImage shown = stretchRaster(icon, to);
        ASSERT_EQ(shown.size(), to);
        EXPECT_EQ(shown.format(), QImage::Format_RGB32);
        EXPECT_TRUE(near(shown.pixel(1, 1), qRgb(0, 0, 0), 0));
        EXPECT_TRUE(near(shown.pixel(to.width() - 1, to.height() - 1), qRgb(128, 0, 0), 2));
        EXPECT_TRUE(everyAlphaByteIsOpaque(shown));
    }
}

TEST(RasterStretch, SidesBeyondFixedPointAndTheTrivialCases)
{
    // Longer than pixman's 16.16 coordinates reach: still stretched right.
    for (const QSize from : {QSize(40000, 4), QSize(4, 40000)}) {
        SCOPED_TRACE(from.width());
        const QImage shown = stretchRaster(quadrants(from), {100, 60});
        ASSERT_EQ(shown.size(), QSize(100, 60));
        EXPECT_TRUE(near(shown.pixel(25, 15), Red, 8));
        EXPECT_TRUE(near(shown.pixel(75, 45), White, 8));
        EXPECT_TRUE(everyAlphaByteIsOpaque(shown));
    }
    // Already the size and RGB32: the same pixels, not a copy.
    const QImage exact = quadrants({50, 40});
    EXPECT_EQ(stretchRaster(exact, {50, 40}).cacheKey(), exact.cacheKey());
    EXPECT_TRUE(stretchRaster(QImage(), {10, 10}).isNull());
    EXPECT_TRUE(stretchRaster(exact, {0, 10}).isNull());
    EXPECT_TRUE(stretchRaster(exact, {10, -1}).isNull());
}
