// The main window as an XWayland client: the test's X server with
// WAYLAND_DISPLAY set, as on a Wayland desktop. Real clicks from xdotool.
#include "support/MainWindowFixture.h"
#include "support/ScopedEnvironmentVariable.h"
#include "support/XServer.h"
#include "ui/NavigationButton.h"
#include "ui/PictureBox.h"

#include <QAction>
#include <QCursor>
#include <QTest>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

class XWaylandWindow : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        if (!xdotoolAvailable())
            GTEST_SKIP() << "xdotool is not installed";
        createWindow();
        ASSERT_EQ(window->desktopSession().kind, DesktopKind::XWayland);
        QList<QByteArray> pages;
        for (int i = 0; i < 3; ++i) {
            const QByteArray name = "p" + QByteArray::number(i) + ".bmp";
            writeBmp(path(QString::fromLatin1(name)), 40, 30);
            pages << name;
        }
        window->LoadBook(writeBook("colours.Lumbrix", 3, "", pages));
        window->raise();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->Image1->isVisible(); }, 5000));
    }
    // A real click with the pointer resting on the page, away from the buttons.
    void clickOn(QWidget* widget)
    {
        QCursor::setPos(widget->mapToGlobal(widget->rect().center()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return pointerPositionOnServer() == QCursor::pos(); }, 5000));
        ASSERT_TRUE(clickAtPointer());
    }
    void turnedTo(int page)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->book.CurrentPage == page; }, 5000))
            << "on page " << window->book.CurrentPage << ", not " << page;
    }

    ScopedEnvironmentVariable m_display{"WAYLAND_DISPLAY", QByteArray("wayland-test")};
};

} // namespace

// The scan leaves the pointer where it is, so a click on the page presses the
// highlighted button while scanning; straight on a button it acts on that one.
TEST_F(XWaylandWindow, AClickOnThePagePressesTheHighlightedButtonWhileScanning)
{
    setScanning(true);
    window->book.CurrentPage = 2;
    window->ShowPage();
    const QPoint resting = window->Image1->mapToGlobal(window->Image1->rect().center());
    QCursor::setPos(resting);
    window->ScanStep(); // the last page: "Anterior"
    ASSERT_TRUE(window->SpeedButtonEsquerra->isHighlighted());
    EXPECT_EQ(QCursor::pos(), resting);
    clickOn(window->Image1);
    turnedTo(1);

    window->scan.ScanPosition = 0;
    window->ScanStep(); // a middle page after "Anterior": "Següent"
    ASSERT_TRUE(window->SpeedButtonDreta->isHighlighted());
    clickOn(window->SpeedButtonEsquerra); // straight on the other button
    turnedTo(0);

    // Not scanning: a click on the page is the next page, whatever is highlighted.
    window->book.CurrentPage = 1;
    window->ShowPage();
    setScanning(false);
    window->ClearScanHighlight();
    window->SpeedButtonEsquerra->setHighlighted(true);
    clickOn(window->Image1);
    turnedTo(2);
}

// With an acceptance time a press on the page counts, as the highlighted
// button, once it has been held that long.
TEST_F(XWaylandWindow, AHeldPressOnThePageCountsAsTheHighlightedButton)
{
    AccessOptions options;
    options.acceptanceMs = 150;
    window->applyAccessOptions(options);
    setScanning(true);
    window->book.CurrentPage = 2;
    window->ShowPage();
    window->ScanStep(); // "Anterior"
    QCursor::setPos(window->Image1->mapToGlobal(window->Image1->rect().center()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pointerPositionOnServer() == QCursor::pos(); }, 5000));
    ASSERT_TRUE(leftButtonAtPointer(true));
    turnedTo(1); // it counts while still down
    ASSERT_TRUE(leftButtonAtPointer(false));
}
