#pragma once
// The editor's undo steps. Each one holds the pages it changes whole, so undo
// puts back exactly what was there.
#include "editor/EditorPage.h"

#include <QList>
#include <QUndoCommand>

namespace tirvelo::editor {

class BookEditorModel;

class InsertPagesCommand : public QUndoCommand {
public:
    InsertPagesCommand(BookEditorModel& model, int at, QList<EditorPage> pages, const QString& text);
    void redo() override;
    void undo() override;

private:
    BookEditorModel& m_model;
    int m_at;
    QList<EditorPage> m_pages;
};

class RemovePageCommand : public QUndoCommand {
public:
    RemovePageCommand(BookEditorModel& model, int row, const QString& text);
    void redo() override;
    void undo() override;

private:
    BookEditorModel& m_model;
    int m_row;
    EditorPage m_page;
};

class MovePageCommand : public QUndoCommand {
public:
    MovePageCommand(BookEditorModel& model, int from, int to, const QString& text);
    void redo() override;
    void undo() override;

private:
    BookEditorModel& m_model;
    int m_from;
    int m_to;
};

// A page changed in place. Typing into one page's text makes one step, until
// another change comes between.
class ChangePageCommand : public QUndoCommand {
public:
    ChangePageCommand(BookEditorModel& model, EditorPage before, EditorPage after, bool typing, const QString& text);
    void redo() override;
    void undo() override;
    int id() const override { return m_typing ? 1 : -1; }
    bool mergeWith(const QUndoCommand* other) override;

private:
    BookEditorModel& m_model;
    EditorPage m_before;
    EditorPage m_after;
    bool m_typing;
};

} // namespace tirvelo::editor
