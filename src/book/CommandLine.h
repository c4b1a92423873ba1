#pragma once
// The book named on the command line: the two joins of the parameters.
#include <QString>
#include <QStringList>

namespace tirvelo {

// For the "started without parameters" test: every parameter followed by one
// blank, then trailing blanks removed.
QString joinParametersForEmptinessTest(const QStringList& parameters);

// The book's name: the parameters joined with no separator (a path with a
// blank that the shell split comes back without it), letters a-z upper-cased,
// and ".Lumbrix" appended when there is no dot. Empty without parameters.
QString bookFileNameFromParameters(const QStringList& parameters);

// The name handed to the book loader: the parameters joined as they are (with
// ".Lumbrix" when there is no dot) when a file has that very name, otherwise
// bookFileNameFromParameters, which the loader finds as written or ignoring
// case. The desktop passes exact paths, and a folder may hold the same name in
// two letter cases.
QString bookFileNameToLoad(const QStringList& parameters);

} // namespace tirvelo
