#include "ui/FormPrincipal.h"

#include "audio/SoundPlayer.h"
#include "audio/SoundTrigger.h"
#include "audio/WavMax.h"
#include "base/IntegerText.h"
#include "book/BookLoader.h"
#include "modes/MessageSink.h"
#include "modes/Settings.h"
#include "speech/CueVoice.h"
#include "speech/SpeechEngine.h"
#include "ui/AboutBox.h"
#include "ui/AccessOptionsCaptions.h"
#include "ui/Accessibility.h"
#include "ui/BookPicker.h"
#include "ui/CurrentDesktop.h"
#include "ui/FormNivellEntradaDAudio.h"
#include "ui/FormOpcionsAcces.h"
#include "ui/MainWindowControls.h"
#include "ui/MessageBoxes.h"
#include "ui/NavigationButton.h"
#include "ui/PageKeys.h"
#include "ui/PictureBox.h"
#include "ui/PreparedSound.h"
#include "ui/ScanIntervalSpinBox.h"
#include "ui/SwitchInput.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

namespace tirvelo {

TFormPrincipal::TFormPrincipal(const Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_services(services),
      m_modes(new ModeController(services, this, this, this)), m_session(currentDesktopSession())
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
    m_scale = MainWindowLayout::screenFactor();
    m_layout = MainWindowLayout::scaledBy(m_scale);
    setFont(m_layout.windowFont);
    resize(m_layout.window);
    // On a Wayland session asked before the first show, so that the
    // compositor maps it full screen.
    coverScreen(this, m_session);
    createControls();
    createMenu();
    followModes();
    FormCreate();
}

TFormPrincipal::~TFormPrincipal() = default;

void TFormPrincipal::createControls()
{
    static_cast<MainWindowControls&>(*this) = createMainWindowControls(this, m_layout);
    connect(Image1, &PictureBox::clicked, this, &TFormPrincipal::Image1Click);
    connect(SpeedButtonEsquerra, &QAbstractButton::clicked, this, &TFormPrincipal::SpeedButtonEsquerraClick);
    connect(SpeedButtonDreta, &QAbstractButton::clicked, this, &TFormPrincipal::SpeedButtonDretaClick);
    connect(SpinEditTempsTimer, &QSpinBox::valueChanged, this, &TFormPrincipal::SpinEditTempsTimerChange);
    connect(SpinEditTempsTimer, &ScanIntervalSpinBox::pageKeyPressed, this, [this](int key) {
        if (key == Qt::Key_PageDown)
            SpeedButtonDretaClick();
        else
            SpeedButtonEsquerraClick();
    });
    connect(EditVelocitat, &QLineEdit::textChanged, this, &TFormPrincipal::EditVelocitatChange);
    new PageKeys(
        Memo1, RichEdit1, [this] { SpeedButtonEsquerraClick(); }, [this] { SpeedButtonDretaClick(); },
        [this] { pageClicked(); }, this);
    connect(Timer1, &QTimer::timeout, this, &TFormPrincipal::Timer1Timer);

    m_switches = new SwitchInput(this, {[this] { SpeedButtonEsquerraClick(); }, [this] { SpeedButtonDretaClick(); },
                                        [this] { return selectAction(); }, [this] { ScanStep(); },
                                        [this] { return pageAction(); }},
                                 this);
    m_switches->setPressTargets(SpeedButtonEsquerra, {SpeedButtonDreta}, {Image1, Memo1->viewport(), RichEdit1->viewport()});

    m_pageBoxes = PageBoxes(Image1, Memo1, RichEdit1, LabelPagina);
    m_highlight = ScanHighlight(SpeedButtonEsquerra, SpeedButtonDreta, this);
    showCaptions(*this, captionsFor(InterfaceLanguage::Catalan));
}

void TFormPrincipal::createMenu()
{
    PopupMenu1 = new MainWindowMenu(this);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TFormPrincipal::PopupMenu1Popup);
    PopupMenu1->onChosen(PopupMenu1->MenuCarregarLlibre, [this] { MenuCarregarLlibreClick(); });
    PopupMenu1->onChosen(PopupMenu1->MenuEditaLlibre, [this] { MenuEditaLlibreClick(); });
    PopupMenu1->onChosen(PopupMenu1->PopupMenuControlDelVolumDelMicrfon, [this] { PopupMenuControlDelVolumDelMicrfonClick(); });
    PopupMenu1->onChosen(PopupMenu1->PopupMenuOpcionsAcces, [this] { PopupMenuOpcionsAccesClick(); });
    PopupMenu1->onChosen(PopupMenu1->PopupMenuParlantDe, [this] { PopupMenuParlantDeClick(); });
    PopupMenu1->onChosen(PopupMenu1->PopupMenuSortir, [this] { PopupMenuSortirClick(); });
    PopupMenu1->follow(*m_modes);
}

void TFormPrincipal::followModes()
{
    ModeController& modes = *m_modes;
    connect(&modes, &ModeController::scanTimerSet, this, &TFormPrincipal::setScanTimerEnabled);
    connect(&modes, &ModeController::pageShowRequested, this, &TFormPrincipal::ShowPage);
    connect(&modes, &ModeController::languageChanged, this,
            [this](InterfaceLanguage language) { showCaptions(*this, captionsFor(language)); });
    connect(&modes, &ModeController::voiceModeSwitched, this, [this](bool on) {
        if (m_levelDialog)
            m_levelDialog->setCaptureRunning(on);
    });
    // Putting the text back is itself a change, handled like a typed one.
    connect(&modes, &ModeController::speedTextReset, EditVelocitat, &QLineEdit::setText);
}

QString TFormPrincipal::openDialogTitle() const
{
    return captionsFor(m_modes->language()).OpenDialogTitle;
}

void TFormPrincipal::FormCreate()
{
    Memo1->setGeometry(m_layout.textBoxes(MainWindowLayout::availableScreen(this).size()));
    RichEdit1->setGeometry(Memo1->geometry());
    RichEdit1->hide();
    scan.ScanFirst = 0;
    scan.ScanLast = 1;
    scan.ScanPosition = 0;
    Timer1->setInterval(SpinEditTempsTimer->value() * 100);
    Image1->hide();
    Memo1->hide();
    SoundPlaying = false;
    // The speech engine's state, the first speed and the stored scanning choice.
    m_modes->create();
    applyAccessOptions(m_services.settings.accessOptions());
}

void TFormPrincipal::FormActivate()
{
    coverScreen(this, m_session);
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
    Memo1->setGeometry(m_layout.textBoxes(size()));
    RichEdit1->setGeometry(Memo1->geometry());
    QWidget::resizeEvent(event);
}

void TFormPrincipal::closeEvent(QCloseEvent* event)
{
    m_modes->close();
    event->accept();
}

void TFormPrincipal::contextMenuEvent(QContextMenuEvent* event)
{
    PopupMenu1->exec(event->globalPos());
}

void TFormPrincipal::customEvent(QEvent* event)
{
    if (event->type() == MM_WIM_DATA) {
        HandleWaveInData();
        return;
    }
    QWidget::customEvent(event);
}

void TFormPrincipal::turnPage(PageCommand command)
{
    const PageTurn turn = m_presenter.turn(command, book, {m_modes->speaking(), SoundPlaying});
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

std::function<void()> TFormPrincipal::pageAction()
{
    const PageCommand command = m_highlight.pageClickTarget(m_session.pageClickPressesHighlight() && m_modes->scanning());
    return [this, command] { activate(command); };
}

std::function<void()> TFormPrincipal::selectAction()
{
    const std::optional<PageCommand> command = m_highlight.selectTarget(m_modes->scanning());
    if (!command)
        return nullptr;
    return [this, command = *command] { activate(command); };
}

const AccessOptions& TFormPrincipal::accessOptions() const
{
    return m_switches->options();
}

void TFormPrincipal::applyAccessOptions(const AccessOptions& options)
{
    m_switches->setOptions(options);
    if (CueVoice* cue = m_highlight.cueIfMade(); cue && !options.spokenHighlight)
        cue->stop();
}

void TFormPrincipal::PopupMenuOpcionsAccesClick()
{
    if (const std::optional<AccessOptions> chosen = askAccessOptions(
            this, m_modes->language(), accessOptions(), !m_highlight.cueVoice().available())) {
        // Used all the same: only the next start loses them.
        applyAccessOptions(*chosen);
        if (!m_services.settings.setAccessOptions(*chosen))
            messages().plain(this, accessOptionsCaptionsFor(m_modes->language()).NotStored);
    }
    m_modes->followScanning();
}

std::optional<QString> TFormPrincipal::chooseBookFile()
{
    if (m_fileChooser)
        return m_fileChooser(*this);
    return m_openDialog.choose(this, openDialogTitle());
}

void TFormPrincipal::LoadBook(const QString& requestedName, int startPage)
{
    m_preparer.drop();
    m_modes->stopReading();
    if (SoundPlaying)
        soundPlayer().stop();

    const std::optional<BookText> read = pickReadableBook(
        this, requestedName, [this] { return chooseBookFile(); }, messages(), m_modes->language());
    if (!read) {
        // Cancelled: "&Actiu" is inverted, as its own command does.
        m_modes->toggleScanning();
        return;
    }
    // The book's lines are read through the text box, which now holds the file.
    Memo1->setPlainText(read->lines.join(u'\n'));
    const BookFailure failure = applyBookLines(read->lines, book, read->folder);
    if (failure != BookFailure::None) {
        m_bookFile.clear(); // what it holds is no book
        messages().plain(this, bookFailureMessage(failure));
        return;
    }
    m_bookFile = read->file;
    book.CurrentPage = std::clamp(startPage, 0, book.PageCount - 1);
    ShowPage();
    prepareNext(PageCommand::Next);
    m_modes->followScanning();
}

ReadingState TFormPrincipal::readingState() const
{
    return {m_modes->readsPages(), m_pageBoxes.pictureSize()};
}

void TFormPrincipal::showPage(std::optional<PreparedPage> prepared)
{
    m_modes->setSpeaking(false);
    SoundPlaying = false;
    const std::shared_ptr<PageExtra> extra = prepared ? prepared->extra : nullptr;
    const PageView page = m_pageBoxes.present(m_presenter, book, readingState(), std::move(prepared));
    if (page.failure) {
        messages().plain(this, *page.failure);
        return;
    }
    if (page.sound || page.speech.call != SpokenPage::Call::None) {
        // A page with a sound or read aloud is on the screen before either
        // starts: the engine's helper starting up, or the sound server
        // setting up a stream, would otherwise compete with the paint and
        // the X server for the processor, or hold the frame back.
        if (page.label)
            m_pageBoxes.showLabel(book);
        PageBoxes::paintNow(this, m_pageBoxes.box(page.box));
    }
    // While another window has the user (the editor), the page is shown silent.
    if (page.sound && !m_modes->paused()) {
        playPageSound(soundPlayer(), *page.sound, extra.get());
        SoundPlaying = true;
    }
    if (page.speech.call != SpokenPage::Call::None) {
        const bool file = page.speech.call == SpokenPage::Call::ReadFile;
        m_modes->readPage(file ? ReadingSource::File : ReadingSource::Text, page.speech.cp1252);
    }
    // From the book again: a page turned while the engine's message was open
    // is the page now shown.
    if (page.label)
        m_pageBoxes.showLabel(book);
}

void TFormPrincipal::prepareNext(PageCommand direction)
{
    m_textPageLook.set(Memo1->look());
    m_preparer.prepareAfter(book, direction, readingState());
}

void TFormPrincipal::MenuCarregarLlibreClick()
{
    try {
        LoadBook(QString());
    } catch (const ConversionError& error) {
        messages().errorReport(this, error.text());
    }
}

void TFormPrincipal::setEditorOpener(EditorOpener opener)
{
    m_editorOpener = std::move(opener);
    PopupMenu1->MenuEditaLlibre->setVisible(bool(m_editorOpener));
}

void TFormPrincipal::MenuEditaLlibreClick()
{
    if (!m_editorOpener) {
        m_modes->followScanning();
        return;
    }
    if (SoundPlaying)
        soundPlayer().stop();
    SoundPlaying = false;
    m_editorOpener(m_bookFile, book.PageCount > 0 ? book.CurrentPage : 0);
}

void TFormPrincipal::setScanTimerEnabled(bool enabled)
{
    // The state it has already changes nothing: a running period goes on, no extra tick.
    if (Timer1->isActive() != enabled)
        enabled ? Timer1->start() : Timer1->stop();
}

QPoint TFormPrincipal::scanPointerClientPoint() const
{
    const QPoint point = scanPointerPoint(scan.ScanPosition);
    return QPoint(qRound(point.x() * m_scale), qRound(point.y() * m_scale));
}

void TFormPrincipal::ScanStep()
{
    m_highlight.show(scan.ScanStep(book.CurrentPage, book.PageCount), accessOptions().spokenHighlight,
                     m_modes->language());
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
    m_modes->menuOpening();
    ClearScanHighlight();
    scan.parkForMenu();
}

void TFormPrincipal::PopupMenuParlantDeClick()
{
    if (m_aboutBox) {
        m_aboutBox->Timer1->start();
        m_aboutBox->exec();
    }
    m_modes->followScanning();
}

void TFormPrincipal::PopupMenuSortirClick()
{
    close();
}

void TFormPrincipal::PopupMenuControlDelVolumDelMicrfonClick()
{
    if (m_levelDialog) {
        m_levelDialog->show();
        m_levelDialog->raise();
    }
    m_modes->followScanning(); // scanning goes on while the dialog is open
}

void TFormPrincipal::HandleWaveInData()
{
    if (m_levelDialog && m_levelDialog->calibrating()) {
        // The room's own noise is being measured: it must not turn pages.
        m_levelDialog->hearRoom(HearRoomLevel(m_services.capture));
        return;
    }
    // With headphones the page's own sound cannot reach the microphone, so the
    // option lets the trigger listen through it. The spoken highlight's cue is
    // heard through the loudspeakers as the page's sound is.
    const bool ownSound = soundPlayer().guardActive() || m_highlight.cueHeard();
    // A sound inside the post-acceptance delay is ignored whole: it neither
    // clears the highlight nor starts the hold-off.
    const bool deaf = (ownSound && !accessOptions().soundSwitchDuringPageSound) || m_switches->delayRunning();
    const WaveInOutcome outcome = HandleWaveInDataCore(m_services.capture, m_modes->scanning(), deaf);
    if (m_levelDialog && m_levelDialog->isVisible())
        m_levelDialog->setLevel(outcome.level);
    if (!outcome.activate)
        return;
    // The hold-off is already set, so buffers handled inside the command cannot trigger again.
    ClearScanHighlight();
    if (const std::optional<PageCommand> command = PagePresenter::activate(scan.ScanPosition))
        activate(*command);
}

void TFormPrincipal::EditVelocitatChange()
{
    m_modes->editSpeed(EditVelocitat->text());
}

} // namespace tirvelo
