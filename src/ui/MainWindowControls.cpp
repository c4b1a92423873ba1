#include "ui/MainWindowControls.h"

#include "modes/Captions.h"
#include "ui/Accessibility.h"
#include "ui/ArrowGlyph.h"
#include "ui/NavigationButton.h"
#include "ui/PictureBox.h"
#include "ui/ScanIntervalSpinBox.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include "ui/TextPageBox.h"

#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

namespace tirvelo {
namespace {

// A label readable over any picture: the window's black fills its own
// rectangle, and only that.
void onBlack(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::black);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

} // namespace

MainWindowControls createMainWindowControls(QWidget* window, const MainWindowLayout& layout)
{
    MainWindowControls c;
    // Back to front: the picture, the buttons and labels, then the boxes.
    c.Image1 = new PictureBox(window);
    c.Image1->setObjectName(QStringLiteral("Image1"));

    c.SpeedButtonEsquerra = new NavigationButton(arrowGlyph(ArrowDirection::Left), window);
    c.SpeedButtonEsquerra->setObjectName(QStringLiteral("SpeedButtonEsquerra"));
    c.SpeedButtonEsquerra->setGeometry(layout.previousButton);
    c.SpeedButtonDreta = new NavigationButton(arrowGlyph(ArrowDirection::Right), window);
    c.SpeedButtonDreta->setObjectName(QStringLiteral("SpeedButtonDreta"));
    c.SpeedButtonDreta->setGeometry(layout.nextButton);
    for (NavigationButton* button : {c.SpeedButtonEsquerra, c.SpeedButtonDreta}) {
        QPalette buttonPalette = QApplication::palette();
        button->setPalette(buttonPalette);
        button->setFont(layout.buttonFont);
    }

    c.LabelInformacio = new QLabel(window);
    c.LabelInformacio->setObjectName(QStringLiteral("LabelInformacio"));
    c.LabelInformacio->setFont(layout.infoFont);
    QPalette bluePalette = c.LabelInformacio->palette();
    bluePalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    c.LabelInformacio->setPalette(bluePalette);
    onBlack(c.LabelInformacio);
    c.LabelInformacio->move(layout.infoLabel);

    // Visible next to the buttons (the place under the speed edit would hide it).
    c.LabelPagina = new QLabel(window);
    c.LabelPagina->setObjectName(QStringLiteral("LabelPagina"));
    c.LabelPagina->setGeometry(layout.pageLabel);
    c.LabelPagina->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette whitePalette = c.LabelPagina->palette();
    whitePalette.setColor(QPalette::WindowText, Qt::white);
    c.LabelPagina->setPalette(whitePalette);
    onBlack(c.LabelPagina);
    c.LabelPagina->setFont(layout.pageFont);
    c.LabelPagina->setToolTip(fixed_texts::HintPageNumber);
    // Its name is the number shown; a new page takes the screen reader's focus (PageBoxes::showLabel).
    announcesItsChanges(c.LabelPagina);

    c.SpinEditTempsTimer = new ScanIntervalSpinBox(window);
    c.SpinEditTempsTimer->setObjectName(QStringLiteral("SpinEditTempsTimer"));
    c.SpinEditTempsTimer->setGeometry(layout.scanInterval);
    c.SpinEditTempsTimer->setToolTip(fixed_texts::HintScanInterval);

    c.Memo1 = new TextPageBox(window);
    c.Memo1->setObjectName(QStringLiteral("Memo1"));
    c.Memo1->setReadOnly(true);
    c.Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    c.Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    c.Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    c.Memo1->setFont(layout.textBoxFont);
    // The right button opens PopupMenu1 on the whole window surface: the
    // picture, the buttons and labels (which have no menu of their own), and
    // also the two read-only page boxes and the spin box, whose copy-and-select
    // menus would only stand between a switch user and the window's menu. The
    // speed edit alone keeps its own edit menu, since a value is typed there.
    c.Memo1->setContextMenuPolicy(Qt::NoContextMenu);

    c.RichEdit1 = new QTextEdit(window);
    c.RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    c.RichEdit1->setReadOnly(true);
    c.RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);
    c.RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    c.RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    c.RichEdit1->setContextMenuPolicy(Qt::NoContextMenu);

    c.EditVelocitat = new QLineEdit(QStringLiteral("100"), window);
    c.EditVelocitat->setObjectName(QStringLiteral("EditVelocitat"));
    exposeAsNumber(c.EditVelocitat, 1, 255); // the reading speeds the engine takes
    c.EditVelocitat->setGeometry(layout.speedEdit);
    c.EditVelocitat->setFont(layout.speedFont);
    c.EditVelocitat->setToolTip(fixed_texts::HintReadingSpeed);
    c.EditVelocitat->setContextMenuPolicy(Qt::DefaultContextMenu); // its own edit menu (see Memo1 above)

    QWidget::setTabOrder(c.SpinEditTempsTimer, c.Memo1);
    QWidget::setTabOrder(c.Memo1, c.RichEdit1);
    QWidget::setTabOrder(c.RichEdit1, c.EditVelocitat);

    c.Timer1 = new QTimer(window);
    c.Timer1->setObjectName(QStringLiteral("Timer1"));
    c.Timer1->setInterval(1600);
    c.Timer1->setTimerType(Qt::PreciseTimer);

    return c;
}

void showCaptions(const MainWindowControls& c, const Captions& captions)
{
    c.SpeedButtonEsquerra->setText(captions.SpeedButtonEsquerra);
    c.SpeedButtonDreta->setText(captions.SpeedButtonDreta);
    c.LabelInformacio->setText(captions.LabelInformacio);
    c.LabelInformacio->adjustSize();
    c.Memo1->setAccessibleName(captions.TextBoxName);
    c.RichEdit1->setAccessibleName(captions.TextBoxName);
    // The hints stay Catalan; what a screen reader calls the controls follows the language.
    c.Image1->setAccessibleName(captions.PictureName);
    c.LabelPagina->setAccessibleDescription(captions.PageNumberName);
    c.SpinEditTempsTimer->setAccessibleName(captions.ScanIntervalName);
    c.EditVelocitat->setAccessibleName(captions.ReadingSpeedName);
}

} // namespace tirvelo
