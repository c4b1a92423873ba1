#pragma once
// Line-level reading and editing of ini-style text ("[section]" headers,
// "key=value" lines, comment lines). Editing changes one line or inserts
// lines and keeps every other byte of the text, line endings included, so a
// file shared with other programs keeps their sections, comments and layout.
#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace tirvelo::ini {

struct Syntax {
    // Private-profile files match names case-insensitively (as Windows-1252
    // text); freedesktop key files match them exactly.
    bool caseSensitiveNames = false;
    // A line whose first non-blank character is this one is a comment.
    char commentChar = ';';
    // Ending for a text that has none yet; otherwise the text's own is used.
    QByteArrayView newFileLineEnding = "\n";
};

// The value of the first "key=value" line of the first matching section,
// with the blanks around it trimmed; nullopt when there is none.
std::optional<QByteArray> findValue(QByteArrayView text, QByteArrayView section, QByteArrayView key,
                                    const Syntax& syntax);

// The text with `key` set to `value`: the key's line is replaced, or a line is
// added after the last key of the section, or the section is appended at the
// end. nullopt when a name or the value cannot be written as one line (line
// breaks, NUL, "]" in a section name, "=" in a key, an empty name).
std::optional<QByteArray> setValue(QByteArrayView text, QByteArrayView section, QByteArrayView key,
                                   QByteArrayView value, const Syntax& syntax);

} // namespace tirvelo::ini
