#pragma once
// The main window's controls, made, placed and styled as the layout says, back
// to front, under their own names; wiring them to handlers is the window's.
#include "ui/MainWindowLayout.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTextEdit;
class QTimer;
class QWidget;

namespace tirvelo {

class NavigationButton;
class PictureBox;
class ScanIntervalSpinBox;
struct Captions;
class TextPageBox;

struct MainWindowControls {
    PictureBox* Image1 = nullptr;
    NavigationButton* SpeedButtonEsquerra = nullptr;
    NavigationButton* SpeedButtonDreta = nullptr;
    QLabel* LabelInformacio = nullptr;
    QLabel* LabelPagina = nullptr;
    ScanIntervalSpinBox* SpinEditTempsTimer = nullptr;
    TextPageBox* Memo1 = nullptr;
    QTextEdit* RichEdit1 = nullptr;
    QLineEdit* EditVelocitat = nullptr;
    QTimer* Timer1 = nullptr;
};

MainWindowControls createMainWindowControls(QWidget* window, const MainWindowLayout& layout);
// The captions that follow the interface language.
void showCaptions(const MainWindowControls& controls, const Captions& captions);

} // namespace tirvelo
