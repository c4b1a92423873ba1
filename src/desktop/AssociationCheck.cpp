#include "desktop/AssociationCheck.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace tirvelo {
namespace {

// The same program file: the same text, or the same file once a bare name is
// looked for on the PATH and symbolic links are followed (/bin is /usr/bin,
// and the running program knows itself by its real path).
bool runsProgram(const QString& registered, const QString& programPath)
{
    if (registered == programPath)
        return true;
    const QString found = registered.contains(u'/') ? registered : QStandardPaths::findExecutable(registered);
    const QString real = QFileInfo(found).canonicalFilePath();
    return !real.isEmpty() && real == QFileInfo(programPath).canonicalFilePath();
}

} // namespace

AssociationCheckResult runAssociationCheck(AssociationStore& store, const QString& extension,
                                           const QString& programPath, const std::function<bool()>& askUser)
{
    const QString registered = store.ReadAssociation(extension);
    if (!registered.isEmpty()) {
        if (runsProgram(registered, programPath))
            return AssociationCheckResult::AlreadyAssociated;
        if (!askUser || !askUser())
            return AssociationCheckResult::Declined;
    }
    return store.WriteAssociation(extension, programPath) ? AssociationCheckResult::Registered
                                                          : AssociationCheckResult::WriteFailed;
}

} // namespace tirvelo
