// Ini-style editing and desktop-entry Exec quoting on arbitrary input: no
// crash, and the round trips the program relies on hold.
#include "desktop/FreedesktopAssociation.h"
#include "base/IniText.h"

#include <QByteArray>
#include <QString>

#include <cstdlib>

using namespace tirvelo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray input(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    if (data[0] & 1) {
        // Whatever the file holds, a written key reads back as written.
        const ini::Syntax syntax{.caseSensitiveNames = (data[0] & 2) != 0,
                                 .commentChar = (data[0] & 4) ? '#' : ';',
                                 .newFileLineEnding = "\r\n"};
        const auto updated = ini::setValue(input, "Tirvelo", "Idioma", "Castellano", syntax);
        if (!updated || ini::findValue(*updated, "tirvelo", "IDIOMA", {}) != QByteArray("Castellano")) {
            if (!syntax.caseSensitiveNames)
                std::abort();
        }
        if (updated && ini::findValue(*updated, "Tirvelo", "Idioma", syntax) != QByteArray("Castellano"))
            std::abort();
    } else {
        const QString path = QString::fromUtf8(input);
        (void)FreedesktopAssociation::programFromExec(path);
        if (!path.isEmpty() && !path.contains(QChar())
            && FreedesktopAssociation::programFromExec(FreedesktopAssociation::execForProgram(path)) != path)
            std::abort();
    }
    return 0;
}
