#pragma once
// Where the tests find their data and the build's products.
#include <QString>

namespace tirvelo::test {

// A file under tests/data.
QString testDataPath(const QString& relative);
// A file under the shared real-world test data (../shared/testdata).
QString sharedTestDataPath(const QString& relative);
// A file in the build folder (the program, the engine libraries).
QString buildPath(const QString& relative);
QString sourcePath(const QString& relative);

} // namespace tirvelo::test
