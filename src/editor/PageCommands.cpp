#include "editor/PageCommands.h"

#include "editor/BookEditorModel.h"

namespace tirvelo::editor {

InsertPagesCommand::InsertPagesCommand(BookEditorModel& model, int at, QList<EditorPage> pages, const QString& text)
    : QUndoCommand(text), m_model(model), m_at(at), m_pages(std::move(pages))
{
}

void InsertPagesCommand::redo()
{
    m_model.insertPagesNow(m_at, m_pages);
}

void InsertPagesCommand::undo()
{
    m_model.removePagesNow(m_at, int(m_pages.size()));
}

RemovePageCommand::RemovePageCommand(BookEditorModel& model, int row, const QString& text)
    : QUndoCommand(text), m_model(model), m_row(row), m_page(model.page(row))
{
}

void RemovePageCommand::redo()
{
    m_model.removePagesNow(m_row, 1);
}

void RemovePageCommand::undo()
{
    m_model.insertPagesNow(m_row, {m_page});
}

MovePageCommand::MovePageCommand(BookEditorModel& model, int from, int to, const QString& text)
    : QUndoCommand(text), m_model(model), m_from(from), m_to(to)
{
}

void MovePageCommand::redo()
{
    m_model.movePageNow(m_from, m_to);
}

void MovePageCommand::undo()
{
    m_model.movePageNow(m_to, m_from);
}

ChangePageCommand::ChangePageCommand(BookEditorModel& model, EditorPage before, EditorPage after, bool typing,
                                     const QString& text)
    : QUndoCommand(text), m_model(model), m_before(std::move(before)), m_after(std::move(after)), m_typing(typing)
{
}

void ChangePageCommand::redo()
{
    m_model.replacePageNow(m_model.rowOf(m_after.id), m_after);
}

void ChangePageCommand::undo()
{
    m_model.replacePageNow(m_model.rowOf(m_before.id), m_before);
}

bool ChangePageCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = static_cast<const ChangePageCommand*>(other);
    if (!next->m_typing || next->m_after.id != m_after.id)
        return false;
    m_after = next->m_after;
    return true;
}

} // namespace tirvelo::editor
