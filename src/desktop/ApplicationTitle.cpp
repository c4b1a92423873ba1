#include "desktop/ApplicationTitle.h"

#include <algorithm>

namespace tirvelo {

QString applicationTitleFor(const QString& programFilePath)
{
    const qsizetype folderEnd = std::max(programFilePath.lastIndexOf(u'/'), programFilePath.lastIndexOf(u'\\'));
    QString name = programFilePath.mid(folderEnd + 1);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    // Program files here are lower case by convention; the title is written
    // as a name all the same.
    return name.left(1).toUpper() + name.mid(1).toLower();
}

QString errorReportText(const QString& failureText)
{
    if (failureText.endsWith(u'.') || failureText.endsWith(u')') || failureText.endsWith(u'!'))
        return failureText;
    return failureText + u'.';
}

} // namespace tirvelo
