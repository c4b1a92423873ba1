#pragma once
// The program's working window: covers the screen, shows the current page of
// the book behind the two navigation buttons, and carries the pop-up menu with
// every option. Its handlers wire events to the book, the scan cycle, the
// speech engine and the sound trigger.
#include "book/Book.h"
#include "book/PagePreparer.h"
#include "book/PagePresenter.h"
#include "desktop/AccessOptions.h"
#include "desktop/DesktopSession.h"
#include "scan/ScanCycle.h"
#include "ui/Captions.h"
#include "ui/Services.h"
#include "ui/TextPageBox.h"

#include <QWidget>
#include <functional>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QTextEdit;
class QTimer;

namespace tirvelo {

class NavigationButton;
class PictureBox;
class CueVoice;
class ScanIntervalSpinBox;
class SwitchInput;
class TAboutBox;
class TFormNivellEntradaDAudio;

class TFormPrincipal : public QWidget {
    Q_OBJECT
public:
    // Creates the controls and runs the creation sequence (FormCreate). The
    // services must outlive the window.
    explicit TFormPrincipal(const Services& services, QWidget* parent = nullptr);
    ~TFormPrincipal() override;

    // ---- controls, under their own names ----
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
    QMenu* PopupMenu1 = nullptr;
    QAction* PopupMenuActiu = nullptr;
    QAction* MenuCarregarLlibre = nullptr;
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

    // ---- state ----
    Book book;
    ScanCycle scan;
    bool Speaking = false;
    bool SoundPlaying = false;

    // The other two windows, created by start-up after this one.
    void setAboutBox(TAboutBox* aboutBox) { m_aboutBox = aboutBox; }
    void setLevelDialog(TFormNivellEntradaDAudio* dialog) { m_levelDialog = dialog; }
    // Told of every language switch, for the captions of the other windows.
    void setLanguageListener(std::function<void(const Captions&)> listener) { m_levelDialogCaptions = std::move(listener); }

    // ---- operations ----
    void LoadBook(const QString& name);
    void ShowPage();
    void ScanStep();
    void ClearScanHighlight();
    void ReloadSpeechEngine();
    // Enables Timer1 exactly when "&Actiu" is ticked.
    void followActiu();
    // Sets the timer's state; setting the state it already has changes nothing.
    void setScanTimerEnabled(bool enabled);
    // The menu state without a speech engine: reading unticked and disabled,
    // language and voice unreachable, voice mode available.
    void applyNoSpeechMenuState();
    InterfaceLanguage language() const { return m_language; }
    // The switch-access options in force (stored ones at start-up).
    const AccessOptions& accessOptions() const;
    void applyAccessOptions(const AccessOptions& options);
    // False while the window is being created and the stored language is
    // applied; true from then on. The language commands store their choice and
    // show the page again only when it is true.
    void setInterfaceReady(bool ready) { m_interfaceReady = ready; }

    // ---- handlers ----
    void SpeedButtonEsquerraClick();
    void SpeedButtonDretaClick();
    void Image1Click() { pageClicked(); }
    void Memo1Click() { pageClicked(); }
    // A left click on the picture or a text box: the next page, or, where the
    // pointer does not follow the scan, the highlighted button while scanning.
    void pageClicked();
    void SpinEditTempsTimerChange();
    void EditVelocitatChange();
    // With a step key chosen the highlight moves by that key only.
    void Timer1Timer();
    void PopupMenu1Popup();
    void PopupMenuActiuClick();
    void MenuCarregarLlibreClick();
    void PopupMenuFuncionaAmbVeuClick();
    void PopupMenuControlDelVolumDelMicrfonClick();
    void PopupLlegeixelsfitxerstextClick();
    void PopupDonaClick();
    void PopupHomeClick();
    void PopupCatalaClick();
    void PopupCastellanoClick();
    void MenuPortuguesClick();
    void PopupMenuOpcionsAccesClick();
    void PopupMenuParlantDeClick();
    void PopupMenuSortirClick();
    // The sound trigger: one captured buffer came back.
    void HandleWaveInData();

    // The open-book dialog; tests may replace how a file is chosen.
    using FileChooser = std::function<std::optional<QString>(TFormPrincipal&)>;
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    QString openDialogTitle() const;
    int openDialogFilterIndex() const { return m_openDialogFilterIndex; }
    QString openDialogLastName() const { return m_openDialogLastName; }
    // Layout factor for screens above 96 dpi.
    qreal layoutScale() const { return m_scale; }
    // The desktop the window was made on, and what it allows.
    const DesktopSession& desktopSession() const { return m_session; }
    // The client point of the highlighted button's centre, where the pointer goes.
    QPoint scanPointerClientPoint() const;
    // The next page in the direction of travel, made ready while this one is read.
    PagePreparer& preparer() { return m_preparer; }

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    void createControls();
    void createMenu();
    void FormCreate();
    void FormActivate();
    void turnPage(PageCommand command);
    // ShowPage, with the page made ready beforehand when there is one.
    void showPage(std::optional<PreparedPage> prepared);
    ReadingState readingState() const;
    // A switch's activation: turns the page unless the post-acceptance delay runs.
    void activate(PageCommand command);
    // What a select key pressed now acts on.
    std::function<void()> selectAction();
    std::function<void()> pageAction();
    void speakHighlight(const NavigationButton* button);
    CueVoice& cueVoice();
    std::optional<QString> chooseBookFile();
    void chooseVoice(QAction* chosen, QAction* other);
    void switchLanguage(InterfaceLanguage language, QAction* item, QByteArrayView storedValue, int engineLanguage);
    void applyCaptions(const Captions& captions);
    int voiceNumber(int engineLanguage) const;
    bool speechGuard(bool accepted);
    // Asks the engine to read, telling a refusal; true when it accepted.
    bool speak(const SpokenPage& speech);
    // The page number of the book's current page, on the label.
    void showPageLabel();
    // Prepares the page after this one in direction, the text box's look included.
    void prepareNext(PageCommand direction);
    // The page's sound, from the samples prepared with the page when there are.
    void playPageSound(const QString& file, PageExtra* prepared);
    // Paints the window's changed parts and hands the frame to the screen now.
    void paintNow(QWidget* box);
    QWidget* pageBox(PageBox box) const;
    QRect scaled(int left, int top, int width, int height) const;
    QSize pictureBoxPixelSize() const;
    void connectAction(QAction* action, void (TFormPrincipal::*handler)());
    SpeechEngine& speechEngine() const { return m_services.speech; }
    SoundPlayer& soundPlayer() const { return m_services.sound; }
    MessageSink& messages() const { return m_services.messages; }

    Services m_services;
    DesktopSession m_session;
    bool m_interfaceReady = false;

    TAboutBox* m_aboutBox = nullptr;
    TFormNivellEntradaDAudio* m_levelDialog = nullptr;
    InterfaceLanguage m_language = InterfaceLanguage::Catalan;
    FileChooser m_fileChooser;
    std::function<void(const Captions&)> m_levelDialogCaptions;
    int m_openDialogFilterIndex = 0;
    QString m_openDialogLastName;
    PagePresenter m_presenter;
    TextPageLookout m_textPageLook; // read by the preparer's worker: made before it, gone after it
    PagePreparer m_preparer;
    SwitchInput* m_switches = nullptr;
    CueVoice* m_cue = nullptr;
    qreal m_scale = 1.0;
};

} // namespace tirvelo
