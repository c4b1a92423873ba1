#pragma once
// The settings file shared by name with the suite's other programs
// ("Quirna2001.ini" in the user's configuration folder), read and written by
// key with private-profile semantics. Values are Windows-1252 bytes.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace tirvelo {

class SettingsFile {
public:
    explicit SettingsFile(QString path = defaultPath());
    // $XDG_CONFIG_HOME/Quirna2001.ini, ~/.config when the variable is unset or not absolute.
    static QString defaultPath();
    QString path() const { return m_path; }

    // Section and key names match case-insensitively, blanks around names and
    // values are ignored, and one pair of matching single or double quotes
    // around the value is dropped. The result is cut to bufferSize - 1 bytes.
    // The default (its trailing blanks dropped, cut the same way) comes back
    // when the key or section is missing, or the file is missing, unreadable,
    // too large or not text (it holds NUL bytes).
    QByteArray read(QByteArrayView section, QByteArrayView key, QByteArrayView defaultValue,
                    int bufferSize = 50) const;

    // Writes one key: only that line changes (or a line is added after the
    // section's last key, or the section is appended); every other byte of the
    // file stays, line endings included. The replacement is atomic. Returns
    // false, leaving the file as it was, when it cannot be written, when a name
    // or the value would not fit on one line, or when the file present is not
    // one this class can edit without damage (too large, NUL bytes).
    bool write(QByteArrayView section, QByteArrayView key, QByteArrayView value);

    // Writes several keys of one section as one replacement of the file, so
    // that they change together or not at all.
    struct KeyValue {
        QByteArray key;
        QByteArray value;
    };
    bool write(QByteArrayView section, const QList<KeyValue>& values);

private:
    QString m_path;
};

} // namespace tirvelo
