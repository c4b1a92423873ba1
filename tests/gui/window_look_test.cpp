// What the main window looks like on screen: the navigation buttons' arrows and
// highlight, the labels' colours on the black window, and the layout's size on
// screens of high resolution, read back as pixels.
#include "support/BookWriter.h"
#include "support/MainWindowFixture.h"
#include "support/RecordingLog.h"
#include "support/TestPaths.h"
#include "support/XServer.h"
#include "ui/ArrowGlyph.h"
#include "ui/NavigationButton.h"
#include "ui/PictureBox.h"
#include "ui/ScanIntervalSpinBox.h"

#include <QDeadlineTimer>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <functional>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kKeyGrey = qRgb(128, 128, 128);
const QRgb kBlue = qRgb(0, 0, 255);

int countPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& wanted)
{
    int count = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += wanted(image.pixel(x, y)) ? 1 : 0;
    return count;
}

int countColour(const QImage& image, const QRect& area, QRgb colour)
{
    return countPixels(image, area, [colour](QRgb p) { return (p & 0xFFFFFF) == (colour & 0xFFFFFF); });
}

// The smallest rectangle holding every pixel of the colour inside area.
QRect boundsOf(const QImage& image, const QRect& area, QRgb colour)
{
    QRect bounds;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

class WindowLook : public MainWindowFixture {
protected:
    QImage shot() const
    {
        const QImage image = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(image.size(), window->size()) << "this test runs without Qt's own scaling";
        return image;
    }
    // A child's rectangle in the window's coordinates.
    QRect placeOf(const QWidget* child) const { return QRect(child->mapTo(window.get(), QPoint(0, 0)), child->size()); }
    QRect glyphOf(const NavigationButton* button) const
    {
        return button->glyphRect().translated(placeOf(button).topLeft());
    }
};

} // namespace

TEST_F(WindowLook, TheButtonsShowSolidBlackArrowsOnTheirFacesOnABlackWindow)
{
    createWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return (window->geometry()) == (window->screen()->availableGeometry()); }, 5000));
    const QImage image = shot();

    // No book: only the black window around the buttons, labels and boxes.
    const int controlsBottom = qRound(74 * window->layoutScale());
    const QRect below(0, controlsBottom, image.width(), image.height() - controlsBottom);
    EXPECT_EQ(countColour(image, below, kBlack), below.width() * below.height());
    const QRect rightOfLabels(placeOf(window->LabelInformacio).right() + 10, 0, 50, controlsBottom);
    EXPECT_EQ(countColour(image, rightOfLabels, kBlack), rightOfLabels.width() * rightOfLabels.height());

    struct Case {
        NavigationButton* button;
        ArrowDirection direction;
    };
    for (const Case& c : {Case{window->SpeedButtonEsquerra, ArrowDirection::Left},
                          Case{window->SpeedButtonDreta, ArrowDirection::Right}}) {
        SCOPED_TRACE(c.button->objectName().toStdString());
        const QRect glyph = glyphOf(c.button);
        ASSERT_EQ(glyph.size(), QSize(32, 32));
        ASSERT_TRUE(placeOf(c.button).contains(glyph));
        // The glyph's key colour never reaches the screen: the face shows through.
        EXPECT_EQ(countColour(image, glyph, kKeyGrey), 0);
        const QRgb face = image.pixel(placeOf(c.button).left() + c.button->frameThickness() + 1, glyph.center().y());
        EXPECT_NE(face & 0xFFFFFF, kBlack & 0xFFFFFF);
        EXPECT_NE(face & 0xFFFFFF, kKeyGrey & 0xFFFFFF);

        // Pixel by pixel: black exactly where the arrow is, the face elsewhere.
        const QImage arrow = arrowGlyph(c.direction);
        int mismatches = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb onScreen = image.pixel(glyph.left() + x, glyph.top() + y) & 0xFFFFFF;
                const bool opaque = qAlpha(arrow.pixel(x, y)) == 255;
                mismatches += onScreen != ((opaque ? kBlack : face) & 0xFFFFFF) ? 1 : 0;
            }
        EXPECT_EQ(mismatches, 0);

        // The arrow's shape read from the screen: a head 26 pixels tall at its
        // back, a shaft 10 pixels thick, the head on the side it points to.
        QList<int> columns;
        for (int x = glyph.left(); x <= glyph.right(); ++x)
            columns << countColour(image, QRect(x, glyph.top(), 1, glyph.height()), kBlack);
        const int tallest = *std::max_element(columns.begin(), columns.end());
        EXPECT_EQ(tallest, 26);
        const qsizetype back = columns.indexOf(tallest);
        const bool headOnTheRight = back > 16;
        EXPECT_EQ(headOnTheRight, c.direction == ArrowDirection::Right);
        const int shaftColumn = headOnTheRight ? 10 : 21;
        EXPECT_EQ(columns[shaftColumn], 10);
        const QRect leftHalf(glyph.left(), glyph.top(), 16, 32);
        const QRect rightHalf(glyph.left() + 16, glyph.top(), 16, 32);
        const int left = countColour(image, leftHalf, kBlack);
        const int right = countColour(image, rightHalf, kBlack);
        EXPECT_EQ(right > left, c.direction == ArrowDirection::Right) << left << " / " << right;
    }
}

TEST_F(WindowLook, TheHighlightedButtonHasAYellowCaptionInsideAThickFrame)
{
    createWindow();
    window->ScanStep(); // no book: the next button
    ASSERT_TRUE(window->SpeedButtonDreta->isHighlighted());
    QImage image = shot();

    NavigationButton* lit = window->SpeedButtonDreta;
    NavigationButton* other = window->SpeedButtonEsquerra;
    const QRect litPlace = placeOf(lit);
    const QRect caption = lit->captionRect().translated(litPlace.topLeft());
    // Yellow letters on black: every pixel of the caption is a shade of yellow
    // (the letters' smoothed edges blend into the black), many of them full.
    auto shadeOfYellow = [](QRgb p) { return std::abs(qRed(p) - qGreen(p)) <= 1 && qBlue(p) <= 1; };
    EXPECT_EQ(countPixels(image, caption, shadeOfYellow), caption.width() * caption.height());
    EXPECT_GE(countPixels(image, caption, [](QRgb p) { return qRed(p) >= 200 && qGreen(p) >= 200 && qBlue(p) <= 1; }), 20);
    EXPECT_GE(countColour(image, caption, kYellow), 3);
    // The other caption is drawn in the window-text colour on the face, without yellow.
    const QRect otherCaption = other->captionRect().translated(placeOf(other).topLeft());
    EXPECT_EQ(countPixels(image, placeOf(other), [](QRgb p) { return qBlue(p) < 100 && qRed(p) > 150 && qGreen(p) > 150; }), 0);
    const QColor text = other->palette().color(QPalette::WindowText);
    EXPECT_GE(countPixels(image, otherCaption, [&](QRgb p) {
                  return std::abs(qRed(p) - text.red()) < 60 && std::abs(qGreen(p) - text.green()) < 60 && std::abs(qBlue(p) - text.blue()) < 60;
              }),
              10);

    // The frame: along every edge, past a black line, a yellow band at least 4
    // pixels thick, then a black line again on the face's side.
    const int band = lit->frameThickness();
    ASSERT_GE(band - 2, 4);
    const QRect frameInner = litPlace.adjusted(band, band, -band, -band);
    auto sideLine = [&](int depth) {
        QList<QPoint> points;
        for (int x = litPlace.left() + depth; x <= litPlace.right() - depth; ++x)
            points << QPoint(x, litPlace.top() + depth) << QPoint(x, litPlace.bottom() - depth);
        for (int y = litPlace.top() + depth; y <= litPlace.bottom() - depth; ++y)
            points << QPoint(litPlace.left() + depth, y) << QPoint(litPlace.right() - depth, y);
        return points;
    };
    for (int depth = 0; depth < band; ++depth) {
        const QRgb expected = depth == 0 || depth == band - 1 ? kBlack : kYellow;
        int wrong = 0;
        for (const QPoint& p : sideLine(depth))
            wrong += (image.pixel(p) & 0xFFFFFF) != (expected & 0xFFFFFF) ? 1 : 0;
        EXPECT_EQ(wrong, 0) << "depth " << depth;
    }
    // The caption lies inside the frame and is not cut: it fits its place.
    EXPECT_TRUE(frameInner.contains(caption));
    const QFontMetrics metrics(lit->captionFont());
    EXPECT_LE(metrics.horizontalAdvance(QStringLiteral(u"Següent")), caption.width());
    lit->setText(QStringLiteral(u"&Siguiente")); // the longest caption of the three languages
    EXPECT_LE(QFontMetrics(lit->captionFont()).horizontalAdvance(QStringLiteral(u"Siguiente")), caption.width());
    EXPECT_GE(lit->captionFont().pixelSize(), 8);

    window->ClearScanHighlight();
    image = shot();
    EXPECT_EQ(countColour(image, litPlace.united(placeOf(other)), kYellow), 0);
}

TEST_F(WindowLook, TheLabelsStandOutOnBlackAndThePageNumberIsVisible)
{
    createWindow();
    writeFile(path("a.txt"), "a");
    writeFile(path("b.txt"), "b");
    window->LoadBook(writeBook("llibre.Lumbrix", 2, "", {"a.txt", "b.txt"}));
    ASSERT_EQ(window->LabelPagina->text(), QStringLiteral("1 - 2"));
    const QImage image = shot();

    // Pure blue, bold, on the window's black: only shades of blue.
    const QRect info = placeOf(window->LabelInformacio);
    EXPECT_TRUE(QFontInfo(window->LabelInformacio->font()).bold());
    EXPECT_GE(countColour(image, info, kBlue), 60);
    EXPECT_EQ(countPixels(image, info, [](QRgb p) { return qRed(p) == 0 && qGreen(p) == 0; }), info.width() * info.height());
    EXPECT_TRUE(window->rect().contains(info));

    // The page label: white on black, beside the buttons, under no other control.
    const QRect page = placeOf(window->LabelPagina);
    EXPECT_TRUE(window->LabelPagina->isVisible());
    EXPECT_GE(countPixels(image, page, [](QRgb p) { return std::min({qRed(p), qGreen(p), qBlue(p)}) >= 200; }), 8);
    EXPECT_EQ(countPixels(image, page, [](QRgb p) { return qRed(p) == qGreen(p) && qGreen(p) == qBlue(p); }),
              page.width() * page.height());
    EXPECT_GE(page.left(), placeOf(window->SpeedButtonDreta).right());
    EXPECT_LT(page.top(), placeOf(window->SpeedButtonDreta).bottom());
    for (QWidget* control : {static_cast<QWidget*>(window->SpeedButtonEsquerra), static_cast<QWidget*>(window->SpeedButtonDreta),
                             static_cast<QWidget*>(window->SpinEditTempsTimer), static_cast<QWidget*>(window->EditVelocitat),
                             static_cast<QWidget*>(window->LabelInformacio), static_cast<QWidget*>(window->Memo1)})
        EXPECT_FALSE(placeOf(control).intersects(page)) << control->objectName().toStdString();
    // The largest book's label fits too.
    EXPECT_LE(QFontMetrics(window->LabelPagina->font()).horizontalAdvance(QStringLiteral("1001 - 1001")), page.width());
}

TEST_F(WindowLook, OverALightPictureTheLabelsKeepTheirOwnBlackRectangle)
{
    createWindow();
    // White, larger than the window: stretched to fill it, behind the labels too.
    writeBmp(path("white.bmp"), window->width() + 40, window->height() + 40, Qt::white);
    window->LoadBook(writeBook("llibre.Lumbrix", 1, "", {"white.bmp"}));
    ASSERT_TRUE(window->Image1->isVisible());
    ASSERT_EQ(window->LabelPagina->text(), QStringLiteral("1 - 1"));
    const QImage image = shot();
    const QRgb white = qRgb(255, 255, 255);

    const QRect info = placeOf(window->LabelInformacio), page = placeOf(window->LabelPagina);
    EXPECT_EQ(countPixels(image, info, [](QRgb p) { return qRed(p) == 0 && qGreen(p) == 0; }), info.width() * info.height())
        << "blue text on black";
    EXPECT_GE(countColour(image, info, kBlue), 60);
    EXPECT_GE(countColour(image, page, kBlack), page.width() * page.height() / 2) << "white text on black";
    EXPECT_GE(countPixels(image, page, [](QRgb p) { return std::min({qRed(p), qGreen(p), qBlue(p)}) >= 200; }), 8);
    // The picture goes on right beside each label: no black band across it.
    for (const QRect& label : {info, page})
        for (const QPoint beside : {QPoint(label.right() + 2, label.center().y()), QPoint(label.center().x(), label.bottom() + 2),
                                    QPoint(label.center().x(), label.top() - 2)})
            EXPECT_EQ(image.pixel(beside), white) << beside.x() << "," << beside.y();
}

namespace {

// The X server's whole screen, in its own (physical) pixels.
QImage screenOfServer()
{
    QProcess import;
    import.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")});
    if (!import.waitForFinished(20000) || import.exitCode() != 0)
        return {};
    return QImage::fromData(import.readAllStandardOutput(), "PNG").convertToFormat(QImage::Format_RGB32);
}

} // namespace

// The real program under each way of asking for a larger picture: Qt's own
// scale factor, a font resolution of 192 (what a desktop sets for a 4K
// screen), and that resolution with Qt's scaling switched off. Every way must
// double the buttons on the screen once, not twice, and the scan must put the
// pointer on the highlighted button.
TEST(WindowLookOnScreen, TheLayoutScalesOnceOnScreensOfHighResolution)
{
    if (!xdotoolAvailable() || QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
        GTEST_SKIP() << "xdotool or ImageMagick's import is not installed";
    const QString program = buildPath(QStringLiteral("tirvelo"));
    ASSERT_TRUE(QFileInfo(program).isExecutable());
    QTemporaryDir dir;
    // Scanning stored as active, and a one-page book: the scan highlights the
    // next button at every step once the book has loaded.
    writeFile(dir.filePath("config/Quirna2001.ini"), "[Tirvelo]\r\nEscaneig=s\xED\r\n");
    writeFile(dir.filePath("p.txt"), "hola");
    const QString book = writeFile(dir.filePath("llibre.Lumbrix"), bookBytes(1, QFile::encodeName(dir.path()) + '/', {"p.txt"}));

    struct Variant {
        const char* name;
        QList<QPair<QString, QString>> environment;
        int factor;
        bool qtScales; // Qt draws a logical pixel as factor x factor screen pixels
    };
    const QString scale = QStringLiteral("QT_SCALE_FACTOR");
    const QString fontDpi = QStringLiteral("QT_FONT_DPI");
    const QString highDpi = QStringLiteral("QT_ENABLE_HIGHDPI_SCALING");
    const Variant variants[] = {
        {"96 dpi", {}, 1, true},
        {"QT_SCALE_FACTOR=2", {{scale, QStringLiteral("2")}}, 2, true},
        {"QT_FONT_DPI=192", {{fontDpi, QStringLiteral("192")}}, 2, true},
        {"QT_FONT_DPI=192 without Qt's scaling", {{fontDpi, QStringLiteral("192")}, {highDpi, QStringLiteral("0")}}, 2, false},
    };
    for (const Variant& variant : variants) {
        SCOPED_TRACE(variant.name);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name : {scale, fontDpi, highDpi, QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QStringLiteral("QT_QPA_PLATFORM")})
            environment.remove(name);
        for (const auto& [name, value] : variant.environment)
            environment.insert(name, value);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath("config"));
        environment.insert(QStringLiteral("TIRVELO_SPEECH_LIBRARY"), recordingEnginePath());
        environment.insert(QStringLiteral("TIRVELO_RECORDING_LOG"), dir.filePath("calls.log"));

        QCursor::setPos(700, 700);
        QProcess tirvelo;
        tirvelo.setProcessEnvironment(environment);
        tirvelo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tirvelo.start(program, {book});
        ASSERT_TRUE(tirvelo.waitForStarted(10000));

        // The splash, the book, then the first scan step moves the pointer
        // onto the next button: client point (85, 15), in physical pixels.
        const QPoint expected(85 * variant.factor, 15 * variant.factor);
        std::optional<QPoint> pointer;
        QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired() && (pointer = pointerPositionOnServer()) != expected)
            QTest::qWait(100);
        EXPECT_EQ(pointer.value_or(QPoint(-1, -1)), expected);

        // The highlighted button's frame, read from the X server: twice the
        // design's 57 pixels at twice the resolution.
        QImage screen;
        QRect frame;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (screen = screenOfServer(), frame = boundsOf(screen, QRect(0, 0, 400, 300), kYellow),
                                  frame.isValid()); }, 10000));
        // (The yellow lies inside a black line one logical pixel wide.)
        const int line = variant.qtScales ? variant.factor : 1;
        EXPECT_NEAR(frame.width() + 2 * line, 57 * variant.factor, 1) << "frame " << frame.x() << "," << frame.y();
        EXPECT_NEAR(frame.height() + 2 * line, 57 * variant.factor, 1);
        EXPECT_NEAR(frame.left() - line, 56 * variant.factor, 1);
        EXPECT_NEAR(frame.center().x(), expected.x(), 2);
        EXPECT_TRUE(frame.contains(expected));
        // The previous button beside it, at the same size: its face is grey, not the window's black.
        const QRgb previousFace = screen.pixel(28 * variant.factor, 50 * variant.factor);
        EXPECT_NE(previousFace & 0xFFFFFF, kBlack & 0xFFFFFF);

        tirvelo.kill();
        tirvelo.waitForFinished(10000);
    }
}
