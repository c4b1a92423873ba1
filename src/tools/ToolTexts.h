#pragma once
// What the book tool says, in the interface language of the settings file.
// The program's own messages are quoted as it shows them, in Catalan.
#include "desktop/InterfaceLanguage.h"
#include "tools/BookMaker.h"
#include "authoring/Finding.h"

#include <QString>

namespace tirvelo::booktool {

using authoring::Finding;
using authoring::FindingCode;

enum class Label {
    Error,
    Warning,
    ProgramSays,      // %1: the program's message
    ProgramPlaysAlert,
    ProgramReadsNothing,
    Summary,          // %1 pages, %2 errors, %3 warnings
    BookUnreadable,
    Written,          // %1: the book
    NothingWritten,
    UnusedFile,       // %1: a file of the folder
    Usage,
};

QString labelText(Label label, InterfaceLanguage language);
QString findingText(const Finding& finding, InterfaceLanguage language);
QString refusalText(Refusal refusal, const QString& name, InterfaceLanguage language);

} // namespace tirvelo::booktool
