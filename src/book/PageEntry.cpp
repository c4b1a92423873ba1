#include "book/PageEntry.h"

#include "book/PathResolver.h"

#include <QDir>

namespace tirvelo {

PageEntry classifyPageEntry(const QString& entry)
{
    PageEntry page;
    const qsizetype hash = entry.indexOf(u'#');
    if (hash < 0) {
        const QString ending = entry.right(4);
        if (ending == u".txt")
            page.kind = PageKind::Text;
        else if (ending == u".rtf")
            page.kind = PageKind::RichText;
        else
            page.kind = entry.isEmpty() ? PageKind::Empty : PageKind::Picture;
        page.file = entry;
        return page;
    }
    page.kind = PageKind::Picture;
    page.file = entry.left(hash);
    page.companion = entry.mid(hash + 1);
    // "Contains", not "ends with", and in this order: so.wav.txt is a sound.
    if (page.companion.contains(QStringLiteral(".wav")))
        page.companionKind = CompanionKind::Sound;
    else if (page.companion.contains(QStringLiteral(".txt")))
        page.companionKind = CompanionKind::TextFile;
    else if (page.companion.contains(QStringLiteral(".rtf")))
        page.companionKind = CompanionKind::RichText;
    return page;
}

QString spokenFileName(const QString& name, const QString& bookFolder)
{
    const QString found = resolveBookFile(name, bookFolder);
    return found.isEmpty() ? name : found;
}

QString companionSoundFileName(const QString& companion, const QString& bookFolder)
{
    if (companion.size() > kNameBufferCharacters)
        return companion;
    const QString found = resolveBookFile(companion, bookFolder);
    if (found.isEmpty())
        return companion;
    // Found from the book's folder, the name is that folder's full path, which
    // may be longer than the call takes where the name written is not: then
    // the same file as named from the current folder, when that fits.
    if (found.size() > kNameBufferCharacters) {
        const QString fromHere = QDir::current().relativeFilePath(found);
        if (fromHere.size() <= kNameBufferCharacters)
            return fromHere;
    }
    return found;
}

} // namespace tirvelo
