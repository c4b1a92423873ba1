#include "app/EditorLauncher.h"

#include "editor/BookEditorWindow.h"
#include "ui/FormPrincipal.h"

namespace tirvelo {

EditorLauncher::EditorLauncher(const Services& services, TFormPrincipal& mainWindow)
    : m_services(services), m_mainWindow(mainWindow)
{
    m_mainWindow.setEditorOpener([this](const QString& bookFile, int page) { open(bookFile, page); });
}

EditorLauncher::~EditorLauncher()
{
    m_mainWindow.setEditorOpener({});
    if (m_editor) {
        m_editor->disconnect(this);
        delete m_editor;
    }
}

editor::BookEditorWindow* EditorLauncher::editorWindow() const
{
    return m_editor;
}

void EditorLauncher::open(const QString& bookFile, int page)
{
    if (m_editor) {
        m_editor->raise();
        m_editor->activateWindow();
        return;
    }
    ModeController& modes = m_mainWindow.modes();
    modes.pause();
    m_bookSaved = false;
    // A window of its own kept above the main window, which takes no input
    // meanwhile: no page turns under the editor, and no exit that would lose its changes.
    m_editor = new editor::BookEditorWindow(m_services, modes.language(), {}, &m_mainWindow);
    m_editor->setAttribute(Qt::WA_DeleteOnClose);
    m_editor->setWindowModality(Qt::WindowModal);
    if (bookFile.isEmpty() || !m_editor->openBook(bookFile))
        m_editor->newBook();
    else
        m_editor->selectRow(page);
    connect(m_editor, &editor::BookEditorWindow::bookSaved, this, [this](const QString& saved, int editedPage) {
        m_bookSaved = true;
        m_mainWindow.LoadBook(saved, editedPage);
    });
    connect(m_editor, &QObject::destroyed, this, &EditorLauncher::editorClosed);
    m_editor->show();
    m_editor->activateWindow();
}

void EditorLauncher::editorClosed()
{
    m_mainWindow.modes().resume();
    // The saved book's page was shown silent: now it plays and reads as a page turned to does.
    if (m_bookSaved && m_mainWindow.book.PageCount > 0)
        m_mainWindow.ShowPage();
    m_mainWindow.activateWindow();
}

} // namespace tirvelo
