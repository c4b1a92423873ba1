#include "modes/Settings.h"

#include "desktop/SettingsKeys.h"
#include "modes/Captions.h"
#include "modes/MessageSink.h"

#include <QDir>

namespace tirvelo {

Settings::Settings(MessageSink* failures, QString path) : m_path(std::move(path)), m_failures(failures) {}

SettingsFile Settings::file() const
{
    return m_path.isEmpty() ? SettingsFile() : SettingsFile(m_path);
}

QString Settings::writeFailureMessage(const QString& path)
{
    return QStringLiteral(u"No puc desar la configuració a %1.").arg(QDir::toNativeSeparators(path));
}

bool Settings::written(bool ok) const
{
    if (!ok && m_failures)
        m_failures->plain(nullptr, writeFailureMessage(path()));
    return ok;
}

InterfaceLanguage Settings::language() const
{
    return languageFromStoredValue(file().read(settings::kSection, settings::kLanguageKey, settings::kLanguageDefault));
}

bool Settings::setLanguage(InterfaceLanguage language)
{
    return written(file().write(settings::kSection, settings::kLanguageKey, languageFacts(language).storedValue));
}

bool Settings::scanning() const
{
    return file().read(settings::kSection, settings::kScanKey, settings::kScanDefault) == QByteArrayView(settings::kScanOn);
}

bool Settings::setScanning(bool on)
{
    return written(file().write(settings::kSection, settings::kScanKey, on ? settings::kScanOn : settings::kScanOff));
}

AccessOptions Settings::accessOptions() const
{
    return readAccessOptions(file());
}

bool Settings::setAccessOptions(const AccessOptions& options)
{
    SettingsFile target = file();
    return writeAccessOptions(target, options);
}

} // namespace tirvelo
