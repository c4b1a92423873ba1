#include "app/SettingsFile.h"
#include <QDir>
#include <QFile>
namespace tirvelo {
SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}
QString SettingsFile::defaultPath()
{
    QString dir = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.config");
    return dir + QStringLiteral("/Quirna2001.ini");
}
QByteArray SettingsFile::read(QByteArrayView section, QByteArrayView key, QByteArrayView defaultValue, int) const
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return defaultValue.toByteArray();
    bool inSection = false;
    for (QByteArray line : f.readAll().split('\n')) {
        line = line.trimmed();
        if (line.startsWith('['))
            inSection = line.mid(1, line.size() - 2).trimmed().toLower() == section.toByteArray().toLower();
        else if (inSection && line.contains('=') && line.left(line.indexOf('=')).trimmed().toLower() == key.toByteArray().toLower())
            return line.mid(line.indexOf('=') + 1).trimmed();
    }
    return defaultValue.toByteArray();
}
bool SettingsFile::write(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    QFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write("[" + section.toByteArray() + "]\r\n" + key.toByteArray() + "=" + value.toByteArray() + "\r\n");
    return true;
}
} // namespace tirvelo
