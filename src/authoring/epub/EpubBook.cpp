#include "authoring/epub/EpubBook.h"

#include "authoring/epub/EpubPackage.h"
#include "authoring/epub/PageContent.h"
#include "book/Book.h"

#include <QFileInfo>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace tirvelo::authoring {
namespace {

constexpr QStringView kContainer = u"META-INF/container.xml";
constexpr QStringView kEncryption = u"META-INF/encryption.xml";
constexpr QStringView kRights = u"META-INF/rights.xml";

// Font obfuscation is the one use of encryption.xml that is no DRM: it hides
// embedded fonts, which a book page does not use.
bool onlyObfuscatesFonts(const QByteArray& encryption)
{
    QXmlStreamReader xml(encryption);
    bool any = false;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"EncryptionMethod") {
            const QStringView algorithm = xml.attributes().value("Algorithm"_L1);
            if (algorithm != u"http://www.idpf.org/2008/embedding" && algorithm != u"http://ns.adobe.com/pdf/enc#RC")
                return false;
            any = true;
        }
    }
    return any && !xml.hasError();
}

bool isPageType(const QString& mediaType)
{
    return mediaType == u"application/xhtml+xml" || mediaType == u"text/html";
}

bool isSoundType(const QString& mediaType)
{
    return mediaType.startsWith(u"audio/");
}

// EPUB 2 books with one sound per page name it after the page: p3.xhtml, p3.mp3.
QString soundNamedLikePage(const EpubPackage& package, const QString& page)
{
    const QString base = QFileInfo(page).completeBaseName();
    for (const ManifestItem& item : package.manifest)
        if (isSoundType(item.mediaType) && QFileInfo(item.path).completeBaseName() == base)
            return item.path;
    return {};
}

struct Failure {
    EpubBookPlan& plan;
    bool operator()(ImportError error, const QString& subject, const QString& detail = {}) const
    {
        plan.error = error;
        plan.subject = subject;
        plan.detail = detail;
        return false;
    }
};

class Planner {
public:
    Planner(EpubArchive& archive, EpubBookPlan& plan) : m_archive(archive), m_plan(plan), fail{plan} {}

    bool run()
    {
        if (m_archive.contains(kRights.toString()))
            return fail(ImportError::Encrypted, kRights.toString());
        if (m_archive.contains(kEncryption.toString())) {
            const std::optional<QByteArray> encryption = read(kEncryption.toString());
            if (!encryption)
                return false;
            if (!onlyObfuscatesFonts(*encryption))
                return fail(ImportError::Encrypted, kEncryption.toString());
        }
        if (!m_archive.contains(kContainer.toString()))
            return fail(ImportError::NoContainer, kContainer.toString());
        const std::optional<QByteArray> container = read(kContainer.toString());
        if (!container)
            return false;
        QString why;
        const std::optional<QString> packagePath = packagePathFromContainer(*container, &why);
        if (!packagePath || packagePath->isEmpty())
            return fail(ImportError::BrokenContainer, kContainer.toString(), why);
        if (!m_archive.contains(*packagePath))
            return fail(ImportError::NoPackage, *packagePath);
        const std::optional<QByteArray> packageBytes = read(*packagePath);
        if (!packageBytes)
            return false;
        std::optional<EpubPackage> package = parsePackage(*packageBytes, *packagePath, &why);
        if (!package)
            return fail(ImportError::BrokenPackage, *packagePath, why);
        m_plan.title = package->title;
        for (const SpineItem& spine : package->spine)
            if (!planItem(*package, spine))
                return false;
        if (m_plan.pages.isEmpty())
            return fail(ImportError::NoPages, QString());
        return true;
    }

private:
    std::optional<QByteArray> read(const QString& entry)
    {
        ArchiveProblem problem;
        std::optional<QByteArray> bytes = m_archive.read(entry, problem);
        if (!bytes)
            fail(importErrorFor(problem.fault), problem.subject);
        return bytes;
    }

    bool planItem(const EpubPackage& package, const SpineItem& spine)
    {
        const ManifestItem* item = package.item(spine.idref);
        if (!item || !isPageType(item->mediaType) || item->properties.split(u' ').contains(u"nav"_qs)
            || item->path == package.guideCoverPath)
            return true;
        if (!m_archive.contains(item->path))
            return fail(ImportError::MissingFile, item->path);
        const std::optional<QByteArray> xhtml = read(item->path);
        if (!xhtml)
            return false;
        QString why;
        const std::optional<PageContent> content = parsePageContent(*xhtml, item->path, &why);
        if (!content)
            return fail(ImportError::BrokenPage, item->path, why);
        // The cover: marked so, or the book's first item showing the cover picture and nothing else.
        const bool coverPicture = !content->picture.isEmpty() && content->picture == package.coverImagePath;
        if (content->cover || (coverPicture && m_plan.pagesFound == 0 && content->text.isEmpty()))
            return true;
        if (content->picture.isEmpty() && content->text.isEmpty())
            return true; // empty
        PlannedPage page{item->path, content->picture, {}, content->text};
        if (!page.picture.isEmpty() && !m_archive.contains(page.picture))
            return fail(ImportError::MissingFile, page.picture);
        if (!planSound(package, *item, *content, page))
            return false;
        if (page.picture.isEmpty() && !page.clips.isEmpty()) {
            m_plan.textPagesWithSound << item->path;
            page.clips.clear();
        }
        ++m_plan.pagesFound;
        if (m_plan.pages.size() < MaxPages)
            m_plan.pages << page;
        return true;
    }

    // The page's narration: its <audio>, else its media overlay, else the
    // sound file named after it.
    bool planSound(const EpubPackage& package, const ManifestItem& item, const PageContent& content, PlannedPage& page)
    {
        for (const QString& sound : content.sounds)
            page.clips << AudioClip{sound, 0, std::nullopt};
        if (page.clips.isEmpty() && !item.mediaOverlay.isEmpty()) {
            const ManifestItem* overlay = package.item(item.mediaOverlay);
            if (!overlay || !m_archive.contains(overlay->path))
                return fail(ImportError::MissingFile, overlay ? overlay->path : item.mediaOverlay);
            const std::optional<QByteArray> smil = read(overlay->path);
            if (!smil)
                return false;
            QString why;
            const std::optional<QList<AudioClip>> clips = parseMediaOverlay(*smil, overlay->path, &why);
            if (!clips)
                return fail(ImportError::BrokenOverlay, overlay->path, why);
            page.clips = *clips;
        }
        if (page.clips.isEmpty())
            if (const QString sound = soundNamedLikePage(package, item.path); !sound.isEmpty())
                page.clips << AudioClip{sound, 0, std::nullopt};
        for (const AudioClip& clip : std::as_const(page.clips))
            if (!m_archive.contains(clip.path))
                return fail(ImportError::MissingFile, clip.path);
        return true;
    }

    EpubArchive& m_archive;
    EpubBookPlan& m_plan;
    Failure fail;
};

} // namespace

ImportError importErrorFor(ArchiveFault fault)
{
    switch (fault) {
    case ArchiveFault::CannotOpen:
        return ImportError::CannotOpen;
    case ArchiveFault::TooManyEntries:
        return ImportError::TooManyEntries;
    case ArchiveFault::UnsafeName:
        return ImportError::UnsafeName;
    case ArchiveFault::Link:
        return ImportError::Link;
    case ArchiveFault::Encrypted:
        return ImportError::Encrypted;
    case ArchiveFault::TooLarge:
        return ImportError::TooLarge;
    case ArchiveFault::Missing:
        return ImportError::MissingFile;
    case ArchiveFault::Corrupt:
    case ArchiveFault::None:
        break;
    }
    return ImportError::Corrupt;
}

EpubBookPlan planEpubBook(EpubArchive& archive)
{
    EpubBookPlan plan;
    Planner(archive, plan).run();
    return plan;
}

} // namespace tirvelo::authoring
