#pragma once
// A page as the reader's page presenter takes it: one page entry naming real
// files. Text typed but not saved yet is written to the editor's work folder,
// and a file whose name the entry could not carry (a "#", or longer than the
// sound call takes) is reached through a link there.
#include "editor/EditorPage.h"

#include <QString>

namespace tirvelo::editor {

QString readerEntry(const EditorPage& page, const QString& workFolder);

} // namespace tirvelo::editor
