#include "app/ApplicationTitle.h"

#include <algorithm>

namespace tirvelo {

QString applicationTitleFor(const QString& programFilePath)
{
    const qsizetype folderEnd = std::max(programFilePath.lastIndexOf(u'/'), programFilePath.lastIndexOf(u'\\'));
    QString name = programFilePath.mid(folderEnd + 1);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString errorReportText(const QString& failureText)
{
    if (failureText.endsWith(u'.') || failureText.endsWith(u')') || failureText.endsWith(u'!'))
        return failureText;
    return failureText + u'.';
}

} // namespace tirvelo
