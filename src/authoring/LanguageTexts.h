#pragma once
// Tables of texts in the three interface languages, keyed by an enum, and
// the filling in of their "%1", "%2" values: what the book tool and the
// import say.
#include "desktop/InterfaceLanguage.h"

#include <QString>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <iterator>

namespace tirvelo::authoring {

// One text in Catalan, Spanish and Portuguese, in the order of InterfaceLanguage.
using Texts = std::array<const char16_t*, 3>;

template <typename Key>
struct TextRow {
    Key key;
    Texts texts;
};

// The text of key in language (empty for a key without a row).
template <typename Key, std::size_t N>
QString pickText(const TextRow<Key> (&rows)[N], Key key, InterfaceLanguage language)
{
    const auto row = std::find_if(std::begin(rows), std::end(rows), [key](const TextRow<Key>& r) { return r.key == key; });
    if (row == std::end(rows))
        return {};
    return QString::fromUtf16(row->texts[static_cast<std::size_t>(language)]);
}

// %1, %2... replaced by the values in one pass: a value that itself holds "%1"
// (a file name may) is put in as it is.
inline QString withValues(const QString& text, std::initializer_list<QString> values)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int n = i + 1 < text.size() && text[i] == u'%' ? text[i + 1].digitValue() : -1;
        if (n >= 1 && std::size_t(n) <= values.size()) {
            result += values.begin()[n - 1];
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

} // namespace tirvelo::authoring
