#pragma once
// Values that live for the whole run of the program.
#include <QString>

namespace tirvelo {

// False while the main window is being created and the stored language is
// applied; true from then on. The language commands store their choice and
// show the page again only when it is true.
inline bool InterfaceReady = false;

} // namespace tirvelo
