#include "desktop/AssociationCheck.h"
#include "desktop/FreedesktopAssociation.h"
#include "support/ScopedEnvironmentVariable.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tirvelo;
using tirvelo::test::ScopedEnvironmentVariable;

namespace {

const QString kProgram = QStringLiteral("/usr/lib/tirvelo/bin/tirvelo");

// Every base folder points into a temporary folder, so that neither the
// machine's own types and applications nor the user's are seen or touched.
class AssociationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        setFolders(m_dir.filePath(QStringLiteral("data")), m_dir.filePath(QStringLiteral("config")));
    }
    void setFolders(const QString& data, const QString& config)
    {
        m_dataHome.set(QFile::encodeName(data));
        m_configHome.set(QFile::encodeName(config));
    }

    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    void put(const QString& relative, const QByteArray& bytes)
    {
        const QString file = path(relative);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QByteArray get(const QString& relative) const
    {
        QFile f(path(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // Every file under the temporary folder with its bytes.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(m_dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            QFile f(file);
            files[file] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
        }
        return files;
    }

    // Another program, installed system-wide, owns the book type.
    void installOtherProgram(const QByteArray& exec)
    {
        put(QStringLiteral("sysdata/mime/packages/other.xml"),
            "<?xml version=\"1.0\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"application/x-lumbrix\"><glob pattern=\"*.lumbrix\"/></mime-type>\n"
            "</mime-info>\n");
        put(QStringLiteral("sysdata/applications/other.desktop"),
            "[Desktop Entry]\nType=Application\nName=Other\nExec=" + exec + "\nMimeType=application/x-lumbrix;\n");
        put(QStringLiteral("sysconfig/mimeapps.list"),
            "[Default Applications]\napplication/x-lumbrix=missing.desktop;other.desktop;\n");
    }

    QTemporaryDir m_dir;
    ScopedEnvironmentVariable m_dataHome{"XDG_DATA_HOME"};
    ScopedEnvironmentVariable m_configHome{"XDG_CONFIG_HOME"};
    ScopedEnvironmentVariable m_dataDirs{"XDG_DATA_DIRS", QFile::encodeName(m_dir.filePath(QStringLiteral("sysdata")))};
    ScopedEnvironmentVariable m_configDirs{"XDG_CONFIG_DIRS",
                                           QFile::encodeName(m_dir.filePath(QStringLiteral("sysconfig")))};
    ScopedEnvironmentVariable m_desktop{"XDG_CURRENT_DESKTOP"};
};

struct Asker {
    bool answer = false;
    int calls = 0;
    std::function<bool()> function()
    {
        return [this] {
            ++calls;
            return answer;
        };
    }
};

} // namespace

TEST_F(AssociationTest, NothingRegisteredIsRegisteredSilently)
{
    FreedesktopAssociation store;
    EXPECT_EQ(store.ReadAssociation(QStringLiteral("Lumbrix")), QString());

    Asker asker;
    EXPECT_EQ(runAssociationCheck(store, QStringLiteral("Lumbrix"), kProgram, asker.function()),
              AssociationCheckResult::Registered);
    EXPECT_EQ(asker.calls, 0);
    EXPECT_EQ(store.ReadAssociation(QStringLiteral("Lumbrix")), kProgram);
    // The extension in any case, with or without its dot.
    EXPECT_EQ(store.ReadAssociation(QStringLiteral(".LUMBRIX")), kProgram);

    const QByteArray entry = get(QStringLiteral("data/applications/tirvelo.desktop"));
    EXPECT_TRUE(entry.contains("\nExec=/usr/lib/tirvelo/bin/tirvelo %f\n")) << entry.constData();
    EXPECT_TRUE(entry.contains("\nIcon=tirvelo\n"));
    EXPECT_TRUE(entry.contains("\nMimeType=application/x-lumbrix;\n"));
    EXPECT_EQ(get(QStringLiteral("config/mimeapps.list")),
              "[Default Applications]\napplication/x-lumbrix=tirvelo.desktop;\n");
    const QByteArray package = get(QStringLiteral("data/mime/packages/tirvelo-lumbrix.xml"));
    EXPECT_TRUE(package.contains("<mime-type type=\"application/x-lumbrix\">"));
    EXPECT_TRUE(package.contains("<glob pattern=\"*.lumbrix\"/>"));
    EXPECT_TRUE(get(QStringLiteral("data/icons/hicolor/scalable/apps/tirvelo.svg")).startsWith("<?xml"));
    EXPECT_TRUE(get(QStringLiteral("data/icons/hicolor/48x48/apps/tirvelo.png")).startsWith("\x89PNG"));
    EXPECT_TRUE(get(QStringLiteral("data/icons/hicolor/scalable/mimetypes/application-x-lumbrix.svg")).startsWith("<?xml"));

    // The desktop's own tools accept what was written.
    if (!QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty()) {
        EXPECT_TRUE(get(QStringLiteral("data/mime/globs2")).contains(":application/x-lumbrix:*.lumbrix"));
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("update-desktop-database")).isEmpty()) {
        EXPECT_TRUE(get(QStringLiteral("data/applications/mimeinfo.cache")).contains("application/x-lumbrix=tirvelo.desktop;"));
    }
    if (const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        !validate.isEmpty()) {
        QProcess p;
        p.start(validate, {path(QStringLiteral("data/applications/tirvelo.desktop"))});
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().constData();
    }

    // Started again: nothing to do, nothing touched.
    const auto before = snapshot();
    EXPECT_EQ(runAssociationCheck(store, QStringLiteral("Lumbrix"), kProgram, asker.function()),
              AssociationCheckResult::AlreadyAssociated);
    EXPECT_EQ(asker.calls, 0);
    EXPECT_TRUE(store.WriteAssociation(QStringLiteral("Lumbrix"), kProgram));
    EXPECT_EQ(snapshot(), before);

    // Only the exact path counts as this program.
    EXPECT_EQ(runAssociationCheck(store, QStringLiteral("Lumbrix"), kProgram.toUpper(), asker.function()),
              AssociationCheckResult::Declined);
    EXPECT_EQ(asker.calls, 1);
}

// GLib, which file managers use, sees the type (in any letter case) and its
// default application. It skips entries whose program does not exist, so the
// program registered here is this test itself.
TEST_F(AssociationTest, GlibSeesTheRegistration)
{
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (gio.isEmpty())
        GTEST_SKIP() << "gio is not installed";
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    ASSERT_TRUE(FreedesktopAssociation().WriteAssociation(QStringLiteral("Lumbrix"), program));

    put(QStringLiteral("books/Llibre.LUMBRIX"), "C:\\Llibres\n1\nfoto.jpg\n");
    QProcess type;
    type.start(gio, {QStringLiteral("info"), QStringLiteral("-a"), QStringLiteral("standard::content-type"),
                     path(QStringLiteral("books/Llibre.LUMBRIX"))});
    ASSERT_TRUE(type.waitForFinished(30000));
    EXPECT_TRUE(type.readAllStandardOutput().contains("content-type: application/x-lumbrix"));

    QProcess handler;
    handler.start(gio, {QStringLiteral("mime"), QStringLiteral("application/x-lumbrix")});
    ASSERT_TRUE(handler.waitForFinished(30000));
    const QList<QByteArray> lines = handler.readAllStandardOutput().split('\n');
    const auto line = std::find_if(lines.begin(), lines.end(),
                                   [](const QByteArray& l) { return l.startsWith("Default application"); });
    ASSERT_NE(line, lines.end());
    EXPECT_TRUE(line->endsWith(": tirvelo.desktop")) << line->constData();
}

TEST_F(AssociationTest, AnotherProgramIsReplacedOnlyOnYes)
{
    installOtherProgram("\"/opt/x y/prog\" \"%f\" %U");
    // The user's own defaults for other types, comments and layout.
    const QByteArray userList =
        "# my defaults\n"
        "[Added Associations]\n"
        "application/x-lumbrix=other.desktop;\n"
        "\n"
        "[Default Applications]\n"
        "text/plain=org.gnome.gedit.desktop;\n"
        "image/png=viewer.desktop;\n"
        "\n"
        "[Removed Associations]\n"
        "text/html=browser.desktop;";
    put(QStringLiteral("config/mimeapps.list"), userList);

    FreedesktopAssociation store;
    EXPECT_EQ(store.ReadAssociation(QStringLiteral("Lumbrix")), QStringLiteral("/opt/x y/prog"));

    Asker no;
    const auto before = snapshot();
    EXPECT_EQ(runAssociationCheck(store, QStringLiteral("Lumbrix"), kProgram, no.function()),
              AssociationCheckResult::Declined);
    EXPECT_EQ(no.calls, 1);
    EXPECT_EQ(snapshot(), before);

    Asker yes{.answer = true};
    EXPECT_EQ(runAssociationCheck(store, QStringLiteral("Lumbrix"), kProgram, yes.function()),
              AssociationCheckResult::Registered);
    EXPECT_EQ(yes.calls, 1);
    EXPECT_EQ(store.ReadAssociation(QStringLiteral("Lumbrix")), kProgram);
    QByteArray expected = userList;
    expected.replace("image/png=viewer.desktop;\n", "image/png=viewer.desktop;\napplication/x-lumbrix=tirvelo.desktop;\n");
    EXPECT_EQ(get(QStringLiteral("config/mimeapps.list")), expected);
    // The system's files are read, never written.
    EXPECT_EQ(get(QStringLiteral("sysconfig/mimeapps.list")),
              "[Default Applications]\napplication/x-lumbrix=missing.desktop;other.desktop;\n");

    // The user's list for the desktop in use, which comes first, naming the
    // other program: a Yes makes us the default there too.
    m_desktop.set(QByteArray("XFCE"));
    const QByteArray desktopList = "[Default Applications]\napplication/x-lumbrix=other.desktop;\n";
    put(QStringLiteral("config/xfce-mimeapps.list"), desktopList);
    FreedesktopAssociation onDesktop;
    EXPECT_EQ(onDesktop.ReadAssociation(QStringLiteral("Lumbrix")), QStringLiteral("/opt/x y/prog"));
    EXPECT_EQ(runAssociationCheck(onDesktop, QStringLiteral("Lumbrix"), kProgram, yes.function()),
              AssociationCheckResult::Registered);
    EXPECT_EQ(onDesktop.ReadAssociation(QStringLiteral("Lumbrix")), kProgram);
    EXPECT_EQ(get(QStringLiteral("config/xfce-mimeapps.list")),
              "[Default Applications]\napplication/x-lumbrix=tirvelo.desktop;\n");
}

TEST_F(AssociationTest, TypeWithoutDefaultApplicationGivesTheTypeName)
{
    put(QStringLiteral("sysdata/mime/packages/books.xml"),
        "<?xml version=\"1.0\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"text/x-other\"><glob pattern=\"*.other\"/></mime-type>\n"
        "  <mime-type type=\"application/x-book-list\"><glob pattern=\"*.LUMBRIX\"/></mime-type>\n"
        "</mime-info>\n");
    // A default whose entry is hidden (deleted by the user) is no default.
    put(QStringLiteral("data/applications/gone.desktop"), "[Desktop Entry]\nHidden=true\nExec=/gone %f\n");
    put(QStringLiteral("config/mimeapps.list"), "[Default Applications]\napplication/x-book-list=gone.desktop;\n");
    FreedesktopAssociation store;
    EXPECT_EQ(store.ReadAssociation(QStringLiteral("Lumbrix")), QStringLiteral("application/x-book-list"));

    Asker no;
    EXPECT_EQ(runAssociationCheck(store, QStringLiteral("Lumbrix"), kProgram, no.function()),
              AssociationCheckResult::Declined);
    EXPECT_EQ(no.calls, 1);

    // A case-sensitive glob of another case does not claim the extension.
    put(QStringLiteral("sysdata/mime/packages/books.xml"),
        "<mime-info><mime-type type=\"application/x-book-list\">"
        "<glob pattern=\"*.LUMBRIX\" case-sensitive=\"true\"/></mime-type></mime-info>");
    EXPECT_EQ(store.ReadAssociation(QStringLiteral("Lumbrix")), QString());
    // The compiled form of the system's types counts too.
    put(QStringLiteral("sysdata/mime/globs2"), "# comment\n50:text/x-other:*.other\n50:application/x-compiled:*.lumbrix\n");
    EXPECT_EQ(store.ReadAssociation(QStringLiteral("Lumbrix")), QStringLiteral("application/x-compiled"));
}

TEST_F(AssociationTest, ExecLinesComeBackAsTheProgram)
{
    struct Case {
        const char* exec;
        const char* program;
    };
    const Case cases[] = {
        {R"("/opt/x y/prog" "%f" %U)", "/opt/x y/prog"},
        {"/usr/bin/prog %f", "/usr/bin/prog"},
        {"/usr/bin/prog", "/usr/bin/prog"},
        {"prog --new-window %U %f", "prog --new-window"},
        {R"("/opt/a\\\\b/prog" %f)", R"(/opt/a\b/prog)"},
        {R"("/opt/\\$x/pr\\"og" %f)", R"(/opt/$x/pr"og)"},
        {"/opt/50%%/prog %f", "/opt/50%/prog"},
        {R"("/opt/trailing " %f)", "/opt/trailing "},
        {R"("/opt/x y/prog")", "/opt/x y/prog"},
        {R"(\s/lead)", " /lead"},
        {R"("C:\Program Files\x.exe" "%1")", R"(C:\Program Files\x.exe)"},
        {R"(""  )", ""},
        {"%f", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FreedesktopAssociation::programFromExec(QString::fromUtf8(c.exec)), QString::fromUtf8(c.program))
            << c.exec;

    // The plain cleaning, for commands with no quoting rules of their own.
    EXPECT_EQ(cleanAssociationCommand(QStringLiteral(R"("C:\Program Files\T.exe" "%1")")),
              QStringLiteral(R"(C:\Program Files\T.exe)"));
    EXPECT_EQ(cleanAssociationCommand(QStringLiteral("C:\\Q\\Tirvelo.exe %1 %2")), QStringLiteral("C:\\Q\\Tirvelo.exe"));
    EXPECT_EQ(cleanAssociationCommand(QStringLiteral("LumbrixFile")), QStringLiteral("LumbrixFile"));
    EXPECT_EQ(cleanAssociationCommand(QStringLiteral("\"\" \"\"")), QString());

    // Written the way the desktop-entry rules want: quoted only when needed.
    EXPECT_EQ(FreedesktopAssociation::execForProgram(QStringLiteral("/usr/bin/tirvelo")), "/usr/bin/tirvelo %f");
    EXPECT_EQ(FreedesktopAssociation::execForProgram(QStringLiteral("/opt/x y/tirvelo")), "\"/opt/x y/tirvelo\" %f");
    EXPECT_EQ(FreedesktopAssociation::execForProgram(QStringLiteral("/opt/a\\b$")), R"("/opt/a\\\\b\\$" %f)");

    const QString paths[] = {
        QStringLiteral("/usr/bin/tirvelo"), QStringLiteral("/opt/x y/tirvelo"), QStringLiteral("/a b/x\""),
        QStringLiteral("/tmp/prog "), QStringLiteral("/home/a%b/t"), QStringLiteral("/p$HOME/`x`/t"),
        QStringLiteral("/a\\b"), QStringLiteral("/with=eq/t"), QStringLiteral("/line\nbreak/t"),
        QStringLiteral(" /lead"), QStringLiteral("\"/quoted\""), QStringLiteral(u"/dades/llibres/Tirvelo català"),
        QStringLiteral("/x/%f"), QStringLiteral("/t\tab/'q'/#;&|<>~*?()"),
    };
    for (const QString& p : paths)
        EXPECT_EQ(FreedesktopAssociation::programFromExec(FreedesktopAssociation::execForProgram(p)), p) << qPrintable(p);

    // The same through real files, for the awkward ones.
    FreedesktopAssociation store;
    for (const QString& p : {paths[2], paths[4], paths[8], paths[11]}) {
        ASSERT_TRUE(store.WriteAssociation(QStringLiteral(".Lumbrix"), p));
        EXPECT_EQ(store.ReadAssociation(QStringLiteral(".Lumbrix")), p) << qPrintable(p);
    }
}

TEST_F(AssociationTest, UnwritableFoldersFailWithoutHarm)
{
    // A plain file where the folders should be: no folder can be made under it.
    put(QStringLiteral("blocker"), "not a folder");
    setFolders(path(QStringLiteral("blocker/data")), path(QStringLiteral("config")));
    {
        FreedesktopAssociation store;
        EXPECT_FALSE(store.WriteAssociation(QStringLiteral("Lumbrix"), kProgram));
        Asker asker;
        EXPECT_EQ(runAssociationCheck(store, QStringLiteral("Lumbrix"), kProgram, asker.function()),
                  AssociationCheckResult::WriteFailed);
        EXPECT_EQ(asker.calls, 0);
    }
    setFolders(path(QStringLiteral("data")), path(QStringLiteral("blocker/config")));
    {
        FreedesktopAssociation store;
        EXPECT_FALSE(store.WriteAssociation(QStringLiteral("Lumbrix"), kProgram));
    }
    EXPECT_EQ(get(QStringLiteral("blocker")), "not a folder");

    // A read-only configuration folder (permissions do not stop root).
    if (::geteuid() != 0) {
        put(QStringLiteral("ro/mimeapps.list"), "[Default Applications]\ntext/plain=a.desktop;\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path(QStringLiteral("ro"))).constData(), 0555), 0);
        setFolders(path(QStringLiteral("data")), path(QStringLiteral("ro")));
        FreedesktopAssociation store;
        EXPECT_FALSE(store.WriteAssociation(QStringLiteral("Lumbrix"), kProgram));
        EXPECT_EQ(get(QStringLiteral("ro/mimeapps.list")), "[Default Applications]\ntext/plain=a.desktop;\n");
        ::chmod(QFile::encodeName(path(QStringLiteral("ro"))).constData(), 0755);
    }

    // Unusable arguments.
    FreedesktopAssociation store;
    EXPECT_FALSE(store.WriteAssociation(QStringLiteral("../evil"), kProgram));
    EXPECT_FALSE(store.WriteAssociation(QStringLiteral("Lumbrix"), QString()));
    EXPECT_EQ(store.ReadAssociation(QStringLiteral("../evil")), QString());
    EXPECT_EQ(store.ReadAssociation(QString()), QString());
}
