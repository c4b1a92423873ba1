// Saving from the editor: the book folder it writes, which the book tool's
// check passes; an existing book saved in place keeps its names; and every bad
// input (a refused book, an unreadable source, a full disk, a folder that
// cannot be written) leaves what was on disk as it was.
#include "editor/BookEditorModel.h"
#include "editor/BookOpening.h"
#include "support/BookWriter.h"
#include "support/QtPrinters.h"
#include "support/TestApplication.h"
#include "support/TestPaths.h"
#include "authoring/BookCheck.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tirvelo;
using namespace tirvelo::editor;
using namespace tirvelo::test;

namespace {

// Every file under folder with its bytes, to show that nothing changed.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readAll(path));
    }
    return files;
}

QStringList bookLines(const QString& path)
{
    return QString::fromLatin1(readAll(path)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

int checkExitCode(const QString& book)
{
    return authoring::exitCodeFor({authoring::checkBook(book)});
}

// Makes a folder refuse new files, as one without write permission does; as
// root, whom permissions do not stop, through the immutable flag.
class UnwritableFolder {
public:
    explicit UnwritableFolder(const QString& folder) : m_folder(QFile::encodeName(folder))
    {
        if (::geteuid() != 0) {
            ::chmod(m_folder.constData(), 0555);
            return;
        }
        setImmutable(true);
    }
    ~UnwritableFolder()
    {
        if (::geteuid() != 0)
            ::chmod(m_folder.constData(), 0755);
        else
            setImmutable(false);
    }

private:
    void setImmutable(bool on)
    {
        const int fd = ::open(m_folder.constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        ::ioctl(fd, FS_IOC_GETFLAGS, &flags);
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        ::close(fd);
    }
    QByteArray m_folder;
};

// Files larger than limit cannot be written while it lives: a full disk, for
// this process alone.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit lower = m_previous;
        lower.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};

// Damages a JPEG where it stands, as an editing program may: the same inode
// and size; its modification time is set a second later (as a later edit's
// would be), or left as it was.
void spoilInPlace(const QString& path, bool keepTime)
{
    struct stat before {};
    ::stat(QFile::encodeName(path).constData(), &before);
    QFile file(path);
    file.open(QIODevice::ReadWrite);
    const qint64 size = file.size();
    file.seek(size / 2);
    file.write(QByteArray(size - size / 2, '\0')); // the end-of-image marker goes too
    file.close();
    timespec times[2] = {before.st_atim, before.st_mtim};
    times[1].tv_sec += keepTime ? 0 : 1;
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

class EditorSave : public ::testing::Test {
protected:
    void SetUp() override { guiApplication(); }
    QTemporaryDir sources;
    QTemporaryDir out;
};

} // namespace

TEST_F(EditorSave, ABookFromScratchIsAFolderTheCheckPasses)
{
    BookEditorModel model;
    const QString awkward = QStringLiteral(u"foto #1 a\\b ") + QString(150, u'x') + QStringLiteral(".jpg");
    QFile::copy(testDataPath("pictures/quadrants.jpg"), sources.filePath(awkward));
    ASSERT_TRUE(model.addPictures({sources.filePath(awkward), writeBmp(sources.filePath("gat.bmp"), 16, 16)}, 0).isEmpty());
    ASSERT_FALSE(model.importSound(0, writeWav(sources.filePath("veu.wav"))));
    model.setPageText(1, QStringLiteral(u"El gat diu mèu"));
    model.addTextPage(2);
    model.setPageText(2, QStringLiteral(u"Fi.\nAdéu!"));
    // A kind the reader does not show arrives made fit for a page.
    QFile::copy(testDataPath("pictures/quadrants.png"), sources.filePath("dibuix.png"));
    ASSERT_TRUE(model.addPictures({sources.filePath("dibuix.png")}, 3).isEmpty());
    const QMap<QString, QByteArray> before = snapshot(sources.path());

    const QString book = out.filePath("Conte/Conte.Lumbrix");
    const SaveOutcome outcome = model.save({book});
    ASSERT_EQ(outcome.status, SaveStatus::Saved) << model.outcomeMessage(outcome, book).toStdString();
    EXPECT_FALSE(model.isModified());
    EXPECT_EQ(snapshot(sources.path()), before) << "the files pages came from are never changed";

    const QStringList lines = bookLines(book);
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[2], QStringLiteral("4"));
    EXPECT_EQ(lines[4], QStringLiteral("{Planes}")) << "the directory line is empty";
    for (const QString& line : lines.mid(5)) {
        for (const QString& name : line.split(u'#')) {
            EXPECT_LE(name.size(), 127) << name.toStdString();
            EXPECT_FALSE(name.contains(u'\\') || name.contains(u'/')) << "relative names in the book's folder";
            EXPECT_TRUE(QFile::exists(out.filePath("Conte/" + name))) << name.toStdString();
        }
    }
    EXPECT_EQ(lines[5].count(u'#'), 1) << "picture#sound";
    EXPECT_TRUE(lines[5].endsWith(QStringLiteral(".wav")));
    EXPECT_EQ(lines[6], QStringLiteral("gat.bmp#gat.txt"));
    EXPECT_TRUE(lines[7].endsWith(QStringLiteral(".txt")));
    EXPECT_EQ(readAll(out.filePath("Conte/" + lines[7])), QByteArray("Fi.\r\nAd\xE9u!"));
    EXPECT_TRUE(lines[8] == QStringLiteral("dibuix.bmp") || lines[8] == QStringLiteral("dibuix.jpg")) << lines[8].toStdString();
    EXPECT_EQ(checkExitCode(book), 0);

    // Saved again after a change: the same names, nothing copied twice.
    model.setPageText(1, QStringLiteral("El gat dorm"));
    ASSERT_EQ(model.save({book}).status, SaveStatus::Saved);
    EXPECT_EQ(bookLines(book), lines);
    EXPECT_EQ(QDir(out.filePath("Conte")).entryList(QDir::Files).size(), 7);
    EXPECT_EQ(readAll(out.filePath("Conte/gat.txt")), QByteArray("El gat dorm"));
}

TEST_F(EditorSave, AnExistingBookSavedInPlaceKeepsItsNames)
{
    writeBmp(sources.filePath("Imatges/Portada.bmp"), 4, 4);
    writeFile(sources.filePath("Imatges/conte.txt"), "Una vegada");
    writeFile(sources.filePath("Imatges/poema.rtf"), "{\\rtf1 poema}");
    writeFile(sources.filePath("Imatges/no-es-meu.bmp"), "a file of someone else");
    const QString book = writeFile(sources.filePath("Llibre.Lumbrix"),
                                   bookBytes(3, "Imatges/", {"PORTADA.bmp", "conte.txt", "poema.rtf"}));
    BookEditorModel model;
    ASSERT_EQ(model.openBook(book), QString());
    model.setPageText(1, QStringLiteral("Dues vegades"));
    QDir().mkpath(out.filePath("altres"));
    ASSERT_TRUE(model.addPictures({writeBmp(out.filePath("altres/no-es-meu.bmp"), 8, 8)}, 3).isEmpty());

    const SaveOutcome outcome = model.save({book});
    ASSERT_EQ(outcome.status, SaveStatus::Saved) << model.outcomeMessage(outcome, book).toStdString();
    const QStringList lines = bookLines(book);
    EXPECT_EQ(lines.mid(4), QStringList({"Imatges/", "{Planes}", "PORTADA.bmp", "conte.txt", "poema.rtf", "no-es-meu-2.bmp"}));
    EXPECT_EQ(readAll(sources.filePath("Imatges/conte.txt")), QByteArray("Dues vegades"));
    EXPECT_EQ(readAll(sources.filePath("Imatges/no-es-meu.bmp")), QByteArray("a file of someone else"));
    EXPECT_EQ(checkExitCode(book), 0);
}

TEST_F(EditorSave, AFileTheEditorDidNotMakeIsReplacedOnlyWhenAsked)
{
    BookEditorModel model;
    model.addPictures({writeBmp(sources.filePath("a.bmp"), 4, 4)}, 0);
    const QString notes = writeFile(out.filePath("Notes.Lumbrix"), "someone's notes");
    EXPECT_EQ(model.save({notes, true}).status, SaveStatus::NotABook) << "never, asked or not";
    EXPECT_EQ(readAll(notes), QByteArray("someone's notes"));
    const QByteArray theirs = bookBytes(1, "", {"seva.bmp"});
    const QString book = writeFile(out.filePath("Llibre.Lumbrix"), theirs);
    EXPECT_EQ(model.save({book}).status, SaveStatus::NeedsConfirmation);
    EXPECT_EQ(readAll(book), theirs);
    EXPECT_EQ(model.save({book, true}).status, SaveStatus::Saved);
    EXPECT_EQ(checkExitCode(book), 0);
    model.duplicatePage(0);
    EXPECT_EQ(model.save({book}).status, SaveStatus::Saved) << "the editor's own book is replaced without asking";
}

TEST_F(EditorSave, ABookTheReaderWouldRefuseIsNeverWritten)
{
    writeBmp(sources.filePath("a.bmp"), 4, 4);
    const QString old = writeFile(sources.filePath("Llibre.Lumbrix"), bookBytes(2, "", {"a.bmp", "perduda.bmp"}));
    BookEditorModel model;
    ASSERT_EQ(model.openBook(old), QString());
    model.addPictures({writeBmp(out.filePath("nova.bmp"), 4, 4)}, 0);
    const QMap<QString, QByteArray> before = snapshot(sources.path());
    const SaveOutcome outcome = model.save({old});
    EXPECT_EQ(outcome.status, SaveStatus::Refused);
    ASSERT_FALSE(outcome.findings.isEmpty());
    EXPECT_EQ(outcome.findings[0].page, 2) << "each finding names its page";
    EXPECT_TRUE(outcome.findings[0].error);
    EXPECT_TRUE(outcome.findings[0].text.contains(QStringLiteral("perduda.bmp")));
    EXPECT_EQ(snapshot(sources.path()), before) << "nothing copied stays behind";
}

TEST_F(EditorSave, BadInputLeavesThePreviousBookWhole)
{
    BookEditorModel model;
    model.addPictures({writeBmp(sources.filePath("a.bmp"), 4, 4)}, 0);
    const QString book = out.filePath("Llibre.Lumbrix");
    ASSERT_EQ(model.save({book}).status, SaveStatus::Saved);
    const QMap<QString, QByteArray> saved = snapshot(out.path());

    // An unreadable source: a picture gone since it was added.
    const QString gone = writeBmp(sources.filePath("se-n-va.bmp"), 4, 4);
    model.addPictures({gone}, 1);
    QFile::remove(gone);
    SaveOutcome outcome = model.save({book});
    EXPECT_EQ(outcome.status, SaveStatus::SourceUnreadable);
    EXPECT_EQ(outcome.failedPage, 1);
    EXPECT_EQ(snapshot(out.path()), saved);
    model.undoStack().undo();

    // A full disk: a big picture does not fit.
    model.addPictures({writeBmp(sources.filePath("gran.bmp"), 600, 600)}, 1);
    {
        const FileSizeLimit limit(64 * 1024);
        outcome = model.save({book});
    }
    EXPECT_EQ(outcome.status, SaveStatus::WriteFailed);
    EXPECT_EQ(model.outcomeMessage(outcome, book).left(24), QStringLiteral(u"No s'ha pogut escriure «"));
    EXPECT_EQ(snapshot(out.path()), saved);

    // A folder without write permission.
    {
        const UnwritableFolder locked(out.path());
        outcome = model.save({book});
    }
    EXPECT_EQ(outcome.status, SaveStatus::FolderNotWritable);
    EXPECT_EQ(snapshot(out.path()), saved);
    EXPECT_TRUE(model.isModified());
    EXPECT_EQ(model.save({book}).status, SaveStatus::Saved) << "once the disk has room, the same book saves";
}

TEST_F(EditorSave, APictureChangedSinceItWasDecodedIsDecodedAgain)
{
    const QString photo = sources.filePath("foto.jpg");
    QFile::copy(testDataPath("pictures/quadrants.jpg"), photo);
    const QString book = writeFile(sources.filePath("Llibre.Lumbrix"), bookBytes(1, "", {"foto.jpg"}));
    authoring::VerifiedPictures verified;
    ASSERT_TRUE(verified.verify(photo));
    EXPECT_EQ(authoring::exitCodeFor({authoring::checkBook(book, verified)}), 0);

    // Under a name of another type the reader uses another decoder.
    ASSERT_EQ(::link(QFile::encodeName(photo).constData(), QFile::encodeName(sources.filePath("foto.bmp")).constData()), 0);
    writeFile(book, bookBytes(1, "", {"foto.bmp"}));
    EXPECT_EQ(authoring::exitCodeFor({authoring::checkBook(book, verified)}), 1);

    // Another file of the same size and time put in its place.
    writeFile(book, bookBytes(1, "", {"foto.jpg"}));
    const QString other = sources.filePath("altra.jpg");
    QFile::copy(photo, other);
    spoilInPlace(other, true);
    struct stat original {};
    ::stat(QFile::encodeName(photo).constData(), &original);
    const timespec times[2] = {original.st_atim, original.st_mtim};
    ::utimensat(AT_FDCWD, QFile::encodeName(other).constData(), times, 0);
    QFile::remove(sources.filePath("foto.bmp"));
    ::rename(QFile::encodeName(other).constData(), QFile::encodeName(photo).constData());
    EXPECT_EQ(authoring::exitCodeFor({authoring::checkBook(book, verified)}), 1);

    // Through the editor: a source spoilt after it was added and decoded, and
    // the copy a save made spoilt before the next save, are refused.
    BookEditorModel model;
    const QString added = sources.filePath("afegida.jpg");
    QFile::copy(testDataPath("pictures/quadrants.jpg"), added);
    model.addPictures({added}, 0);
    model.preparedPictures().waitForAll();
    ASSERT_TRUE(model.preparedPictures().made().isEmpty()) << "an upright JPEG is saved as it is";
    ASSERT_EQ(model.save({out.filePath("Llibre.Lumbrix")}).status, SaveStatus::Saved);
    spoilInPlace(out.filePath("afegida.jpg"), false);
    model.duplicatePage(0);
    EXPECT_EQ(model.save({out.filePath("Llibre.Lumbrix")}).status, SaveStatus::Refused);
    spoilInPlace(added, false);
    EXPECT_EQ(model.save({out.filePath("Nou/Llibre.Lumbrix")}).status, SaveStatus::Refused);
}
