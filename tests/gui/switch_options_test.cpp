// The switch-access options on the real main window: stored through their
// dialog, and each one acting on real input.
#include "desktop/AccessOptions.h"
#include "support/MainWindowFixture.h"
#include "support/XServer.h"
#include "ui/FormOpcionsAcces.h"
#include "ui/NavigationButton.h"
#include "ui/ScanIntervalSpinBox.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

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
    // A book page in the middle, where each step moves the highlight to the other button.
    void toMiddlePage()
    {
        window->book.CurrentPage = 2;
        window->ShowPage();
    }
    int highlighted() const
    {
        if (window->SpeedButtonEsquerra->isHighlighted())
            return window->SpeedButtonDreta->isHighlighted() ? 2 : 0;
        return window->SpeedButtonDreta->isHighlighted() ? 1 : -1;
    }
    bool pointAt(QWidget* widget)
    {
        const QPoint centre = widget->mapToGlobal(widget->rect().center());
        return xdotool({QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y())});
    }
};

// Runs `then` from the event loop once a key's first press has reached the
// application, while the key is still held.
class OnKeyPress : public QObject {
public:
    // Counts the key's presses, repeats included, into count when given.
    OnKeyPress(int key, std::function<void()> then, int* count = nullptr)
        : m_key(key), m_then(std::move(then)), m_count(count)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~OnKeyPress() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != m_key)
            return false;
        if (m_count)
            ++*m_count;
        if (m_then)
            QTimer::singleShot(0, this, std::exchange(m_then, nullptr));
        return false;
    }

private:
    int m_key;
    std::function<void()> m_then;
    int* m_count;
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

// Presses that overlap, as with a tremor, in either order: a brief press of
// one switch neither cancels nor replaces a long press of the other.
TEST_F(SwitchOptions, ABriefPressOfOneSwitchKeepsALongPressOfTheOther)
{
    if (!xdotoolAvailable())
        GTEST_SKIP() << "xdotool is not installed";
    AccessOptions options;
    options.acceptanceMs = 300;
    options.selectKey = SwitchKey::Digit1;
    options.stepKey = SwitchKey::Digit2;
    use(options);
    // The brief step key pressed first, then last; the select key is held 800 ms.
    const QStringList stepFirst = {QStringLiteral("keydown"), QStringLiteral("2"), QStringLiteral("sleep"), QStringLiteral("0.1"),
                                   QStringLiteral("keydown"), QStringLiteral("1"), QStringLiteral("sleep"), QStringLiteral("0.1"),
                                   QStringLiteral("keyup"), QStringLiteral("2"), QStringLiteral("sleep"), QStringLiteral("0.7"),
                                   QStringLiteral("keyup"), QStringLiteral("1")};
    const QStringList selectFirst = {QStringLiteral("keydown"), QStringLiteral("1"), QStringLiteral("sleep"), QStringLiteral("0.1"),
                                     QStringLiteral("keydown"), QStringLiteral("2"), QStringLiteral("sleep"), QStringLiteral("0.05"),
                                     QStringLiteral("keyup"), QStringLiteral("2"), QStringLiteral("sleep"), QStringLiteral("0.65"),
                                     QStringLiteral("keyup"), QStringLiteral("1")};
    int page = 0;
    for (const QStringList& presses : {stepFirst, selectFirst}) {
        ASSERT_TRUE(xdotool(presses));
        EXPECT_TRUE(pageBecomes(++page)) << presses.join(u' ').toStdString();
    }
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

// The acceptance time outlasts a scan step: the step waits for the release,
// and the press acts on the button highlighted when it began.
TEST_F(SwitchOptions, AHeldSelectKeyPressesTheButtonHighlightedWhenThePressBegan)
{
    if (!xdotoolAvailable())
        GTEST_SKIP() << "xdotool is not installed";
    AccessOptions options;
    options.acceptanceMs = 300;
    options.selectKey = SwitchKey::Digit1;
    use(options);
    window->SpinEditTempsTimer->setValue(64); // no tick of its own during the test
    toMiddlePage();
    window->modes().toggleScanning();
    window->ScanStep();
    const int aimed = highlighted();
    ASSERT_TRUE(aimed == 0 || aimed == 1);

    // A tick while the key is held. Let go well before the X server's key
    // repeat begins (660 ms), which the toolkit may not tell from a release.
    int duringHold = -2;
    OnKeyPress tick(Qt::Key_1, [&] {
        window->Timer1Timer();
        duringHold = highlighted();
    });
    ASSERT_TRUE(xdotool({QStringLiteral("keydown"), QStringLiteral("1"), QStringLiteral("sleep"), QStringLiteral("0.45"),
                         QStringLiteral("keyup"), QStringLiteral("1")}));
    EXPECT_TRUE(pageBecomes(aimed == 0 ? 1 : 3)) << "page " << window->book.CurrentPage;
    EXPECT_EQ(duringHold, aimed) << "the scan stepped while a switch was held";
    window->ClearScanHighlight();
    EXPECT_TRUE(QTest::qWaitFor([&] {
        window->Timer1Timer();
        return highlighted() != -1;
    }, 5000)) << "let go, the scan goes on";
}

// Past the X server's key-repeat delay a held key comes as releases and
// presses at one time stamp, marked as repeats or not (the toolkit marks them
// only when it sees both at once). Either way they are one hold.
TEST_F(SwitchOptions, AHeldSwitchKeyIsOneHoldThroughItsKeyRepeat)
{
    const auto send = [&](QEvent::Type type, quint64 stamp, bool repeat = false) {
        QKeyEvent event(type, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"), repeat);
        event.setTimestamp(stamp);
        QApplication::sendEvent(window->SpinEditTempsTimer, &event);
    };
    const auto repeatAt = [&](quint64 stamp, bool marked) {
        send(QEvent::KeyRelease, stamp, marked);
        send(QEvent::KeyPress, stamp, marked);
    };
    AccessOptions options;
    options.acceptanceMs = 1000;
    options.selectKey = SwitchKey::Digit1;
    use(options);

    // Let go 1.3 s after the press, before the window's own clock says so.
    send(QEvent::KeyPress, 10000);
    repeatAt(10660, true);
    repeatAt(10700, false);
    repeatAt(10740, true);
    send(QEvent::KeyRelease, 11300);
    EXPECT_TRUE(pageBecomes(1)) << "a key held longer than the acceptance time did not count";

    // Counted while held, then held on through the key repeat: once.
    send(QEvent::KeyPress, 20000);
    ASSERT_TRUE(pageBecomes(2));
    repeatAt(21100, false);
    send(QEvent::KeyRelease, 22200);
    send(QEvent::KeyPress, 30000);
    send(QEvent::KeyRelease, 31200);
    EXPECT_TRUE(pageBecomes(3));
    EXPECT_EQ(window->book.CurrentPage, 3) << "one hold counted twice";

    // Without an acceptance time the press acts at once, and once.
    options.acceptanceMs = 0;
    use(options);
    send(QEvent::KeyPress, 40000);
    repeatAt(40660, false);
    repeatAt(40700, true);
    send(QEvent::KeyRelease, 41000);
    EXPECT_EQ(window->book.CurrentPage, 4);
}

// The same with a real key held on the X server, key repeat on: counted once
// at the acceptance time, not again while held on.
TEST_F(SwitchOptions, AKeyHeldThroughTheServersKeyRepeatCountsOnce)
{
    if (!xdotoolAvailable() || QProcess::execute(QStringLiteral("xset"), {QStringLiteral("r"), QStringLiteral("on")}) != 0)
        GTEST_SKIP() << "xdotool or xset is not installed";
    AccessOptions options;
    options.acceptanceMs = 1000;
    options.selectKey = SwitchKey::Digit1;
    use(options);
    int presses = 0;
    OnKeyPress counter(Qt::Key_1, nullptr, &presses);
    ASSERT_TRUE(xdotool({QStringLiteral("keydown"), QStringLiteral("1"), QStringLiteral("sleep"), QStringLiteral("2.3"),
                         QStringLiteral("keyup"), QStringLiteral("1")}));
    ASSERT_GT(presses, 1) << "the key did not repeat";
    EXPECT_TRUE(pageBecomes(1));
    QTest::keyClick(window->SpinEditTempsTimer, Qt::Key_Shift); // comes after the release: it has been seen
    EXPECT_EQ(window->book.CurrentPage, 1) << "one hold counted twice";
}

TEST_F(SwitchOptions, WithScanningOffTheSelectKeyPressesTheButtonTheStepKeyHighlighted)
{
    AccessOptions options;
    options.selectKey = SwitchKey::Digit1;
    options.stepKey = SwitchKey::Digit2;
    use(options);
    toMiddlePage();
    ASSERT_FALSE(window->modes().scanning());
    QTest::keyClick(window->SpinEditTempsTimer, Qt::Key_2);
    if (highlighted() != 0)
        QTest::keyClick(window->SpinEditTempsTimer, Qt::Key_2);
    ASSERT_EQ(highlighted(), 0);
    QTest::keyClick(window->SpinEditTempsTimer, Qt::Key_1);
    EXPECT_EQ(window->book.CurrentPage, 1) << "the select went past the highlighted \"&Anterior\"";
}

TEST_F(SwitchOptions, ThePostAcceptanceDelayAlsoHoldsBackABouncingStepKey)
{
    AccessOptions options;
    options.postAcceptanceMs = 3000;
    options.stepKey = SwitchKey::Digit2;
    use(options);
    toMiddlePage();
    QTest::keyClick(window->SpinEditTempsTimer, Qt::Key_2);
    const int first = highlighted();
    ASSERT_NE(first, -1);
    QTest::keyClick(window->SpinEditTempsTimer, Qt::Key_2); // the bounce
    EXPECT_EQ(highlighted(), first);
}

// Ctrl+1 is not the switch "1", and the keypad's digits still type into the
// speed box; the options dialog says so when a digit is a switch key.
TEST_F(SwitchOptions, SwitchKeysActOnlyAloneAndTheKeypadStillTypesDigits)
{
    AccessOptions options;
    options.selectKey = SwitchKey::Digit1;
    use(options);
    window->EditVelocitat->setFocus();
    QTest::keyClick(window->EditVelocitat, Qt::Key_1, Qt::ControlModifier);
    QTest::keyClick(window->SpinEditTempsTimer, Qt::Key_1, Qt::ShiftModifier);
    EXPECT_EQ(window->book.CurrentPage, 0);
    window->EditVelocitat->selectAll();
    QTest::keyClick(window->EditVelocitat, Qt::Key_1, Qt::KeypadModifier);
    QTest::keyClick(window->EditVelocitat, Qt::Key_2, Qt::KeypadModifier);
    EXPECT_EQ(window->EditVelocitat->text(), QStringLiteral("12"));
    EXPECT_EQ(window->book.CurrentPage, 0);
    QTest::keyClick(window->EditVelocitat, Qt::Key_1);
    EXPECT_EQ(window->book.CurrentPage, 1) << "alone, it is the switch";

    TFormOpcionsAcces dialog(window.get());
    dialog.show();
    const auto saysKeypad = [&] {
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            if (label->isVisible() && label->text().contains(QStringLiteral(u"teclat numèric")))
                return true;
        return false;
    };
    EXPECT_FALSE(saysKeypad());
    dialog.ComboTeclaPas->setCurrentIndex(dialog.ComboTeclaPas->findText(QStringLiteral("2")));
    EXPECT_TRUE(saysKeypad());
    dialog.ComboTeclaPas->setCurrentIndex(dialog.ComboTeclaPas->findText(QStringLiteral("F2")));
    EXPECT_FALSE(saysKeypad());
}

TEST_F(SwitchOptions, OptionsThatCannotBeStoredAreSaidSoAndStillUsed)
{
    // A folder where the settings file should be: no file can replace it.
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("config/Quirna2001.ini"))));
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TFormOpcionsAcces*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->SpinRetard->setValue(500);
        dialog->Botons->button(QDialogButtonBox::Ok)->click();
    });
    boxes->clear();
    window->PopupMenuOpcionsAccesClick();
    ASSERT_EQ(boxes->texts().size(), 1);
    EXPECT_EQ(boxes->texts().constFirst(),
              QStringLiteral(u"No s'han pogut desar les opcions d'accés. Es faran servir fins que tanqueu el programa."));
    EXPECT_EQ(window->accessOptions().postAcceptanceMs, 500);
}

TEST_F(SwitchOptions, TheDialogSaysWhenThereIsNoCueVoice)
{
    ScopedEnvironmentVariable program("TIRVELO_CUE_PROGRAM", QFile::encodeName(path(QStringLiteral("no-such-voice"))));
    bool said = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TFormOpcionsAcces*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            said = said || (label->isVisible() && label->text().contains(QStringLiteral("espeak-ng")));
        dialog->reject();
    });
    window->PopupMenuOpcionsAccesClick();
    EXPECT_TRUE(said);
}
