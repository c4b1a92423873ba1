#include "book/PageEntry.h"

#include "book/PathResolver.h"

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

QString spokenFileName(const QString& name)
{
    const QString found = resolveFileName(name);
    return found.isEmpty() ? name : found;
}

QString companionSoundFileName(const QString& companion)
{
    if (companion.size() > kNameBufferCharacters)
        return companion;
    const QString found = resolveFileName(companion);
    return found.isEmpty() ? companion : found;
}

} // namespace tirvelo
