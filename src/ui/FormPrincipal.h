#pragma once
// The program's working window: covers the screen, shows the current page of
// the book behind the two navigation buttons, and carries the pop-up menu with
// every option. Its handlers wire events to the book, the scan cycle and the
// sound trigger; the modes (scanning, voice mode, reading, voice, language,
// speed) live in its ModeController, whose state it maps onto the menu, the
// scan timer and the captions.
#include "book/Book.h"
#include "book/PagePreparer.h"
#include "book/PagePresenter.h"
#include "desktop/AccessOptions.h"
#include "desktop/DesktopSession.h"
#include "modes/Captions.h"
#include "modes/ModeController.h"
#include "modes/Services.h"
#include "scan/ScanCycle.h"
#include "ui/MainWindowControls.h"
#include "ui/MainWindowLayout.h"
#include "ui/MainWindowMenu.h"
#include "ui/OpenBookDialog.h"
#include "ui/PageBoxes.h"
#include "ui/ScanHighlight.h"
#include "ui/TextPageBox.h"

#include <QWidget>
#include <functional>
#include <optional>

namespace tirvelo {

class SwitchInput;
class TAboutBox;
class TFormNivellEntradaDAudio;

class TFormPrincipal : public QWidget, public MainWindowControls {
    Q_OBJECT
public:
    // Creates the controls and runs the creation sequence (FormCreate). The
    // services must outlive the window.
    explicit TFormPrincipal(const Services& services, QWidget* parent = nullptr);
    ~TFormPrincipal() override;

    // ---- controls, under their own names (MainWindowControls), and the menu ----
    MainWindowMenu* PopupMenu1 = nullptr;

    // ---- state ----
    Book book;
    ScanCycle scan;
    bool SoundPlaying = false;
    // The program's modes; start-up and the menu's items talk to them.
    ModeController& modes() const { return *m_modes; }

    // The other two windows, created by start-up after this one.
    void setAboutBox(TAboutBox* aboutBox) { m_aboutBox = aboutBox; }
    void setLevelDialog(TFormNivellEntradaDAudio* dialog) { m_levelDialog = dialog; }

    // ---- operations ----
    // startPage: the page shown first once the book is in (folded into the book).
    void LoadBook(const QString& name, int startPage = 0);
    // The book file shown, absolute as found; empty while none is loaded.
    QString bookFile() const { return m_bookFile; }
    void ShowPage() { showPage(std::nullopt); }
    void ScanStep();
    void ClearScanHighlight() { m_highlight.clear(); }
    // Sets the timer's state; setting the state it already has changes nothing.
    void setScanTimerEnabled(bool enabled);
    // The switch-access options in force (stored ones at start-up).
    const AccessOptions& accessOptions() const;
    void applyAccessOptions(const AccessOptions& options);

    // ---- handlers ----
    void SpeedButtonEsquerraClick();
    void SpeedButtonDretaClick();
    void Image1Click() { pageClicked(); }
    void Memo1Click() { pageClicked(); }
    // A left click on the picture or a text box: the next page, or, where the
    // pointer does not follow the scan, the highlighted button while scanning.
    void pageClicked() { pageAction()(); }
    void SpinEditTempsTimerChange();
    void EditVelocitatChange();
    // With a step key chosen the highlight moves by that key only.
    void Timer1Timer();
    void PopupMenu1Popup();
    void MenuCarregarLlibreClick();
    void MenuEditaLlibreClick();
    void PopupMenuControlDelVolumDelMicrfonClick();
    void PopupMenuOpcionsAccesClick();
    void PopupMenuParlantDeClick();
    void PopupMenuSortirClick();
    // The sound trigger: one captured buffer came back.
    void HandleWaveInData();

    // The open-book dialog; tests may replace how a file is chosen.
    using FileChooser = std::function<std::optional<QString>(TFormPrincipal&)>;
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    QString openDialogTitle() const;
    int openDialogFilterIndex() const { return m_openDialog.filterIndex(); }
    QString openDialogLastName() const { return m_openDialog.lastName(); }
    // The book editor sits above the windows: start-up hands the window what
    // opens it on a book file (empty: a new book) at a 0-based page. The menu
    // item shows once there is one.
    using EditorOpener = std::function<void(const QString& bookFile, int page)>;
    void setEditorOpener(EditorOpener opener);
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
    void customEvent(QEvent* event) override;

private:
    void createControls();
    void createMenu();
    // The window carries out what the modes ask.
    void followModes();
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
    std::optional<QString> chooseBookFile();
    // Prepares the page after this one in direction, the text box's look included.
    void prepareNext(PageCommand direction);
    SpeechEngine& speechEngine() const { return m_services.speech; }
    SoundPlayer& soundPlayer() const { return m_services.sound; }
    MessageSink& messages() const { return m_services.messages; }

    Services m_services;
    ModeController* m_modes = nullptr;
    DesktopSession m_session;

    TAboutBox* m_aboutBox = nullptr;
    TFormNivellEntradaDAudio* m_levelDialog = nullptr;
    FileChooser m_fileChooser;
    EditorOpener m_editorOpener;
    QString m_bookFile;
    OpenBookDialog m_openDialog;
    PagePresenter m_presenter;
    PageBoxes m_pageBoxes;
    TextPageLookout m_textPageLook; // read by the preparer's worker: made before it, gone after it
    PagePreparer m_preparer;
    SwitchInput* m_switches = nullptr;
    ScanHighlight m_highlight;
    qreal m_scale = 1.0;
    MainWindowLayout m_layout;
};

} // namespace tirvelo
