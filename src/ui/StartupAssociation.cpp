#include "ui/StartupAssociation.h"

#include "ui/FormPrincipal.h"

namespace tirvelo {

void checkBookAssociationAtStartup() {}

void attachLevelDialog(TFormPrincipal&) {}

void detachLevelDialog() {}

} // namespace tirvelo
