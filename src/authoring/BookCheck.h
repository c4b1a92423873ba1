#pragma once
// `check`: every problem of a book at once. Each page is shown by the
// program's own page presenter (with reading aloud ticked), which decides
// whether it fails and with which message; the check only adds why, so that
// the tool and the program cannot disagree.
#include "authoring/Finding.h"
#include "authoring/VerifiedPictures.h"

namespace tirvelo::authoring {

// Relative names are looked for from the folder the book is found in (as the
// program finds it, ignoring case), as when the program opens the book from
// its menu; the current directory is put back afterwards. A book whose folder
// cannot be made the current directory counts as unreadable.
// Needs a QGuiApplication (pictures and rich text are decoded, sounds probed).
// verified: pictures the program's loader has decoded already; those whose
// files have not changed since are not decoded again. Every other rule runs.
BookReport checkBook(const QString& bookPath, const VerifiedPictures& verified = {});

} // namespace tirvelo::authoring
