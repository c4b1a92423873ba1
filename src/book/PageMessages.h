#pragma once
// The messages the page presentation shows in its plain message box.
#include <QString>

namespace tirvelo {

// A page whose file is missing, unreadable, of an unknown type or undecodable.
inline QString pageFailureMessage()
{
    return QStringLiteral(u"Nom de fitxer de plana incorrecte o no existeix.");
}

// The speech engine refused a reading (missing engine, or a file it cannot read).
inline QString speechFailureMessage()
{
    return QStringLiteral(u"No trobo la upctv.dll. No puc llegir. Instal.leu correctament el upctv.dll");
}

} // namespace tirvelo
