#pragma once
// The shell association of a file extension with a program: which command
// opens files of the extension, and registering this program for it. The
// interface says nothing of how the shell stores it (freedesktop files here;
// a registry-backed store fits the same two calls).
#include <QString>

namespace tirvelo {

class AssociationStore {
public:
    virtual ~AssociationStore() = default;
    // The program part of the command that opens files of `extension` (given
    // with or without its dot), cleaned by cleanAssociationCommand: the bare
    // program path for this program's own registration. When a file type is
    // registered for the extension but no command opens it, the type's name;
    // empty when nothing is registered.
    virtual QString ReadAssociation(const QString& extension) = 0;
    // Registers `programPath` as the program that opens files of the extension,
    // with its icon. Returns false when the registration could not be written.
    virtual bool WriteAssociation(const QString& extension, const QString& programPath) = 0;
};

// Reduces a stored command to its program part, in this order: everything from
// the first "%" on is cut; one leading double quote is removed; one trailing
// double quote is removed; then trailing blanks and double quotes are removed.
// This is the plain form, for commands with no quoting rules of their own.
QString cleanAssociationCommand(QString command);

} // namespace tirvelo
