#pragma once
// Books are written on a system whose file names ignore letter case and use
// "\" between folders ("Imatges\Portada.JPG"). Every name the loader and the
// page presentation open goes through here to find the file on a
// case-sensitive file system.
#include <QString>

namespace tirvelo {

// The path of the existing file or folder that name designates, or an empty
// string. "\" counts as a folder separator; relative names start at the
// current directory; when a component does not exist as written, the folder is
// searched for a unique entry equal to it ignoring case. A name with a drive
// letter ("C:\...") cannot be resolved here and gives an empty string.
QString resolveFileName(const QString& name);

// The same search, telling also whether the file was found only by ignoring
// case (which a case-sensitive system without this search would not find).
struct FileNameMatch {
    QString path; // empty when nothing was found
    bool ignoringCase = false;
};
FileNameMatch findFileName(const QString& name);

// "C:\..." and the like: a name that only the system it was written on can find.
bool hasDriveLetter(const QString& name);

// Where a book's page or companion name is found, by the program and the book
// tool alike: a relative name from the current folder first, as it always was;
// when it is not there, from the book's folder (absolute; empty: no book file).
// So a book opens whatever folder the program was started from, and one whose
// names are meant for the current folder still finds them there first.
FileNameMatch findBookFile(const QString& name, const QString& bookFolder);
QString resolveBookFile(const QString& name, const QString& bookFolder);

// Whether name is looked for from a folder: neither "/..." nor "\..." nor "C:...".
bool isRelativeName(const QString& name);

// Whether name designates an existing file or folder with its letter case as
// written ("\" still counts as a folder separator).
bool existsAsWritten(const QString& name);

} // namespace tirvelo
