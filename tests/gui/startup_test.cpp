#include "app/Startup.h"
#include "support/BookWriter.h"
#include "support/MessageBoxRecorder.h"
#include "support/ProgramEnvironment.h"
#include "speech/SpeechLibrary.h"
#include "ui/AboutBox.h"
#include "ui/FormPrincipal.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

// Runs the whole start-up sequence with the given parameters in a temporary
// folder, calls inspect on the main window once the sequence has handed it to
// the event loop, then closes it.
class StartupSequence : public ::testing::Test {
protected:

    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    void run(const QStringList& parameters, const std::function<void(TFormPrincipal&)>& inspect)
    {
        bool inspected = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                dialog->reject(); // the open dialog after an unreadable name: cancelled
                return;
            }
            if (QApplication::activeModalWidget())
                return; // a message box is still up
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* window = qobject_cast<TFormPrincipal*>(widget);
                if (!window || !window->isVisible() || inspected)
                    continue;
                inspected = true;
                inspect(*window);
                window->close();
            }
        });
        poll.start();
        runStartupSequence(*qApp, parameters);
        EXPECT_TRUE(inspected);
    }

    QTemporaryDir m_dir;
    ProgramEnvironment m_environment{m_dir.path()};
    MessageBoxRecorder boxes{QMessageBox::Ok};
};

} // namespace

TEST_F(StartupSequence, ANameWithoutDotGetsTheBookExtensionInUpperCase)
{
    writeFile(path("p.txt"), "hola");
    writeFile(path("book.lumbrix"), bookBytes(1, "", {"p.txt"})); // found ignoring case
    bool splashSeen = false;
    QTimer splashWatch;
    QObject::connect(&splashWatch, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* about = qobject_cast<TAboutBox*>(widget); about && about->isVisible()) {
                splashSeen = true;
                EXPECT_FALSE(about->OKButton->isVisible());
                EXPECT_EQ(about->ProductName->text(), QStringLiteral(u"Tirvelo per escaneig d'un teclat. Sense lectura"));
            }
    });
    splashWatch.start(50);
    run({QStringLiteral("book")}, [&](TFormPrincipal& window) {
        EXPECT_EQ(window.book.PageCount, 1);
        EXPECT_EQ(window.Memo1->toPlainText(), QString("hola"));
        EXPECT_FALSE(window.modes().menu().reading.enabled);
    });
    EXPECT_TRUE(splashSeen);
    // The engine's absence was told once, during creation.
    EXPECT_EQ(boxes.seen().size(), 1);
}

TEST_F(StartupSequence, ParametersJoinWithoutSeparatorAndTheProgramGoesOnAfterErrors)
{
    run({QStringLiteral("C:\\My"), QStringLiteral("Books\\x.Lumbrix")}, [&](TFormPrincipal& window) {
        EXPECT_EQ(window.book.PageCount, 0);
    });
    EXPECT_TRUE(boxes.texts().contains(QStringLiteral("C:\\MYBOOKS\\X.LUMBRIX: Nom de fitxer incorrecte, camí incorrecte o no existeix")));
}

TEST_F(StartupSequence, APageCountThatIsNotANumberIsReportedAndStartUpGoesOn)
{
    writeFile(path("BAD.LUMBRIX"), bookBytes(1, "", {"p"}).replace("\r\n1\r\n", "\r\n12 x\r\n"));
    run({QStringLiteral("bad.lumbrix")}, [&](TFormPrincipal& window) { EXPECT_TRUE(window.isVisible()); });
    ASSERT_FALSE(boxes.seen().isEmpty());
    EXPECT_EQ(boxes.seen().last().text, QStringLiteral("'12 x' is not a valid integer value."));
    EXPECT_EQ(boxes.seen().last().icon, QMessageBox::Critical);
}

// The name exactly as given, then in capitals, then ignoring case: a folder
// holding the same name in two letter cases still opens the one named.
TEST_F(StartupSequence, TheBookNameIsTriedAsGivenThenInCapitalsThenIgnoringCase)
{
    struct Case {
        QStringList onDisk;
        QString parameter;
        QString opened;
    };
    const Case cases[] = {
        {{"Llibre.Lumbrix", "llibre.lumbrix"}, "Llibre.Lumbrix", "Llibre.Lumbrix"},
        {{"llibre.Lumbrix", "LLIBRE.Lumbrix"}, "llibre", "llibre.Lumbrix"},
        {{"LLIBRE.Lumbrix", "Llibre.lumbrix"}, "llibre", "LLIBRE.Lumbrix"},
        {{"Llibre.lumbrix"}, "llibre", "Llibre.lumbrix"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parameter.toStdString() + " among " + c.onDisk.join(u' ').toStdString());
        QTemporaryDir folder(path("llibres.XXXXXX"));
        for (const QString& name : c.onDisk) {
            writeFile(folder.filePath(name + ".txt"), name.toUtf8());
            writeFile(folder.filePath(name), bookBytes(1, "", {(name + ".txt").toUtf8()}));
        }
        QDir::setCurrent(folder.path());
        boxes.clear();
        run({c.parameter}, [&](TFormPrincipal& window) { EXPECT_EQ(window.Memo1->toPlainText(), c.opened); });
        // Only the missing engine is told.
        EXPECT_EQ(boxes.seen().size(), 1) << boxes.texts().join(u'|').toStdString();
    }
}

// A failure of any kind that escapes the load of the book named at start gets
// the application's error report, and the program starts all the same.
TEST_F(StartupSequence, AnyFailureEscapingTheStartUpLoadIsReportedAndStartUpGoesOn)
{
    const std::function<void()> failures[] = {[] { throw std::bad_alloc(); },
                                              [] { throw std::runtime_error("Fallada (inesperada)"); }};
    const QString reports[] = {QStringLiteral("std::bad_alloc."), QStringLiteral("Fallada (inesperada)")};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        // The name cannot be read, so the load asks for another file: that is where it fails.
        QTimer arm;
        QObject::connect(&arm, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<TFormPrincipal*>(widget))
                    window->setFileChooser([&](TFormPrincipal&) -> std::optional<QString> {
                        failures[i]();
                        return std::nullopt;
                    });
        });
        arm.start(10);
        boxes.clear();
        run({QStringLiteral("cap.Lumbrix")}, [&](TFormPrincipal& window) { EXPECT_TRUE(window.isVisible()); });
        ASSERT_EQ(boxes.seen().size(), 3) << boxes.texts().join(u'|').toStdString();
        EXPECT_EQ(boxes.seen()[2].text, reports[i]);
        EXPECT_EQ(boxes.seen()[2].icon, QMessageBox::Critical);
    }
}

TEST_F(StartupSequence, TheStoredLanguageIsAppliedWithoutRewritingTheFile)
{
    const QByteArray ini = "[Tirvelo]\r\nIdioma=Castellano\r\n";
    writeFile(path("config/Quirna2001.ini"), ini);
    run({QStringLiteral("none.Lumbrix")}, [&](TFormPrincipal& window) {
        EXPECT_EQ(window.PopupMenu1->PopupMenuActiu->text(), QStringLiteral("&Activo"));
        EXPECT_TRUE((window.modes().language() == InterfaceLanguage::Spanish));
        EXPECT_FALSE((window.modes().language() == InterfaceLanguage::Catalan));
    });
    QFile file(path("config/Quirna2001.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith(ini));
}

TEST_F(StartupSequence, ALowerCaseLanguageValueKeepsCatalan)
{
    writeFile(path("config/Quirna2001.ini"), "[Tirvelo]\r\nIdioma=castellano\r\n");
    run({QStringLiteral("none.Lumbrix")}, [&](TFormPrincipal& window) {
        EXPECT_EQ(window.PopupMenu1->PopupMenuActiu->text(), QStringLiteral("&Actiu"));
        EXPECT_TRUE((window.modes().language() == InterfaceLanguage::Catalan));
    });
}
