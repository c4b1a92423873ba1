// The main window and the settings file: the scan setting read at creation
// and written at close (the rest of the shared file untouched), the close
// while a text is read, and the pop-up menu under the right mouse button.
#include "desktop/SettingsFile.h"
#include "support/MainWindowFixture.h"
#include "support/XServer.h"
#include "ui/NavigationButton.h"
#include "ui/PictureBox.h"
#include "ui/ScanIntervalSpinBox.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

class SettingsWindow : public MainWindowFixture {
protected:
    std::unique_ptr<SpeechEngine> makeEngine() const override { return std::make_unique<RecordingSpeechEngine>(); }

    QString settingsPath() const { return path("config/Quirna2001.ini"); }
    QByteArray settingsBytes() const
    {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    void putSettings(const QByteArray& bytes) { writeFile(settingsPath(), bytes); }

};

} // namespace

TEST_F(SettingsWindow, OnlyTheExactScanValueTicksActiuAndTheTimerStaysStopped)
{
    struct Case {
        const char* name;
        std::optional<QByteArray> file; // nullopt: no settings file at all
        bool ticked;
    };
    const Case cases[] = {
        {"s\\xED", "[Tirvelo]\r\nEscaneig=s\xED\r\n", true},
        {"names in other case, blanks around", "[tirvelo]\r\n escaneig = s\xED \r\n", true},
        {"si without accent", "[Tirvelo]\r\nEscaneig=si\r\n", false},
        {"S\\xCD", "[Tirvelo]\r\nEscaneig=S\xCD\r\n", false},
        {"S\\xED", "[Tirvelo]\r\nEscaneig=S\xED\r\n", false},
        {"yes", "[Tirvelo]\r\nEscaneig=yes\r\n", false},
        {"written as UTF-8", "[Tirvelo]\r\nEscaneig=s\xC3\xAD\r\n", false},
        {"no key", "[Tirvelo]\r\nIdioma=Catala\r\n", false},
        {"only in another section", "[Altres]\r\nEscaneig=s\xED\r\n[Tirvelo]\r\n", false},
        {"no file", std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(settingsPath());
        if (c.file)
            putSettings(*c.file);
        createWindow();
        EXPECT_EQ(window->modes().scanning(), c.ticked);
        // Scanning waits for a book (Paused when ticked): no timer, no highlight.
        EXPECT_FALSE(window->Timer1->isActive());
        EXPECT_FALSE(window->SpeedButtonEsquerra->isHighlighted() || window->SpeedButtonDreta->isHighlighted());
        // Reading the setting writes nothing.
        EXPECT_EQ(settingsBytes(), c.file.value_or("<missing>"));
        window.reset(); // destroyed without closing: nothing written
    }
}

TEST_F(SettingsWindow, ClosingWritesTheStateAndStartingAgainRestoresIt)
{
    createWindow();
    window->modes().toggleScanning();
    ASSERT_TRUE(window->modes().scanning());
    window->close();
    EXPECT_EQ(SettingsFile().read("Tirvelo", "Escaneig", "NO"), QByteArray("s\xED"));
    EXPECT_TRUE(settingsBytes().contains("Escaneig=s\xED"));

    createWindow();
    EXPECT_TRUE(window->modes().scanning());
    window->modes().toggleScanning();
    window->close();
    EXPECT_EQ(settingsBytes(), QByteArray("[Tirvelo]\nEscaneig=no\n"));

    createWindow();
    EXPECT_FALSE(window->modes().scanning());
}

TEST_F(SettingsWindow, TheSharedFileKeepsEveryOtherByte)
{
    // Other programs' sections, comments, CR LF line ends, a Windows-1252
    // letter, the same key in another section, and no line end at the end.
    const QByteArray before =
        "; Quirna 2000: configuraci\xF3 compartida\r\n"
        "[Altres]\r\n"
        "Nom=Caf\xE9 del m\xF3n\r\n"
        "Escaneig=NO\r\n"
        "\r\n"
        "[Tirvelo]\r\n"
        "Idioma=Castellano\r\n"
        "Escaneig=NO\r\n"
        "; no tocar\r\n"
        "\r\n"
        "[Final]\r\n"
        "x=1";
    putSettings(before);
    createWindow();
    window->modes().toggleScanning();
    window->close();
    QByteArray expected = before;
    const qsizetype tirvelo = expected.indexOf("[Tirvelo]");
    expected.replace(expected.indexOf("Escaneig=NO", tirvelo), int(qstrlen("Escaneig=NO")), "Escaneig=s\xED");
    EXPECT_EQ(settingsBytes(), expected);

    createWindow();
    window->modes().toggleScanning(); // unticked now
    window->close();
    expected.replace("Escaneig=s\xED", "Escaneig=no");
    EXPECT_EQ(settingsBytes(), expected);

    // The key missing from our section: one line after the section's last key, in the file's own line end.
    putSettings("[Tirvelo]\r\nIdioma=Catala\r\n; comentari\r\n\r\n[Final]\r\nx=1\r\n");
    createWindow();
    window->close();
    EXPECT_EQ(settingsBytes(), QByteArray("[Tirvelo]\r\nIdioma=Catala\r\nEscaneig=no\r\n; comentari\r\n\r\n[Final]\r\nx=1\r\n"));
}

TEST_F(SettingsWindow, ClosingWhileATextIsReadStopsItWaitsAndThenWrites)
{
    createWindow();
    writeFile(path("conte.txt"), "Hi havia una vegada.");
    window->LoadBook(writeBook("llibre.Lumbrix", 1, "", {"conte.txt"}));
    ASSERT_TRUE(window->modes().speaking());
    ASSERT_FALSE(recordingEngine().lines().isEmpty());
    ASSERT_TRUE(recordingEngine().lines().last().startsWith("ReadFile ") && recordingEngine().lines().last().endsWith("conte.txt"));
    window->modes().toggleScanning();
    ASSERT_FALSE(QFile::exists(settingsPath()));

    // Events handled during the close: each tick notes what it found.
    int ticksAfterStopBeforeWrite = 0;
    bool writtenBeforeStop = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const bool stopped = recordingEngine().lines().contains("Stop");
        const bool written = QFile::exists(settingsPath());
        if (stopped && !written)
            ++ticksAfterStopBeforeWrite;
        if (written && !stopped)
            writtenBeforeStop = true;
    });
    probe.start(5);
    QElapsedTimer clock;
    clock.start();
    window->close();
    const qint64 closing = clock.elapsed();
    probe.stop();

    EXPECT_EQ(recordingEngine().lines().count("Stop"), 1);
    EXPECT_EQ(recordingEngine().lines().last(), QByteArray("Stop"));
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_GE(ticksAfterStopBeforeWrite, 3);
    EXPECT_FALSE(writtenBeforeStop);
    EXPECT_GE(closing, 100);
    EXPECT_EQ(SettingsFile().read("Tirvelo", "Escaneig", "NO"), QByteArray("s\xED"));

    // Nothing being read: no stop and no pause.
    createWindow();
    writeBmp(path("foto.bmp"), 20, 20);
    window->LoadBook(writeBook("fotos.Lumbrix", 1, "", {"foto.bmp"}));
    ASSERT_FALSE(window->modes().speaking());
    recordingEngine().clear();
    window->close();
    EXPECT_TRUE(recordingEngine().lines().isEmpty());
}

namespace {

// What a right click at a point of the screen opened.
struct RightClickOutcome {
    bool seen = false;
    bool windowMenu = false;
    QPoint menuPosition;
    bool timerActiveWhileOpen = true;
    bool otherMenu = false;
};

bool rightClickOnServer(QPoint global)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(global.x()),
                                             QString::number(global.y()), QStringLiteral("click"), QStringLiteral("3")});
    return xdotool.waitForFinished(5000) && xdotool.exitCode() == 0;
}

} // namespace

// A right click on the window's surface (picture, buttons, labels and the two
// page boxes) opens the window's menu at the pointer and pauses scanning; the
// speed edit, where a value is typed, keeps its own edit menu.
TEST_F(SettingsWindow, TheRightButtonOpensTheWindowMenuEverywhereButInTheSpeedEdit)
{
    if (!xdotoolAvailable())
        GTEST_SKIP() << "xdotool is not installed";
    createWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return (window->geometry()) == (window->screen()->availableGeometry()); }, 5000));
    writeBmp(path("foto.bmp"), 40, 30);
    writeFile(path("text.txt"), "Un text\r\nde dues l\xEDnies");
    writeFile(path("ric.rtf"), "{\\rtf1\\ansi Un text {\\b ric}.}");
    window->LoadBook(writeBook("llibre.Lumbrix", 3, "", {"foto.bmp", "text.txt", "ric.rtf"}));
    ASSERT_EQ(window->book.PageCount, 3);
    window->raise();
    window->activateWindow();

    auto rightClick = [&](QWidget* target, QPoint local, RightClickOutcome& outcome) {
        // Scanning runs, with a button highlighted.
        if (!window->modes().scanning())
            window->modes().toggleScanning();
        window->modes().followScanning();
        window->ScanStep();
        outcome = {};
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (outcome.seen)
                return;
            if (window->PopupMenu1->isVisible()) {
                outcome = {true, true, window->PopupMenu1->pos(), window->Timer1->isActive(), false};
                window->PopupMenu1->close();
            } else if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                outcome = {true, false, menu->pos(), window->Timer1->isActive(), true};
                menu->close();
            }
        });
        poll.start(5);
        const QPoint global = target->mapToGlobal(local);
        EXPECT_TRUE(rightClickOnServer(global));
        ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.seen; }, 5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !QApplication::activePopupWidget(); }, 5000));
        if (outcome.windowMenu) {
            EXPECT_EQ(outcome.menuPosition, global);
        }
    };

    struct Target {
        const char* name;
        QWidget* widget;
        int page; // the page shown for the click
    };
    const Target surface[] = {
        {"picture", window->Image1, 0},
        {"previous button", window->SpeedButtonEsquerra, 0},
        {"next button", window->SpeedButtonDreta, 0},
        {"information label", window->LabelInformacio, 0},
        {"page label", window->LabelPagina, 0},
        {"scan interval box", window->SpinEditTempsTimer, 0},
        {"text box", window->Memo1, 1},
        {"rich-text box", window->RichEdit1, 2},
    };
    for (const Target& target : surface) {
        SCOPED_TRACE(target.name);
        while (window->book.CurrentPage < target.page)
            window->SpeedButtonDretaClick();
        ASSERT_TRUE(target.widget->isVisible());
        // Away from the picture's own middle, where the window's other controls lie on it.
        const QPoint local = target.widget == window->Image1 ? QPoint(900, 700) : target.widget->rect().center();
        RightClickOutcome outcome;
        rightClick(target.widget, local, outcome);
        EXPECT_TRUE(outcome.windowMenu);
        EXPECT_FALSE(outcome.otherMenu);
        EXPECT_FALSE(outcome.timerActiveWhileOpen);
        // Dismissed without a choice: the scan stays paused, "&Actiu" stays ticked, no highlight.
        EXPECT_FALSE(window->Timer1->isActive());
        EXPECT_TRUE(window->modes().scanning());
        EXPECT_FALSE(window->SpeedButtonEsquerra->isHighlighted() || window->SpeedButtonDreta->isHighlighted());
        // The right button turns no page.
        EXPECT_EQ(window->book.CurrentPage, target.page);
    }

    SCOPED_TRACE("speed edit");
    RightClickOutcome edit;
    rightClick(window->EditVelocitat, window->EditVelocitat->rect().center(), edit);
    EXPECT_FALSE(edit.windowMenu);
    EXPECT_TRUE(edit.otherMenu);
    EXPECT_TRUE(edit.timerActiveWhileOpen);
    EXPECT_TRUE(window->Timer1->isActive());
}
