#pragma once
// What the program tells when the speech engine is missing or refuses.
#include <QString>

namespace tirvelo {

// The engine library is not there (at start or at a reload): information box.
inline QString noEngineMessage()
{
    return QStringLiteral(
        u"No trobo la upctv.dll. No podré llegir els textos. Si voleu que siguin llegits, instal.leu correctament la upctv.dll");
}
inline QString noEngineCaption()
{
    return QStringLiteral(u"Quirna 2000 - Tirvelo - Sense Veu");
}

// The engine refused a reading or the first speed (a missing entry point): plain box.
inline QString speechFailureMessage()
{
    return QStringLiteral(u"No trobo la upctv.dll. No puc llegir. Instal.leu correctament el upctv.dll");
}

} // namespace tirvelo
