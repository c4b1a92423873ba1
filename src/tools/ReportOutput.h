#pragma once
// The findings as people read them (one line each, "book:line: error: ...")
// and as other tools read them (JSON).
#include "desktop/InterfaceLanguage.h"
#include "authoring/Finding.h"

#include <QByteArray>
#include <QString>

namespace tirvelo::booktool {

using authoring::BookReport;
using authoring::Finding;
using authoring::FindingCode;
using authoring::ProgramEffect;

QString reportText(const BookReport& report, InterfaceLanguage language);

// {"books": [{"book", "readable", "pages", "errors", "warnings", "findings":
// [{"line", "severity", "code", "file", "text", "program", "program_message"}]}]}
QByteArray reportsJson(const QList<BookReport>& reports, InterfaceLanguage language);

} // namespace tirvelo::booktool
