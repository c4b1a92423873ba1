#include "ui/StartupAssociation.h"

#include "app/AssociationCheck.h"
#include "app/FreedesktopAssociation.h"
#include "ui/FormPrincipal.h"
#include "ui/MessageBoxes.h"

#include <QCoreApplication>

namespace tirvelo {

void checkBookAssociationAtStartup()
{
    FreedesktopAssociation store;
    // A registration that fails is not told: the program starts as usual and
    // the check runs again at the next start without parameters.
    runAssociationCheck(store, kBookExtension.toString(), QCoreApplication::applicationFilePath(), [] {
        return askYesNo(nullptr, kAssociationQuestionText.toString(), kAssociationQuestionCaption.toString());
    });
}

void attachLevelDialog(TFormPrincipal&) {}

void detachLevelDialog() {}

} // namespace tirvelo
