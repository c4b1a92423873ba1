#pragma once
#include <QByteArray>
#include <QString>
namespace tirvelo {
class SettingsFile {
public:
    explicit SettingsFile(QString path = defaultPath());
    static QString defaultPath();
    QByteArray read(QByteArrayView section, QByteArrayView key, QByteArrayView defaultValue, int bufferSize = 50) const;
    bool write(QByteArrayView section, QByteArrayView key, QByteArrayView value);
private:
    QString m_path;
};
} // namespace tirvelo
