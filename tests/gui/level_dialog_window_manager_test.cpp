// The input level dialog under a real window manager (openbox on the test
// display, for this program only): placed by its decorated frame in the
// bottom-right corner, and Esc and the manager's close do what "&Tancar" does.
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
    WindowManagerRun manager;
    ASSERT_TRUE(manager.running());

    TFormNivellEntradaDAudio dialog;
    const QRect area = dialog.screen()->availableGeometry();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 20000));
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
