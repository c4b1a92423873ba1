#pragma once
// The commands of tirvelo-llibre and how their arguments are read.
#include <QStringList>
#include <QTextStream>

namespace tirvelo::booktool {

// Runs "check", "make" or "import" as the arguments say (without the program's name) and
// returns the exit code: 0 all well, 1 a book has errors, 2 a book cannot be
// read, nothing was made, or the arguments are wrong.
int runBookTool(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace tirvelo::booktool
