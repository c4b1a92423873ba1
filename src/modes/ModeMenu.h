#pragma once
// What the pop-up menu must show, item by item: the tick, whether the item can
// be chosen, and its caption. The mode controller returns it; the main window
// only maps it onto its menu.
#include <QString>

#include <array>

namespace tirvelo {

struct MenuItemState {
    bool checked = false;
    bool enabled = true;
    QString caption;

    bool operator==(const MenuItemState&) const = default;
};

struct ModeMenu {
    MenuItemState scanning;     // "&Actiu"
    MenuItemState loadBook;
    MenuItemState editBook;     // the book editor
    MenuItemState voiceMode;    // "Funciona amb &veu"
    MenuItemState levelDialog;
    MenuItemState reading;      // "Llegeix els fitxers text"
    MenuItemState languageMenu; // the sub-menu "Llenguatge"
    // "Català", "Castellano", "Portugues", in the order of InterfaceLanguage.
    std::array<MenuItemState, 3> languages;
    MenuItemState voiceMenu;    // the sub-menu "Veu de"
    MenuItemState female;       // "Dona"
    MenuItemState male;         // "Home"
    MenuItemState accessOptions;
    MenuItemState about;
    MenuItemState exit;

    bool operator==(const ModeMenu&) const = default;
};

} // namespace tirvelo
