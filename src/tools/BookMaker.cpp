#include "tools/BookMaker.h"

#include "authoring/BookFile.h"
#include "base/AtomicFile.h"
#include "base/BookExtension.h"
#include "base/Cp1252.h"
#include "book/Book.h"
#include "book/BookLoader.h"
#include "book/PageEntry.h"
#include "book/PathResolver.h"
#include "formats/PictureLoader.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace tirvelo::booktool {
namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int naturalCompare(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isAsciiDigit(a[i]) && isAsciiDigit(b[j])) {
            auto number = [](QStringView text, qsizetype& at) {
                while (at + 1 < text.size() && text[at] == u'0' && isAsciiDigit(text[at + 1]))
                    ++at; // leading zeros do not count
                const qsizetype start = at;
                while (at < text.size() && isAsciiDigit(text[at]))
                    ++at;
                return text.mid(start, at - start);
            };
            const QStringView x = number(a, i);
            const QStringView y = number(b, j);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int order = x.compare(y); order != 0)
                return order;
            continue;
        }
        const char16_t x = a[i].toCaseFolded().unicode();
        const char16_t y = b[j].toCaseFolded().unicode();
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    const qsizetype restA = a.size() - i;
    const qsizetype restB = b.size() - j;
    return restA == restB ? 0 : (restA < restB ? -1 : 1);
}

// What a file of the folder can be in a book, by the program's own rules.
enum class FileRole { Picture, TextPage, RichText, Sound, Unused };

FileRole roleOf(const QString& name)
{
    // The role follows the ending alone; a "#" in the name is refused later,
    // so that it does not split the name here.
    const PageEntry page = classifyPageEntry(QString(name).replace(u'#', u'_'));
    if (page.kind == PageKind::Text)
        return FileRole::TextPage;
    if (page.kind == PageKind::RichText)
        return FileRole::RichText;
    if (pictureTypeOf(page.file) != PictureType::Unknown)
        return FileRole::Picture;
    if (name.endsWith(QStringLiteral(".wav")))
        return FileRole::Sound;
    return FileRole::Unused;
}

// A picture takes the companion of highest rank that shares its base name.
int companionRank(const QString& name)
{
    if (name.isEmpty())
        return 0;
    switch (roleOf(name)) {
    case FileRole::Sound:
        return 3;
    case FileRole::TextPage:
        return 2;
    case FileRole::RichText:
        return 1;
    case FileRole::Picture:
    case FileRole::Unused:
        break;
    }
    return 0;
}

QString baseName(const QString& name)
{
    return QFileInfo(name).completeBaseName();
}

// Whether the program takes the companion, as written after "#", for the kind
// its ending says: it looks for ".wav", then ".txt", then ".rtf" anywhere in it.
bool readAsItsOwnKind(const QString& written, FileRole role)
{
    const CompanionKind kind = classifyPageEntry(u'#' + written).companionKind;
    return (role == FileRole::Sound && kind == CompanionKind::Sound)
        || (role == FileRole::TextPage && kind == CompanionKind::TextFile)
        || (role == FileRole::RichText && kind == CompanionKind::RichText);
}

struct Companions {
    QHash<QString, QString> byBase; // a picture's base name: its companion
    QSet<QString> unpaired;         // texts the program would read as another kind
};

// Each picture's companion: its sound, else its text, else its rich text. One
// the program would take for another kind (conte.txt.rtf is read as a text)
// is no companion, and stays a page of its own.
Companions chooseCompanions(const QStringList& names, const QSet<QString>& pictureBases, const QString& directoryLine)
{
    Companions companions;
    for (const QString& name : names) {
        const QString base = baseName(name);
        if (pictureBases.contains(base) && companionRank(name) > companionRank(companions.byBase.value(base)))
            companions.byBase.insert(base, name);
    }
    for (auto it = companions.byBase.begin(); it != companions.byBase.end();) {
        if (readAsItsOwnKind(directoryLine + it.value(), roleOf(it.value()))) {
            ++it;
        } else {
            companions.unpaired.insert(it.value());
            it = companions.byBase.erase(it);
        }
    }
    return companions;
}

// Why a file or folder name cannot stand in a book, or Refusal::None. The
// program reads "\" as a folder separator wherever it stands.
Refusal nameRefusal(const QString& name)
{
    if (fromCp1252(toCp1252(name)) != name)
        return Refusal::NameNotCp1252;
    if (name.contains(u'#'))
        return Refusal::NameWithHash;
    if (name.contains(u'\r') || name.contains(u'\n'))
        return Refusal::NameWithLineBreak;
    if (name.contains(u'\\'))
        return Refusal::NameWithBackslash;
    return Refusal::None;
}

// Why a name as written after the directory line cannot stand in a book, or Refusal::None.
Refusal writtenNameRefusal(const QString& written)
{
    if (hasDriveLetter(written))
        return Refusal::NameWithDriveLetter;
    if (written.size() > kNameBufferCharacters)
        return Refusal::NameTooLong;
    return Refusal::None;
}

QString defaultBookPath(const QString& folder)
{
    const QString name = QDir(folder).dirName();
    return QDir(folder).filePath(name + BookSuffix.toString());
}

// The folder as the system reaches it, links followed; a part that does not
// exist yet (made when the book is written) is added as it is.
QString realFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (const QString real = info.canonicalFilePath(); !real.isEmpty())
        return real;
    const QString parent = info.absolutePath();
    if (parent == folder)
        return folder; // the root
    return QDir(realFolder(parent)).filePath(info.fileName());
}

// The folders leading from one real folder to another ("..", names).
QStringList foldersBetween(const QString& from, const QString& to)
{
    const QString relative = QDir(from).relativeFilePath(to);
    if (relative == u"." || relative.isEmpty())
        return {};
    return relative.split(u'/');
}

QString directoryLine(const QStringList& folders, bool windows)
{
    const QChar separator = windows ? u'\\' : u'/';
    QString line;
    for (const QString& name : folders)
        line += name + separator;
    return line;
}

} // namespace

bool naturallyBefore(const QString& a, const QString& b)
{
    const QFileInfo x(a);
    const QFileInfo y(b);
    int order = naturalCompare(x.completeBaseName(), y.completeBaseName());
    if (order == 0)
        order = naturalCompare(x.suffix(), y.suffix());
    return order != 0 ? order < 0 : a < b;
}

BookPlan planBook(const MakeOptions& options)
{
    BookPlan plan;
    const QFileInfo folderInfo(options.folder);
    if (!folderInfo.isDir()) {
        plan.refusal = Refusal::NotAFolder;
        plan.refusedName = options.folder;
        return plan;
    }
    const QString folder = QDir::cleanPath(folderInfo.absoluteFilePath());
    plan.bookPath = QFileInfo(options.book.isEmpty() ? defaultBookPath(folder) : options.book).absoluteFilePath();
    // The system resolves ".." from the folder a link leads to, not as text.
    const QString realBookFolder = realFolder(QFileInfo(plan.bookPath).absolutePath());
    const QString realPagesFolder = folderInfo.canonicalFilePath();
    const QStringList folders = foldersBetween(realBookFolder, realPagesFolder);
    plan.directoryLine = directoryLine(folders, options.windows);

    QStringList names = QDir(folder).entryList(QDir::Files, QDir::NoSort);
    if (realBookFolder == realPagesFolder)
        names.removeAll(QFileInfo(plan.bookPath).fileName()); // the book made before, not a page
    std::sort(names.begin(), names.end(), naturallyBefore);

    QSet<QString> pictureBases;
    for (const QString& name : names)
        if (roleOf(name) == FileRole::Picture)
            pictureBases.insert(baseName(name));
    const Companions companions = chooseCompanions(names, pictureBases, plan.directoryLine);

    QStringList writtenNames;
    for (const QString& name : names) {
        const QString base = baseName(name);
        const FileRole role = roleOf(name);
        if (role == FileRole::Picture) {
            const QString companion = companions.byBase.value(base);
            plan.pageLines << (companion.isEmpty() ? name : name + u'#' + plan.directoryLine + companion);
            writtenNames << name << companion;
        } else if (companions.byBase.value(base) == name) {
            continue; // written with its picture
        } else if ((role == FileRole::TextPage || role == FileRole::RichText)
                   && (!pictureBases.contains(base) || companions.unpaired.contains(name))) {
            plan.pageLines << name;
            writtenNames << name;
        } else {
            plan.unusedFiles << name;
        }
    }
    writtenNames.removeAll(QString());

    auto refuse = [&plan](Refusal refusal, const QString& name) {
        plan.refusal = refusal;
        plan.refusedName = name;
        return plan;
    };
    // Each name alone, before the separators join them.
    for (const QString& name : folders + writtenNames) {
        if (const Refusal refusal = nameRefusal(name); refusal != Refusal::None)
            return refuse(refusal, name);
    }
    for (const QString& name : writtenNames) {
        if (const Refusal refusal = writtenNameRefusal(plan.directoryLine + name); refusal != Refusal::None)
            return refuse(refusal, plan.directoryLine + name);
    }
    if (plan.pageLines.isEmpty())
        return refuse(Refusal::NoPages, folder);
    if (plan.pageLines.size() > MaxPages)
        return refuse(Refusal::TooManyPages, QString::number(plan.pageLines.size()));
    switch (authoring::bookWriteRefusal(plan.bookPath, options.force)) {
    case authoring::BookWrite::IsLink:
        return refuse(Refusal::BookIsLink, plan.bookPath);
    case authoring::BookWrite::NotABook:
        return refuse(Refusal::NotABook, plan.bookPath);
    case authoring::BookWrite::Exists:
        return refuse(Refusal::BookExists, plan.bookPath);
    case authoring::BookWrite::Written:
    case authoring::BookWrite::Failed:
        break;
    }
    return plan;
}

QByteArray bookFileBytes(const BookPlan& plan)
{
    return authoring::bookFileBytes(plan.directoryLine, plan.pageLines);
}

BookPlan makeBook(const MakeOptions& options)
{
    BookPlan plan = planBook(options);
    if (plan.refusal == Refusal::None && !writeFileAtomically(plan.bookPath, bookFileBytes(plan))) {
        plan.refusal = Refusal::WriteFailed;
        plan.refusedName = plan.bookPath;
    }
    return plan;
}

} // namespace tirvelo::booktool
