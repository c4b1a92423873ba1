#pragma once
// The interface language and how the settings file names it.
#include <QByteArrayView>

namespace tirvelo {

enum class InterfaceLanguage { Catalan, Spanish, Portuguese };

// "Castellano" and "Portugues" (exact case) choose those languages; any other
// value, the read default included, means Catalan.
InterfaceLanguage interfaceLanguageFromSetting(QByteArrayView value);

// One of three things, by language: the caption tables pick their table so.
template <typename T>
const T& forLanguage(InterfaceLanguage language, const T& catalan, const T& spanish, const T& portuguese)
{
    switch (language) {
    case InterfaceLanguage::Spanish:
        return spanish;
    case InterfaceLanguage::Portuguese:
        return portuguese;
    case InterfaceLanguage::Catalan:
        break;
    }
    return catalan;
}

// The language stored in the settings file at its usual place.
InterfaceLanguage storedInterfaceLanguage();

} // namespace tirvelo
