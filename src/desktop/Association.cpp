#include "desktop/Association.h"

namespace tirvelo {

QString cleanAssociationCommand(QString command)
{
    if (const qsizetype percent = command.indexOf(u'%'); percent >= 0)
        command.truncate(percent);
    if (command.startsWith(u'"'))
        command.remove(0, 1);
    if (command.endsWith(u'"'))
        command.chop(1);
    while (command.endsWith(u' ') || command.endsWith(u'"'))
        command.chop(1);
    return command;
}

} // namespace tirvelo
