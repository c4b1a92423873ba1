#include "app/AssociationCheck.h"

namespace tirvelo {

AssociationCheckResult runAssociationCheck(AssociationStore& store, const QString& extension,
                                           const QString& programPath, const std::function<bool()>& askUser)
{
    const QString registered = store.ReadAssociation(extension);
    if (!registered.isEmpty()) {
        if (registered == programPath)
            return AssociationCheckResult::AlreadyAssociated;
        if (!askUser || !askUser())
            return AssociationCheckResult::Declined;
    }
    return store.WriteAssociation(extension, programPath) ? AssociationCheckResult::Registered
                                                          : AssociationCheckResult::WriteFailed;
}

} // namespace tirvelo
