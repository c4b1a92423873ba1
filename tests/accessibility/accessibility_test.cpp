// What a screen reader gets from each window, through the interfaces Qt hands
// to AT-SPI: one table of nodes per window, then the actions and events that
// let a user hear and drive the window without seeing it.
#include "support/MainWindowFixture.h"
#include "support/TestServices.h"
#include "ui/AboutBox.h"
#include "ui/Accessibility.h"
#include "ui/FormNivellEntradaDAudio.h"
#include "ui/FormOpcionsAcces.h"
#include "ui/MessageBoxes.h"
#include "ui/NavigationButton.h"
#include "ui/PictureBox.h"
#include "ui/ScanIntervalSpinBox.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <optional>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

struct Node {
    QObject* object;
    QAccessible::Role role;
    QString name;
    std::optional<QString> description = {};
    std::optional<QVariant> value = {}; // with the range below, from the value interface
    QVariant minimum = {};
    QVariant maximum = {};
};

void expectNodes(const QList<Node>& nodes)
{
    for (const Node& node : nodes) {
        SCOPED_TRACE(node.object->objectName().toStdString() + " / " + node.name.toStdString());
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(node.object);
        ASSERT_TRUE(iface);
        EXPECT_EQ(iface->role(), node.role);
        EXPECT_EQ(iface->text(QAccessible::Name), node.name);
        if (node.description) {
            EXPECT_EQ(iface->text(QAccessible::Description), *node.description);
        }
        if (node.value) {
            QAccessibleValueInterface* value = iface->valueInterface();
            ASSERT_TRUE(value);
            EXPECT_EQ(value->currentValue().toString(), node.value->toString());
            EXPECT_EQ(value->minimumValue().toString(), node.minimum.toString());
            EXPECT_EQ(value->maximumValue().toString(), node.maximum.toString());
        }
    }
}

QAccessibleInterface* accessible(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// The events the windows raise, as a screen reader would receive them.
struct RecordedEvent {
    QObject* object;
    QAccessible::Event type;
    bool operator==(const RecordedEvent&) const = default;
};
QList<RecordedEvent> g_events;

class AccessibleWindows : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        installAccessibleInterfaces();
        // Qt raises events only once the AT-SPI bus has said it is listening.
        ASSERT_TRUE(QTest::qWaitFor([] { return QAccessible::isActive(); }));
        m_previousHandler = QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
            g_events.append({event->object(), event->type()});
        });
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        QAccessible::installUpdateHandler(m_previousHandler);
        g_events.clear();
    }

private:
    QAccessible::UpdateHandler m_previousHandler = nullptr;
};

} // namespace

TEST_F(AccessibleWindows, MainWindowIsReadAndDrivenThroughTheTree)
{
    createWindow();
    writeFile(path("a.txt"), "Hi havia una vegada\r\n");
    writeBmp(path("fotos/gat.bmp"), 8, 8);
    window->LoadBook(writeBook("llibre.Lumbrix", 2, "", {"a.txt", "fotos/gat.bmp"}));
    expectNodes({
        {window.get(), QAccessible::Window, window->windowTitle()},
        {window->SpeedButtonEsquerra, QAccessible::Button, QStringLiteral(u"Anterior")},
        {window->SpeedButtonDreta, QAccessible::Button, QStringLiteral(u"Següent")},
        {window->LabelPagina, QAccessible::StaticText, QStringLiteral(u"1 - 2"), QStringLiteral(u"Número de pàgina")},
        {window->Memo1, QAccessible::EditableText, QStringLiteral(u"Text de la pàgina")},
        {window->RichEdit1, QAccessible::EditableText, QStringLiteral(u"Text de la pàgina")},
        {window->SpinEditTempsTimer, QAccessible::SpinBox, QStringLiteral(u"Decimes de segon que dura cada salt de l'escaneig"),
         std::nullopt, 16, 1, 64},
        {window->EditVelocitat, QAccessible::EditableText, QStringLiteral(u"Velocitat de lectura"), std::nullopt, 100, 1, 255},
        {window->Image1, QAccessible::Graphic, QStringLiteral(u"Plana")},
    });
    // The speed box keeps its text interfaces beside its value.
    QAccessibleInterface* speed = accessible(window->EditVelocitat);
    EXPECT_EQ(speed->textInterface()->text(0, speed->textInterface()->characterCount()), QStringLiteral("100"));
    speed->editableTextInterface()->replaceText(0, 1, QStringLiteral("2"));
    EXPECT_EQ(speed->valueInterface()->currentValue().toInt(), 200);
    speed->valueInterface()->setCurrentValue(140);
    EXPECT_EQ(window->EditVelocitat->text(), QStringLiteral("140"));
    speed->textInterface()->setSelection(0, 1, 3);
    EXPECT_EQ(window->EditVelocitat->selectedText(), QStringLiteral("40"));
    QAccessibleTextInterface* memoText = accessible(window->Memo1)->textInterface();
    ASSERT_TRUE(memoText);
    EXPECT_EQ(memoText->text(0, memoText->characterCount()), QStringLiteral(u"Hi havia una vegada"));

    // The scan's highlight reads as focus, and moving it is announced.
    g_events.clear();
    window->SpeedButtonDreta->setHighlighted(true);
    EXPECT_TRUE(accessible(window->SpeedButtonDreta)->state().focused);
    EXPECT_FALSE(accessible(window->SpeedButtonEsquerra)->state().focused);
    EXPECT_TRUE(g_events.contains(RecordedEvent{window->SpeedButtonDreta, QAccessible::Focus}));
    // ... and leaving it too: the button's focused state drops with an event.
    g_events.clear();
    window->SpeedButtonDreta->setHighlighted(false);
    EXPECT_FALSE(accessible(window->SpeedButtonDreta)->state().focused);
    EXPECT_TRUE(g_events.contains(RecordedEvent{window->SpeedButtonDreta, QAccessible::StateChanged}));
    window->SpeedButtonDreta->setHighlighted(true);

    // Pressing "Següent" by its action turns the page; the label's new name is announced.
    g_events.clear();
    QAccessibleActionInterface* next = accessible(window->SpeedButtonDreta)->actionInterface();
    ASSERT_TRUE(next);
    ASSERT_EQ(next->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    next->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(accessible(window->LabelPagina)->text(QAccessible::Name), QStringLiteral(u"2 - 2"));
    EXPECT_TRUE(g_events.contains(RecordedEvent{window->LabelPagina, QAccessible::NameChanged}));
    // A screen reader speaks a name change only on what has its focus: the
    // new page's number takes it, until the scan highlights a button again.
    EXPECT_TRUE(QTest::qWaitFor([&] { return g_events.contains(RecordedEvent{window->LabelPagina, QAccessible::Focus}); }));
    EXPECT_TRUE(accessible(window->LabelPagina)->state().focused);
    EXPECT_FALSE(accessible(window->SpeedButtonDreta)->state().focused);
    window->ScanStep();
    EXPECT_FALSE(accessible(window->LabelPagina)->state().focused);
    EXPECT_EQ(accessible(window->Image1)->text(QAccessible::Description), QStringLiteral(u"gat.bmp"));

    // The names follow the interface language.
    window->modes().chooseLanguage(InterfaceLanguage::Spanish);
    expectNodes({
        {window->SpeedButtonDreta, QAccessible::Button, QStringLiteral(u"Siguiente")},
        {window->Image1, QAccessible::Graphic, QStringLiteral(u"Página")},
        {window->SpinEditTempsTimer, QAccessible::SpinBox, QStringLiteral(u"Décimas de segundo que dura cada salto del escaneo")},
        {window->EditVelocitat, QAccessible::EditableText, QStringLiteral(u"Velocidad de lectura")},
        {window->Memo1, QAccessible::EditableText, QStringLiteral(u"Texto de la página")},
        {window->RichEdit1, QAccessible::EditableText, QStringLiteral(u"Texto de la página")},
    });
    window->modes().chooseLanguage(InterfaceLanguage::Portuguese);
    expectNodes({
        {window->Image1, QAccessible::Graphic, QStringLiteral(u"Página")},
        {window->EditVelocitat, QAccessible::EditableText, QStringLiteral(u"Velocidade de leitura")},
    });
}

TEST_F(AccessibleWindows, MenuItemsCarryTheirCaptionCheckStateAndEnabledState)
{
    createWindow(); // without an engine: the reading items are off
    window->PopupMenu1->PopupMenuActiu->trigger();
    struct Item {
        QAction* action;
        QString name;
        bool checkable;
        bool checked;
        bool enabled;
    };
    const QList<Item> items = {
        {window->PopupMenu1->PopupMenuActiu, QStringLiteral(u"Actiu"), true, true, true},
        {window->PopupMenu1->MenuCarregarLlibre, QStringLiteral(u"Carregar llibre..."), false, false, true},
        {window->PopupMenu1->PopupLlegeixelsfitxerstext, QStringLiteral(u"Llegeix els fitxers text"), true, false, false},
        {window->PopupMenu1->PopupLlenguatge->menuAction(), QStringLiteral(u"Llenguatge"), false, false, false},
        {window->PopupMenu1->PopupMenuOpcionsAcces, QStringLiteral(u"Opcions d'accés..."), false, false, true},
        {window->PopupMenu1->PopupMenuSortir, QStringLiteral(u"Sortir"), false, false, true},
    };
    QAccessibleInterface* menu = accessible(window->PopupMenu1);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->role(), QAccessible::PopupMenu);
    for (const Item& item : items) {
        SCOPED_TRACE(item.name.toStdString());
        QAccessibleInterface* node = nullptr;
        for (int i = 0; i < menu->childCount() && !node; ++i)
            if (menu->child(i)->object() == item.action)
                node = menu->child(i);
        ASSERT_TRUE(node);
        EXPECT_EQ(node->role(), QAccessible::MenuItem);
        EXPECT_EQ(node->text(QAccessible::Name), item.name);
        EXPECT_EQ(bool(node->state().checkable), item.checkable);
        EXPECT_EQ(bool(node->state().checked), item.checked);
        EXPECT_EQ(!node->state().disabled, item.enabled);
    }
}

TEST_F(AccessibleWindows, MessageBoxIsAnAlertReadAndClosedThroughTheTree)
{
    MessageBoxSink sink;
    bool checked = false;
    QTimer::singleShot(0, [&] {
        QMessageBox* box = nullptr;
        EXPECT_TRUE(QTest::qWaitFor([&] { return (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())); }));
        if (!box)
            return;
        QAccessibleInterface* iface = accessible(box);
        EXPECT_EQ(iface->role(), QAccessible::AlertMessage);
        EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral(u"Avís"));
        EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral(u"El llibre no existeix"));
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(accessible(ok)->role(), QAccessible::Button);
        EXPECT_EQ(accessible(ok)->text(QAccessible::Name), ok->text().remove(u'&'));
        checked = true;
        accessible(ok)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    });
    sink.information(nullptr, QStringLiteral(u"El llibre no existeix"), QStringLiteral(u"Avís"));
    EXPECT_TRUE(checked);
}

TEST_F(AccessibleWindows, LevelDialogAndAboutBoxAreReadAndTheSliderIsSetThroughItsValue)
{
    TestServices levelServices;
    levelServices.clock.instant = true;
    TFormNivellEntradaDAudio dialog(levelServices.bundle());
    dialog.setLevel(40);
    expectNodes({
        {&dialog, QAccessible::Dialog, QStringLiteral(u"Nivell d'entrada d'audio")},
        {dialog.ProgressBarVolum, QAccessible::ProgressBar, QStringLiteral(u"Nivell d'entrada"), std::nullopt, 40, 0, 128},
        {dialog.TrackBar1, QAccessible::Slider, QStringLiteral(u"Valor minim del senyal que provoca efecte"), std::nullopt, 30, 0, 128},
        {dialog.BitBtn1, QAccessible::Button, QStringLiteral(u"Tancar")},
        {dialog.BitBtn2, QAccessible::Button, QStringLiteral(u"Nivell Micròfon")},
        {dialog.BitBtnCalibra, QAccessible::Button, QStringLiteral(u"Calibra")},
    });
    // The countdown is the button's name while it runs, so a screen reader hears it.
    dialog.setCaptureRunning(true);
    g_events.clear();
    levelServices.clock.fixedNow = 1000;
    dialog.BitBtnCalibra->click();
    EXPECT_EQ(accessible(dialog.BitBtnCalibra)->text(QAccessible::Name), QStringLiteral(u"Escoltant... 3 s"));
    EXPECT_TRUE(g_events.contains(RecordedEvent{dialog.BitBtnCalibra, QAccessible::NameChanged}));
    levelServices.clock.fixedNow = 2100;
    dialog.hearRoom(10);
    EXPECT_EQ(accessible(dialog.BitBtnCalibra)->text(QAccessible::Name), QStringLiteral(u"Escoltant... 2 s"));
    levelServices.clock.fixedNow = 4000;
    dialog.hearRoom(10);
    EXPECT_EQ(accessible(dialog.BitBtnCalibra)->text(QAccessible::Name), QStringLiteral(u"Calibra"));

    accessible(dialog.TrackBar1)->valueInterface()->setCurrentValue(45);
    EXPECT_EQ(levelServices.capture.TriggerThreshold, 45) << "as dragging the bar does";
    EXPECT_EQ(dialog.TrackBar1->toolTip(), QStringLiteral("Valor minim del senyal que provoca efecte = 45"));

    TAboutBox about(levelServices.bundle());
    expectNodes({
        {&about, QAccessible::Dialog, QStringLiteral(u"Parlant de Tirvelo")},
        {about.ProductName, QAccessible::StaticText, QStringLiteral(u"Tirvelo per escaneig d'un teclat i lectura de textos")},
    });
    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>())
        texts << accessible(label)->text(QAccessible::Name);
    EXPECT_TRUE(texts.contains(QStringLiteral(u"Quirna 2000 - Tirvelo"))) << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.join(u'|').contains(QStringLiteral(u"Passa pàgines per a persones que fan servir un commutador o la veu.")))
        << "the credits are read too";
}

TEST_F(AccessibleWindows, TheAccessOptionsAreReadAndTheProgramClosedThroughTheTree)
{
    createWindow();
    TFormOpcionsAcces dialog(window.get());
    expectNodes({
        {&dialog, QAccessible::Dialog, QStringLiteral(u"Opcions d'accés")},
        {dialog.SpinAcceptacio, QAccessible::SpinBox, QStringLiteral(u"Temps d'acceptació (ms)"), std::nullopt, QVariant(0), 0, 2000},
        {dialog.SpinRetard, QAccessible::SpinBox, QStringLiteral(u"Temps d'espera després d'acceptar (ms)"), std::nullopt, QVariant(0), 0, 3000},
        {dialog.ComboTeclaSeleccio, QAccessible::ComboBox, QStringLiteral(u"Cap")}, // a combo reads its choice
        {dialog.CheckLlegeixResaltat, QAccessible::CheckBox, QStringLiteral(u"Llegeix el botó ressaltat")},
    });

    // ... and is described by its caption, which a screen reader says with it.
    EXPECT_EQ(accessible(dialog.ComboTeclaPas)->text(QAccessible::Description), QStringLiteral(u"Tecla de pas"));

    QAccessibleInterface* menu = accessible(window->PopupMenu1);
    ASSERT_TRUE(menu);
    QAccessibleInterface* exit = nullptr;
    for (int i = 0; i < menu->childCount() && !exit; ++i)
        if (menu->child(i)->object() == window->PopupMenu1->PopupMenuSortir)
            exit = menu->child(i);
    ASSERT_TRUE(exit && exit->actionInterface());
    exit->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 5000)) << "\"Sortir\" closes the program";
}
