#include "base/IntegerText.h"

namespace tirvelo {
namespace {

int digitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    return value < base ? value : -1;
}

struct Prefix {
    qsizetype position = 0;
    bool negative = false;
    bool hasSign = false;
    int base = 10;
};

Prefix readPrefix(QStringView text)
{
    Prefix prefix;
    while (prefix.position < text.size() && text[prefix.position] == u' ')
        ++prefix.position;
    if (prefix.position < text.size() && (text[prefix.position] == u'+' || text[prefix.position] == u'-')) {
        prefix.negative = text[prefix.position] == u'-';
        prefix.hasSign = true;
        ++prefix.position;
    }
    if (prefix.position < text.size() && text[prefix.position] == u'$') {
        prefix.base = 16;
        ++prefix.position;
    }
    return prefix;
}

} // namespace

std::optional<int32_t> parseStrictInteger(QStringView text)
{
    const Prefix prefix = readPrefix(text);
    if (prefix.base == 16 && prefix.hasSign)
        return std::nullopt;
    if (prefix.position >= text.size())
        return std::nullopt;
    // Magnitude limit: 2^31 for a negative number, 2^31 - 1 otherwise.
    const int64_t limit = prefix.negative ? int64_t{1} << 31 : (int64_t{1} << 31) - 1;
    int64_t magnitude = 0;
    for (qsizetype i = prefix.position; i < text.size(); ++i) {
        const int digit = digitValue(text[i], prefix.base);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * prefix.base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    return static_cast<int32_t>(prefix.negative ? -magnitude : magnitude);
}

int32_t parseLeadingInteger(QStringView text)
{
    const Prefix prefix = readPrefix(text);
    uint32_t value = 0; // unsigned arithmetic wraps without undefined behaviour
    for (qsizetype i = prefix.position; i < text.size(); ++i) {
        const int digit = digitValue(text[i], prefix.base);
        if (digit < 0)
            break;
        value = value * static_cast<uint32_t>(prefix.base) + static_cast<uint32_t>(digit);
    }
    if (prefix.negative)
        value = 0u - value;
    return static_cast<int32_t>(value);
}

} // namespace tirvelo
