#include "desktop/InterfaceLanguage.h"

#include "desktop/SettingsFile.h"
#include "desktop/SettingsKeys.h"

namespace tirvelo {

InterfaceLanguage interfaceLanguageFromSetting(QByteArrayView value)
{
    if (value == settings::kLanguageSpanish)
        return InterfaceLanguage::Spanish;
    if (value == settings::kLanguagePortuguese)
        return InterfaceLanguage::Portuguese;
    return InterfaceLanguage::Catalan;
}

InterfaceLanguage storedInterfaceLanguage()
{
    return interfaceLanguageFromSetting(
        SettingsFile().read(settings::kSection, settings::kLanguageKey, settings::kLanguageDefault));
}

} // namespace tirvelo
