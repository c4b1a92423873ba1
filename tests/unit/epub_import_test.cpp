// Importing EPUBs made here: an EPUB 2 book with one MP3 a page, an EPUB 3
// book narrated by media overlays, a book of text pages, and every bad case,
// each of which leaves nothing behind.
#include "audio/DecodedSound.h"
#include "authoring/epub/EpubImport.h"
#include "base/Cp1252.h"
#include "support/BookWriter.h"
#include "support/EpubWriter.h"
#include "support/TestApplication.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::authoring;
using namespace tirvelo::test;

namespace {

class EpubImport : public ::testing::Test {
protected:
    void SetUp() override { guiApplication(); }

    QString epub(const QList<ZipEntry>& entries, const QString& name = QStringLiteral("Conte.epub"))
    {
        return writeZip(m_dir.filePath(name), entries);
    }
    ImportResult import(const QString& epubPath, bool force = false)
    {
        ImportOptions options;
        options.epub = epubPath;
        options.force = force;
        return importEpub(options);
    }
    // The book's page lines (after the six header lines).
    QStringList pageLines(const QString& book)
    {
        QStringList lines = fromCp1252(readAll(book)).split(QStringLiteral("\r\n"));
        lines.removeLast(); // the last line's break
        return lines.mid(6);
    }
    QString folder(const QString& name = QStringLiteral("Conte")) const { return m_dir.filePath(name); }
    qsizetype soundFrames(const QString& path)
    {
        const std::optional<DecodedSound> sound = decodeSoundFile(path);
        return sound && sound->wave ? sound->frames() : -1;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(EpubImport, Epub2WithOneMp3APage)
{
    const ImportResult result = import(epub(epub2WithMp3(3)));
    ASSERT_EQ(result.error, ImportError::None) << importErrorText(result, InterfaceLanguage::Catalan).toStdString();
    EXPECT_EQ(result.bookPath, folder() + "/Conte.Lumbrix");
    // The cover is skipped; each picture (PNG photos) becomes JPEG with its sound as a wave.
    EXPECT_EQ(pageLines(result.bookPath), (QStringList{"01.jpg#01.wav", "02.jpg#02.wav", "03.jpg#03.wav"}));
    EXPECT_EQ(result.report.errorCount(), 0);
    EXPECT_EQ(result.report.warningCount(), 0);
    EXPECT_TRUE(result.warnings.isEmpty());
    // Page 3's tone lasts 700 ms at 22050 Hz; MP3 adds a little padding at most.
    EXPECT_NEAR(double(soundFrames(folder() + "/03.wav")), 0.7 * 22050, 0.1 * 22050);
}

TEST_F(EpubImport, Epub3MediaOverlaysAudioElementAndTextPage)
{
    const ImportResult result = import(epub(epub3WithOverlays(2)));
    ASSERT_EQ(result.error, ImportError::None) << importErrorText(result, InterfaceLanguage::Catalan).toStdString();
    // Cover, navigation and the empty page are skipped; the page with text
    // and no picture is a text page.
    EXPECT_EQ(pageLines(result.bookPath), (QStringList{"01.jpg#01.wav", "02.jpg#02.wav", "03.jpg#03.wav", "04.txt"}));
    EXPECT_EQ(result.report.errorCount(), 0);
    // Two clips of 0.5 s, cut from one file, joined.
    EXPECT_NEAR(double(soundFrames(folder() + "/02.wav")), 1.0 * 22050, 0.1 * 22050);
    EXPECT_NEAR(double(soundFrames(folder() + "/03.wav")), 0.7 * 22050, 0.1 * 22050);
    // The JPEG pictures keep their bytes.
    EXPECT_EQ(readAll(folder() + "/01.jpg"), photoPicture(200, 150, "jpeg"));
    // Windows-1252 holds the curly quotes and the em dash; the hyphen it lacks is written "-" and listed.
    EXPECT_EQ(readAll(folder() + "/04.txt"), QByteArray("Fi\r\n\x93" "Ad\xE9u\x94 \x97 va dir-li la gata."));
    ASSERT_EQ(result.warnings.size(), 1);
    EXPECT_EQ(result.warnings[0].code, ImportWarningCode::CharacterReplaced);
    EXPECT_EQ(importWarningText(result.warnings[0], InterfaceLanguage::Catalan),
              u"«‑ (U+2011)» no cap en Windows-1252: s'ha escrit «-» (vegades: 1)"_qs);
}

TEST_F(EpubImport, TextOnlyBookWithTheTitleFirst)
{
    const ImportResult result = import(epub(epub3TextOnly()));
    ASSERT_EQ(result.error, ImportError::None) << importErrorText(result, InterfaceLanguage::Catalan).toStdString();
    EXPECT_EQ(pageLines(result.bookPath), (QStringList{"01.txt", "02.txt", "03.bmp"}));
    EXPECT_EQ(readAll(folder() + "/01.txt"), "Contes\r\nPrimer\r\nHi havia una vegada\r\nuna gata.");
    EXPECT_EQ(result.report.errorCount(), 0);
}

TEST_F(EpubImport, EveryBadCaseFailsClearlyAndLeavesNothing)
{
    struct Case {
        const char* what;
        QList<ZipEntry> entries;
        ImportError error;
        QString subject;
    };
    const QList<ZipEntry> good = epub2WithMp3(2);
    QList<ZipEntry> encrypted = good;
    encrypted << ZipEntry{"META-INF/encryption.xml",
                          "<encryption xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" xmlns:enc=\"http://www.w3.org/2001/04/xmlenc#\">"
                          "<enc:EncryptedData><enc:EncryptionMethod Algorithm=\"http://www.w3.org/2001/04/xmlenc#aes128-cbc\"/>"
                          "</enc:EncryptedData></encryption>"};
    QList<ZipEntry> brokenPackage = good;
    replaceEntry(brokenPackage, "OEBPS/content.opf", "<package><manifest>\n<item id=\"x\"></manifest>");
    QList<ZipEntry> badSound = good;
    replaceEntry(badSound, "OEBPS/audio/p2.mp3", "ID3 but no sound at all");
    QList<ZipEntry> badPicture = good;
    replaceEntry(badPicture, "OEBPS/images/p2.png", "\x89PNG broken");
    QList<ZipEntry> bomb = good;
    bomb << ZipEntry{"OEBPS/zeros.bin", QByteArray(200 << 20, '\0')};
    QList<ZipEntry> crowded = good;
    for (int i = 0; i < 10'000; ++i)
        crowded << ZipEntry{QStringLiteral("x/%1").arg(i), {}};
    const QList<Case> cases = {
        {"dot-dot", good + QList<ZipEntry>{{"OEBPS/../../evil.txt", "x"}}, ImportError::UnsafeName, "OEBPS/../../evil.txt"},
        {"absolute", good + QList<ZipEntry>{{"/tmp/evil.txt", "x"}}, ImportError::UnsafeName, "/tmp/evil.txt"},
        {"link", good + QList<ZipEntry>{{"OEBPS/link", "/etc/passwd", true}}, ImportError::Link, "OEBPS/link"},
        {"bomb", bomb, ImportError::TooLarge, "OEBPS/zeros.bin"},
        {"entries", crowded, ImportError::TooManyEntries, QString::number(crowded.size())},
        {"drm", encrypted, ImportError::Encrypted, "META-INF/encryption.xml"},
        {"no container", good.mid(0, 1) + good.mid(2), ImportError::NoContainer, "META-INF/container.xml"},
        {"no package", good.mid(0, 2) + good.mid(3), ImportError::NoPackage, "OEBPS/content.opf"},
        {"broken package", brokenPackage, ImportError::BrokenPackage, "OEBPS/content.opf"},
        {"sound", badSound, ImportError::SoundDoesNotDecode, "OEBPS/audio/p2.mp3"},
        {"picture", badPicture, ImportError::PictureDoesNotDecode, "OEBPS/images/p2.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ImportResult result = import(epub(c.entries));
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.subject, c.subject);
        EXPECT_FALSE(importErrorText(result, InterfaceLanguage::Spanish).isEmpty());
        // A partly written folder (the bad sound and picture come on page 2) is removed.
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"Conte.epub"});
    }
    EXPECT_EQ(import(writeFile(m_dir.filePath("plain.epub"), "not a zip")).error, ImportError::CannotOpen);

    // Folders made on the way to the one asked for go too.
    ImportOptions options;
    options.epub = epub(badSound);
    options.folder = m_dir.filePath("a/b/Conte");
    EXPECT_EQ(importEpub(options).error, ImportError::SoundDoesNotDecode);
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath("a")));
}

TEST_F(EpubImport, ExistingFolderIsLeftAloneOrOnlyAddedTo)
{
    const QString path = epub(epub2WithMp3(1));
    writeFile(folder() + "/01.jpg", "the teacher's own");
    EXPECT_EQ(import(path).error, ImportError::FolderNotEmpty);
    EXPECT_EQ(readAll(folder() + "/01.jpg"), "the teacher's own");

    // With --force the folder is added to, never overwritten.
    ImportResult result = import(path, true);
    ASSERT_EQ(result.error, ImportError::None);
    EXPECT_EQ(pageLines(result.bookPath), QStringList{"01-2.jpg#01.wav"});
    EXPECT_EQ(readAll(folder() + "/01.jpg"), "the teacher's own");

    // A failing import with --force takes away only what it wrote.
    QList<ZipEntry> badSound = epub2WithMp3(1);
    replaceEntry(badSound, "OEBPS/audio/p1.mp3", "no sound");
    const QStringList before = QDir(folder()).entryList(QDir::Files);
    EXPECT_EQ(import(epub(badSound), true).error, ImportError::SoundDoesNotDecode);
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files), before);
}

TEST_F(EpubImport, FontObfuscationIsNoDrmAndLongBooksAreCut)
{
    QList<ZipEntry> entries = epub3TextOnly();
    entries << ZipEntry{"META-INF/encryption.xml",
                        "<encryption xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" xmlns:enc=\"http://www.w3.org/2001/04/xmlenc#\">"
                        "<enc:EncryptedData><enc:EncryptionMethod Algorithm=\"http://www.idpf.org/2008/embedding\"/>"
                        "</enc:EncryptedData></encryption>"};
    EXPECT_EQ(import(epub(entries, "Fonts.epub")).error, ImportError::None);

    // 1002 text pages: the first 1001 are imported, and a warning says so.
    QByteArray manifest;
    QByteArray spine;
    QList<ZipEntry> pages;
    for (int i = 1; i <= 1002; ++i) {
        const QByteArray n = QByteArray::number(i);
        manifest += "<item id=\"t" + n + "\" href=\"t" + n + ".xhtml\" media-type=\"application/xhtml+xml\"/>";
        spine += "<itemref idref=\"t" + n + "\"/>";
        pages << ZipEntry{"t" + n + ".xhtml", "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>" + n + "</p></body></html>"};
    }
    QList<ZipEntry> book = {{"mimetype", "application/epub+zip"},
                            {"META-INF/container.xml", "<container><rootfiles><rootfile full-path=\"p.opf\"/></rootfiles></container>"},
                            {"p.opf", "<package xmlns=\"http://www.idpf.org/2007/opf\"><manifest>" + manifest + "</manifest><spine>" + spine + "</spine></package>"}};
    const ImportResult result = import(epub(book + pages, "Llarg.epub"));
    ASSERT_EQ(result.error, ImportError::None);
    EXPECT_EQ(result.pages, 1001);
    ASSERT_FALSE(result.warnings.isEmpty());
    EXPECT_EQ(result.warnings[0].code, ImportWarningCode::TooManyPages);
    EXPECT_EQ(result.warnings[0].subject, "1002");
    EXPECT_EQ(result.report.errorCount(), 0);
}

TEST_F(EpubImport, TheToolImportsAndItsCheckPasses)
{
    const QString path = epub(epub3WithOverlays(1));
    QProcess tool;
    tool.start(buildPath("tirvelo-llibre"), {"import", path, "-o", m_dir.filePath("Sortida")});
    ASSERT_TRUE(tool.waitForFinished(120'000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    tool.start(buildPath("tirvelo-llibre"), {"check", m_dir.filePath("Sortida/Sortida.Lumbrix")});
    ASSERT_TRUE(tool.waitForFinished(120'000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardOutput().toStdString();

    // Again without --force: refused, in the interface language, and nothing changes.
    tool.start(buildPath("tirvelo-llibre"), {"import", path, "-o", m_dir.filePath("Sortida")});
    ASSERT_TRUE(tool.waitForFinished(120'000));
    EXPECT_EQ(tool.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(tool.readAllStandardError()).contains(u"ja existeix i no és buida"_qs));
}
