// The input level dialog under a real window manager (openbox on the test
// display, for this program only): placed again by its frame once decorated,
// so that the whole frame ends in the bottom-right corner, and Esc and the
// manager's close do what "&Tancar" does. The manager comes up after the
// dialog is shown: openbox itself pulls a dialog mapped under it onto the
// screen, which would hide a fault of the placement.
#include "support/TestServices.h"
#include "support/XServer.h"
#include "ui/FormNivellEntradaDAudio.h"

#include <QProgressBar>
#include <QScreen>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::test;

TEST(LevelDialogUnderAWindowManager, StaysOnScreenByItsFrameAndEscAndCloseActAsTancar)
{
    if (!WindowManagerRun::available())
        GTEST_SKIP() << "openbox is not installed";
    // Shown first, on the bare display: the window manager that comes up then
    // (a desktop starting or restarting its manager) decorates it where it is.
    TestServices services;
    services.clock.instant = true; // its end waits for no buffers: capture never ran
    TFormNivellEntradaDAudio dialog(services.bundle());
    const QRect area = dialog.screen()->availableGeometry();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    WindowManagerRun manager;
    ASSERT_TRUE(manager.running());
    // The title bar and borders come with the window manager; the whole frame
    // ends in the corner of the screen.
    const auto inTheCorner = [&] { return dialog.frameGeometry().bottomRight() == area.bottomRight(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.frameGeometry().height() > dialog.height(); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor(inTheCorner, 10000)) << "frame ends at " << dialog.frameGeometry().right() << ","
                                                     << dialog.frameGeometry().bottom();
    EXPECT_TRUE(area.contains(dialog.frameGeometry()));
    EXPECT_EQ(dialog.size(), QSize(238, 103));

    const std::function<void()> closers[] = {
        [&] { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [&] { ASSERT_TRUE(WindowManagerRun::askToClose(dialog)); },
    };
    for (const auto& close : closers) {
        dialog.setLevel(77);
        close();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 10000));
        EXPECT_EQ(dialog.ProgressBarVolum->value(), 0) << "the bar is emptied as by \"&Tancar\"";
        // Shown again where it was, with an empty bar.
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        EXPECT_EQ(dialog.ProgressBarVolum->value(), 0);
        EXPECT_TRUE(QTest::qWaitFor(inTheCorner, 10000));
    }
}
