#pragma once
// The book editor's window: a normal, resizable window for an adult with a
// mouse and keyboard. The strip of pages, the page as the reader shows it,
// the fields that make it and the findings of the last save; every change
// goes through the model. Dialogs are reached through replaceable choosers,
// so that tests drive the window without them.
#include "desktop/InterfaceLanguage.h"
#include "audio/WavMax.h"
#include "editor/BookEditorModel.h"

#include <QMainWindow>
#include <functional>
#include <optional>

class QAction;
class QListWidget;
class QProgressBar;
class QThread;

namespace tirvelo::authoring {
struct BookFromEpub;
}

namespace tirvelo {
struct Services;
}

namespace tirvelo::editor {

class NarrationRecorder;
class PageFields;
class PagePreview;
class PageStrip;
class ThumbnailCache;

class BookEditorWindow : public QMainWindow {
    Q_OBJECT
public:
    enum class FileRequest { Pictures, Folder, Sound, OpenBook, SaveBook, Epub };
    // Shows the dialog for request and returns the files chosen (none: cancelled).
    using FileChooser = std::function<QStringList(FileRequest)>;

    // capture: the devices recordings are made with (the default input when empty).
    BookEditorWindow(Services& services, InterfaceLanguage language, WavMax::CaptureDeviceFactory capture = {},
                     QWidget* parent = nullptr);
    ~BookEditorWindow() override;

    BookEditorModel& model() { return m_model; }
    void setFileChooser(FileChooser chooser) { m_chooseFiles = std::move(chooser); }

    // Opens a book (the reader's message when it refuses it) or starts a new one.
    bool openBook(const QString& path);
    void newBook();
    int currentRow() const;
    void selectRow(int row);

    void addPictureFiles(const QStringList& files, int at);
    // Start a save off the GUI thread (false: none started, a name not chosen
    // or a save already running); bookSaved or the failure's message follows.
    // Meanwhile the window answers but takes no edits, and shows the progress.
    bool save();
    bool saveAs();
    bool saving() const { return m_model.saving() || m_saveTarget.has_value(); }
    // A save or an EPUB import under way (both run off the window's thread).
    bool busy() const { return saving() || m_importing != nullptr; }

signals:
    // A book was saved; page is the one being edited (0-based).
    void bookSaved(const QString& bookPath, int page);
    // A save ended, saved or not.
    void saveEnded(bool saved);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildActions();
    void buildLayout();
    void applyLanguage();
    void currentChanged();
    void updateActions();
    bool saveTo(const QString& path, bool replaceConfirmed);
    void saveFinished(const SaveOutcome& outcome);
    void showBusy(bool busy);
    // Runs then once the pages shown may go: at once without changes, or when
    // the user gives them up; after saving them when the user wants them saved.
    void leaveBook(std::function<void()> then);
    void importFinished(const authoring::BookFromEpub& imported);
    void showFindings(const QList<PageFinding>& findings);
    void tell(const QString& text);
    void addFolder();
    void paste();
    void importSound();
    void importEpub();
    void listen();
    void tryPage();
    QStringList chooseFiles(FileRequest request);
    QStringList showFileDialog(FileRequest request);

    Services& m_services;
    InterfaceLanguage m_language;
    BookEditorModel m_model;
    std::unique_ptr<ThumbnailCache> m_thumbnails;
    std::unique_ptr<NarrationRecorder> m_recorder;
    PageStrip* m_strip = nullptr;
    PagePreview* m_preview = nullptr;
    PageFields* m_fields = nullptr;
    QListWidget* m_findings = nullptr;
    FileChooser m_chooseFiles;
    int m_pasted = 0;
    std::optional<SaveTarget> m_saveTarget; // the save under way
    bool m_closeWhenDone = false;       // a close asked while busy
    std::function<void()> m_afterSave; // what waits for the save under way to succeed
    QThread* m_importing = nullptr; // the EPUB import under way
    QProgressBar* m_progress = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    QList<std::pair<QAction*, int>> m_actions; // with their caption's EditorText
};

} // namespace tirvelo::editor
