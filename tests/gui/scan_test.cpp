#include "support/MainWindowFixture.h"
#include "support/XServer.h"
#include "ui/AboutBox.h"
#include "ui/NavigationButton.h"
#include "ui/ScanIntervalSpinBox.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

class ScanCycleWindow : public MainWindowFixture {
protected:
    // A book of n text pages in the temporary folder, loaded.
    void loadBook(int pages)
    {
        QList<QByteArray> lines;
        for (int i = 0; i < pages; ++i) {
            const QByteArray name = "p" + QByteArray::number(i) + ".txt";
            writeFile(path(QString::fromLatin1(name)), "page " + QByteArray::number(i));
            lines << name;
        }
        window->LoadBook(writeBook("scan.Lumbrix", pages, "", lines));
    }
    // The window shown and active with a book of n pages, for real input.
    void showForRealInput(int pages)
    {
        createWindow();
        loadBook(pages);
        window->raise();
        window->activateWindow();
    }
    QPoint buttonCentre(int position) const
    {
        return window->mapToGlobal(window->scanPointerClientPoint().isNull() ? QPoint() : QPoint(qRound((position * 57 + 28) * window->layoutScale()), qRound(15 * window->layoutScale())));
    }
    // 0 previous, 1 next, -1 none.
    int highlighted() const
    {
        if (window->SpeedButtonEsquerra->isHighlighted())
            return window->SpeedButtonDreta->isHighlighted() ? 2 : 0;
        return window->SpeedButtonDreta->isHighlighted() ? 1 : -1;
    }
};

} // namespace

TEST_F(ScanCycleWindow, EachStepHighlightsAButtonAndPutsThePointerOnIt)
{
    createWindow();
    loadBook(5);
    struct Case { int page; std::vector<int> expected; };
    for (const Case& c : {Case{0, {1, 1}}, Case{4, {0, 0}}, Case{2, {1, 0, 1}}}) {
        window->book.CurrentPage = c.page;
        window->scan.ScanPosition = 0;
        for (int expected : c.expected) {
            QCursor::setPos(5, 500); // the user moved the pointer away
            window->ScanStep();
            EXPECT_EQ(highlighted(), expected) << "page " << c.page;
            const QColor caption = expected == 0 ? window->SpeedButtonEsquerra->captionColor() : window->SpeedButtonDreta->captionColor();
            EXPECT_EQ(caption, QColor(255, 255, 0));
            if (xdotoolAvailable()) {
                const std::optional<QPoint> onServer = pointerPositionOnServer();
                ASSERT_TRUE(onServer.has_value());
                EXPECT_EQ(*onServer, buttonCentre(expected)) << "page " << c.page;
            }
        }
    }
    window->ClearScanHighlight();
    EXPECT_EQ(highlighted(), -1);
    EXPECT_EQ(window->SpeedButtonDreta->captionColor(), window->SpeedButtonDreta->palette().color(QPalette::WindowText));
}

TEST_F(ScanCycleWindow, ARealClickOnTheHighlightedButtonTurnsThePage)
{
    if (!xdotoolAvailable())
        GTEST_SKIP() << "xdotool is not installed";
    showForRealInput(3);
    window->ScanStep(); // first page: the next button
    QTest::qWait(50);
    ASSERT_TRUE(clickAtPointer());
    ASSERT_TRUE(QTest::qWaitFor([&] { return (window->book.CurrentPage) == (1); }, 5000));
    window->ScanStep(); // middle page after "next": the previous button
    EXPECT_EQ(highlighted(), 0);
    ASSERT_TRUE(clickAtPointer());
    ASSERT_TRUE(QTest::qWaitFor([&] { return (window->book.CurrentPage) == (0); }, 5000));
}

// A switch wired as the left button and held across a step of the scan: the
// step waits, so the release lands on the button that was pressed.
TEST_F(ScanCycleWindow, AClickHeldAcrossAStepStillTurnsThePage)
{
    if (!xdotoolAvailable())
        GTEST_SKIP() << "xdotool is not installed";
    showForRealInput(3);
    window->book.CurrentPage = 1; // a middle page: each step moves to the other button
    window->ScanStep();
    const int pressed = highlighted();
    QTest::qWait(50);
    ASSERT_TRUE(leftButtonAtPointer(true));
    ASSERT_TRUE(QTest::qWaitFor([] { return QGuiApplication::mouseButtons() & Qt::LeftButton; }, 5000));
    window->Timer1Timer();
    EXPECT_EQ(highlighted(), pressed);
    ASSERT_TRUE(leftButtonAtPointer(false));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->book.CurrentPage != 1; }, 5000));
    EXPECT_EQ(window->book.CurrentPage, pressed == 0 ? 0 : 2);
    window->ClearScanHighlight();
    window->Timer1Timer(); // let go: the scan goes on
    EXPECT_NE(highlighted(), -1);
}

TEST_F(ScanCycleWindow, TheHighlightMovesAtTheChosenInterval)
{
    createWindow();
    loadBook(3);
    window->book.CurrentPage = 1;
    window->SpinEditTempsTimer->setValue(1);
    EXPECT_EQ(window->Timer1->interval(), 100);
    QSignalSpy ticks(window->Timer1, &QTimer::timeout);
    window->modes().toggleScanning();
    ASSERT_TRUE(window->Timer1->isActive());
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() >= 4; }, 5000));
    // Four ticks of 100 ms cannot come sooner than 400 ms.
    EXPECT_GE(clock.elapsed(), 390);
    EXPECT_NE(highlighted(), -1);
}

TEST_F(ScanCycleWindow, TheTimerFollowsEveryEventOfTheCycle)
{
    createWindow();
    TAboutBox about(services->bundle());
    window->setAboutBox(&about);
    EXPECT_FALSE(window->Timer1->isActive()); // created stopped

    window->modes().toggleScanning();           // "&Actiu" ticked: runs
    EXPECT_TRUE(window->Timer1->isActive());
    const int remaining = window->Timer1->remainingTime();
    window->modes().followScanning();                    // setting the state it has changes nothing
    EXPECT_LE(window->Timer1->remainingTime(), remaining);

    window->PopupMenu1Popup();                // the menu pauses
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_TRUE(window->modes().scanning());

    loadBook(2);                              // a successful load restarts it
    EXPECT_TRUE(window->Timer1->isActive());

    window->PopupMenu1Popup();
    boxes->clear();
    window->LoadBook(writeFile(path("bad.Lumbrix"), "not a book")); // a rejected book leaves it
    EXPECT_EQ(boxes->seen().size(), 1);
    EXPECT_FALSE(window->Timer1->isActive());

    QTimer::singleShot(50, &about, &QDialog::accept);
    window->PopupMenuParlantDeClick();        // after the modal about box
    EXPECT_TRUE(window->Timer1->isActive());

    window->modes().toggleScanning();            // unticked: stops
    EXPECT_FALSE(window->Timer1->isActive());
    QTimer::singleShot(50, &about, &QDialog::accept);
    window->PopupMenuParlantDeClick();        // and stays stopped after the about box
    EXPECT_FALSE(window->Timer1->isActive());
}

TEST_F(ScanCycleWindow, ChangingTheIntervalRestartsTheRunningPeriod)
{
    createWindow();
    window->SpinEditTempsTimer->setValue(10);
    window->modes().toggleScanning();
    QTest::qWait(300);
    window->SpinEditTempsTimer->setValue(20);
    EXPECT_EQ(window->Timer1->interval(), 2000);
    EXPECT_GT(window->Timer1->remainingTime(), 1500); // 700 ms were left of the old period
}
