#pragma once
// The book being edited, without a window: the pages in book order behind
// the strip, one undo stack for every change, opening and saving. Widgets
// only show it and call its operations.
#include "desktop/InterfaceLanguage.h"
#include "editor/BookSaver.h"
#include "editor/EditorPage.h"
#include "editor/PreparedPictures.h"
#include "editor/TextCheck.h"

#include <QAbstractListModel>
#include <QThread>
#include <QTemporaryDir>
#include <QUndoStack>

namespace tirvelo::editor {

// Why a file was not added, in the interface language.
struct AddRefusal {
    QString file;
    QString message;
};

class BookEditorModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        PageRole = Qt::UserRole + 1, // the EditorPage
        PicturePathRole,             // the picture's file, or empty
        PositionRole,                // "pàgina 3 de 12"
    };

    explicit BookEditorModel(QObject* parent = nullptr);
    ~BookEditorModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Pages are dragged within the strip; the strip carries out the move.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }

    void setLanguage(InterfaceLanguage language);
    InterfaceLanguage language() const { return m_language; }
    QUndoStack& undoStack() { return m_undo; }

    const QList<EditorPage>& pages() const { return m_pages; }
    const EditorPage& page(int row) const { return m_pages.at(row); }
    int rowOf(quint64 id) const;

    // A new, empty book; the undo stack starts afresh.
    void newBook();
    // The reader's own message when it would refuse the book, else empty; the
    // pages stay as they were on failure.
    QString openBook(const QString& path);
    QString bookPath() const { return m_memory.bookPath; }
    bool isModified() const { return !m_undo.isClean(); }

    // Each an undo step. Rows out of range do nothing.
    QList<AddRefusal> addPictures(const QStringList& files, int at);
    void addTextPage(int at);
    bool movePage(int from, int to);
    void duplicatePage(int row);
    void removePage(int row);
    // A text page's text, or a picture's narration (which becomes a text one).
    void setPageText(int row, const QString& text);
    void setNarration(int row, Narration narration);
    // Makes file (a wave file the editor made) the page's sound.
    void setSound(int row, const QString& waveFile);
    // Converts a WAV or MP3 to a wave file and makes it the page's sound; the
    // message when the file does not decode.
    std::optional<QString> importSound(int row, const QString& file);

    // The characters of the page's text a book cannot hold, each with why.
    QList<UnwritableCharacter> unwritable(int row) const;
    QString unwritableReason(const UnwritableCharacter& character) const;

    // Saves; on success the stack is clean and bookPath() the saved book.
    // Findings from a typed character a book cannot hold refuse the save too.
    SaveOutcome save(const SaveTarget& target);
    // The same off the GUI thread, so that the window goes on answering: the
    // pictures still being made are waited for, the files copied and the book
    // checked on a thread of its own; saveProgress and saveFinished come on
    // this one. False while a save runs. The pages must not change meanwhile
    // (the window takes no edits until saveFinished).
    bool startSave(const SaveTarget& target);
    bool saving() const { return m_saving != nullptr; }
    // A message for an outcome that is not Saved (empty for Saved).
    QString outcomeMessage(const SaveOutcome& outcome, const QString& bookPath) const;

    // Where recordings, converted sounds and pictures made fit wait until a
    // save copies them.
    QString workFolder() const { return m_work.path(); }
    // The page as it will be saved: a picture added is the file made fit for
    // it, once made (the preview and the strip show that one).
    EditorPage pageAsSaved(int row) const;
    PreparedPictures& preparedPictures() { return *m_prepared; }

    // For the undo commands: changes without a step of their own.
    void insertPagesNow(int at, const QList<EditorPage>& pages);
    void removePagesNow(int at, int count);
    void movePageNow(int from, int to);
    void replacePageNow(int row, const EditorPage& page);

signals:
    void bookReset();
    void saveProgress(int done, int total);
    void saveFinished(const tirvelo::editor::SaveOutcome& outcome);

private:
    // A typed character a book cannot hold refuses the save, page by page.
    std::optional<SaveOutcome> textRefusal() const;
    void push(QUndoCommand* command);
    EditorPage withNewId(EditorPage page);
    void positionsChanged();

    QList<EditorPage> m_pages;
    QUndoStack m_undo;
    SaveMemory m_memory;
    QTemporaryDir m_work;
    std::unique_ptr<PreparedPictures> m_prepared;
    InterfaceLanguage m_language = InterfaceLanguage::Catalan;
    quint64 m_nextId = 1;
    std::unique_ptr<QThread> m_saving;
};

} // namespace tirvelo::editor
