// The book association on a freedesktop desktop, end to end: start-up's check
// in the real start-up sequence, and a book opened through the desktop's own
// launchers starting the real program with that book.
#include "desktop/AssociationCheck.h"
#include "desktop/FreedesktopAssociation.h"
#include "app/Startup.h"
#include "support/BookWriter.h"
#include "support/MessageBoxRecorder.h"
#include "support/ProcessTable.h"
#include "support/ProgramEnvironment.h"
#include "support/QtPrinters.h"
#include "support/RecordingLog.h"
#include "support/TestPaths.h"
#include "ui/FormPrincipal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMap>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <optional>
#include <sys/types.h>
#include <unistd.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

// The association questions among the boxes shown.
QList<SeenMessage> questions(const QList<SeenMessage>& boxes)
{
    QList<SeenMessage> result;
    for (const SeenMessage& box : boxes)
        if (box.caption == kAssociationQuestionCaption)
            result << box;
    return result;
}

// Every base folder in a temporary folder, so that neither the machine's types
// and applications nor the user's are seen or touched.
class DesktopAssociation : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    // Another program, installed system-wide, owns the book type.
    void installOtherProgram()
    {
        writeFile(path("sysdata/mime/packages/other.xml"),
                  "<?xml version=\"1.0\"?>\n"
                  "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                  "  <mime-type type=\"application/x-lumbrix\"><glob pattern=\"*.lumbrix\"/></mime-type>\n"
                  "</mime-info>\n");
        writeFile(path("sysdata/applications/other.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Other\nExec=/opt/other/bin/llegidor %f\n"
                  "MimeType=application/x-lumbrix;\n");
        writeFile(path("sysconfig/mimeapps.list"), "[Default Applications]\napplication/x-lumbrix=other.desktop;\n");
    }

    // Every file of the association's folders with its bytes. The settings
    // file, which closing the window writes, is not part of the association.
    QMap<QString, QByteArray> associationFiles() const
    {
        QMap<QString, QByteArray> files;
        for (const char* folder : {"data", "config", "sysdata", "sysconfig"}) {
            QDirIterator it(path(folder), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString file = it.next();
                if (QFileInfo(file).fileName() == QLatin1String("Quirna2001.ini"))
                    continue;
                QFile f(file);
                files[file] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
            }
        }
        return files;
    }

    // The whole start-up sequence with the given parameters; the open dialog
    // that a start without a book shows is cancelled, then the window closed.
    void runStartup(const QStringList& parameters)
    {
        bool closed = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                dialog->reject();
                return;
            }
            if (QApplication::activeModalWidget() || closed)
                return;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<TFormPrincipal*>(widget); window && window->isVisible()) {
                    closed = true;
                    window->close();
                }
        });
        poll.start(20);
        runStartupSequence(*qApp, parameters);
        EXPECT_TRUE(closed);
    }

    QString registered() const { return FreedesktopAssociation().ReadAssociation(QStringLiteral("Lumbrix")); }

    QTemporaryDir m_dir;
    ProgramEnvironment m_environment{m_dir.path(), recordingEnginePath()};
    ScopedEnvironmentVariable m_dataDirs{"XDG_DATA_DIRS", QFile::encodeName(path("sysdata"))};
    ScopedEnvironmentVariable m_configDirs{"XDG_CONFIG_DIRS", QFile::encodeName(path("sysconfig"))};
    ScopedEnvironmentVariable m_noDesktop{"XDG_CURRENT_DESKTOP"};
    RecordingLog m_log;
};

} // namespace

TEST_F(DesktopAssociation, StartedWithoutParametersAndNothingRegisteredRegistersSilently)
{
    ASSERT_EQ(registered(), QString());
    {
        MessageBoxRecorder boxes(QMessageBox::No);
        runStartup({});
        EXPECT_TRUE(boxes.seen().isEmpty()) << boxes.seen().value(0).text.toStdString();
    }
    // The program's real file, wherever it was started from.
    EXPECT_EQ(registered(), QCoreApplication::applicationFilePath());
    EXPECT_TRUE(QFileInfo::exists(path("data/applications/tirvelo.desktop")));

    // Registered to this program already: no question, and nothing rewritten.
    const QMap<QString, QByteArray> before = associationFiles();
    MessageBoxRecorder again(QMessageBox::No);
    runStartup({});
    EXPECT_TRUE(again.seen().isEmpty());
    EXPECT_EQ(associationFiles(), before);
}

TEST_F(DesktopAssociation, AnotherProgramIsAskedAboutOnceAndReplacedOnlyOnYes)
{
    installOtherProgram();
    ASSERT_EQ(registered(), QStringLiteral("/opt/other/bin/llegidor"));
    const QMap<QString, QByteArray> before = associationFiles();

    {
        MessageBoxRecorder no(QMessageBox::No);
        runStartup({});
        ASSERT_EQ(no.seen().size(), 1);
        const SeenMessage& question = no.seen()[0];
        EXPECT_EQ(question.caption, QStringLiteral("Quirna 2000 - Tirvelo"));
        EXPECT_EQ(question.text, QStringLiteral(u"Actualment l'extensió associada al programa \".Lumbrix\" està associada "
                                                u"a un altre programa. Vols associar aquesta extensió al programa: Quirna "
                                                u"2000 - Tirvelo?"));
        EXPECT_EQ(question.icon, QMessageBox::Warning);
        EXPECT_EQ(question.buttons, QMessageBox::Yes | QMessageBox::No);
    }
    // No: every file of the association byte for byte as it was.
    EXPECT_EQ(associationFiles(), before);
    EXPECT_EQ(registered(), QStringLiteral("/opt/other/bin/llegidor"));

    MessageBoxRecorder yes(QMessageBox::Yes);
    runStartup({});
    EXPECT_EQ(questions(yes.seen()).size(), 1);
    EXPECT_EQ(yes.seen().size(), 1);
    EXPECT_EQ(registered(), QCoreApplication::applicationFilePath());
    // The other program's own files are left to it.
    EXPECT_EQ(associationFiles().value(path("sysdata/applications/other.desktop")),
              before.value(path("sysdata/applications/other.desktop")));
}

TEST_F(DesktopAssociation, StartedWithAParameterChecksNothing)
{
    writeFile(path("p.txt"), "hola");
    writeFile(path("LLIBRE.LUMBRIX"), bookBytes(1, "", {"p.txt"}));

    {
        MessageBoxRecorder nothingRegistered(QMessageBox::Yes);
        runStartup({QStringLiteral("llibre")});
        EXPECT_TRUE(nothingRegistered.seen().isEmpty());
    }
    EXPECT_EQ(registered(), QString());
    EXPECT_TRUE(associationFiles().isEmpty());

    installOtherProgram();
    const QMap<QString, QByteArray> before = associationFiles();
    MessageBoxRecorder otherRegistered(QMessageBox::Yes);
    runStartup({QStringLiteral("llibre")});
    EXPECT_TRUE(questions(otherRegistered.seen()).isEmpty());
    EXPECT_EQ(associationFiles(), before);
}

namespace {

// The processes running `program` whose environment holds `marker`.
QList<pid_t> processesRunning(const QString& program, const QByteArray& marker)
{
    QList<pid_t> found;
    const QString wanted = QFileInfo(program).canonicalFilePath();
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isNumber = false;
        const pid_t pid = entry.toInt(&isNumber);
        if (!isNumber)
            continue;
        if (QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath() != wanted)
            continue;
        if (processEnvironment(pid).contains(marker))
            found << pid;
    }
    return found;
}

// No live process is left in the group (one that has ended but whose parent
// has not collected it yet counts as gone).
bool groupIsGone(pid_t group)
{
    const QList<ProcessEntry> processes = processTable();
    return std::none_of(processes.begin(), processes.end(),
                        [group](const ProcessEntry& p) { return p.group == group && p.state != 'Z'; });
}

} // namespace

// The association written for the real program makes the desktop's launchers
// start it with the book: `gio open`, which file managers use, and `xdg-open`
// in a GNOME session, which hands the file to gio. The launched program's
// environment is the launcher's, so the recording engine tells what it read.
TEST_F(DesktopAssociation, OpeningABookThroughTheDesktopStartsTheProgramWithIt)
{
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (gio.isEmpty() || xdgOpen.isEmpty())
        GTEST_SKIP() << "gio (libglib2.0-bin) or xdg-open (xdg-utils) is not installed";
    const QString program = buildPath(QStringLiteral("tirvelo"));
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();

    ASSERT_TRUE(FreedesktopAssociation().WriteAssociation(QStringLiteral("Lumbrix"), program));
    EXPECT_TRUE(QFileInfo::exists(path("data/mime/mime.cache"))) << "update-mime-database did not run";
    ASSERT_EQ(registered(), program);

    // A folder name with a blank: the desktop entry hands the file over as one argument.
    const QString books = path(QStringLiteral("els meus llibres"));
    const QString page = books + QStringLiteral("/pagina.txt");
    writeFile(page, "Hi havia una vegada.");
    const QString book = writeFile(books + QStringLiteral("/Conte.Lumbrix"),
                                   bookBytes(1, QFile::encodeName(books) + '/', {"pagina.txt"}));

    struct Launcher {
        const char* name;
        QStringList command;
        const char* desktop;
    };
    const Launcher launchers[] = {
        {"gio open", {gio, QStringLiteral("open"), book}, nullptr},
        {"xdg-open", {xdgOpen, book}, "GNOME"},
    };
    for (const Launcher& launcher : launchers) {
        SCOPED_TRACE(launcher.name);
        m_log.clear();
        const QByteArray marker = "TIRVELO_TEST_LAUNCH=" + QByteArray(launcher.name).replace(' ', '-') + '-'
            + QByteArray::number(QCoreApplication::applicationPid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TIRVELO_SPEECH_LIBRARY"), recordingEnginePath());
        environment.insert(QStringLiteral("TIRVELO_RECORDING_LOG"), m_log.path());
        environment.insert(QString::fromLatin1(marker.split('=')[0]), QString::fromLatin1(marker.split('=')[1]));
        if (launcher.desktop)
            environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QString::fromLatin1(launcher.desktop));

        // The launcher leads a process group of its own, which the program it
        // starts joins, so that the program can be ended with its group.
        QProcess launch;
        launch.setProcessEnvironment(environment);
        launch.setChildProcessModifier([] { ::setsid(); });
        launch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        launch.setStandardOutputFile(QProcess::nullDevice());
        launch.start(launcher.command.first(), launcher.command.mid(1));
        ASSERT_TRUE(launch.waitForStarted(10000));
        const pid_t launchGroup = pid_t(launch.processId());
        ASSERT_TRUE(launch.waitForFinished(30000));
        EXPECT_EQ(launch.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(launch.exitCode(), 0);

        // The program shows the splash, then the book's first page, a text it reads.
        const QByteArray expected = "ReadFile " + QFile::encodeName(page);
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_log.lines().contains(expected); }, 30000));
        const QList<pid_t> running = processesRunning(program, marker);
        ASSERT_EQ(running.size(), 1) << "the program with the launcher's environment";
        const pid_t group = ::getpgid(running[0]);
        ASSERT_GT(group, 0);
        ASSERT_NE(group, ::getpgrp()) << "the program must not be in the test's own group";
        EXPECT_EQ(group, launchGroup);

        ::kill(-group, SIGTERM);
        ASSERT_TRUE(QTest::qWaitFor([&] { return groupIsGone(group); }, 10000));
        if (!groupIsGone(group))
            ::kill(-group, SIGKILL);
    }
}

// `cmake --install` lays down the type and a desktop entry that lists it, but
// names no default in mimeapps.list: the desktop then opens books with that
// entry, so the association is the installed program's own and nothing is
// asked. The prefix is reached through a symbolic link, as /bin is /usr/bin:
// the running program knows itself by its real path.
TEST_F(DesktopAssociation, AfterInstallingTheProgramItsOwnEntryCountsAsTheAssociation)
{
    const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (cmake.isEmpty() || gio.isEmpty())
        GTEST_SKIP() << "cmake or gio (libglib2.0-bin) is not installed";
    ASSERT_TRUE(QDir().mkpath(path("real")));
    ASSERT_TRUE(QFile::link(path("real"), path("prefix")));
    QProcess install;
    install.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    install.setStandardOutputFile(QProcess::nullDevice());
    install.start(cmake, {QStringLiteral("--install"), buildPath(QString()), QStringLiteral("--prefix"), path("prefix")});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0);
    m_dataDirs.set(QFile::encodeName(path("prefix/share")));

    // The desktop's own view: the installed entry is the type's default.
    QProcess query;
    query.start(gio, {QStringLiteral("mime"), QStringLiteral("application/x-lumbrix")});
    ASSERT_TRUE(query.waitForFinished(30000));
    EXPECT_TRUE(query.readAllStandardOutput().split('\n').value(0).endsWith(": tirvelo.desktop"));

    const QString installed = path("real/bin/tirvelo");
    ASSERT_TRUE(QFileInfo(installed).isExecutable());
    bool asked = false;
    FreedesktopAssociation store;
    EXPECT_EQ(runAssociationCheck(store, QStringLiteral("Lumbrix"), installed, [&] { return asked = true; }),
              AssociationCheckResult::AlreadyAssociated);
    EXPECT_FALSE(asked);
    EXPECT_TRUE(associationFiles().isEmpty()) << "nothing of the user's was written";
}

// A default handler that names no program to run is still another program.
TEST_F(DesktopAssociation, ADefaultHandlerWithoutACommandIsAskedAbout)
{
    const QByteArray entries[] = {
        "[Desktop Entry]\nType=Application\nName=Other\nDBusActivatable=true\nMimeType=application/x-lumbrix;\n",
        "[Desktop Entry]\nType=Application\nName=Other\nExec=%f\nMimeType=application/x-lumbrix;\n",
    };
    installOtherProgram();
    for (const QByteArray& entry : entries) {
        SCOPED_TRACE(entry.toStdString());
        writeFile(path("sysdata/applications/other.desktop"), entry);
        MessageBoxRecorder no(QMessageBox::No);
        runStartup({});
        EXPECT_EQ(questions(no.seen()).size(), 1);
        EXPECT_FALSE(QFileInfo::exists(path("data/applications/tirvelo.desktop")));
    }
}
