#pragma once
// The interface language and how the settings file names it.
#include <QByteArrayView>

namespace tirvelo {

enum class InterfaceLanguage { Catalan, Spanish, Portuguese };

// "Castellano" and "Portugues" (exact case) choose those languages; any other
// value, the read default included, means Catalan.
InterfaceLanguage interfaceLanguageFromSetting(QByteArrayView value);

// The language stored in the settings file at its usual place.
InterfaceLanguage storedInterfaceLanguage();

} // namespace tirvelo
