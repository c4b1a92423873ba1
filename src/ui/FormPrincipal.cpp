#include "ui/FormPrincipal.h"

#include "ui/Delay.h"
#include "authoring/epub/EpubImport.h"
#include "base/IntegerText.h"
#include "desktop/SettingsFile.h"
#include "desktop/SettingsKeys.h"
#include "audio/CaptureDevice.h"
#include "audio/SoundPlayer.h"
#include "audio/SoundTrigger.h"
#include "audio/WavMax.h"
#include "book/BookLoader.h"
#include "book/PageMessages.h"
#include "book/PagePresenter.h"
#include "book/PathResolver.h"
#include "speech/SpeechEngine.h"
#include "speech/UpctvApi.h"
#include "speech/CueVoice.h"
#include "ui/AboutBox.h"
#include "ui/AccessOptionsCaptions.h"
#include "ui/CurrentDesktop.h"
#include "ui/Accessibility.h"
#include "ui/FormOpcionsAcces.h"
#include "ui/SwitchInput.h"
#include "ui/FormNivellEntradaDAudio.h"
#include "ui/ArrowGlyph.h"
#include "ui/MessageBoxes.h"
#include "ui/MessageSink.h"
#include "ui/NavigationButton.h"
#include "ui/PictureBox.h"
#include "ui/PreparedSound.h"
#include "ui/ScanIntervalSpinBox.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>

namespace tirvelo {
namespace {

const QString kNoEngineMessage = QStringLiteral(
    u"No trobo la upctv.dll. No podré llegir els textos. Si voleu que siguin llegits, instal.leu correctament la upctv.dll");
const QString kNoEngineCaption = QStringLiteral(u"Quirna 2000 - Tirvelo - Sense Veu");

QRect availableScreenGeometry(const QWidget* widget)
{
    const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 536, 348);
}

// A label readable over any picture: the window's black fills its own
// rectangle, and only that.
void onBlack(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::black);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

// "Programes (*.Lumbrix)|*.Lumbrix|..." as Qt's name filters: each entry's
// text as written, followed by the patterns the dialog applies and does not
// show (QFileDialog::HideNameFilterDetails). "*.*" stands for every file in the
// text, but Qt would hide names without a dot with it: it is applied as "*".
QStringList qtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';');
        for (QString& pattern : patterns)
            if (pattern == u"*.*")
                pattern = QStringLiteral("*");
        filters << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters;
}

} // namespace

TFormPrincipal::TFormPrincipal(const Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_services(services), m_session(currentDesktopSession())
{
    setObjectName(QStringLiteral("FormPrincipal"));
    m_preparer.setExtraPreparation([this](const PageView& page, QStringList& filesRead) {
        if (std::shared_ptr<PageExtra> text = m_textPageLook.prepare(page))
            return text;
        return prepareCompanionSound(page, filesRead);
    });
    setWindowTitle(applicationTitle());
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    // Qt already scales logical pixels by the screen's device-pixel ratio (from
    // QT_SCALE_FACTOR, QT_FONT_DPI or the X server's Xft.dpi), and then reports
    // 96 logical dots per inch. Only a logical resolution it leaves above 96
    // (its own scaling switched off) asks for a layout factor of ours; using it
    // on top of the device-pixel ratio would scale twice.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_scale = std::max<qreal>(1.0, screen->logicalDotsPerInch() / 96.0);
    QFont windowFont(QStringLiteral("Sans Serif"));
    windowFont.setPixelSize(qRound(11 * m_scale));
    setFont(windowFont);
    resize(int(536 * m_scale), int(348 * m_scale));
    // On a Wayland session asked before the first show, so that the
    // compositor maps it full screen.
    if (!m_session.coversScreenItself())
        setWindowState(Qt::WindowFullScreen);
    createControls();
    createMenu();
    FormCreate();
}

TFormPrincipal::~TFormPrincipal() = default;

QRect TFormPrincipal::scaled(int left, int top, int width, int height) const
{
    return QRect(qRound(left * m_scale), qRound(top * m_scale), qRound(width * m_scale), qRound(height * m_scale));
}

void TFormPrincipal::createControls()
{
    // Back to front: the picture, the buttons and labels, then the boxes.
    Image1 = new PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    connect(Image1, &PictureBox::clicked, this, &TFormPrincipal::Image1Click);

    const Captions& captions = captionsFor(InterfaceLanguage::Catalan);
    SpeedButtonEsquerra = new NavigationButton(arrowGlyph(ArrowDirection::Left), this);
    SpeedButtonEsquerra->setObjectName(QStringLiteral("SpeedButtonEsquerra"));
    SpeedButtonEsquerra->setGeometry(scaled(0, 0, 57, 57));
    SpeedButtonDreta = new NavigationButton(arrowGlyph(ArrowDirection::Right), this);
    SpeedButtonDreta->setObjectName(QStringLiteral("SpeedButtonDreta"));
    SpeedButtonDreta->setGeometry(scaled(56, 0, 57, 57));
    for (NavigationButton* button : {SpeedButtonEsquerra, SpeedButtonDreta}) {
        QPalette buttonPalette = QApplication::palette();
        button->setPalette(buttonPalette);
        QFont buttonFont(QStringLiteral("Sans Serif"));
        buttonFont.setPixelSize(qRound(11 * m_scale));
        button->setFont(buttonFont);
    }
    connect(SpeedButtonEsquerra, &QAbstractButton::clicked, this, &TFormPrincipal::SpeedButtonEsquerraClick);
    connect(SpeedButtonDreta, &QAbstractButton::clicked, this, &TFormPrincipal::SpeedButtonDretaClick);

    LabelInformacio = new QLabel(this);
    LabelInformacio->setObjectName(QStringLiteral("LabelInformacio"));
    QFont infoFont(QStringLiteral("Sans Serif"));
    infoFont.setPixelSize(qRound(13 * m_scale));
    infoFont.setBold(true);
    LabelInformacio->setFont(infoFont);
    QPalette bluePalette = LabelInformacio->palette();
    bluePalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    LabelInformacio->setPalette(bluePalette);
    onBlack(LabelInformacio);
    LabelInformacio->move(qRound(170 * m_scale), qRound(8 * m_scale));

    // Visible next to the buttons (the place under the speed edit would hide it).
    LabelPagina = new QLabel(this);
    LabelPagina->setObjectName(QStringLiteral("LabelPagina"));
    LabelPagina->setGeometry(scaled(178, 38, 90, 17));
    LabelPagina->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette whitePalette = LabelPagina->palette();
    whitePalette.setColor(QPalette::WindowText, Qt::white);
    LabelPagina->setPalette(whitePalette);
    onBlack(LabelPagina);
    QFont pageFont(QStringLiteral("Sans Serif"));
    pageFont.setPixelSize(qRound(11 * m_scale));
    LabelPagina->setFont(pageFont);
    LabelPagina->setToolTip(fixed_texts::HintPageNumber);
    // Its name is the number shown; a new page takes the screen reader's focus (showPageLabel).
    announcesItsChanges(LabelPagina);

    SpinEditTempsTimer = new ScanIntervalSpinBox(this);
    SpinEditTempsTimer->setObjectName(QStringLiteral("SpinEditTempsTimer"));
    SpinEditTempsTimer->setGeometry(scaled(118, 5, 41, 22));
    SpinEditTempsTimer->setToolTip(fixed_texts::HintScanInterval);
    connect(SpinEditTempsTimer, &QSpinBox::valueChanged, this, &TFormPrincipal::SpinEditTempsTimerChange);
    connect(SpinEditTempsTimer, &ScanIntervalSpinBox::pageKeyPressed, this, [this](int key) {
        if (key == Qt::Key_PageDown)
            SpeedButtonDretaClick();
        else
            SpeedButtonEsquerraClick();
    });

    Memo1 = new TextPageBox(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont memoFont(QStringLiteral("Arial"));
    memoFont.setPixelSize(qRound(16 * m_scale));
    memoFont.setBold(true);
    Memo1->setFont(memoFont);
    // The right button opens PopupMenu1 on the whole window surface: the
    // picture, the buttons and labels (which have no menu of their own), and
    // also the two read-only page boxes and the spin box, whose copy-and-select
    // menus would only stand between a switch user and the window's menu. The
    // speed edit alone keeps its own edit menu, since a value is typed there.
    Memo1->setContextMenuPolicy(Qt::NoContextMenu);

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit1->setContextMenuPolicy(Qt::NoContextMenu);

    EditVelocitat = new QLineEdit(QStringLiteral("100"), this);
    EditVelocitat->setObjectName(QStringLiteral("EditVelocitat"));
    exposeAsNumber(EditVelocitat, 1, 255); // the reading speeds the engine takes
    EditVelocitat->setGeometry(scaled(118, 34, 54, 24));
    QFont speedFont(QStringLiteral("Sans Serif"));
    speedFont.setPixelSize(qRound(13 * m_scale));
    speedFont.setBold(true);
    EditVelocitat->setFont(speedFont);
    EditVelocitat->setToolTip(fixed_texts::HintReadingSpeed);
    connect(EditVelocitat, &QLineEdit::textChanged, this, &TFormPrincipal::EditVelocitatChange);
    EditVelocitat->setContextMenuPolicy(Qt::DefaultContextMenu); // its own edit menu (see Memo1 above)

    for (QWidget* box : {static_cast<QWidget*>(Memo1), static_cast<QWidget*>(RichEdit1)}) {
        box->installEventFilter(this);
        static_cast<QAbstractScrollArea*>(box)->viewport()->installEventFilter(this);
    }
    setTabOrder(SpinEditTempsTimer, Memo1);
    setTabOrder(Memo1, RichEdit1);
    setTabOrder(RichEdit1, EditVelocitat);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1600);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &TFormPrincipal::Timer1Timer);

    m_switches = new SwitchInput(this, {[this] { SpeedButtonEsquerraClick(); }, [this] { SpeedButtonDretaClick(); },
                                        [this] { return selectAction(); }, [this] { ScanStep(); },
                                        [this] { return pageAction(); }},
                                 this);
    m_switches->setPressTargets(SpeedButtonEsquerra, {SpeedButtonDreta}, {Image1, Memo1->viewport(), RichEdit1->viewport()});

    applyCaptions(captions);
}

void TFormPrincipal::connectAction(QAction* action, void (TFormPrincipal::*handler)())
{
    // The handlers set and clear ticks themselves: undo the toolkit's own toggle first.
    connect(action, &QAction::triggered, this, [this, action, handler](bool checked) {
        if (action->isCheckable())
            action->setChecked(!checked);
        (this->*handler)();
    });
}

void TFormPrincipal::createMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto addItem = [this](QMenu* menu, const char* name, bool checkable) {
        QAction* action = menu->addAction(QString());
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(checkable);
        return action;
    };
    PopupMenuActiu = addItem(PopupMenu1, "PopupMenuActiu", true);
    PopupMenu1->addSeparator();
    MenuCarregarLlibre = addItem(PopupMenu1, "MenuCarregarLlibre", false);
    PopupMenu1->addSeparator();
    PopupMenuFuncionaAmbVeu = addItem(PopupMenu1, "PopupMenuFuncionaAmbVeu", true);
    PopupMenuControlDelVolumDelMicrfon = addItem(PopupMenu1, "PopupMenuControlDelVolumDelMicrfon", false);
    PopupMenu1->addSeparator();
    PopupLlegeixelsfitxerstext = addItem(PopupMenu1, "PopupLlegeixelsfitxerstext", true);
    PopupLlegeixelsfitxerstext->setChecked(true);
    PopupLlenguatge = PopupMenu1->addMenu(QString());
    PopupLlenguatge->setObjectName(QStringLiteral("PopupLlenguatge"));
    PopupCatala = addItem(PopupLlenguatge, "PopupCatala", true);
    PopupCatala->setText(fixed_texts::LanguageCatala);
    PopupCatala->setChecked(true);
    PopupCastellano = addItem(PopupLlenguatge, "PopupCastellano", true);
    PopupCastellano->setText(fixed_texts::LanguageCastellano);
    MenuPortugues = addItem(PopupLlenguatge, "MenuPortugues", true);
    MenuPortugues->setText(fixed_texts::LanguagePortugues);
    PopupVeuDe = PopupMenu1->addMenu(QString());
    PopupVeuDe->setObjectName(QStringLiteral("PopupVeuDe"));
    PopupDona = addItem(PopupVeuDe, "PopupDona", true);
    PopupHome = addItem(PopupVeuDe, "PopupHome", true);
    PopupHome->setChecked(true);
    PopupMenu1->addSeparator();
    PopupMenuOpcionsAcces = addItem(PopupMenu1, "PopupMenuOpcionsAcces", false);
    PopupMenuParlantDe = addItem(PopupMenu1, "PopupMenuParlantDe", false);
    PopupMenu1->addSeparator();
    PopupMenuSortir = addItem(PopupMenu1, "PopupMenuSortir", false);

    connect(PopupMenu1, &QMenu::aboutToShow, this, &TFormPrincipal::PopupMenu1Popup);
    connectAction(PopupMenuActiu, &TFormPrincipal::PopupMenuActiuClick);
    connectAction(MenuCarregarLlibre, &TFormPrincipal::MenuCarregarLlibreClick);
    connectAction(PopupMenuFuncionaAmbVeu, &TFormPrincipal::PopupMenuFuncionaAmbVeuClick);
    connectAction(PopupMenuControlDelVolumDelMicrfon, &TFormPrincipal::PopupMenuControlDelVolumDelMicrfonClick);
    connectAction(PopupLlegeixelsfitxerstext, &TFormPrincipal::PopupLlegeixelsfitxerstextClick);
    connectAction(PopupCatala, &TFormPrincipal::PopupCatalaClick);
    connectAction(PopupCastellano, &TFormPrincipal::PopupCastellanoClick);
    connectAction(MenuPortugues, &TFormPrincipal::MenuPortuguesClick);
    connectAction(PopupDona, &TFormPrincipal::PopupDonaClick);
    connectAction(PopupHome, &TFormPrincipal::PopupHomeClick);
    connectAction(PopupMenuOpcionsAcces, &TFormPrincipal::PopupMenuOpcionsAccesClick);
    connectAction(PopupMenuParlantDe, &TFormPrincipal::PopupMenuParlantDeClick);
    connectAction(PopupMenuSortir, &TFormPrincipal::PopupMenuSortirClick);
    applyCaptions(captionsFor(m_language));
}

void TFormPrincipal::applyCaptions(const Captions& captions)
{
    if (SpeedButtonEsquerra) {
        SpeedButtonEsquerra->setText(captions.SpeedButtonEsquerra);
        SpeedButtonDreta->setText(captions.SpeedButtonDreta);
        LabelInformacio->setText(captions.LabelInformacio);
        LabelInformacio->adjustSize();
        Memo1->setAccessibleName(captions.TextBoxName);
        RichEdit1->setAccessibleName(captions.TextBoxName);
        // The hints stay Catalan; what a screen reader calls the controls follows the language.
        Image1->setAccessibleName(captions.PictureName);
        LabelPagina->setAccessibleDescription(captions.PageNumberName);
        SpinEditTempsTimer->setAccessibleName(captions.ScanIntervalName);
        EditVelocitat->setAccessibleName(captions.ReadingSpeedName);
    }
    if (!PopupMenuActiu)
        return;
    PopupMenuActiu->setText(captions.PopupMenuActiu);
    MenuCarregarLlibre->setText(captions.MenuCarregarLlibre);
    PopupMenuFuncionaAmbVeu->setText(captions.PopupMenuFuncionaAmbVeu);
    PopupMenuControlDelVolumDelMicrfon->setText(captions.PopupMenuControlDelVolumDelMicrfon);
    PopupLlegeixelsfitxerstext->setText(captions.PopupLlegeixelsfitxerstext);
    PopupLlenguatge->setTitle(captions.PopupLlenguatge);
    PopupVeuDe->setTitle(captions.PopupVeuDe);
    PopupDona->setText(captions.PopupDona);
    PopupHome->setText(captions.PopupHome);
    PopupMenuOpcionsAcces->setText(accessOptionsCaptionsFor(m_language).MenuItem);
    PopupMenuParlantDe->setText(captions.PopupMenuParlantDe);
    PopupMenuSortir->setText(captions.PopupMenuSortir);
}

QString TFormPrincipal::openDialogTitle() const
{
    return captionsFor(m_language).OpenDialogTitle;
}

void TFormPrincipal::FormCreate()
{
    const QRect maximised = availableScreenGeometry(this);
    const int width = maximised.width();
    const int height = maximised.height();
    Memo1->setGeometry(qRound(20 * m_scale), qRound(74 * m_scale), width - qRound(50 * m_scale), height - qRound(94 * m_scale));
    RichEdit1->setGeometry(Memo1->geometry());
    RichEdit1->hide();
    scan.ScanFirst = 0;
    scan.ScanLast = 1;
    scan.ScanPosition = 0;
    Timer1->setInterval(SpinEditTempsTimer->value() * 100);
    Image1->hide();
    Memo1->hide();
    Speaking = false;
    SoundPlaying = false;

    if (speechEngine().isAvailable()) {
        PopupMenuFuncionaAmbVeu->setEnabled(false);
    } else {
        messages().information(nullptr, kNoEngineMessage, kNoEngineCaption);
        applyNoSpeechMenuState();
    }
    if (PopupLlegeixelsfitxerstext->isChecked() && !speechEngine().setSpeed(upctv::kLoadSpeed)) {
        messages().plain(nullptr, speechFailureMessage());
        PopupCastellano->setEnabled(false);
        PopupCatala->setEnabled(false);
    }
    const QByteArray scanning = SettingsFile().read(settings::kSection, settings::kScanKey, settings::kScanDefault);
    if (scanning == QByteArrayView(settings::kScanOn))
        PopupMenuActiu->setChecked(true);
    applyAccessOptions(readAccessOptions(SettingsFile()));
    m_interfaceReady = false;
}

void TFormPrincipal::applyNoSpeechMenuState()
{
    PopupLlegeixelsfitxerstext->setChecked(false);
    PopupLlegeixelsfitxerstext->setEnabled(false);
    PopupLlenguatge->setEnabled(false);
    PopupVeuDe->setEnabled(false);
    PopupMenuFuncionaAmbVeu->setEnabled(true);
}

// ---------------------------------------------------------------- window events

void TFormPrincipal::FormActivate()
{
    // On a Wayland session full screen by the platform's own request, the size
    // left to the compositor (weston ends a client whose size differs from what
    // it configured, and misplaces an X window that sizes itself).
    if (!m_session.coversScreenItself()) {
        if (!(windowState() & Qt::WindowFullScreen))
            setWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowFullScreen);
        return;
    }
    // On X, maximised on every activation, and covering the available screen
    // also where no window manager maximises.
    const QRect target = availableScreenGeometry(this);
    if (!(windowState() & Qt::WindowMaximized))
        setWindowState(windowState() | Qt::WindowMaximized);
    if (geometry() != target)
        setGeometry(target);
}

void TFormPrincipal::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    QWidget::changeEvent(event);
}

void TFormPrincipal::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FormActivate();
}

void TFormPrincipal::resizeEvent(QResizeEvent* event)
{
    // The page boxes follow whatever size the window is given.
    Image1->setGeometry(rect());
    Memo1->setGeometry(qRound(20 * m_scale), qRound(74 * m_scale), width() - qRound(50 * m_scale), height() - qRound(94 * m_scale));
    RichEdit1->setGeometry(Memo1->geometry());
    QWidget::resizeEvent(event);
}

void TFormPrincipal::closeEvent(QCloseEvent* event)
{
    if (Speaking) {
        speechEngine().stop();
        Speaking = false;
        m_services.clock.delay(100);
    }
    SettingsFile().write(settings::kSection, settings::kScanKey,
                         PopupMenuActiu->isChecked() ? QByteArrayView(settings::kScanOn) : QByteArrayView(settings::kScanOff));
    event->accept();
}

void TFormPrincipal::contextMenuEvent(QContextMenuEvent* event)
{
    PopupMenu1->exec(event->globalPos());
}

bool TFormPrincipal::eventFilter(QObject* watched, QEvent* event)
{
    const bool inMemo = watched == Memo1 || watched == Memo1->viewport();
    const bool inRich = watched == RichEdit1 || watched == RichEdit1->viewport();
    if (!inMemo && !inRich)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        // The page keys turn pages and still reach the box.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_PageDown)
            SpeedButtonDretaClick();
        else if (key == Qt::Key_PageUp)
            SpeedButtonEsquerraClick();
        break;
    }
    case QEvent::MouseButtonPress:
        if (inRich && watched == RichEdit1->viewport() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            pageClicked();
        break;
    case QEvent::MouseButtonRelease:
        if (inMemo && watched == Memo1->viewport() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            Memo1Click();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TFormPrincipal::customEvent(QEvent* event)
{
    if (event->type() == MM_WIM_DATA) {
        HandleWaveInData();
        return;
    }
    QWidget::customEvent(event);
}

// ---------------------------------------------------------------- page turning

void TFormPrincipal::turnPage(PageCommand command)
{
    const PageTurn turn = m_presenter.turn(command, book, {Speaking, SoundPlaying});
    // An engine without a stop call cannot silence the reading; the page
    // turns all the same.
    if (turn.stopReading && !speechEngine().stop())
        if (const std::optional<QString> message = m_presenter.stopRefused(turn))
            messages().plain(this, *message);
    if (turn.stopSound)
        soundPlayer().stop();
    if (turn.showPage) {
        book.CurrentPage = *turn.showPage;
        showPage(m_preparer.take(book, command, readingState()));
        prepareNext(command);
    }
    if (!SpinEditTempsTimer->isVisible() || !SpinEditTempsTimer->isEnabled()) {
        messages().plain(this, turn.failureMessage);
        return;
    }
    // Back in front only from another window of ours (the level dialog,
    // say): a sound must not take the focus from another program.
    if (const QWidget* active = QApplication::activeWindow(); active && active != this)
        activateWindow();
    SpinEditTempsTimer->setFocus(Qt::OtherFocusReason);
}

void TFormPrincipal::activate(PageCommand command)
{
    if (m_switches && !m_switches->admit())
        return;
    turnPage(command);
}

void TFormPrincipal::SpeedButtonEsquerraClick()
{
    activate(PageCommand::Previous);
}

void TFormPrincipal::SpeedButtonDretaClick()
{
    activate(PageCommand::Next);
}

void TFormPrincipal::pageClicked()
{
    pageAction()();
}

std::function<void()> TFormPrincipal::pageAction()
{
    // On a Wayland session the pointer cannot rest on the highlight, so while
    // scanning a click on the page presses the highlighted button, as it was
    // when the press began.
    if (m_session.pageClickPressesHighlight() && PopupMenuActiu->isChecked()) {
        if (SpeedButtonEsquerra->isHighlighted())
            return [this] { SpeedButtonEsquerraClick(); };
        if (SpeedButtonDreta->isHighlighted())
            return [this] { SpeedButtonDretaClick(); };
    }
    return [this] { SpeedButtonDretaClick(); };
}

std::function<void()> TFormPrincipal::selectAction()
{
    // The highlighted button whenever one is highlighted (the step key shows
    // one with scanning off too); with none and scanning off, the next page.
    if (SpeedButtonEsquerra->isHighlighted())
        return [this] { SpeedButtonEsquerraClick(); };
    if (SpeedButtonDreta->isHighlighted() || !PopupMenuActiu->isChecked())
        return [this] { SpeedButtonDretaClick(); };
    return nullptr;
}

const AccessOptions& TFormPrincipal::accessOptions() const
{
    return m_switches->options();
}

void TFormPrincipal::applyAccessOptions(const AccessOptions& options)
{
    m_switches->setOptions(options);
    if (!options.spokenHighlight && m_cue)
        m_cue->stop();
}

void TFormPrincipal::PopupMenuOpcionsAccesClick()
{
    TFormOpcionsAcces dialog(this);
    dialog.setLanguage(m_language);
    dialog.setOptions(accessOptions());
    dialog.setCueVoiceMissing(!cueVoice().available());
    if (dialog.exec() == QDialog::Accepted) {
        const AccessOptions chosen = dialog.options();
        SettingsFile settingsFile;
        // Used all the same: only the next start loses them.
        applyAccessOptions(chosen);
        if (!writeAccessOptions(settingsFile, chosen))
            messages().plain(this, accessOptionsCaptionsFor(m_language).NotStored);
    }
    followActiu();
}

// ---------------------------------------------------------------- book and pages

std::optional<QString> TFormPrincipal::chooseBookFile()
{
    if (m_fileChooser)
        return m_fileChooser(*this);
    QFileDialog dialog(this, openDialogTitle());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // the chosen file need not exist; reading reports it
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    const QStringList filters = qtNameFilters(fixed_texts::OpenDialogFilter);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(m_openDialogFilterIndex));
    if (!m_openDialogLastName.isEmpty())
        dialog.selectFile(m_openDialogLastName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    // The dialog names the chosen filter by the text it shows, without the patterns.
    const QString shown = dialog.selectedNameFilter();
    const auto chosenFilter = std::find_if(filters.begin(), filters.end(), [&](const QString& filter) {
        return filter == shown || filter.startsWith(shown + QStringLiteral(" ("));
    });
    m_openDialogFilterIndex = chosenFilter == filters.end() ? 0 : int(chosenFilter - filters.begin());
    const QString chosen = dialog.selectedFiles().constFirst();
    m_openDialogLastName = chosen;
    // The dialog leaves the process in the chosen file's folder: relative
    // directory lines and page names are resolved from there. The folder as it
    // is on disk: a name typed in other letter case still finds the book.
    const QString found = resolveFileName(chosen);
    QDir::setCurrent(QFileInfo(found.isEmpty() ? chosen : found).absolutePath());
    return chosen;
}

void TFormPrincipal::LoadBook(const QString& requestedName)
{
    m_preparer.drop();
    if (Speaking) {
        speechEngine().stop();
        Speaking = false;
    }
    if (SoundPlaying)
        soundPlayer().stop();

    QString name = requestedName;
    QStringList lines;
    QString bookFolder;
    for (;;) {
        QString fileName;
        if (!name.isEmpty()) {
            fileName = name.left(kMaxFileNameLength);
        } else {
            const std::optional<QString> chosen = chooseBookFile();
            if (!chosen) {
                PopupMenuActiuClick();
                return;
            }
            fileName = chosen->left(kMaxFileNameLength);
            if (authoring::isEpubName(fileName)) {
                // An EPUB chosen here is imported beside it, and its book opened.
                const authoring::BookFromEpub imported = authoring::bookFromEpub(fileName, m_language);
                if (imported.book.isEmpty()) {
                    messages().plain(this, imported.message);
                    continue;
                }
                fileName = imported.book;
                QDir::setCurrent(QFileInfo(fileName).absolutePath());
            }
        }
        if (std::optional<BookText> read = readBookText(fileName)) {
            // The book's lines are read through the text box, which now holds the file.
            lines = std::move(read->lines);
            bookFolder = read->folder;
            Memo1->setPlainText(lines.join(u'\n'));
            break;
        }
        messages().plain(this, unreadableBookMessage(fileName));
        name.clear();
    }
    const BookFailure failure = applyBookLines(lines, book, bookFolder);
    if (failure != BookFailure::None) {
        messages().plain(this, bookFailureMessage(failure));
        return;
    }
    ShowPage();
    prepareNext(PageCommand::Next);
    followActiu();
}

ReadingState TFormPrincipal::readingState() const
{
    return {PopupLlegeixelsfitxerstext->isChecked(), pictureBoxPixelSize()};
}

QSize TFormPrincipal::pictureBoxPixelSize() const
{
    return Image1->size() * Image1->devicePixelRatioF();
}

bool TFormPrincipal::speechGuard(bool accepted)
{
    if (!accepted)
        messages().plain(this, speechFailureMessage());
    return accepted;
}

bool TFormPrincipal::speak(const SpokenPage& speech)
{
    switch (speech.call) {
    case SpokenPage::Call::ReadFile:
        return speechGuard(speechEngine().readFile(speech.cp1252));
    case SpokenPage::Call::Read:
        return speechGuard(speechEngine().read(speech.cp1252));
    case SpokenPage::Call::None:
        break;
    }
    return false;
}

QWidget* TFormPrincipal::pageBox(PageBox box) const
{
    switch (box) {
    case PageBox::Text:
        return Memo1;
    case PageBox::RichText:
        return RichEdit1;
    case PageBox::Picture:
        return Image1;
    case PageBox::None:
        break;
    }
    return nullptr;
}

void TFormPrincipal::ShowPage()
{
    showPage(std::nullopt);
}

void TFormPrincipal::showPage(std::optional<PreparedPage> prepared)
{
    // Hiding the box that has the keyboard focus hands the focus on to the next
    // control; when that box is shown again, the focus goes back to it.
    const QPointer<QWidget> focused = QApplication::focusWidget();
    Speaking = false;
    SoundPlaying = false;
    RichEdit1->hide();
    Image1->hide(); // the picture box lets go of its picture before the next one is loaded
    PageView page = prepared ? std::move(prepared->view) : m_presenter.present(book, readingState(), *RichEdit1->document());
    const std::shared_ptr<PageExtra> extra = prepared ? prepared->extra : nullptr;
    book.CurrentPage = page.currentPage;
    // The text box stays up from one text page to the next: hidden and shown
    // again, it would be repainted whole, frame and scroll bars, and the form
    // under it, where only the text changes.
    if (page.box != PageBox::Text)
        Memo1->hide();
    if (QWidget* box = pageBox(page.box)) {
        box->show();
        if (focused && focused->isVisible() && !focused->hasFocus())
            focused->setFocus(Qt::OtherFocusReason);
    }
    if (page.text)
        Memo1->showPage(*page.text, dynamic_cast<const PreparedTextPage*>(extra.get()));
    if (page.picture) {
        Image1->setStretch(page.stretch);
        if (prepared)
            Image1->setPicture(*page.picture, prepared->shown);
        else
            Image1->setPicture(*page.picture);
        Image1->setAccessibleDescription(page.pictureDescription);
        page.picture.reset(); // the box holds what it draws; nothing else keeps the page
        prepared.reset();
    }
    if (page.failure) {
        messages().plain(this, *page.failure);
        return;
    }
    if (page.sound) {
        playPageSound(*page.sound, extra.get());
        SoundPlaying = true;
    }
    // A page read aloud is on the screen before its reading starts: the
    // engine's helper starting up would otherwise compete with the paint and
    // the X server for the processor.
    const bool reading = page.speech.call != SpokenPage::Call::None;
    if (reading) {
        if (page.label)
            showPageLabel();
        paintNow(pageBox(page.box));
    }
    if (speak(page.speech))
        Speaking = true;
    // From the book again: a page turned while the engine's message was open
    // is the page now shown.
    if (page.label)
        showPageLabel();
}

void TFormPrincipal::prepareNext(PageCommand direction)
{
    m_textPageLook.set(Memo1->look());
    m_preparer.prepareAfter(book, direction, readingState());
}

void TFormPrincipal::playPageSound(const QString& file, PageExtra* prepared)
{
    if (std::optional<DecodedSound> sound = takePreparedSound(prepared, file))
        soundPlayer().playDecoded(file, std::move(*sound));
    else
        soundPlayer().play(file);
}

void TFormPrincipal::showPageLabel()
{
    // Written once per page: a screen reader announces each change of the text.
    const QString label = PagePresenter::pageLabel(book);
    if (LabelPagina->text() == label)
        return;
    LabelPagina->setText(label);
    // After the turn has moved the keyboard focus, so that this is what a screen reader says last.
    QTimer::singleShot(0, LabelPagina, [label = LabelPagina] { announceChange(label); });
}

void TFormPrincipal::paintNow(QWidget* box)
{
    if (!box || !isVisible())
        return;
    // A box just shown asks for the paint of its parts through posted
    // requests: taken first, so that the frame is painted once and whole.
    // Nothing but paints happens here; other events wait for the event loop.
    QCoreApplication::sendPostedEvents(box, QEvent::UpdateLater);
    for (QWidget* part : box->findChildren<QWidget*>())
        QCoreApplication::sendPostedEvents(part, QEvent::UpdateLater);
    QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
}

void TFormPrincipal::MenuCarregarLlibreClick()
{
    try {
        LoadBook(QString());
    } catch (const ConversionError& error) {
        messages().errorReport(this, error.text());
    }
}

// ---------------------------------------------------------------- scanning

void TFormPrincipal::setScanTimerEnabled(bool enabled)
{
    if (Timer1->isActive() == enabled)
        return; // a running period goes on, no extra tick
    if (enabled)
        Timer1->start();
    else
        Timer1->stop();
}

void TFormPrincipal::followActiu()
{
    setScanTimerEnabled(PopupMenuActiu->isChecked());
}

void TFormPrincipal::ClearScanHighlight()
{
    SpeedButtonEsquerra->setHighlighted(false);
    SpeedButtonDreta->setHighlighted(false);
}

QPoint TFormPrincipal::scanPointerClientPoint() const
{
    const QPoint point = scanPointerPoint(scan.ScanPosition);
    return QPoint(qRound(point.x() * m_scale), qRound(point.y() * m_scale));
}

void TFormPrincipal::ScanStep()
{
    ClearScanHighlight();
    const int position = scan.ScanStep(book.CurrentPage, book.PageCount);
    if (position == 0)
        SpeedButtonEsquerra->setHighlighted(true);
    else if (position == 1)
        SpeedButtonDreta->setHighlighted(true);
    speakHighlight(position == 0 ? SpeedButtonEsquerra : position == 1 ? SpeedButtonDreta : nullptr);
    // Every step, also when the pointer is already there or the user moved it
    // away. Where it cannot follow, a click on the page stands for it (pageClicked).
    if (m_session.movesPointer())
        QCursor::setPos(mapToGlobal(scanPointerClientPoint()));
}

void TFormPrincipal::Timer1Timer()
{
    // A button clicks when it is let go over it: a step while a switch wired
    // as the left button is held would move the pointer away and lose the
    // press. The scan waits for the release.
    if ((QGuiApplication::mouseButtons() & Qt::LeftButton) || m_switches->switchKeyHeld())
        return;
    if (accessOptions().stepKey == SwitchKey::None)
        ScanStep();
}

void TFormPrincipal::speakHighlight(const NavigationButton* button)
{
    if (!button || !accessOptions().spokenHighlight)
        return;
    static constexpr const char* codes[] = {"ca", "es", "pt"};
    cueVoice().say(spokenCaption(button->text()), QString::fromLatin1(codes[int(m_language)]));
}

CueVoice& TFormPrincipal::cueVoice()
{
    // Made on first use, which looks for its program once.
    if (!m_cue)
        m_cue = new CueVoice(this);
    return *m_cue;
}

void TFormPrincipal::SpinEditTempsTimerChange()
{
    // A text that does not read as a number counts as the minimum.
    const std::optional<int32_t> value = parseStrictInteger(SpinEditTempsTimer->text());
    const int tenths = value && *value >= 1 ? *value : 1;
    // On a running timer a new interval restarts the period.
    Timer1->setInterval(tenths * 100);
}

void TFormPrincipal::PopupMenu1Popup()
{
    setScanTimerEnabled(false);
    ClearScanHighlight();
    scan.parkForMenu();
}

void TFormPrincipal::PopupMenuActiuClick()
{
    PopupMenuActiu->setChecked(!PopupMenuActiu->isChecked());
    followActiu();
}

// ---------------------------------------------------------------- about and exit

void TFormPrincipal::PopupMenuParlantDeClick()
{
    if (m_aboutBox) {
        m_aboutBox->Timer1->start();
        m_aboutBox->exec();
    }
    followActiu();
}

void TFormPrincipal::PopupMenuSortirClick()
{
    close();
}

// ---------------------------------------------------------------- voice mode

void TFormPrincipal::PopupMenuFuncionaAmbVeuClick()
{
    if (PopupMenuFuncionaAmbVeu->isChecked()) {
        m_services.capture.CloseWaveInput();
        PopupMenuFuncionaAmbVeu->setChecked(false);
        if (speechEngine().isAvailable())
            PopupLlegeixelsfitxerstext->setEnabled(true);
    } else if (m_services.capture.OpenWaveInput(this) == 0) {
        // Voice mode and reading aloud exclude each other.
        PopupMenuFuncionaAmbVeu->setChecked(true);
        PopupLlegeixelsfitxerstext->setEnabled(false);
    }
    if (m_levelDialog)
        m_levelDialog->setCaptureRunning(PopupMenuFuncionaAmbVeu->isChecked());
    followActiu();
}

void TFormPrincipal::PopupMenuControlDelVolumDelMicrfonClick()
{
    if (m_levelDialog) {
        m_levelDialog->show();
        m_levelDialog->raise();
    }
    followActiu(); // scanning goes on while the dialog is open
}

void TFormPrincipal::HandleWaveInData()
{
    if (m_levelDialog && m_levelDialog->calibrating()) {
        // The room's own noise is being measured: it must not turn pages.
        m_levelDialog->hearRoom(HearRoomLevel(m_services.capture));
        return;
    }
    // With headphones the page's own sound cannot reach the microphone, so the
    // option lets the trigger listen through it.
    // The spoken highlight's cue is heard through the loudspeakers as the page's sound is.
    const bool ownSound = soundPlayer().guardActive() || (m_cue && m_cue->guardActive());
    // A sound inside the post-acceptance delay is ignored whole: it neither
    // clears the highlight nor starts the hold-off.
    const bool deaf = (ownSound && !accessOptions().soundSwitchDuringPageSound) || m_switches->delayRunning();
    const WaveInOutcome outcome = HandleWaveInDataCore(m_services.capture, PopupMenuActiu->isChecked(), deaf);
    if (m_levelDialog && m_levelDialog->isVisible())
        m_levelDialog->setLevel(outcome.level);
    if (!outcome.activate)
        return;
    // The hold-off is already set, so buffers handled inside the command cannot trigger again.
    ClearScanHighlight();
    if (const std::optional<PageCommand> command = PagePresenter::activate(scan.ScanPosition))
        activate(*command);
}

// ---------------------------------------------------------------- reading controls

void TFormPrincipal::ReloadSpeechEngine()
{
    SpeechEngine& engine = speechEngine();
    if (!engine.isAvailable())
        return;
    engine.release();
    if (!engine.load()) {
        messages().information(this, kNoEngineMessage, kNoEngineCaption);
        applyNoSpeechMenuState();
        return;
    }
    engine.bindEntryPoints();
    // Unguarded: an engine without upcTVSetSpeed simply keeps its speed.
    engine.setSpeed(upctv::kLoadSpeed);
    PopupMenuFuncionaAmbVeu->setEnabled(false);
}

void TFormPrincipal::PopupLlegeixelsfitxerstextClick()
{
    PopupLlegeixelsfitxerstext->setChecked(!PopupLlegeixelsfitxerstext->isChecked());
    const bool reading = PopupLlegeixelsfitxerstext->isChecked();
    PopupVeuDe->setEnabled(reading);
    PopupLlenguatge->setEnabled(reading);
    PopupMenuFuncionaAmbVeu->setEnabled(!reading);
    if (Speaking) {
        speechEngine().stop();
        Speaking = false;
    }
    if (reading)
        ShowPage();
    followActiu();
}

int TFormPrincipal::voiceNumber(int engineLanguage) const
{
    const bool female = PopupDona->isChecked();
    if (engineLanguage == upctv::kCatalan)
        return female ? 2 : 0;
    return female ? 0 : 1;
}

void TFormPrincipal::chooseVoice(QAction* chosen, QAction* other)
{
    other->setChecked(false);
    chosen->setChecked(true);
    if (Speaking) {
        speechEngine().stop();
        Speaking = false;
    }
    ReloadSpeechEngine();
    if (PopupLlegeixelsfitxerstext->isChecked()) {
        const int engineLanguage = PopupCatala->isChecked() ? upctv::kCatalan : upctv::kCastilian;
        speechEngine().setLanguage(engineLanguage);
        speechEngine().setSpeaker(voiceNumber(engineLanguage));
    }
    ShowPage();
    followActiu();
}

void TFormPrincipal::PopupDonaClick()
{
    chooseVoice(PopupDona, PopupHome);
}

void TFormPrincipal::PopupHomeClick()
{
    chooseVoice(PopupHome, PopupDona);
}

void TFormPrincipal::EditVelocitatChange()
{
    if (Speaking) {
        speechEngine().stop();
        Speaking = false;
    }
    const int32_t value = parseLeadingInteger(EditVelocitat->text());
    if (value < 1 || value > 255) {
        // Putting "100" back is itself a change, handled like a typed one.
        EditVelocitat->setText(QStringLiteral("100"));
        speechEngine().setSpeed(100);
    } else {
        speechEngine().setSpeed(value);
    }
}

// ---------------------------------------------------------------- languages

void TFormPrincipal::switchLanguage(InterfaceLanguage language, QAction* item, QByteArrayView storedValue, int engineLanguage)
{
    m_language = language;
    const Captions& captions = captionsFor(language);
    applyCaptions(captions);
    if (m_levelDialogCaptions)
        m_levelDialogCaptions(captions);
    for (QAction* languageItem : {PopupCatala, PopupCastellano, MenuPortugues})
        languageItem->setChecked(languageItem == item);
    if (Speaking) {
        speechEngine().stop();
        Speaking = false;
    }
    ReloadSpeechEngine();
    if (PopupLlegeixelsfitxerstext->isChecked()) {
        speechEngine().setLanguage(engineLanguage);
        speechEngine().setSpeaker(voiceNumber(engineLanguage));
    }
    if (m_interfaceReady) {
        ShowPage();
        followActiu();
        SettingsFile().write(settings::kSection, settings::kLanguageKey, storedValue);
    }
}

void TFormPrincipal::PopupCatalaClick()
{
    switchLanguage(InterfaceLanguage::Catalan, PopupCatala, settings::kLanguageCatalan, upctv::kCatalan);
}

void TFormPrincipal::PopupCastellanoClick()
{
    switchLanguage(InterfaceLanguage::Spanish, PopupCastellano, settings::kLanguageSpanish, upctv::kCastilian);
}

void TFormPrincipal::MenuPortuguesClick()
{
    switchLanguage(InterfaceLanguage::Portuguese, MenuPortugues, settings::kLanguagePortuguese, upctv::kCastilian);
}

} // namespace tirvelo
