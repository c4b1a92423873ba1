#include "ui/StartupAssociation.h"

#include "desktop/AssociationCheck.h"
#include "desktop/FreedesktopAssociation.h"
#include "modes/MessageSink.h"

#include <QCoreApplication>

namespace tirvelo {

void checkBookAssociationAtStartup(MessageSink& messages)
{
    FreedesktopAssociation store;
    // A registration that fails is not told: the program starts as usual and
    // the check runs again at the next start without parameters.
    runAssociationCheck(store, BookExtension.toString(), QCoreApplication::applicationFilePath(), [&messages] {
        return messages.askYesNo(nullptr, kAssociationQuestionText.toString(), kAssociationQuestionCaption.toString());
    });
}

} // namespace tirvelo
