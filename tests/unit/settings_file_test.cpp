#include "desktop/SettingsFile.h"
#include "desktop/SettingsKeys.h"
#include "support/ScopedEnvironmentVariable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace tirvelo;
using tirvelo::test::ScopedEnvironmentVariable;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(QStringLiteral("Quirna2001.ini"));

    void put(const QByteArray& bytes, const QString& path = {})
    {
        QFile f(path.isEmpty() ? m_path : path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QByteArray get(const QString& path = {}) const
    {
        QFile f(path.isEmpty() ? m_path : path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

// A file as other programs of the suite leave it: CR LF, comments, other
// sections, a Windows-1252 byte (à) in someone else's value.
const QByteArray kShared =
    "; shared by the suite\r\n"
    "[Altre]\r\n"
    "Idioma=Catal\xE0\r\n"
    "\r\n"
    "  [ tirVELO ]  \r\n"
    "  IDIOMA  =  Castellano  \r\n"
    "Escaneig=s\xED\r\n"
    ";Velocitat=3\r\n"
    "\r\n"
    "[Final]\r\n"
    "Clau=valor\r\n";

} // namespace

TEST_F(SettingsFileTest, ReadsLikeThePrivateProfileCall)
{
    put(kShared
        + "[Cometes]\r\n"
          "Dobles=\"  hi  \"\r\n"
          "Simples='x'\r\n"
          "Soles=\"abc\r\n"
          "Barrejades=\"abc'\r\n"
          "Buida=\r\n"
          "Llarga=0123456789012345678901234567890123456789012345678901234567890123456789\r\n"
          "[Tirvelo]\r\n"
          "Idioma=Portugues\r\n"
          "[CATAL\xC0]\r\n"
          "Clau=accent\r\n");
    const SettingsFile settings(m_path);
    // Names match in any case and with blanks around them; the first section of a name decides.
    EXPECT_EQ(settings.read(settings::kSection, settings::kLanguageKey, settings::kLanguageDefault), "Castellano");
    EXPECT_EQ(settings.read("TIRVELO", "idioma", "Catala"), "Castellano");
    EXPECT_EQ(settings.read("catal\xE0", "CLAU", ""), "accent");
    EXPECT_EQ(settings.read(settings::kSection, settings::kScanKey, settings::kScanDefault), QByteArray("s\xED"));
    // A key in another section, a commented-out key and a missing key give the default.
    EXPECT_EQ(settings.read("Final", "Idioma", "Catala"), "Catala");
    EXPECT_EQ(settings.read(settings::kSection, "Velocitat", "5"), "5");
    EXPECT_EQ(settings.read("Cap", "Idioma", "Catala"), "Catala");
    // One pair of matching quotes is dropped; anything else stays.
    EXPECT_EQ(settings.read("Cometes", "Dobles", ""), "  hi  ");
    EXPECT_EQ(settings.read("Cometes", "Simples", ""), "x");
    EXPECT_EQ(settings.read("Cometes", "Soles", ""), "\"abc");
    EXPECT_EQ(settings.read("Cometes", "Barrejades", ""), "\"abc'");
    // An empty value is a value, not a missing key.
    EXPECT_EQ(settings.read("Cometes", "Buida", "NO"), "");
    // The buffer holds the terminating NUL: 50 bytes give 49 characters.
    EXPECT_EQ(settings.read("Cometes", "Llarga", ""), "0123456789012345678901234567890123456789012345678");
    EXPECT_EQ(settings.read("Cometes", "Llarga", "", 5), "0123");
    EXPECT_EQ(settings.read("Cometes", "Llarga", "", 1), "");
    EXPECT_EQ(settings.read("Cometes", "Llarga", "", 0), "");
    // The default loses its trailing blanks and is cut the same way.
    EXPECT_EQ(settings.read("Cap", "Cap", "NO   "), "NO");
    EXPECT_EQ(settings.read("Cap", "Cap", "Castellano", 4), "Cas");
}

TEST_F(SettingsFileTest, UnusableFilesGiveTheDefault)
{
    auto languageOf = [](const QString& path) {
        return SettingsFile(path).read(settings::kSection, settings::kLanguageKey, settings::kLanguageDefault);
    };
    EXPECT_EQ(languageOf(m_path), "Catala"); // no file yet

    const QString folder = m_dir.filePath(QStringLiteral("folder.ini"));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(languageOf(folder), "Catala");

    const QString loop = m_dir.filePath(QStringLiteral("loop.ini"));
    ASSERT_TRUE(QFile::link(loop, loop));
    EXPECT_EQ(languageOf(loop), "Catala");

    // Not text: a UTF-16 profile or a binary file holds NUL bytes.
    const QString binary = m_dir.filePath(QStringLiteral("binary.ini"));
    put(QByteArray("[Tirvelo]\r\nIdioma=Castellano\r\n\0\0", 32), binary);
    EXPECT_EQ(languageOf(binary), "Catala");

    // Far larger than any settings file: not read into memory.
    const QString huge = m_dir.filePath(QStringLiteral("huge.ini"));
    put("[Tirvelo]\nIdioma=Castellano\n" + QByteArray(2 * 1024 * 1024, ';'), huge);
    EXPECT_EQ(languageOf(huge), "Catala");

    // Garbage lines around the key do not hide it; a key before any section does not count.
    const QString messy = m_dir.filePath(QStringLiteral("messy.ini"));
    put("Idioma=Portugues\n[Tirvelo\nno equals sign\n[Tirvelo]\n=nameless\nIdioma\n", messy);
    EXPECT_EQ(languageOf(messy), "Catala");

    if (::geteuid() != 0) { // root reads anything
        const QString locked = m_dir.filePath(QStringLiteral("locked.ini"));
        put("[Tirvelo]\nIdioma=Castellano\n", locked);
        ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
        EXPECT_EQ(languageOf(locked), "Catala");
    }
}

TEST_F(SettingsFileTest, WritingChangesOnlyTheKeysLine)
{
    put(kShared);
    ASSERT_EQ(::chmod(QFile::encodeName(m_path).constData(), 0640), 0);
    SettingsFile settings(m_path);

    ASSERT_TRUE(settings.write(settings::kSection, settings::kLanguageKey, "Portugues"));
    QByteArray expected = kShared;
    expected.replace("  IDIOMA  =  Castellano  \r\n", "IDIOMA=Portugues\r\n");
    EXPECT_EQ(get(), expected);
    EXPECT_EQ(settings.read("Tirvelo", "Idioma", "Catala"), "Portugues");

    ASSERT_TRUE(settings.write("Tirvelo", "Escaneig", settings::kScanOff));
    expected.replace("Escaneig=s\xED\r\n", "Escaneig=no\r\n");
    EXPECT_EQ(get(), expected);

    // A new key goes after the section's last key, before its comment and blank line.
    ASSERT_TRUE(settings.write("tirvelo", "Veu", "1"));
    expected.replace("Escaneig=no\r\n", "Escaneig=no\r\nVeu=1\r\n");
    EXPECT_EQ(get(), expected);

    // A new section is appended, set off by a blank line, with the file's line ends.
    ASSERT_TRUE(settings.write("Nova", "Clau", "s\xED"));
    expected += "\r\n[Nova]\r\nClau=s\xED\r\n";
    EXPECT_EQ(get(), expected);
    EXPECT_EQ(settings.read("Nova", "Clau", ""), QByteArray("s\xED"));

    // Writing the value already there changes nothing.
    ASSERT_TRUE(settings.write("Nova", "Clau", "s\xED"));
    EXPECT_EQ(get(), expected);

    // The file keeps its permissions and no temporary file is left behind.
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(m_path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Quirna2001.ini")});
}

TEST_F(SettingsFileTest, WritingFilesOfOtherShapes)
{
    // LF line ends and no line end on the last line.
    put("[Tirvelo]\nIdioma=Catala");
    SettingsFile settings(m_path);
    ASSERT_TRUE(settings.write("Tirvelo", "Escaneig", "s\xED"));
    EXPECT_EQ(get(), QByteArray("[Tirvelo]\nIdioma=Catala\nEscaneig=s\xED\n"));

    // An empty section header gets its first key right after it.
    put("[Tirvelo]\r\n[Altre]\r\nA=1\r\n");
    ASSERT_TRUE(settings.write("Tirvelo", "Idioma", "Castellano"));
    EXPECT_EQ(get(), "[Tirvelo]\r\nIdioma=Castellano\r\n[Altre]\r\nA=1\r\n");

    // No file, no folder: both are created.
    const QString fresh = m_dir.filePath(QStringLiteral("a/b/Quirna2001.ini"));
    SettingsFile created(fresh);
    ASSERT_TRUE(created.write(settings::kSection, settings::kScanKey, settings::kScanOn));
    EXPECT_EQ(get(fresh), QByteArray("[Tirvelo]\nEscaneig=s\xED\n"));

    // A symbolic link stays a link; its target is updated.
    const QString target = m_dir.filePath(QStringLiteral("real.ini"));
    const QString link = m_dir.filePath(QStringLiteral("link.ini"));
    put("[Tirvelo]\nIdioma=Catala\n", target);
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(SettingsFile(link).write("Tirvelo", "Idioma", "Portugues"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(get(target), "[Tirvelo]\nIdioma=Portugues\n");
}

// Links are followed as the system follows them when the file is opened, so
// the value written is the value read back, wherever the links lead.
TEST_F(SettingsFileTest, WritingThroughLinksReachesTheFileTheSystemOpens)
{
    const QDir dir(m_dir.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("real")) && dir.mkpath(QStringLiteral("shared")) && dir.mkpath(QStringLiteral("a")));
    put("[Tirvelo]\nIdioma=Catala\n", dir.filePath(QStringLiteral("shared/Q.ini")));
    // A relative link inside a linked folder: "a/cfg/.." is "real/..", not "a".
    ASSERT_TRUE(QFile::link(QStringLiteral("../real"), dir.filePath(QStringLiteral("a/cfg"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("../shared/Q.ini"), dir.filePath(QStringLiteral("real/Q.ini"))));
    SettingsFile throughFolder(dir.filePath(QStringLiteral("a/cfg/Q.ini")));
    ASSERT_TRUE(throughFolder.write("Tirvelo", "Idioma", "Castellano"));
    EXPECT_EQ(throughFolder.read("Tirvelo", "Idioma", "", 50), "Castellano");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("a/shared"))));

    // A chain of two links: the last file changes, both links stay.
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("shared/Q.ini")), dir.filePath(QStringLiteral("mid.ini"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("mid.ini"), dir.filePath(QStringLiteral("first.ini"))));
    ASSERT_TRUE(SettingsFile(dir.filePath(QStringLiteral("first.ini"))).write("Tirvelo", "Idioma", "Portugues"));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("mid.ini"))).isSymLink());
    EXPECT_EQ(get(dir.filePath(QStringLiteral("shared/Q.ini"))), "[Tirvelo]\nIdioma=Portugues\n");

    // A link to a file not made yet: the file is made, and read back.
    ASSERT_TRUE(QFile::link(QStringLiteral("later.ini"), dir.filePath(QStringLiteral("dangling.ini"))));
    SettingsFile dangling(dir.filePath(QStringLiteral("dangling.ini")));
    ASSERT_TRUE(dangling.write("Tirvelo", "Escaneig", "s\xED"));
    EXPECT_EQ(get(dir.filePath(QStringLiteral("later.ini"))), QByteArray("[Tirvelo]\nEscaneig=s\xED\n"));

    // Links in a loop: nothing to write to.
    ASSERT_TRUE(QFile::link(QStringLiteral("loop2.ini"), dir.filePath(QStringLiteral("loop1.ini"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("loop1.ini"), dir.filePath(QStringLiteral("loop2.ini"))));
    EXPECT_FALSE(SettingsFile(dir.filePath(QStringLiteral("loop1.ini"))).write("Tirvelo", "Idioma", "Portugues"));
}

// Two copies of the program writing their own keys at once: each write reads
// the file, edits it and replaces it, and neither may undo the other's.
TEST_F(SettingsFileTest, WritersAtOnceLoseNoKey)
{
    constexpr int kWrites = 150;
    const auto writer = [this](const char* key) {
        SettingsFile settings(m_path);
        for (int i = 1; i <= kWrites; ++i)
            ASSERT_TRUE(settings.write("Tirvelo", key, QByteArray::number(i)));
    };
    std::thread first(writer, "Primer");
    std::thread second(writer, "Segon");
    first.join();
    second.join();
    SettingsFile settings(m_path);
    EXPECT_EQ(settings.read("Tirvelo", "Primer", "", 50), QByteArray::number(kWrites));
    EXPECT_EQ(settings.read("Tirvelo", "Segon", "", 50), QByteArray::number(kWrites));
}

TEST_F(SettingsFileTest, WritesThatCannotBeDoneLeaveTheFileAlone)
{
    put(kShared);
    SettingsFile settings(m_path);
    EXPECT_FALSE(settings.write("Tirvelo", "Idioma", "two\r\nlines"));
    EXPECT_FALSE(settings.write("Tirvelo", "Idi=oma", "x"));
    EXPECT_FALSE(settings.write("Tirv]elo", "Idioma", "x"));
    EXPECT_FALSE(settings.write("Tirvelo", "", "x"));
    EXPECT_FALSE(settings.write("Tirvelo", ";Idioma", "x"));
    EXPECT_EQ(get(), kShared);

    // Files this class cannot edit without damage.
    const QByteArray binary("[Tirvelo]\r\nIdioma=Catala\r\n\0", 27);
    put(binary);
    EXPECT_FALSE(settings.write("Tirvelo", "Idioma", "Portugues"));
    EXPECT_EQ(get(), binary);

    const QString folder = m_dir.filePath(QStringLiteral("folder.ini"));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_FALSE(SettingsFile(folder).write("Tirvelo", "Idioma", "Portugues"));

    // A file where the folder should be.
    const QString blocked = m_dir.filePath(QStringLiteral("folder.ini/../Quirna2001.ini/x.ini"));
    EXPECT_FALSE(SettingsFile(blocked).write("Tirvelo", "Idioma", "Portugues"));
    EXPECT_EQ(get(), binary);
}

TEST_F(SettingsFileTest, DefaultPathFollowsTheConfigurationFolder)
{
    ScopedEnvironmentVariable configHome("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    EXPECT_EQ(SettingsFile::defaultPath(), m_path);
    EXPECT_EQ(SettingsFile().path(), m_path);
    configHome.set(QByteArray("relative/dir"));
    EXPECT_EQ(SettingsFile::defaultPath(), QDir::homePath() + QStringLiteral("/.config/Quirna2001.ini"));
    configHome.set(std::nullopt);
    EXPECT_EQ(SettingsFile::defaultPath(), QDir::homePath() + QStringLiteral("/.config/Quirna2001.ini"));
}
