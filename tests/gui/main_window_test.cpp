#include "desktop/SettingsFile.h"
#include "support/MainWindowFixture.h"
#include "ui/MessageBoxes.h"
#include "ui/NavigationButton.h"
#include "ui/PictureBox.h"
#include "ui/ScanIntervalSpinBox.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QComboBox>
#include <QFileDialog>
#include <QListView>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWheelEvent>
#include <functional>
#include <optional>
#include <sys/stat.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

class MainWindowWithoutEngine : public MainWindowFixture {};

class MainWindowOnRecordingEngine : public MainWindowFixture {
protected:
    std::unique_ptr<SpeechEngine> makeEngine() const override { return std::make_unique<RecordingSpeechEngine>(); }
};

} // namespace

TEST_F(MainWindowWithoutEngine, CreationTellsTheEngineIsMissingAndAdaptsTheMenu)
{
    createWindow();
    ASSERT_EQ(boxes->seen().size(), 1);
    EXPECT_EQ(boxes->seen()[0].caption, QStringLiteral(u"Quirna 2000 - Tirvelo - Sense Veu"));
    EXPECT_EQ(boxes->seen()[0].text, QStringLiteral(u"No trobo la upctv.dll. No podré llegir els textos. Si voleu que siguin llegits, instal.leu correctament la upctv.dll"));
    EXPECT_EQ(boxes->seen()[0].icon, QMessageBox::Information);
    EXPECT_FALSE(window->modes().reading());
    EXPECT_FALSE(window->modes().menu().reading.enabled);
    EXPECT_FALSE(window->modes().menu().languageMenu.enabled);
    EXPECT_FALSE(window->modes().menu().voiceMenu.enabled);
    EXPECT_TRUE(window->modes().menu().voiceMode.enabled);
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_EQ(window->Timer1->interval(), 1600);
}

// The wiring of the menu: each mode item runs its command, and after every
// command the menu shows what the modes say, item by item.
TEST_F(MainWindowOnRecordingEngine, TheMenuShowsTheModesItsItemsChange)
{
    createWindow();
    FakeDeviceFactoryGuard devices(*services);
    services->capture.SetupWaveInput(WavMax::DefaultBufferLength); // as the level dialog does
    MainWindowMenu& menu = *window->PopupMenu1;
    const auto expectShown = [&](const QString& step) {
        const ModeMenu modes = window->modes().menu();
        const QList<std::pair<QAction*, MenuItemState>> items = {
            {menu.PopupMenuActiu, modes.scanning},
            {menu.MenuCarregarLlibre, modes.loadBook},
            {menu.PopupMenuFuncionaAmbVeu, modes.voiceMode},
            {menu.PopupMenuControlDelVolumDelMicrfon, modes.levelDialog},
            {menu.PopupLlegeixelsfitxerstext, modes.reading},
            {menu.PopupLlenguatge->menuAction(), modes.languageMenu},
            {menu.PopupCatala, modes.languages[0]},
            {menu.PopupCastellano, modes.languages[1]},
            {menu.MenuPortugues, modes.languages[2]},
            {menu.PopupVeuDe->menuAction(), modes.voiceMenu},
            {menu.PopupDona, modes.female},
            {menu.PopupHome, modes.male},
            {menu.PopupMenuOpcionsAcces, modes.accessOptions},
            {menu.PopupMenuParlantDe, modes.about},
            {menu.PopupMenuSortir, modes.exit},
        };
        for (const auto& [action, state] : items) {
            const QString where = step + u' ' + action->objectName();
            EXPECT_EQ(action->isChecked(), state.checked) << qPrintable(where);
            EXPECT_EQ(action->isEnabled(), state.enabled) << qPrintable(where);
            EXPECT_EQ(action->text(), state.caption) << qPrintable(where);
        }
    };
    expectShown(QStringLiteral("created"));
    ModeController& modes = window->modes();
    const QList<std::pair<QAction*, std::function<bool()>>> commands = {
        {menu.PopupMenuActiu, [&] { return modes.scanning(); }},
        {menu.PopupCastellano, [&] { return modes.language() == InterfaceLanguage::Spanish; }},
        {menu.PopupDona, [&] { return modes.voice() == Voice::Female; }},
        {menu.PopupLlegeixelsfitxerstext, [&] { return !modes.reading(); }},
        {menu.PopupMenuFuncionaAmbVeu, [&] { return modes.voiceMode(); }},
    };
    for (const auto& [item, done] : commands) {
        window->PopupMenu1Popup();
        item->trigger();
        EXPECT_TRUE(done()) << qPrintable(item->objectName());
        expectShown(item->objectName());
    }
}

TEST_F(MainWindowWithoutEngine, WindowCoversTheScreenWithTheControlsInPlace)
{
    createWindow();
    const QRect available = window->screen()->availableGeometry();
    ASSERT_TRUE(QTest::qWaitFor([&] { return (window->geometry()) == (available); }, 5000));
    EXPECT_EQ(window->Image1->geometry(), window->rect());
    const qreal s = window->layoutScale();
    EXPECT_EQ(window->SpeedButtonEsquerra->geometry(), QRect(0, 0, qRound(57 * s), qRound(57 * s)));
    EXPECT_EQ(window->SpeedButtonDreta->geometry().topLeft(), QPoint(qRound(56 * s), 0));
    EXPECT_EQ(window->Memo1->geometry(), QRect(qRound(20 * s), qRound(74 * s), available.width() - qRound(50 * s), available.height() - qRound(94 * s)));
    EXPECT_EQ(window->RichEdit1->geometry(), window->Memo1->geometry());
    EXPECT_EQ(window->SpeedButtonEsquerra->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(window->SpinEditTempsTimer->minimum(), 1);
    EXPECT_EQ(window->SpinEditTempsTimer->maximum(), 64);
    EXPECT_EQ(window->SpinEditTempsTimer->value(), 16);
    EXPECT_EQ(window->EditVelocitat->text(), QString("100"));
    EXPECT_EQ(window->LabelInformacio->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(window->LabelInformacio->font().bold());
    // The page label is not hidden under the speed edit.
    EXPECT_FALSE(window->LabelPagina->geometry().intersects(window->EditVelocitat->geometry()));
    EXPECT_FALSE(window->Image1->isVisible());
    EXPECT_FALSE(window->Memo1->isVisible());
    EXPECT_FALSE(window->RichEdit1->isVisible());
}

TEST_F(MainWindowWithoutEngine, UnreadableNamesLeadBackToTheDialogUntilCancelled)
{
    createWindow();
    boxes->clear();
    int asked = 0;
    const QString good = writeBook("good.Lumbrix", 1, "", {"p.txt"});
    writeFile(path("p.txt"), "text");
    QList<std::optional<QString>> answers = {path("folder-that-is-no-file"), good};
    QDir().mkpath(path("folder-that-is-no-file"));
    window->setFileChooser([&](TFormPrincipal&) { ++asked; return answers.takeFirst(); });
    window->LoadBook(QStringLiteral("missing"));
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(boxes->seen().size(), 2);
    EXPECT_EQ(boxes->seen()[0].text, QStringLiteral("missing: Nom de fitxer incorrecte, camí incorrecte o no existeix"));
    EXPECT_EQ(boxes->seen()[1].text, path("folder-that-is-no-file") + QStringLiteral(": Nom de fitxer incorrecte, camí incorrecte o no existeix"));
    EXPECT_EQ(window->book.PageCount, 1);
    EXPECT_EQ(window->LabelPagina->text(), QString("1 - 1"));

    // Cancelling flips "&Actiu" and the timer follows, with or without a book.
    window->setFileChooser([](TFormPrincipal&) { return std::optional<QString>(); });
    EXPECT_FALSE(window->modes().scanning());
    window->LoadBook(QString());
    EXPECT_TRUE(window->modes().scanning());
    EXPECT_TRUE(window->Timer1->isActive());
    window->LoadBook(QString());
    EXPECT_FALSE(window->modes().scanning());
    EXPECT_FALSE(window->Timer1->isActive());
}

TEST_F(MainWindowWithoutEngine, BadFilesAreAnsweredNotHungOn)
{
    createWindow();
    const QString fifo = path("pipe.Lumbrix");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString binary = writeFile(path("binary.Lumbrix"), QByteArray("\0\x01\x02{Quirna", 9));
    for (const QString& name : {fifo, binary, QStringLiteral("/dev/zero")}) {
        boxes->clear();
        window->setFileChooser([](TFormPrincipal&) { return std::optional<QString>(); });
        window->LoadBook(name);
        ASSERT_FALSE(boxes->seen().isEmpty()) << name.toStdString();
    }
}

TEST_F(MainWindowWithoutEngine, PagesTurnWithinTheBookOnly)
{
    createWindow();
    writeFile(path("a.txt"), "primera");
    writeFile(path("b.txt"), "segona");
    writeFile(path("c.txt"), "tercera");
    // No book: nothing changes and nothing is said.
    boxes->clear();
    QTest::mouseClick(window->SpeedButtonDreta, Qt::LeftButton);
    QTest::mouseClick(window->SpeedButtonEsquerra, Qt::LeftButton);
    EXPECT_TRUE(boxes->seen().isEmpty());
    EXPECT_EQ(window->book.CurrentPage, 0);

    window->LoadBook(writeBook("b.Lumbrix", 3, "", {"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(window->Memo1->toPlainText(), QString("primera"));
    EXPECT_EQ(window->LabelPagina->text(), QString("1 - 3"));
    QTest::mouseClick(window->SpeedButtonEsquerra, Qt::LeftButton);
    EXPECT_EQ(window->book.CurrentPage, 0);
    QTest::mouseClick(window->SpeedButtonDreta, Qt::LeftButton);
    EXPECT_EQ(window->LabelPagina->text(), QString("2 - 3"));
    EXPECT_EQ(window->Memo1->toPlainText(), QString("segona"));
    EXPECT_EQ(window->focusWidget(), window->SpinEditTempsTimer);
    // A click in the text box is "next page".
    QTest::mouseClick(window->Memo1->viewport(), Qt::LeftButton);
    EXPECT_EQ(window->LabelPagina->text(), QString("3 - 3"));
    QTest::mouseClick(window->SpeedButtonDreta, Qt::LeftButton);
    EXPECT_EQ(window->book.CurrentPage, 2);
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(MainWindowWithoutEngine, PageKeysTurnPagesInTheBoxesAndTheSpinBoxButNotInTheSpeedEdit)
{
    createWindow();
    for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt"})
        writeFile(path(name), name);
    window->LoadBook(writeBook("k.Lumbrix", 4, "", {"1.txt", "2.txt", "3.txt", "4.txt"}));
    QTest::keyClick(window->Memo1, Qt::Key_PageDown);
    EXPECT_EQ(window->book.CurrentPage, 1);
    QTest::keyClick(window->SpinEditTempsTimer, Qt::Key_PageDown);
    EXPECT_EQ(window->book.CurrentPage, 2);
    EXPECT_EQ(window->SpinEditTempsTimer->value(), 16); // the page keys do not step the value
    QTest::keyClick(window->SpinEditTempsTimer, Qt::Key_PageUp);
    EXPECT_EQ(window->book.CurrentPage, 1);
    window->EditVelocitat->setFocus();
    QTest::keyClick(window->EditVelocitat, Qt::Key_PageDown);
    EXPECT_EQ(window->book.CurrentPage, 1);
    // Typing into the spin box is refused; the arrows step it and stop at the ends.
    QTest::keyClicks(window->SpinEditTempsTimer, "5");
    QTest::keyClick(window->SpinEditTempsTimer, Qt::Key_Backspace);
    EXPECT_EQ(window->SpinEditTempsTimer->value(), 16);
    QTest::keyClick(window->SpinEditTempsTimer, Qt::Key_Up);
    EXPECT_EQ(window->SpinEditTempsTimer->value(), 17);
    EXPECT_EQ(window->Timer1->interval(), 1700);
    window->SpinEditTempsTimer->setValue(64);
    QTest::keyClick(window->SpinEditTempsTimer, Qt::Key_Up);
    EXPECT_EQ(window->SpinEditTempsTimer->value(), 64);
    EXPECT_EQ(window->Timer1->interval(), 6400);
    // A hand resting on the mouse wheel over the box, on its text or its arrows, changes nothing.
    ScanIntervalSpinBox* box = window->SpinEditTempsTimer;
    for (const QPoint at : {box->rect().center(), box->rect().bottomRight() - QPoint(3, 3)})
        for (const int delta : {-120, -120, 120}) {
            QWidget* under = box->childAt(at) ? box->childAt(at) : box;
            const QPointF local = under->mapFrom(box, at);
            QWheelEvent wheel(local, under->mapToGlobal(local), {}, QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(under, &wheel);
        }
    EXPECT_EQ(window->SpinEditTempsTimer->value(), 64);
    EXPECT_EQ(window->Timer1->interval(), 6400);
}

TEST_F(MainWindowWithoutEngine, ClosingWritesTheScanSettingAndTheMenuPausesScanning)
{
    createWindow();
    writeFile(path("a.txt"), "a");
    window->LoadBook(writeBook("b.Lumbrix", 1, "", {"a.txt"}));
    window->PopupMenu1->PopupMenuActiu->trigger();
    EXPECT_TRUE(window->modes().scanning());
    EXPECT_TRUE(window->Timer1->isActive());
    // Opening the menu pauses the cycle; closing it without a choice keeps it paused.
    QTimer::singleShot(50, window->PopupMenu1, &QMenu::close);
    window->PopupMenu1->exec(window->mapToGlobal(QPoint(300, 300)));
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_TRUE(window->modes().scanning());
    EXPECT_EQ(window->scan.ScanPosition, window->scan.ScanLast);
    window->close();
    EXPECT_EQ(SettingsFile().read("Tirvelo", "Escaneig", "NO"), QByteArray("s\xED"));
}

TEST_F(MainWindowWithoutEngine, TheOpenDialogRemembersTheFilterAndTheNameAndMovesToTheBooksFolder)
{
    createWindow();
    writeFile(path("llibres/conte/p.txt"), "hola");
    writeFile(path("llibres/conte/LLEGIU"), "sense extensi\xF3");
    const QString book = writeFile(path("llibres/conte/Conte.Lumbrix"), bookBytes(1, "", {"p.txt"}));
    QStringList titles;
    QStringList filters;
    QString preselected;
    bool allFilterChosen = false;
    std::optional<bool> dotlessListed;
    int round = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!dialog->property("tirveloSeen").toBool()) {
            dialog->setProperty("tirveloSeen", true);
            titles << dialog->windowTitle();
            // The filters as the user reads them.
            filters.clear();
            if (auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
                for (int i = 0; i < types->count(); ++i)
                    filters << types->itemText(i);
            preselected = nameField ? nameField->text() : QString();
            return;
        }
        // Answered on later ticks, once the dialog has settled; typed as a user would.
        if (round == 0 && !allFilterChosen) {
            dialog->selectNameFilter(dialog->nameFilters().value(1));
            dialog->setDirectory(QFileInfo(book).absolutePath());
            allFilterChosen = true;
            return;
        }
        if (round == 0) {
            // "All files" lists the file without an extension beside the others.
            const auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
            QStringList listed;
            for (int row = 0; list && row < list->model()->rowCount(list->rootIndex()); ++row)
                listed << list->model()->index(row, 0, list->rootIndex()).data().toString();
            if (!listed.contains(QStringLiteral("p.txt")))
                return; // the folder is still being read
            dotlessListed = listed.contains(QStringLiteral("LLEGIU"));
            // The folder typed in other letter case: the book is found all the same,
            // and so is its folder.
            if (nameField)
                nameField->setText(QString(book).replace(QStringLiteral("/conte/"), QStringLiteral("/CONTE/")));
            static_cast<QDialog*>(dialog)->accept();
            if (!dialog->isVisible())
                ++round;
        } else {
            dialog->reject();
        }
    });
    driver.start(20);
    window->MenuCarregarLlibreClick();
    EXPECT_EQ(window->book.PageCount, 1);
    EXPECT_EQ(window->Memo1->toPlainText(), QString("hola")); // the relative page name was found from the book's folder
    EXPECT_EQ(QDir::currentPath(), QFileInfo(book).absolutePath());
    EXPECT_EQ(window->openDialogFilterIndex(), 1);

    window->MenuCarregarLlibreClick(); // cancelled: "&Actiu" flips
    EXPECT_TRUE(window->modes().scanning());
    ASSERT_EQ(titles.size(), 2);
    EXPECT_EQ(titles[0], QStringLiteral("Obrir - Fitxer: Quirna 2006 Tirvelo"));
    EXPECT_EQ(filters, QStringList({QStringLiteral("Programes (*.Lumbrix)"), QStringLiteral("Tot tipus de fitxers (*.*)")}));
    EXPECT_EQ(dotlessListed, std::optional(true));
    EXPECT_TRUE(book.endsWith(preselected, Qt::CaseInsensitive) && !preselected.isEmpty()) << preselected.toStdString(); // the last name chosen, as typed, is offered again
}
