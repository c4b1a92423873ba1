#include "app/Startup.h"
#include "support/BookWriter.h"
#include "support/MessageBoxRecorder.h"
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
#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

// Runs the whole start-up sequence with the given parameters in a temporary
// folder, calls inspect on the main window once the sequence has handed it to
// the event loop, then closes it.
class StartupSequence : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath("config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
        qputenv("TIRVELO_SPEECH_LIBRARY", QFile::encodeName(m_dir.filePath("no-engine.so")));
    }
    void TearDown() override { QDir::setCurrent(m_previous); }

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
    QString m_previous;
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
        EXPECT_FALSE(window.PopupLlegeixelsfitxerstext->isEnabled());
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

TEST_F(StartupSequence, TheStoredLanguageIsAppliedWithoutRewritingTheFile)
{
    const QByteArray ini = "[Tirvelo]\r\nIdioma=Castellano\r\n";
    writeFile(path("config/Quirna2001.ini"), ini);
    run({QStringLiteral("none.Lumbrix")}, [&](TFormPrincipal& window) {
        EXPECT_EQ(window.PopupMenuActiu->text(), QStringLiteral("&Activo"));
        EXPECT_TRUE(window.PopupCastellano->isChecked());
        EXPECT_FALSE(window.PopupCatala->isChecked());
    });
    QFile file(path("config/Quirna2001.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith(ini));
}

TEST_F(StartupSequence, ALowerCaseLanguageValueKeepsCatalan)
{
    writeFile(path("config/Quirna2001.ini"), "[Tirvelo]\r\nIdioma=castellano\r\n");
    run({QStringLiteral("none.Lumbrix")}, [&](TFormPrincipal& window) {
        EXPECT_EQ(window.PopupMenuActiu->text(), QStringLiteral("&Actiu"));
        EXPECT_TRUE(window.PopupCatala->isChecked());
    });
}
