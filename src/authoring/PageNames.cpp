#include "authoring/PageNames.h"

#include "authoring/WindowsText.h"

#include <QDir>

namespace tirvelo::authoring {
namespace {

constexpr QStringView kFallbackBase = u"plana";

bool unsafeInName(QChar c)
{
    return c == u'\\' || c == u'/' || c == u'#' || c == u':' || c == u'.' || c == u'*' || c == u'?'
        || c == u'"' || c == u'<' || c == u'>' || c == u'|' || c.unicode() < 0x20;
}

QString safeBase(const QString& wanted)
{
    QString base = toWindowsText(wanted).text;
    for (QChar& c : base)
        if (unsafeInName(c))
            c = u'_';
    base = base.simplified();
    // Leading and trailing "_", "-" and blanks say nothing and read badly.
    while (!base.isEmpty() && (base.front() == u'_' || base.front() == u'-' || base.front() == u' '))
        base.remove(0, 1);
    while (!base.isEmpty() && (base.back() == u'_' || base.back() == u' '))
        base.chop(1);
    return base.isEmpty() ? kFallbackBase.toString() : base;
}

} // namespace

PageNames::PageNames(const QString& folder)
{
    const QStringList present = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : present)
        m_taken.insert(name.toCaseFolded());
}

QString PageNames::claim(const QString& wanted, const QString& ending)
{
    const QString base = safeBase(wanted);
    for (int n = 1;; ++n) {
        const QString suffix = n == 1 ? QString() : u'-' + QString::number(n);
        const qsizetype room = MaxPageNameCharacters - ending.size() - suffix.size();
        QString name = base.left(room).trimmed() + suffix + ending;
        if (!m_taken.contains(name.toCaseFolded())) {
            m_taken.insert(name.toCaseFolded());
            return name;
        }
    }
}

} // namespace tirvelo::authoring
