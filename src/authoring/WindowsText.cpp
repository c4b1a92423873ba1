#include "authoring/WindowsText.h"

#include "base/Cp1252.h"

#include <QChar>

#include <optional>

namespace tirvelo::authoring {
namespace {

bool heldByCodePage(char32_t c)
{
    if (c > 0xFFFF)
        return false;
    const QString one{QChar(char16_t(c))};
    return fromCp1252(toCp1252(one)) == one;
}

bool allHeld(const QString& text)
{
    return fromCp1252(toCp1252(text)) == text;
}

// Characters with a nearest form that Unicode's decompositions do not give.
std::optional<QString> fromTable(char32_t c)
{
    switch (c) {
    case 0x2010: case 0x2011: case 0x2012: case 0x2015: case 0x2212: case 0x2E3A: case 0x2E3B: case 0xFE58:
    case 0xFE63: case 0xFF0D:
        return QStringLiteral("-");
    case 0x201B: case 0x2032: case 0x2035: case 0x02BC: case 0x02BB: case 0x02B9:
        return QStringLiteral("'");
    case 0x201F: case 0x2033: case 0x2036: case 0x02BA: case 0x301D: case 0x301E:
        return QStringLiteral("\"");
    case 0x2028: case 0x2029:
        return QStringLiteral("\n");
    case 0x200B: case 0x200C: case 0x200D: case 0x2060: case 0xFEFF:
        return QString();
    case 0x2044: case 0x2215:
        return QStringLiteral("/");
    case 0x0141: return QStringLiteral("L");
    case 0x0142: return QStringLiteral("l");
    case 0x0110: return QStringLiteral("D");
    case 0x0111: return QStringLiteral("d");
    case 0x0131: return QStringLiteral("i");
    case 0x0127: return QStringLiteral("h");
    case 0x0126: return QStringLiteral("H");
    default:
        break;
    }
    if ((c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000)
        return QStringLiteral(" ");
    return std::nullopt;
}

// Controls carry nothing a reader sees; tab and the line breaks stay.
bool isInvisibleControl(char32_t c)
{
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0x7F || (c >= 0x80 && c <= 0x9F);
}

QString nearest(char32_t c)
{
    if (isInvisibleControl(c))
        return QString();
    if (std::optional<QString> listed = fromTable(c))
        return *listed;
    // The compatibility decomposition without its marks: ő is o and a mark,
    // ﬁ is f and i, a full-width A is A.
    QString decomposed = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD);
    QString kept;
    for (const QChar ch : std::as_const(decomposed))
        if (ch.category() != QChar::Mark_NonSpacing && ch.category() != QChar::Mark_SpacingCombining)
            kept += ch;
    if (!kept.isEmpty() && allHeld(kept))
        return kept;
    return QStringLiteral("?");
}

} // namespace

QByteArray WindowsText::bytes() const
{
    return toCp1252(text);
}

WindowsText toWindowsText(QStringView text)
{
    WindowsText result;
    // Composed first: e and a combining acute are é, which the code page holds.
    const QString composed = text.toString().normalized(QString::NormalizationForm_C);
    result.text.reserve(composed.size());
    const QList<uint> codePoints = composed.toUcs4();
    for (const uint point : codePoints) {
        const char32_t c = point;
        if (heldByCodePage(c) && !isInvisibleControl(c)) {
            result.text += QChar(char16_t(c));
            continue;
        }
        const QString original = QString::fromUcs4(&c, 1);
        const QString replacement = nearest(c);
        result.text += replacement;
        auto known = std::find_if(result.replacements.begin(), result.replacements.end(),
                                  [&](const TextReplacement& r) { return r.original == original; });
        if (known == result.replacements.end())
            result.replacements.append({original, replacement, 1});
        else
            ++known->count;
    }
    return result;
}

} // namespace tirvelo::authoring
