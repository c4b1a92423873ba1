#pragma once
// The association kept the freedesktop way: a shared-mime-info package maps
// "*.ext" (any letter case) to the type "application/x-ext", a desktop entry
// "tirvelo.desktop" holds the command and the icon, and mimeapps.list makes
// that entry the type's default application. Only the user's own folders are
// written; the system's are read as well.
#include "desktop/Association.h"

#include <QStringList>

namespace tirvelo {

class FreedesktopAssociation : public AssociationStore {
public:
    struct Folders {
        QString dataHome;         // $XDG_DATA_HOME, ~/.local/share
        QString configHome;       // $XDG_CONFIG_HOME, ~/.config
        QStringList dataDirs;     // $XDG_DATA_DIRS, /usr/local/share and /usr/share
        QStringList configDirs;   // $XDG_CONFIG_DIRS, /etc/xdg
        QStringList desktopNames; // $XDG_CURRENT_DESKTOP in lower case, for "<desktop>-mimeapps.list"
    };
    // The base folders as the environment gives them now; unset, empty and
    // relative values fall back to the defaults.
    static Folders foldersFromEnvironment();

    FreedesktopAssociation();
    explicit FreedesktopAssociation(Folders folders);

    // Extension → file type (packages and compiled globs, user's data folder
    // first) → the desktop entry that opens it (the default of mimeapps.list in
    // the configuration folders, then the data folders' applications/; without
    // one, the entries mimeapps.list adds, then the installed entries that list
    // the type, less those it removes) → its Exec command, reduced to the
    // program by programFromExec. An entry without a program gives its file
    // name; a type that no installed entry opens gives the type's name; an
    // unknown extension gives "".
    QString ReadAssociation(const QString& extension) override;
    // Writes the package, the icons, the desktop entry and the default in
    // mimeapps.list (each atomically, other lines of mimeapps.list kept), then
    // refreshes the MIME and desktop caches with update-mime-database and
    // update-desktop-database when they are installed. False when a file could
    // not be written or the extension or path is unusable.
    bool WriteAssociation(const QString& extension, const QString& programPath) override;

    static constexpr char kDesktopFileId[] = "tirvelo.desktop";
    static constexpr char kIconName[] = "tirvelo";
    // "Lumbrix" or ".Lumbrix" → "application/x-lumbrix"; "" for an extension
    // that is not letters, digits, "_", "-" or "+".
    static QString mimeTypeForExtension(const QString& extension);

    // The Exec value (escaped for the desktop file) that runs programPath on
    // one file: the path, quoted only when it holds a reserved character, one
    // blank and "%f".
    static QString execForProgram(const QString& programPath);
    // The program part of an Exec value: its escapes and quoting undone, cut at
    // the first field code ("%%" is a literal percent sign), then cleaned like
    // cleanAssociationCommand, except that blanks and quotes that the quoting
    // makes part of an argument are kept. programFromExec(execForProgram(P)) == P.
    static QString programFromExec(const QString& execValue);

private:
    QString findMimeType(const QString& extension) const;
    QStringList mimeappsLists() const;
    // The entries a group of the mimeapps.list files names for the type, in order.
    QStringList listedDesktopIds(const char* group, const QString& mimeType) const;
    // The entries of the data folders' applications/ whose MimeType lists the type.
    QStringList desktopIdsListingType(const QString& mimeType) const;
    QString findDefaultDesktopFile(const QString& mimeType) const;
    QString findDesktopFile(const QString& desktopId) const;

    Folders m_folders;
};

} // namespace tirvelo
