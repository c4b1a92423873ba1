#pragma once
// The program's settings, one object made by start-up and carried in the
// Services bundle: typed reads and writes of every key of the program's section
// of the shared settings file. Reads go to the file each time, so another
// copy's writes are seen. A write that fails leaves the file as it was and is
// told through the message sink, when there is one.
#include "desktop/AccessOptions.h"
#include "desktop/InterfaceLanguage.h"
#include "desktop/SettingsFile.h"

#include <QString>

namespace tirvelo {

class MessageSink;

class Settings {
public:
    // Without a sink (the book tool) a failed write is only returned. Without
    // a path the file is the one SettingsFile::defaultPath() names at each use.
    explicit Settings(MessageSink* failures = nullptr, QString path = {});

    // "Idioma": Catalan unless the stored value names another language.
    InterfaceLanguage language() const;
    bool setLanguage(InterfaceLanguage language);
    // "Escaneig": on only for the exact "sí".
    bool scanning() const;
    bool setScanning(bool on);
    // The switch-access keys; only the keys that change are written. A failure
    // is only returned: the options dialog tells its own message.
    AccessOptions accessOptions() const;
    bool setAccessOptions(const AccessOptions& options);

    QString path() const { return file().path(); }
    void setFailureSink(MessageSink* failures) { m_failures = failures; }
    // What a failed write tells.
    static QString writeFailureMessage(const QString& path);

private:
    SettingsFile file() const;
    bool written(bool ok) const;

    QString m_path;
    MessageSink* m_failures;
};

} // namespace tirvelo
