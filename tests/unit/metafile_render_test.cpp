// Draws real-world metafiles and metafiles real programs wrote, and compares
// each drawing with a reference rasterisation of the same picture.
//
// Tolerance: both images are composited on white, blurred with a 3x3 box, and
// compared per channel. The mean absolute difference (0-255) and the share of
// pixels whose largest channel difference exceeds 64 must stay under each
// file's limits; the limits are loose where the references disagree with
// each other (fonts, anti-aliasing, hatch phase). The small emf2svg icons
// have the widest limits: their outlines are pens far thinner than a pixel,
// which GDI (and this player) draws one device pixel wide and the reference
// renderers leave out. emf2svg_test-038 holds only EMF+ records, which are
// not played: it must draw nothing, as the Inkscape reference does.
#include "formats/MetafilePicture.h"
#include "support/TestApplication.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace tirvelo;
using tirvelo::test::sharedTestDataPath;
using tirvelo::test::testDataPath;

namespace {

QImage onWhite(const QImage& image)
{
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, image);
    return out;
}

QImage blurred(const QImage& image)
{
    QImage out(image.size(), QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    for (int y = 0; y < h; ++y) {
        QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int r = 0, g = 0, b = 0, n = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                const int yy = y + dy;
                if (yy < 0 || yy >= h)
                    continue;
                const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(yy));
                for (int dx = -1; dx <= 1; ++dx) {
                    const int xx = x + dx;
                    if (xx < 0 || xx >= w)
                        continue;
                    r += qRed(line[xx]);
                    g += qGreen(line[xx]);
                    b += qBlue(line[xx]);
                    ++n;
                }
            }
            o[x] = qRgb(r / n, g / n, b / n);
        }
    }
    return out;
}

struct Difference {
    double mean = 0;      // mean absolute channel difference, 0-255
    double differing = 0; // share of pixels with a channel off by more than 64
};

Difference compare(const QImage& a, const QImage& b)
{
    const QImage x = blurred(onWhite(a)), y = blurred(onWhite(b));
    double sum = 0;
    int64_t off = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int dr = std::abs(qRed(p[col]) - qRed(q[col]));
            const int dg = std::abs(qGreen(p[col]) - qGreen(q[col]));
            const int db = std::abs(qBlue(p[col]) - qBlue(q[col]));
            sum += dr + dg + db;
            if (std::max({dr, dg, db}) > 64)
                ++off;
        }
    }
    const double pixels = double(x.width()) * x.height();
    return {sum / (3 * pixels), off / pixels};
}

// Draws at the reference's size; a picture whose own size is within a few
// pixels of it (a writer that rounds its frame up to whole millimetres) is
// drawn at its own size from the top left instead, as the reference was.
QImage render(const Picture& picture, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const QSize own = picture.naturalSize;
    const bool close = std::abs(own.width() - size.width()) <= 3 && std::abs(own.height() - size.height()) <= 3;
    picture.paint(painter, QRectF(QPointF(0, 0), QSizeF(close ? own : size)));
    painter.end();
    return image;
}

struct Case {
    const char* file;
    const char* reference;
    double maxMean;
    double maxDiffering;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.file; }

class MetafileRender : public testing::TestWithParam<Case> {};

TEST_P(MetafileRender, DrawsCloseToTheReference)
{
    test::guiApplication();
    const Case& c = GetParam();
    QString path = testDataPath(QStringLiteral("metafiles/") + c.file);
    QString reference = testDataPath(QStringLiteral("metafiles/") + c.reference);
    if (!QFileInfo::exists(path)) {
        // The shared data sits beside the project; a checkout elsewhere can
        // name it with TIRVELO_SHARED_TESTDATA.
        QString shared = sharedTestDataPath(QStringLiteral("metafiles"));
        if (!QFileInfo::exists(shared) && qEnvironmentVariableIsSet("TIRVELO_SHARED_TESTDATA"))
            shared = qEnvironmentVariable("TIRVELO_SHARED_TESTDATA") + QStringLiteral("/metafiles");
        path = shared + QLatin1Char('/') + QString::fromLatin1(c.file);
        reference = shared + QLatin1Char('/') + QString::fromLatin1(c.reference);
        if (!QFileInfo::exists(path))
            GTEST_SKIP() << "shared test data absent: " << path.toStdString();
    }
    const MetafileFormat format = path.endsWith(QStringLiteral(".wmf")) ? MetafileFormat::Wmf : MetafileFormat::Emf;
    const auto picture = loadMetafilePicture(path, format);
    ASSERT_TRUE(picture.has_value()) << c.file;
    const QImage expected(reference);
    ASSERT_FALSE(expected.isNull()) << c.reference;
    const QImage drawn = render(*picture, expected.size());
    Difference d = compare(drawn, expected.convertToFormat(QImage::Format_ARGB32));
    // Where a second renderer drew the file too, the closer reference counts:
    // the two disagree on hairlines, fonts and anti-aliasing.
    for (const char* other : {".ref-inkscape.png", ".upstream-ref.png"}) {
        const QImage alternative(path + QString::fromLatin1(other));
        if (alternative.size() == expected.size()) {
            const Difference e = compare(drawn, alternative.convertToFormat(QImage::Format_ARGB32));
            if (e.mean < d.mean)
                d = e;
        }
    }
    if (qEnvironmentVariableIsSet("TIRVELO_METAFILE_DUMP")) {
        const QString dir = qEnvironmentVariable("TIRVELO_METAFILE_DUMP");
        QDir().mkpath(dir);
        onWhite(drawn).save(dir + QLatin1Char('/') + QString::fromLatin1(c.file) + QStringLiteral(".png"));
        std::printf("%-48s natural %5dx%-5d ref %5dx%-5d mean %6.2f differing %6.4f\n", c.file,
                    picture->naturalSize.width(), picture->naturalSize.height(), expected.width(), expected.height(),
                    d.mean, d.differing);
    }
    EXPECT_LE(d.mean, c.maxMean) << c.file;
    EXPECT_LE(d.differing, c.maxDiffering) << c.file;
}

INSTANTIATE_TEST_SUITE_P(
    WrittenByPrograms, MetafileRender,
    // Inkscape 1.2 wrote these from the .svg beside them, and the reference PNG
    // from the same SVG.
    testing::Values(Case{"inkscape_shapes.emf", "inkscape_shapes.ref.png", 3, 0.01},
                    Case{"inkscape_shapes.wmf", "inkscape_shapes.ref.png", 3, 0.01},
                    Case{"inkscape_text.emf", "inkscape_text.ref.png", 3, 0.01},
                    Case{"inkscape_text.wmf", "inkscape_text.ref.png", 3, 0.01}));

INSTANTIATE_TEST_SUITE_P(
    SharedFiles, MetafileRender,
    testing::Values(
        Case{"pillow_drawing.emf", "pillow_drawing.emf.ref.png", 3.5, 0.01},
        Case{"pillow_drawing.wmf", "pillow_drawing.wmf.ref.png", 3, 0.01},
        Case{"libgdiplus_test.wmf", "libgdiplus_test.wmf.ref.png", 3, 0.01},
        Case{"libgdiplus_test.emf", "libgdiplus_test.emf.ref.png", 12.5, 0.059},
        Case{"wmf2svg_fulltest.wmf", "wmf2svg_fulltest.wmf.ref.png", 7.5, 0.034},
        Case{"wmf2svg_fulltest.emf", "wmf2svg_fulltest.emf.ref.png", 12, 0.082},
        // The table's hairlines are shrunk: drawn one pixel wide and black
        // here, as GDI draws them, and faint grey in the reference.
        Case{"wmf2svg_symbol-font-tables.wmf", "wmf2svg_symbol-font-tables.wmf.ref.png", 11, 0.032},
        Case{"emf2svg_EA-test-file-001.emf", "emf2svg_EA-test-file-001.emf.ref.png", 3, 0.01},
        Case{"emf2svg_EA-test-file-101.emf", "emf2svg_EA-test-file-101.emf.ref.png", 3, 0.01},
        Case{"emf2svg_EA-test-file-102.emf", "emf2svg_EA-test-file-102.emf.ref.png", 4, 0.01},
        Case{"emf2svg_test-000.emf", "emf2svg_test-000.emf.ref.png", 7.5, 0.014},
        Case{"emf2svg_test-007.emf", "emf2svg_test-007.emf.ref.png", 38, 0.274},
        Case{"emf2svg_test-012.emf", "emf2svg_test-012.emf.ref.png", 35, 0.326},
        Case{"emf2svg_test-023.emf", "emf2svg_test-023.emf.ref.png", 3, 0.01},
        Case{"emf2svg_test-025.emf", "emf2svg_test-025.emf.ref.png", 38, 0.283},
        Case{"emf2svg_test-029.emf", "emf2svg_test-029.emf.ref.png", 24.5, 0.195},
        Case{"emf2svg_test-031.emf", "emf2svg_test-031.emf.ref.png", 4, 0.012},
        Case{"emf2svg_test-034.emf", "emf2svg_test-034.emf.ref.png", 28, 0.225},
        Case{"emf2svg_test-038.emf", "emf2svg_test-038.emf.ref.png", 3, 0.01},
        Case{"emf2svg_test-039.emf", "emf2svg_test-039.emf.ref.png", 8, 0.069},
        Case{"emf2svg_test-041.emf", "emf2svg_test-041.emf.ref.png", 3, 0.015},
        Case{"emf2svg_test-045.emf", "emf2svg_test-045.emf.ref.png", 3, 0.01},
        Case{"emf2svg_test-065.emf", "emf2svg_test-065.emf.ref.png", 5, 0.012},
        Case{"emf2svg_test-068.emf", "emf2svg_test-068.emf.ref.png", 11.5, 0.071},
        Case{"emf2svg_test-104.emf", "emf2svg_test-104.emf.ref.png", 25.5, 0.19},
        Case{"emf2svg_test-109.emf", "emf2svg_test-109.emf.ref.png", 3, 0.01},
        Case{"emf2svg_test-123.emf", "emf2svg_test-123.emf.ref.png", 25.5, 0.156},
        Case{"emf2svg_test-124.emf", "emf2svg_test-124.emf.ref.png", 3, 0.01},
        Case{"emf2svg_test-131.emf", "emf2svg_test-131.emf.ref.png", 3, 0.013},
        Case{"emf2svg_test-132.emf", "emf2svg_test-132.emf.ref.png", 25.5, 0.161},
        Case{"emf2svg_test-150.emf", "emf2svg_test-150.emf.ref.png", 27.5, 0.063},
        Case{"emf2svg_test-152.emf", "emf2svg_test-152.emf.ref.png", 3, 0.01},
        Case{"emf2svg_test-153.emf", "emf2svg_test-153.emf.ref.png", 3, 0.01},
        Case{"emf2svg_test-154.emf", "emf2svg_test-154.emf.ref.png", 3, 0.01},
        Case{"emf2svg_test-156.emf", "emf2svg_test-156.emf.ref.png", 3, 0.011},
        Case{"emf2svg_test-160.emf", "emf2svg_test-160.emf.ref.png", 5.5, 0.028},
        Case{"emf2svg_test-161.emf", "emf2svg_test-161.emf.ref.png", 3.5, 0.01},
        Case{"emf2svg_test-171.emf", "emf2svg_test-171.emf.ref.png", 3, 0.01},
        Case{"emf2svg_test-176.emf", "emf2svg_test-176.emf.ref.png", 10, 0.073},
        Case{"emf2svg_test-179.emf", "emf2svg_test-179.emf.ref.png", 7, 0.01},
        Case{"emf2svg_test-180.emf", "emf2svg_test-180.emf.ref.png", 6.5, 0.01},
        Case{"emf2svg_test-182.emf", "emf2svg_test-182.emf.ref.png", 34.5, 0.053},
        Case{"emf2svg_test-186.emf", "emf2svg_test-186.emf.ref.png", 3, 0.01}));

} // namespace
