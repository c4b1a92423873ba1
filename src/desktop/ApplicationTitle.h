#pragma once
// The application's title and the text of its general error report.
#include <QString>

namespace tirvelo {

// The program file's name without its folder and without everything from its
// first dot, the first letter in upper case and every other in lower case
// ("Tirvelo.exe" and "tirvelo" give "Tirvelo").
QString applicationTitleFor(const QString& programFilePath);

// The failure's text followed by a full stop, unless it already ends in a
// full stop, a closing bracket or an exclamation mark.
QString errorReportText(const QString& failureText);

} // namespace tirvelo
