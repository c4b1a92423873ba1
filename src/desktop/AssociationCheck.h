#pragma once
// Start-up's check of the book extension's association, run only when the
// program was started without parameters.
#include "base/BookExtension.h"
#include "desktop/Association.h"

#include <QStringView>

#include <functional>

namespace tirvelo {

inline constexpr QStringView kAssociationQuestionText =
    u"Actualment l'extensi\u00F3 associada al programa \".Lumbrix\" est\u00E0 associada a un altre programa. "
    u"Vols associar aquesta extensi\u00F3 al programa: Quirna 2000 - Tirvelo?";
inline constexpr QStringView kAssociationQuestionCaption = u"Quirna 2000 - Tirvelo";

enum class AssociationCheckResult {
    AlreadyAssociated, // the registered command is this program
    Registered,        // registered silently (nothing was registered) or after a Yes
    Declined,          // another program stays registered after a No
    WriteFailed,       // registering failed (for instance a read-only folder)
};

// Reads the registered command for `extension`; when it is empty, registers
// `programPath` without asking; when it runs another program than
// `programPath` (compared exactly, then as files: a bare name found on the
// PATH, symbolic links followed), calls askUser() once (the UI shows the question with
// kAssociationQuestionText and kAssociationQuestionCaption, Yes and No, the
// exclamation icon; true means Yes) and registers on Yes; when equal, does
// nothing.
//
// programPath is the program's real file (QCoreApplication::applicationFilePath()),
// not the working folder with a fixed program name appended: started from any
// other folder, that would register a path where no program is.
//
// A failed registration is returned as WriteFailed and nothing more: the user
// sees no message and start-up carries on normally; the check simply runs
// again at the next start without parameters.
AssociationCheckResult runAssociationCheck(AssociationStore& store, const QString& extension,
                                           const QString& programPath, const std::function<bool()>& askUser);

} // namespace tirvelo
