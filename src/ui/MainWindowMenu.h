#pragma once
// The main window's pop-up menu, its items under their own names. It shows what
// the mode controller says (tick, enabled state and caption of every item) and
// hands each choice to its command: the ticks show the modes, so the toolkit's
// own toggle of a checkable item is undone before the command runs.
#include "modes/ModeMenu.h"

#include <QMenu>
#include <functional>

namespace tirvelo {

class ModeController;

class MainWindowMenu : public QMenu {
    Q_OBJECT
public:
    explicit MainWindowMenu(QWidget* parent);

    QAction* PopupMenuActiu = nullptr;
    QAction* MenuCarregarLlibre = nullptr;
    QAction* MenuEditaLlibre = nullptr; // shown once the window has a book editor to open
    QAction* PopupMenuFuncionaAmbVeu = nullptr;
    QAction* PopupMenuControlDelVolumDelMicrfon = nullptr;
    QAction* PopupLlegeixelsfitxerstext = nullptr;
    QMenu* PopupLlenguatge = nullptr;
    QAction* PopupCatala = nullptr;
    QAction* PopupCastellano = nullptr;
    QAction* MenuPortugues = nullptr;
    QMenu* PopupVeuDe = nullptr;
    QAction* PopupDona = nullptr;
    QAction* PopupHome = nullptr;
    QAction* PopupMenuOpcionsAcces = nullptr;
    QAction* PopupMenuParlantDe = nullptr;
    QAction* PopupMenuSortir = nullptr;

    // Maps the modes onto the items.
    void showModes(const ModeMenu& modes);
    // The mode items run the controller's commands, and the menu shows the
    // controller's state whenever it changes.
    void follow(ModeController& modes);
    // Runs command whenever item is chosen.
    void onChosen(QAction* item, std::function<void()> command);
};

} // namespace tirvelo
