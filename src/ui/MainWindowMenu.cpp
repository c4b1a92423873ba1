#include "ui/MainWindowMenu.h"

#include "modes/ModeController.h"

namespace tirvelo {
namespace {

void showItem(QAction* item, const MenuItemState& state)
{
    if (item->isCheckable() && item->isChecked() != state.checked)
        item->setChecked(state.checked);
    if (item->isEnabled() != state.enabled)
        item->setEnabled(state.enabled);
    if (item->text() != state.caption)
        item->setText(state.caption);
}

// A sub-menu's own enabled state, which its item follows.
void showSubMenu(QMenu* menu, const MenuItemState& state)
{
    if (menu->isEnabled() != state.enabled)
        menu->setEnabled(state.enabled);
    if (menu->title() != state.caption)
        menu->setTitle(state.caption);
}

} // namespace

MainWindowMenu::MainWindowMenu(QWidget* parent) : QMenu(parent)
{
    setObjectName(QStringLiteral("PopupMenu1"));
    auto addItem = [](QMenu* menu, const char* name, bool checkable) {
        QAction* action = menu->addAction(QString());
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(checkable);
        return action;
    };
    auto addSubMenu = [this](const char* name) {
        QMenu* menu = addMenu(QString());
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    PopupMenuActiu = addItem(this, "PopupMenuActiu", true);
    addSeparator();
    MenuCarregarLlibre = addItem(this, "MenuCarregarLlibre", false);
    MenuEditaLlibre = addItem(this, "MenuEditaLlibre", false);
    MenuEditaLlibre->setVisible(false);
    addSeparator();
    PopupMenuFuncionaAmbVeu = addItem(this, "PopupMenuFuncionaAmbVeu", true);
    PopupMenuControlDelVolumDelMicrfon = addItem(this, "PopupMenuControlDelVolumDelMicrfon", false);
    addSeparator();
    PopupLlegeixelsfitxerstext = addItem(this, "PopupLlegeixelsfitxerstext", true);
    PopupLlenguatge = addSubMenu("PopupLlenguatge");
    PopupCatala = addItem(PopupLlenguatge, "PopupCatala", true);
    PopupCastellano = addItem(PopupLlenguatge, "PopupCastellano", true);
    MenuPortugues = addItem(PopupLlenguatge, "MenuPortugues", true);
    PopupVeuDe = addSubMenu("PopupVeuDe");
    PopupDona = addItem(PopupVeuDe, "PopupDona", true);
    PopupHome = addItem(PopupVeuDe, "PopupHome", true);
    addSeparator();
    PopupMenuOpcionsAcces = addItem(this, "PopupMenuOpcionsAcces", false);
    PopupMenuParlantDe = addItem(this, "PopupMenuParlantDe", false);
    addSeparator();
    PopupMenuSortir = addItem(this, "PopupMenuSortir", false);
}

void MainWindowMenu::onChosen(QAction* item, std::function<void()> command)
{
    connect(item, &QAction::triggered, this, [item, command = std::move(command)](bool checked) {
        if (item->isCheckable())
            item->setChecked(!checked);
        command();
    });
}

void MainWindowMenu::follow(ModeController& modes)
{
    onChosen(PopupMenuActiu, [&modes] { modes.toggleScanning(); });
    onChosen(PopupMenuFuncionaAmbVeu, [&modes] { modes.toggleVoiceMode(); });
    onChosen(PopupLlegeixelsfitxerstext, [&modes] { modes.toggleReading(); });
    onChosen(PopupCatala, [&modes] { modes.chooseLanguage(InterfaceLanguage::Catalan); });
    onChosen(PopupCastellano, [&modes] { modes.chooseLanguage(InterfaceLanguage::Spanish); });
    onChosen(MenuPortugues, [&modes] { modes.chooseLanguage(InterfaceLanguage::Portuguese); });
    onChosen(PopupDona, [&modes] { modes.chooseVoice(Voice::Female); });
    onChosen(PopupHome, [&modes] { modes.chooseVoice(Voice::Male); });
    connect(&modes, &ModeController::changed, this, [this, &modes] { showModes(modes.menu()); });
    showModes(modes.menu());
}

void MainWindowMenu::showModes(const ModeMenu& modes)
{
    showItem(PopupMenuActiu, modes.scanning);
    showItem(MenuCarregarLlibre, modes.loadBook);
    showItem(MenuEditaLlibre, modes.editBook);
    showItem(PopupMenuFuncionaAmbVeu, modes.voiceMode);
    showItem(PopupMenuControlDelVolumDelMicrfon, modes.levelDialog);
    showItem(PopupLlegeixelsfitxerstext, modes.reading);
    showSubMenu(PopupLlenguatge, modes.languageMenu);
    showItem(PopupCatala, modes.languages[0]);
    showItem(PopupCastellano, modes.languages[1]);
    showItem(MenuPortugues, modes.languages[2]);
    showSubMenu(PopupVeuDe, modes.voiceMenu);
    showItem(PopupDona, modes.female);
    showItem(PopupHome, modes.male);
    showItem(PopupMenuOpcionsAcces, modes.accessOptions);
    showItem(PopupMenuParlantDe, modes.about);
    showItem(PopupMenuSortir, modes.exit);
}

} // namespace tirvelo
