#include "app/CommandLine.h"

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

QString bookFileNameFromParameters(const QStringList& parameters)
{
    QString name = parameters.join(QString());
    for (QChar& c : name)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    if (!name.isEmpty() && !name.contains(u'.'))
        name += QStringLiteral(".Lumbrix");
    return name;
}

} // namespace tirvelo
