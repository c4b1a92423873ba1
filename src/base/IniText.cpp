#include "base/IniText.h"

#include "base/Cp1252.h"

#include <QList>
#include <QString>

namespace tirvelo::ini {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimBlanks(QByteArrayView s)
{
    while (!s.isEmpty() && isBlank(s.front()))
        s = s.sliced(1);
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
    return s;
}

struct Line {
    qsizetype begin = 0;   // first byte of the line
    qsizetype textEnd = 0; // end of the line's text, before its ending
    qsizetype end = 0;     // after the ending ("\n", "\r\n" or nothing at the end of the text)
};

QList<Line> splitLines(QByteArrayView text)
{
    QList<Line> lines;
    qsizetype pos = 0;
    while (pos < text.size()) {
        Line line;
        line.begin = pos;
        const qsizetype nl = text.indexOf('\n', pos);
        if (nl < 0) {
            line.textEnd = line.end = text.size();
        } else {
            line.end = nl + 1;
            line.textEnd = (nl > pos && text[nl - 1] == '\r') ? nl - 1 : nl;
        }
        lines.append(line);
        pos = line.end;
    }
    return lines;
}

enum class Kind { Other, Comment, Header, Key };

struct Parsed {
    Kind kind = Kind::Other;
    QByteArrayView name;  // section name or key
    QByteArrayView value; // key's value, trimmed
};

Parsed parseLine(QByteArrayView lineText, const Syntax& syntax)
{
    const QByteArrayView t = trimBlanks(lineText);
    Parsed p;
    if (t.isEmpty())
        return p;
    if (t.front() == syntax.commentChar) {
        p.kind = Kind::Comment;
    } else if (t.front() == '[') {
        const qsizetype close = t.indexOf(']');
        if (close > 0) {
            p.kind = Kind::Header;
            p.name = trimBlanks(t.sliced(1, close - 1));
        }
    } else if (const qsizetype eq = t.indexOf('='); eq >= 0) {
        p.kind = Kind::Key;
        p.name = trimBlanks(t.first(eq));
        p.value = trimBlanks(t.sliced(eq + 1));
    }
    return p;
}

bool sameName(QByteArrayView a, QByteArrayView b, const Syntax& syntax)
{
    if (syntax.caseSensitiveNames)
        return a == b;
    if (a.size() != b.size())
        return false;
    // Accented letters of the code page match their capitals too.
    return QString::compare(fromCp1252(a), fromCp1252(b), Qt::CaseInsensitive) == 0;
}

// Index of the first header line naming `section`, or -1.
qsizetype findSection(QByteArrayView text, const QList<Line>& lines, QByteArrayView section,
                      const Syntax& syntax)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Parsed p = parseLine(text.sliced(lines[i].begin, lines[i].textEnd - lines[i].begin), syntax);
        if (p.kind == Kind::Header && sameName(p.name, section, syntax))
            return i;
    }
    return -1;
}

bool hasLineBreakOrNul(QByteArrayView s)
{
    return s.contains('\n') || s.contains('\r') || s.contains('\0');
}

} // namespace

std::optional<QByteArray> findValue(QByteArrayView text, QByteArrayView section, QByteArrayView key,
                                    const Syntax& syntax)
{
    const QList<Line> lines = splitLines(text);
    const qsizetype header = findSection(text, lines, trimBlanks(section), syntax);
    if (header < 0)
        return std::nullopt;
    const QByteArrayView wanted = trimBlanks(key);
    for (qsizetype i = header + 1; i < lines.size(); ++i) {
        const Parsed p = parseLine(text.sliced(lines[i].begin, lines[i].textEnd - lines[i].begin), syntax);
        if (p.kind == Kind::Header)
            break;
        if (p.kind == Kind::Key && sameName(p.name, wanted, syntax))
            return p.value.toByteArray();
    }
    return std::nullopt;
}

std::optional<QByteArray> setValue(QByteArrayView text, QByteArrayView section, QByteArrayView key,
                                   QByteArrayView value, const Syntax& syntax)
{
    section = trimBlanks(section);
    key = trimBlanks(key);
    if (section.isEmpty() || key.isEmpty() || hasLineBreakOrNul(section) || hasLineBreakOrNul(key)
        || hasLineBreakOrNul(value) || section.contains(']') || key.contains('=')
        || key.front() == '[' || key.front() == syntax.commentChar)
        return std::nullopt;

    const QList<Line> lines = splitLines(text);
    QByteArrayView ending = syntax.newFileLineEnding;
    for (const Line& line : lines) {
        if (line.end > line.textEnd) {
            ending = text.sliced(line.textEnd, line.end - line.textEnd);
            break;
        }
    }

    QByteArray out;
    out.reserve(text.size() + section.size() + key.size() + value.size() + 16);
    auto keyLine = [&](QByteArrayView name) {
        QByteArray l;
        l.append(name).append('=').append(value);
        return l;
    };

    const qsizetype header = findSection(text, lines, section, syntax);
    if (header < 0) {
        // A new section at the end, set off by a blank line as the file's
        // other sections usually are.
        out.append(text);
        if (!lines.isEmpty()) {
            const Line& last = lines.last();
            if (last.end == last.textEnd)
                out.append(ending);
            if (!trimBlanks(text.sliced(last.begin, last.textEnd - last.begin)).isEmpty())
                out.append(ending);
        }
        out.append('[').append(section).append(']').append(ending);
        out.append(keyLine(key)).append(ending);
        return out;
    }

    qsizetype lastKeyOrHeader = header;
    for (qsizetype i = header + 1; i < lines.size(); ++i) {
        const Line& line = lines[i];
        const Parsed p = parseLine(text.sliced(line.begin, line.textEnd - line.begin), syntax);
        if (p.kind == Kind::Header)
            break;
        if (p.kind != Kind::Key)
            continue;
        if (sameName(p.name, key, syntax)) {
            // Only the value changes; the key keeps the spelling the file has.
            out.append(text.first(line.begin));
            out.append(keyLine(p.name));
            out.append(text.sliced(line.textEnd));
            return out;
        }
        lastKeyOrHeader = i;
    }

    const Line& after = lines[lastKeyOrHeader];
    out.append(text.first(after.end));
    if (after.end == after.textEnd)
        out.append(ending);
    out.append(keyLine(key)).append(ending);
    out.append(text.sliced(after.end));
    return out;
}

} // namespace tirvelo::ini
