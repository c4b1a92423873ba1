#pragma once
// Files from the source tree's data/ folder, built into the program so that it
// can register itself from wherever it runs (the build folder, a copy, an
// installed tree). The build generates the definitions.
#include <QByteArrayView>

namespace tirvelo::embedded {

// Desktop entry with @EXEC@ and @MIME_TYPE@ to fill in.
QByteArrayView desktopEntryTemplate();
// shared-mime-info package with @MIME_TYPE@ and @GLOB@ to fill in.
QByteArrayView mimePackageTemplate();
// The program's icon (a book with an arrow), scalable and 48 by 48.
QByteArrayView iconSvg();
QByteArrayView iconPng();

} // namespace tirvelo::embedded
