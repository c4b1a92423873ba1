// Any bytes as each of the EPUB's XML files (container, package, page, media
// overlay) and as the EPUB itself: opened as a ZIP from memory and planned as
// a book, all the way to the pages' pictures, sounds and texts (which are not
// decoded here). Nothing may reach outside the archive.
#include "authoring/epub/EpubArchive.h"
#include "authoring/epub/EpubBook.h"
#include "authoring/epub/EpubPackage.h"
#include "authoring/epub/MediaOverlay.h"
#include "authoring/epub/PageContent.h"
#include "book/Book.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace tirvelo;
using namespace tirvelo::authoring;

namespace {

// An archive entry name never climbs out or starts at the root.
void requireInside(const QString& path)
{
    if (path.startsWith(u'/') || path.split(u'/').contains(QStringLiteral("..")))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString from = QStringLiteral("OEBPS/text/page.xhtml");

    if (const std::optional<QString> package = packagePathFromContainer(bytes))
        requireInside(*package);
    if (const std::optional<EpubPackage> package = parsePackage(bytes, QStringLiteral("OEBPS/content.opf"))) {
        for (const ManifestItem& item : package->manifest)
            requireInside(item.path);
        requireInside(package->coverImagePath);
    }
    if (const std::optional<PageContent> page = parsePageContent(bytes, from)) {
        requireInside(page->picture);
        for (const QString& sound : page->sounds)
            requireInside(sound);
    }
    if (const std::optional<QList<AudioClip>> clips = parseMediaOverlay(bytes, QStringLiteral("OEBPS/p.smil"))) {
        for (const AudioClip& clip : *clips) {
            requireInside(clip.path);
            if (!(clip.begin >= 0) || !std::isfinite(clip.begin) || (clip.end && !(*clip.end >= 0)))
                __builtin_trap();
        }
    }
    requireInside(resolveReference(from, QString::fromUtf8(bytes.left(512))));

    ArchiveProblem problem;
    if (std::unique_ptr<EpubArchive> archive = EpubArchive::openBytes(bytes, problem)) {
        const EpubBookPlan plan = planEpubBook(*archive);
        if (plan.pages.size() > MaxPages)
            __builtin_trap();
        for (const PlannedPage& page : plan.pages)
            requireInside(page.picture);
    }
    return 0;
}
