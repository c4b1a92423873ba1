#include "desktop/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tirvelo;

namespace {

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

// A writer killed at any moment leaves the old or the new file, never a part.
TEST(SettingsCrash, KilledWriterLeavesOldOrNewContent)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quirna2001.ini"));
    // Large enough that writing it takes a while, so kills land inside writes.
    QByteArray others;
    for (int i = 0; i < 4000; ++i)
        others += "; line " + QByteArray::number(i) + " of another program's notes, with \xE0 in it\r\n";
    const QByteArray longValue(45, 'L');
    const QByteArray base = others + "[Tirvelo]\r\nIdioma=Catala\r\nEscaneig=no\r\n";
    QByteArray stateLong = base;
    stateLong.replace("Idioma=Catala\r\n", "Idioma=" + longValue + "\r\n");
    QByteArray stateShort = base;
    stateShort.replace("Idioma=Catala\r\n", "Idioma=P\r\n");
    put(path, base);

    int seenLong = 0;
    int seenShort = 0;
    constexpr int kKills = 200;
    for (int kill = 0; kill < kKills; ++kill) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            SettingsFile settings(path);
            for (unsigned i = 0;; ++i) {
                if (!settings.write("Tirvelo", "Idioma", (i % 2) ? QByteArrayView("P") : QByteArrayView(longValue)))
                    ::_exit(2);
                if (i == 0 && ::write(ready[1], "w", 1) != 1)
                    ::_exit(3);
            }
        }
        ::close(ready[1]);
        char byte = 0;
        // After the first complete write, let it run into a random point of a later one.
        const bool started = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        ::usleep(QRandomGenerator::global()->bounded(3000));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(started) << "the writer failed before its first write, status " << status;
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;

        const QByteArray now = contentOf(path);
        if (now == stateLong)
            ++seenLong;
        else if (now == stateShort)
            ++seenShort;
        else
            FAIL() << "kill " << kill << " left " << now.size() << " bytes that are neither state";
    }
    // Both states turning up shows the kills landed all through the writes.
    EXPECT_GT(seenLong, 0);
    EXPECT_GT(seenShort, 0);
    EXPECT_EQ(SettingsFile(path).read("Tirvelo", "Escaneig", "NO"), "no");
}

// A disk that fills up during the write leaves the old file and reports failure.
TEST(SettingsCrash, FullDiskKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quirna2001.ini"));
    const QByteArray old = "[Altre]\r\nA=1\r\n[Tirvelo]\r\nIdioma=Catala\r\n";
    put(path, old);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The file-size limit makes write() fail with EFBIG past it, as a full disk does.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(old.size() + 8), static_cast<rlim_t>(old.size() + 8)};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(3);
        const bool written = SettingsFile(path).write("Tirvelo", "Idioma", QByteArray(40, 'X'));
        ::_exit(written ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should have reported failure";
    EXPECT_EQ(contentOf(path), old);
    // The half-written temporary file is cleaned away.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Quirna2001.ini")});
}
