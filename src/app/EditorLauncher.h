#pragma once
// The book editor opened from the main window's menu. While it is open the
// main window's modes pause (scanning, voice mode, reading) and the main
// window takes no input; a saved book is shown there at once, on the page
// being edited; when the editor closes the modes resume as they were.
#include "modes/Services.h"

#include <QObject>
#include <QPointer>

namespace tirvelo {

class TFormPrincipal;

namespace editor {
class BookEditorWindow;
}

class EditorLauncher : public QObject {
    Q_OBJECT
public:
    // Hands the main window its opener. Both must outlive nothing of the
    // other: the launcher goes first and closes an editor still open.
    EditorLauncher(const Services& services, TFormPrincipal& mainWindow);
    ~EditorLauncher() override;

    // On bookFile (empty, or a book the reader refuses: a new book) at page.
    void open(const QString& bookFile, int page);
    // The editor open now, or null.
    editor::BookEditorWindow* editorWindow() const;

private:
    void editorClosed();

    Services m_services;
    TFormPrincipal& m_mainWindow;
    QPointer<editor::BookEditorWindow> m_editor;
    bool m_bookSaved = false;
};

} // namespace tirvelo
