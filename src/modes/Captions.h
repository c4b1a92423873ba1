#pragma once
// Every caption that follows the interface language, one table per language,
// and the table of the languages themselves.
// Hints, message boxes, the language items themselves and the open dialog's
// filter stay Catalan in every language.
#include "desktop/InterfaceLanguage.h"

#include <QByteArrayView>
#include <QString>
#include <span>

namespace tirvelo {

struct Captions {
    QString SpeedButtonEsquerra;
    QString SpeedButtonDreta;
    QString LabelInformacio;
    QString PopupMenuActiu;
    QString MenuCarregarLlibre;
    QString MenuEditaLlibre;
    QString PopupMenuFuncionaAmbVeu;
    QString PopupMenuControlDelVolumDelMicrfon;
    QString PopupLlegeixelsfitxerstext;
    QString PopupLlenguatge;
    QString PopupVeuDe;
    QString PopupDona;
    QString PopupHome;
    QString PopupMenuOpcionsAcces;
    QString PopupMenuParlantDe;
    QString PopupMenuSortir;
    QString OpenDialogTitle;
    QString LevelDialogTitle;
    QString BitBtn1;
    QString BitBtn2;
    QString BitBtnCalibra; // the level dialog's calibrate button: tooltip and name
    QString TextBoxName; // what a screen reader calls the text boxes
    // What a screen reader calls the picture, the page number, the scan interval and the speed box.
    QString PictureName;
    QString PageNumberName;
    QString ScanIntervalName;
    QString ReadingSpeedName;
};

const Captions& captionsFor(InterfaceLanguage language);

// Everything that goes with an interface language, in one row: the code the
// cue voice speaks, the value the settings file stores, the speech engine's
// language, the language item's caption (never translated) and the captions.
struct LanguageFacts {
    InterfaceLanguage language;
    const char* code;
    const char* storedValue;
    int engineLanguage;
    QString itemCaption;
    const Captions& captions;
};

// The three rows, in the order of InterfaceLanguage and of the menu.
std::span<const LanguageFacts> languageTable();
const LanguageFacts& languageFacts(InterfaceLanguage language);
// "Castellano" and "Portugues" (exact case) choose those languages; any other
// stored value, the read default included, means Catalan.
InterfaceLanguage languageFromStoredValue(QByteArrayView value);

// Texts that never change with the language.
namespace fixed_texts {
inline const QString HintPageNumber = QStringLiteral(u"Número de pàgina");
inline const QString HintScanInterval = QStringLiteral(u"Decimes de segon que dura cada salt de l'escaneig");
inline const QString HintReadingSpeed = QStringLiteral(u"Velocitat de lectura");
inline const QString OpenDialogFilter = QStringLiteral(u"Programes (*.Lumbrix)|*.Lumbrix|Tot tipus de fitxers (*.*)|*.*");
} // namespace fixed_texts

} // namespace tirvelo
