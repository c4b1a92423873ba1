#include "support/TestPaths.h"

#include <QDir>

namespace tirvelo::test {

QString testDataPath(const QString& relative) { return QDir(QStringLiteral(TIRVELO_TEST_DATA_DIR)).filePath(relative); }
QString sharedTestDataPath(const QString& relative) { return QDir(QStringLiteral(TIRVELO_SHARED_TESTDATA)).filePath(relative); }
QString buildPath(const QString& relative) { return QDir(QStringLiteral(TIRVELO_BUILD_DIR)).filePath(relative); }
QString sourcePath(const QString& relative) { return QDir(QStringLiteral(TIRVELO_SOURCE_DIR)).filePath(relative); }

} // namespace tirvelo::test
