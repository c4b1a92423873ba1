#include "book/CommandLine.h"

#include "base/BookExtension.h"
#include "book/PathResolver.h"

namespace tirvelo {

QString joinParametersForEmptinessTest(const QStringList& parameters)
{
    QString text;
    for (const QString& parameter : parameters)
        text += parameter + u' ';
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

namespace {

QString withBookExtension(QString name)
{
    if (!name.isEmpty() && !name.contains(u'.'))
        name += BookSuffix;
    return name;
}

} // namespace

QString bookFileNameFromParameters(const QStringList& parameters)
{
    QString name = parameters.join(QString());
    for (QChar& c : name)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    return withBookExtension(name);
}

QString bookFileNameToLoad(const QStringList& parameters)
{
    const QString asGiven = withBookExtension(parameters.join(QString()));
    return existsAsWritten(asGiven) ? asGiven : bookFileNameFromParameters(parameters);
}

} // namespace tirvelo
