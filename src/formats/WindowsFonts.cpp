#include "formats/WindowsFonts.h"

#include <array>
#include <utility>

namespace tirvelo {

QString metricTwinOf(const QString& windowsFamily)
{
    static constexpr std::array<std::pair<const char16_t*, const char16_t*>, 8> twins{{
        {u"Arial", u"Liberation Sans"},
        {u"Helvetica", u"Liberation Sans"},
        {u"Times New Roman", u"Liberation Serif"},
        {u"Times", u"Liberation Serif"},
        {u"Courier New", u"Liberation Mono"},
        {u"Courier", u"Liberation Mono"},
        {u"Calibri", u"Carlito"},
        {u"Cambria", u"Caladea"},
    }};
    const QString name = windowsFamily.trimmed();
    for (const auto& [windows, twin] : twins) {
        if (name.compare(QString::fromUtf16(windows), Qt::CaseInsensitive) == 0)
            return QString::fromUtf16(twin);
    }
    return {};
}

QStringList familiesFor(const QString& family)
{
    const QString twin = metricTwinOf(family);
    return twin.isEmpty() ? QStringList{family} : QStringList{family, twin};
}

} // namespace tirvelo
