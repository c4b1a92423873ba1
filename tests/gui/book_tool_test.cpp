// tirvelo-llibre against the real program: a book made from a folder opens and
// shows every page without a message, and `check` finds, for every bad book
// and page, the message the program shows for it.
#include "support/MainWindowFixture.h"
#include "support/RecordingSoundPlayer.h"
#include "support/ScopedCurrentDirectory.h"
#include "support/TestPaths.h"
#include "authoring/BookCheck.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>

#include <sys/stat.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
};

ToolRun runTool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(buildPath(QStringLiteral("tirvelo-llibre")), arguments);
    EXPECT_TRUE(tool.waitForFinished(300000)) << arguments.join(u' ').toStdString();
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1, tool.readAllStandardOutput()};
}

class BookTool : public MainWindowFixture {
protected:
    std::unique_ptr<SpeechEngine> makeEngine() const override { return std::make_unique<RecordingSpeechEngine>(); }

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        sounds = &useSoundDouble();
        createWindow();
    }

    void copy(const QString& from, const QString& to)
    {
        QDir().mkpath(QFileInfo(path(to)).absolutePath());
        ASSERT_TRUE(QFile::copy(from, path(to))) << to.toStdString();
    }

    RecordingSoundPlayer* sounds = nullptr;
};

} // namespace

TEST_F(BookTool, AMadeBookShowsEveryPageWithoutAMessage)
{
    ASSERT_TRUE(window->modes().reading());
    copy(testDataPath("pictures/quadrants.jpg"), "Conte/1 portada.jpg");
    writeBmp(path("Conte/2 arbre.bmp"), 20, 10);
    writeWav(path("Conte/2 arbre.wav"));
    copy(testDataPath("pages/conte.txt"), "Conte/3 conte.txt");
    copy(testDataPath("metafiles/inkscape_shapes.wmf"), "Conte/4 flor.wmf");
    writeBmp(path("Conte/5 somriure.bmp"), 10, 10);
    writeFile(path("Conte/5 somriure.txt"), "Somriu!");
    copy(testDataPath("pages/poema.rtf"), "Conte/6 poema.rtf");
    copy(testDataPath("pictures/quadrants.jpg"), "Conte/10 final.JPG");
    copy(testDataPath("pages/poema.rtf"), "Conte/10 final.rtf");
    writeFile(path("Conte/notes.doc"), "not a page");

    struct Variant {
        QStringList arguments;
        QString book;
        QString currentDirectory; // where the open dialog leaves the program
        QByteArray directoryLine;
    };
    const QList<Variant> variants = {
        {{"make", path("Conte")}, path("Conte/Conte.Lumbrix"), path("Conte"), ""},
        {{"make", "--windows", path("Conte"), "-o", path("Conte.Lumbrix")}, path("Conte.Lumbrix"), path("."), "Conte\\"},
    };
    for (const Variant& v : variants) {
        const std::string what = v.arguments.join(u' ').toStdString();
        const ToolRun made = runTool(v.arguments);
        ASSERT_EQ(made.exitCode, 0) << what << made.out.constData();
        QFile book(v.book);
        ASSERT_TRUE(book.open(QIODevice::ReadOnly)) << what;
        EXPECT_EQ(book.readAll(), bookBytes(7, v.directoryLine,
            {"1 portada.jpg", "2 arbre.bmp#" + v.directoryLine + "2 arbre.wav", "3 conte.txt", "4 flor.wmf",
             "5 somriure.bmp#" + v.directoryLine + "5 somriure.txt", "6 poema.rtf",
             "10 final.JPG#" + v.directoryLine + "10 final.rtf"})) << what;

        // Where the open dialog leaves the program, and anywhere else: the
        // root, as a launcher that starts it from another folder.
        for (const QString& current : {v.currentDirectory, QDir::rootPath()}) {
            const std::string where = what + " from " + current.toStdString();
            ScopedCurrentDirectory here(current);
            ASSERT_TRUE(here.entered()) << where;
            const authoring::BookReport checked = authoring::checkBook(v.book);
            EXPECT_TRUE(checked.readable && checked.findings.isEmpty()) << where;
            sounds->played.clear();
            recordingEngine().clear();
            boxes->clear();
            window->LoadBook(v.book);
            for (int page = 1; page <= 7; ++page) {
                if (page > 1)
                    window->SpeedButtonDretaClick();
                EXPECT_TRUE(boxes->seen().isEmpty()) << where << " page " << page << ": " << boxes->texts().join(u'|').toStdString();
                EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("%1 - 7").arg(page)) << where;
            }
            // The companion sound and the texts read aloud are the folder's own files.
            ASSERT_EQ(sounds->played.size(), 1) << where;
            EXPECT_EQ(QFileInfo(sounds->played[0]).canonicalFilePath(), QFileInfo(path("Conte/2 arbre.wav")).canonicalFilePath());
            QStringList readFiles;
            for (const QByteArray& line : recordingEngine().lines())
                if (line.startsWith("ReadFile "))
                    readFiles << QFileInfo(QString::fromLatin1(line.mid(9))).canonicalFilePath();
            EXPECT_EQ(readFiles, QStringList({QFileInfo(path("Conte/3 conte.txt")).canonicalFilePath(),
                                              QFileInfo(path("Conte/5 somriure.txt")).canonicalFilePath()})) << where;
        }
    }
}

TEST_F(BookTool, CheckFindsTheMessageTheProgramShows)
{
    const QStringList badPictures = {
        "truncated.bmp", "truncated-rle8.bmp", "header-only.bmp", "corrupt-magic.bmp", "huge-size.bmp", "empty.bmp",
        "truncated.ico", "corrupt-offset.ico", "no-images.ico", "empty.ico", "truncated.jpg", "header-only.jpg",
        "corrupt-markers.jpg", "soi-only.jpg", "empty.jpg", "truncated.wmf", "corrupt-record-size.wmf",
        "zero-record-size.wmf", "empty.wmf", "truncated.emf", "corrupt-record-size.emf", "zero-record-size.emf",
        "empty.emf", "empty.txt", "empty.rtf", "unbalanced.rtf",
    };
    QList<QByteArray> pageLines;
    for (const QString& name : badPictures) {
        copy(testDataPath("bad-input/" + name), name);
        pageLines << name.toLatin1();
    }
    writeBmp(path("good.bmp"), 8, 8);
    writeFile(path("text.TXT"), "text");
    writeWav(path("sound.wav"));
    pageLines << "missing.jpg" << "text.TXT" << "sound.wav" << "picture.png" << "good.bmp#missing.rtf"
              << "C:\\Llibres\\good.bmp" << "GOOD.BMP" << "good.bmp#sound.wav";

    QStringList books;
    for (const QByteArray& line : pageLines)
        books << writeBook(QStringLiteral("page-%1.Lumbrix").arg(books.size()), 1, "", {line});
    books << testDataPath("bad-input/empty.Lumbrix");
    const QByteArray good = bookBytes(1, "", {"good.bmp"});
    for (const QByteArray& bytes : {QByteArray(good).replace("\r\n1\r\n", "\r\n12 x\r\n"), bookBytes(5, "", {"good.bmp"}),
                                    QByteArray(good).replace("{Planes}", "{planes}").replace("\r\n1\r\n", "\r\n0\r\n")})
        books << writeFile(path(QStringLiteral("header-%1.Lumbrix").arg(books.size())), bytes);

    const ToolRun checked = runTool(QStringList({"check", "--json"}) + books);
    EXPECT_EQ(checked.exitCode, 1);
    const QJsonArray reports = QJsonDocument::fromJson(checked.out).object()["books"].toArray();
    ASSERT_EQ(reports.size(), books.size()) << checked.out.constData();
    for (qsizetype i = 0; i < books.size(); ++i) {
        const std::string what = books[i].toStdString() + " " + pageLines.value(i).toStdString();
        boxes->clear();
        loadFromMenu(books[i]);
        QStringList checkSays;
        for (const QJsonValue finding : reports[i].toObject()["findings"].toArray())
            if (finding["program"] == "message")
                checkSays << finding["program_message"].toString();
        // The program shows the first message check finds, and only then.
        EXPECT_EQ(boxes->texts(), checkSays.mid(0, 1)) << what;
        EXPECT_EQ(reports[i].toObject()["errors"].toInt() > 0, !boxes->seen().isEmpty()) << what;
    }
}

TEST_F(BookTool, SoundsThatWouldPlayTheAlert)
{
    writeBmp(path("p.bmp"), 8, 8);
    writeWav(path("good.wav"));
    writeFile(path("text.wav"), "this is not a sound");
    const QByteArray longName = QByteArray(124, 'l') + ".wav";
    writeWav(path(QString::fromLatin1(longName)));
    const QString book = writeBook("sounds.Lumbrix", 4, "",
                                   {"p.bmp#good.wav", "p.bmp#text.wav", "p.bmp#missing.wav", "p.bmp#" + longName});
    const authoring::BookReport report = authoring::checkBook(book);
    QList<std::pair<int, authoring::FindingCode>> found;
    for (const authoring::Finding& finding : report.findings) {
        EXPECT_EQ(finding.effect, authoring::ProgramEffect::Alert);
        found.append({finding.line, finding.code});
    }
    EXPECT_EQ(found, (QList<std::pair<int, authoring::FindingCode>>{{8, authoring::FindingCode::SoundDoesNotDecode},
                                                                    {9, authoring::FindingCode::SoundMissing},
                                                                    {10, authoring::FindingCode::LongSoundName}}));
}

// Run as a process: a check that waited on the FIFO would be ended, not hang the test.
TEST_F(BookTool, ASoundThatIsNotARegularFileIsNeverOpened)
{
    writeBmp(path("p.bmp"), 8, 8);
    ASSERT_EQ(mkfifo(QFile::encodeName(path("so.wav")).constData(), 0600), 0);
    const ToolRun checked = runTool({"check", "--json", writeBook("fifo.Lumbrix", 1, "", {"p.bmp#so.wav"})});
    const QJsonArray findings = QJsonDocument::fromJson(checked.out).object()["books"][0]["findings"].toArray();
    ASSERT_EQ(findings.size(), 1) << checked.out.constData();
    EXPECT_EQ(findings[0]["code"], "sound-does-not-decode");
    EXPECT_EQ(findings[0]["program"], "alert");
}

// The program hands the engine the name all the same and tells nothing: the
// engine reads nothing. Check says so, not that the engine is missing.
TEST_F(BookTool, ACompanionTextThatIsNotThereIsReadAsNothing)
{
    writeBmp(path("p.bmp"), 8, 8);
    const QString book = writeBook("silenci.Lumbrix", 1, "", {"p.bmp#no-hi-es.txt"});
    loadFromMenu(book);
    EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
    EXPECT_TRUE(recordingEngine().lines().contains("ReadFile no-hi-es.txt"));

    const authoring::BookReport report = authoring::checkBook(book);
    ASSERT_EQ(report.findings.size(), 1);
    EXPECT_EQ(report.findings[0].line, 7);
    EXPECT_EQ(report.findings[0].code, authoring::FindingCode::CompanionTextMissing);
    EXPECT_EQ(report.findings[0].effect, authoring::ProgramEffect::NothingRead);
    EXPECT_TRUE(report.findings[0].isError());
    const ToolRun checked = runTool({"check", book});
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_TRUE(checked.out.contains("el programa no llegeix res")) << checked.out.constData();
    EXPECT_FALSE(checked.out.contains("upctv")) << checked.out.constData();
}

// The engine reads nothing from a text larger than it takes (16 MiB).
TEST_F(BookTool, ACompanionTextTooLargeToReadIsReadAsNothing)
{
    writeBmp(path("p.bmp"), 8, 8);
    QFile large(path("llarg.txt"));
    ASSERT_TRUE(large.open(QIODevice::WriteOnly) && large.resize(16 * 1024 * 1024 + 1));
    large.close();
    const authoring::BookReport report = authoring::checkBook(writeBook("llarg.Lumbrix", 1, "", {"p.bmp#llarg.txt"}));
    ASSERT_EQ(report.findings.size(), 1);
    EXPECT_EQ(report.findings[0].code, authoring::FindingCode::CompanionTextMissing);
    EXPECT_EQ(report.findings[0].effect, authoring::ProgramEffect::NothingRead);
}

// A relative name is looked for from the current folder first, then from the
// book's: the check, run from a folder, finds what the program started from
// that folder shows, and warns of a name that only that folder holds.
TEST_F(BookTool, CheckAndTheProgramAgreeWhereverTheyStart)
{
    writeFile(path("Llibre/a.txt"), "a del llibre");
    writeFile(path("Llibre/b.txt"), "b del llibre");
    writeFile(path("Aqui/b.txt"), "b d'aqui");
    writeFile(path("Aqui/c.txt"), "c d'aqui");
    const QString book = writeBook("Llibre/llibre.Lumbrix", 4, "", {"a.txt", "b.txt", "c.txt", "d.txt"});
    using Code = authoring::FindingCode;
    struct Start {
        QString folder;
        QStringList shown; // each page's text, empty where the page fails
        QList<std::pair<int, Code>> findings;
    };
    const Start starts[] = {
        {path("Aqui"), {"a del llibre", "b d'aqui", "c d'aqui", ""},
         {{8, Code::FoundOnlyFromCurrentFolder}, {9, Code::FoundOnlyFromCurrentFolder}, {10, Code::MissingFile}}},
        {QDir::rootPath(), {"a del llibre", "b del llibre", "", ""}, {{9, Code::MissingFile}, {10, Code::MissingFile}}},
    };
    for (const Start& start : starts) {
        SCOPED_TRACE(start.folder.toStdString());
        ScopedCurrentDirectory here(start.folder);
        ASSERT_TRUE(here.entered());
        QList<std::pair<int, Code>> found;
        for (const authoring::Finding& finding : authoring::checkBook(book).findings)
            found << std::pair{finding.line, finding.code};
        EXPECT_EQ(found, start.findings);

        window->LoadBook(book);
        for (int page = 0; page < 4; ++page) {
            boxes->clear();
            window->Memo1->clear();
            window->book.CurrentPage = page;
            window->ShowPage();
            EXPECT_EQ(window->Memo1->toPlainText(), start.shown[page]) << "page " << page + 1;
            EXPECT_EQ(boxes->seen().isEmpty(), !start.shown[page].isEmpty()) << "page " << page + 1;
        }
    }
}

// "--" ends the options, so that a book or a folder may start with "-".
TEST_F(BookTool, NamesStartingWithADashFollowTheEndOfOptions)
{
    writeBmp(path("-Fotos/a.bmp"), 8, 8);
    ScopedCurrentDirectory here(path("."));
    ASSERT_TRUE(here.entered());
    EXPECT_EQ(runTool({"make", "--", "-Fotos"}).exitCode, 0);
    EXPECT_EQ(runTool({"check", "--", "-Fotos/-Fotos.Lumbrix"}).exitCode, 0);
    EXPECT_TRUE(runTool({"check", "--", "--json"}).out.startsWith("--json: ")) << "a book named --json, which is not there";
    EXPECT_EQ(runTool({"check", "-Fotos/-Fotos.Lumbrix"}).exitCode, 2) << "an unknown option";
}

// A book named as on the system books come from (other letter case, "\") is
// found, and its pages are looked for from the folder it really is in.
TEST_F(BookTool, ABookNamedIgnoringCaseIsCheckedFromItsOwnFolder)
{
    writeBmp(path("Conte/p.bmp"), 8, 8);
    writeBook("Conte/conte.Lumbrix", 1, "", {"p.bmp"});
    for (const QString& typed : {path("CONTE/Conte.LUMBRIX"), path("Conte\\conte.Lumbrix")}) {
        const authoring::BookReport report = authoring::checkBook(typed);
        EXPECT_TRUE(report.readable) << typed.toStdString();
        EXPECT_TRUE(report.findings.isEmpty()) << typed.toStdString();
    }
}

// Without a page count to go by, no more lines are checked than a book can have pages.
TEST_F(BookTool, ABadPageCountChecksAtMostTheLargestBook)
{
    const authoring::BookReport report =
        authoring::checkBook(writeBook("llarg.Lumbrix", MaxPages + 1, "", QList<QByteArray>(MaxPages + 1)));
    EXPECT_EQ(report.pageCount, MaxPages);
    ASSERT_FALSE(report.findings.isEmpty());
    EXPECT_EQ(report.findings.last().line, 6 + MaxPages);
}

TEST_F(BookTool, ExitCodesAndRefusalsThatWriteNothing)
{
    writeBmp(path("Fotos/1.bmp"), 8, 8);
    const ToolRun made = runTool({"make", path("Fotos")});
    EXPECT_EQ(made.exitCode, 0) << made.out.constData();
    EXPECT_EQ(runTool({"check", path("Fotos/Fotos.Lumbrix")}).exitCode, 0);
    EXPECT_EQ(runTool({"check", path("Fotos/Fotos.Lumbrix"), path("missing.Lumbrix")}).exitCode, 2);
    EXPECT_EQ(runTool({"check", path("Fotos")}).exitCode, 2);
    EXPECT_EQ(runTool({"check"}).exitCode, 2);

    // An existing book stays as it was unless --force is given.
    const QByteArray mine = bookBytes(1, "", {"mine.bmp"});
    writeFile(path("Fotos/Fotos.Lumbrix"), mine);
    writeBmp(path("Fotos/2.bmp"), 8, 8);
    EXPECT_EQ(runTool({"make", path("Fotos")}).exitCode, 2);
    QFile kept(path("Fotos/Fotos.Lumbrix"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), mine);
    EXPECT_EQ(runTool({"make", "--force", path("Fotos")}).exitCode, 0);
    EXPECT_EQ(runTool({"check", "--json", path("Fotos/Fotos.Lumbrix")}).out.count("\"pages\": 2"), 1);

    // The interface language of the settings file.
    EXPECT_TRUE(runTool({"check", path("missing.Lumbrix")}).out.contains("no es pot llegir el llibre"));
    writeFile(path("config/Quirna2001.ini"), "[Tirvelo]\r\nIdioma=Castellano\r\n");
    EXPECT_TRUE(runTool({"check", path("missing.Lumbrix")}).out.contains("no se puede leer el libro"));

    // A name the book cannot hold: nothing is written, not even a temporary file.
    writeBmp(path("Hash/foto#1.bmp"), 8, 8);
    EXPECT_EQ(runTool({"make", path("Hash")}).exitCode, 2);
    EXPECT_EQ(QDir(path("Hash")).entryList(QDir::Files | QDir::Hidden), QStringList({"foto#1.bmp"}));
}
