// The switch-access options on the real main window: stored through their
// dialog, and each one acting on real input.
#include "desktop/AccessOptions.h"
#include "support/MainWindowFixture.h"
#include "support/XServer.h"
#include "ui/FormOpcionsAcces.h"
#include "ui/NavigationButton.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

class SwitchOptions : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        createWindow();
        QList<QByteArray> lines;
        for (int i = 0; i < 6; ++i) {
            const QByteArray name = "p" + QByteArray::number(i) + ".txt";
            writeFile(path(QString::fromLatin1(name)), "page " + QByteArray::number(i));
            lines << name;
        }
        window->LoadBook(writeBook("opcions.Lumbrix", 6, "", lines));
        window->raise();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void use(const AccessOptions& options) { window->applyAccessOptions(options); }
    // Real input through the X server (XTest), run while the event loop goes on.
    bool xdotool(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral("xdotool"), arguments);
        return QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 15000)
            && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    // QTest's own QTRY macros report to QTest, not to this test: wait plainly.
    bool pageBecomes(int page)
    {
        return QTest::qWaitFor([&] { return window->book.CurrentPage == page; }, 5000);
    }
    bool pointAt(QWidget* widget)
    {
        const QPoint centre = widget->mapToGlobal(widget->rect().center());
        return xdotool({QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y())});
    }
};

} // namespace

TEST_F(SwitchOptions, TheDialogStoresEveryOptionByteForByteAndTheWindowUsesThem)
{
    const QString ini = path(QStringLiteral("config/Quirna2001.ini"));
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TFormOpcionsAcces*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral(u"Opcions d'accés"));
        dialog->SpinAcceptacio->setValue(250);
        dialog->SpinRetard->setValue(1000);
        dialog->ComboTeclaSeleccio->setCurrentIndex(dialog->ComboTeclaSeleccio->findText(QStringLiteral("Space")));
        dialog->ComboTeclaPas->setCurrentIndex(dialog->ComboTeclaPas->findText(QStringLiteral("Space")));
        EXPECT_EQ(dialog->ComboTeclaSeleccio->currentIndex(), 0) << "one key cannot both select and step";
        dialog->ComboTeclaSeleccio->setCurrentIndex(dialog->ComboTeclaSeleccio->findText(QStringLiteral("F5")));
        dialog->CheckSoDurantSo->setChecked(true);
        dialog->Botons->button(QDialogButtonBox::Ok)->click();
    });
    const QList<QAction*> items = window->PopupMenu1->actions();
    const qsizetype about = items.indexOf(window->PopupMenu1->PopupMenuParlantDe);
    ASSERT_GT(about, 0);
    EXPECT_EQ(items[about - 1], window->PopupMenu1->PopupMenuOpcionsAcces) << "just before the about item";
    window->PopupMenu1->PopupMenuOpcionsAcces->trigger();

    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    EXPECT_EQ(stored, QByteArray("[Tirvelo]\nTempsAcceptacio=250\nRetardDespresAcceptacio=1000\nTeclaSeleccio=F5\n"
                                 "TeclaPas=Space\nVeuDurantElSo=s\xED\n"));
    EXPECT_EQ(window->accessOptions().stepKey, SwitchKey::Space);
    EXPECT_TRUE(window->accessOptions().soundSwitchDuringPageSound);
}

TEST_F(SwitchOptions, ThePostAcceptanceDelayTurnsOnePageForADoubleClick)
{
    if (!xdotoolAvailable())
        GTEST_SKIP() << "xdotool is not installed";
    ASSERT_TRUE(pointAt(window->SpeedButtonDreta));
    ASSERT_TRUE(xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                         QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")}));
    ASSERT_TRUE(pageBecomes(2)); // today: two pages

    AccessOptions options;
    options.postAcceptanceMs = 1500;
    use(options);
    ASSERT_TRUE(xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                         QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")}));
    ASSERT_TRUE(pageBecomes(3));
    QTest::qWait(300);
    EXPECT_EQ(window->book.CurrentPage, 3) << "the second click fell inside the delay";
}

TEST_F(SwitchOptions, AShortPressDoesNothingAndAHeldOneTurnsOnce)
{
    if (!xdotoolAvailable())
        GTEST_SKIP() << "xdotool is not installed";
    AccessOptions options;
    options.acceptanceMs = 300;
    use(options);
    ASSERT_TRUE(pointAt(window->SpeedButtonDreta));
    ASSERT_TRUE(xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    QTest::qWait(600);
    EXPECT_EQ(window->book.CurrentPage, 0) << "a brush of the switch";
    EXPECT_FALSE(window->SpeedButtonDreta->isDown());

    ASSERT_TRUE(xdotool({QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("sleep"),
                         QStringLiteral("0.8"), QStringLiteral("mouseup"), QStringLiteral("1")}));
    ASSERT_TRUE(pageBecomes(1));
    QTest::qWait(300);
    EXPECT_EQ(window->book.CurrentPage, 1) << "holding on does not turn again";
}

// Presses that overlap, as with a tremor: letting go of one switch does not
// cancel another still held long enough.
TEST_F(SwitchOptions, LettingGoOfOneSwitchKeepsAnotherHeldPress)
{
    if (!xdotoolAvailable())
        GTEST_SKIP() << "xdotool is not installed";
    AccessOptions options;
    options.acceptanceMs = 300;
    options.selectKey = SwitchKey::Digit1;
    options.stepKey = SwitchKey::Digit2;
    use(options);
    ASSERT_TRUE(xdotool({QStringLiteral("keydown"), QStringLiteral("2"), QStringLiteral("sleep"), QStringLiteral("0.1"),
                         QStringLiteral("keydown"), QStringLiteral("1"), QStringLiteral("sleep"), QStringLiteral("0.1"),
                         QStringLiteral("keyup"), QStringLiteral("2"), QStringLiteral("sleep"), QStringLiteral("0.7"),
                         QStringLiteral("keyup"), QStringLiteral("1")}));
    EXPECT_TRUE(pageBecomes(1)) << "the select key was held 800 ms";
}

TEST_F(SwitchOptions, SwitchKeysSelectAndStepWithoutTypingIntoTheSpeedBox)
{
    AccessOptions options;
    options.selectKey = SwitchKey::Digit1;
    options.stepKey = SwitchKey::Digit2;
    use(options);
    window->EditVelocitat->setFocus();
    const QString speed = window->EditVelocitat->text();

    QTest::keyClick(window->EditVelocitat, Qt::Key_1); // scanning off: the next page
    EXPECT_EQ(window->book.CurrentPage, 1);

    window->modes().toggleScanning(); // scanning on, moved by the step key only
    ASSERT_TRUE(window->modes().scanning());
    window->Timer1Timer();
    EXPECT_FALSE(window->SpeedButtonEsquerra->isHighlighted() || window->SpeedButtonDreta->isHighlighted());
    QTest::keyClick(window->EditVelocitat, Qt::Key_2);
    ASSERT_NE(window->SpeedButtonEsquerra->isHighlighted(), window->SpeedButtonDreta->isHighlighted());
    const int expected = window->SpeedButtonEsquerra->isHighlighted() ? 0 : 2;
    QTest::keyClick(window->EditVelocitat, Qt::Key_1); // presses the highlighted button
    EXPECT_EQ(window->book.CurrentPage, expected);
    EXPECT_EQ(window->EditVelocitat->text(), speed) << "switch keys never type";
}

TEST_F(SwitchOptions, TheSpokenHighlightSaysTheButtonInTheCueVoice)
{
    const QString cue = path(QStringLiteral("cue.sh"));
    writeFile(cue, "#!/bin/sh\ncat >> \"$0.said\"\n");
    QFile::setPermissions(cue, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ScopedEnvironmentVariable program("TIRVELO_CUE_PROGRAM", QFile::encodeName(cue));
    AccessOptions options;
    options.spokenHighlight = true;
    use(options);
    window->ScanStep();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile(cue + QStringLiteral(".said")).size() > 0; }, 10000));
    QFile said(cue + QStringLiteral(".said"));
    ASSERT_TRUE(said.open(QIODevice::ReadOnly));
    EXPECT_EQ(said.readAll(), QByteArray("Seg\xC3\xBC" "ent\n"));
}
