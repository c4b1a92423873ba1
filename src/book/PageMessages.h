#pragma once
// The messages the page presentation shows in its plain message box.
#include <QString>

namespace tirvelo {

// A page whose file is missing, unreadable, of an unknown type or undecodable.
inline QString pageFailureMessage()
{
    return QStringLiteral(u"Nom de fitxer de plana incorrecte o no existeix.");
}

} // namespace tirvelo
