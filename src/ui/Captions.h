#pragma once
// Every caption that follows the interface language, one table per language.
// Hints, message boxes, the language items themselves and the open dialog's
// filter stay Catalan in every language.
#include "desktop/InterfaceLanguage.h"

#include <QString>

namespace tirvelo {

struct Captions {
    QString SpeedButtonEsquerra;
    QString SpeedButtonDreta;
    QString LabelInformacio;
    QString PopupMenuActiu;
    QString MenuCarregarLlibre;
    QString PopupMenuFuncionaAmbVeu;
    QString PopupMenuControlDelVolumDelMicrfon;
    QString PopupLlegeixelsfitxerstext;
    QString PopupLlenguatge;
    QString PopupVeuDe;
    QString PopupDona;
    QString PopupHome;
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

// Texts that never change with the language.
namespace fixed_texts {
inline const QString LanguageCatala = QStringLiteral(u"Català");
inline const QString LanguageCastellano = QStringLiteral(u"Castellano");
inline const QString LanguagePortugues = QStringLiteral(u"Portugues");
inline const QString HintPageNumber = QStringLiteral(u"Número de pàgina");
inline const QString HintScanInterval = QStringLiteral(u"Decimes de segon que dura cada salt de l'escaneig");
inline const QString HintReadingSpeed = QStringLiteral(u"Velocitat de lectura");
inline const QString OpenDialogFilter = QStringLiteral(u"Programes (*.Lumbrix)|*.Lumbrix|Tot tipus de fitxers (*.*)|*.*");
} // namespace fixed_texts

} // namespace tirvelo
