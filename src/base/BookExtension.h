#pragma once
// The book file's extension: the one spelling the loader, the command line, the
// book tool and the desktop association all use.
#include <QStringView>

namespace tirvelo {

// Without its dot, as the association and the open dialog name it.
inline constexpr QStringView BookExtension = u"Lumbrix";
// With its dot, as it is appended to a name that has none.
inline constexpr QStringView BookSuffix = u".Lumbrix";

} // namespace tirvelo
