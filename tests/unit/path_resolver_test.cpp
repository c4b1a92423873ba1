#include "book/PathResolver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tirvelo;

namespace {
void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}
} // namespace

TEST(PathResolver, FindsNamesWrittenOnACaseBlindSystem)
{
    QTemporaryDir dir;
    touch(dir.filePath("Imatges/portada.jpg"));
    touch(dir.filePath("Sons/so.wav"));
    touch(dir.filePath("twins/A.txt"));
    touch(dir.filePath("twins/a.txt"));

    const QString root = dir.path();
    EXPECT_EQ(resolveFileName(root + "/Imatges/portada.jpg"), root + "/Imatges/portada.jpg");
    EXPECT_EQ(resolveFileName(root + "\\IMATGES\\Portada.JPG"), root + "/Imatges/portada.jpg");
    EXPECT_EQ(resolveFileName(root + "/sons\\SO.wav"), root + "/Sons/so.wav");
    EXPECT_EQ(resolveFileName(root + "/twins/a.txt"), root + "/twins/a.txt");      // exact wins
    EXPECT_TRUE(resolveFileName(root + "/twins/A.TXT").isEmpty());                 // two candidates: none
    EXPECT_TRUE(resolveFileName(root + "/Imatges/missing.jpg").isEmpty());
    EXPECT_TRUE(resolveFileName("C:\\Llibres\\portada.jpg").isEmpty());
    EXPECT_TRUE(resolveFileName("").isEmpty());

    // Relative names start at the current directory.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root));
    EXPECT_EQ(resolveFileName("imatges\\PORTADA.jpg"), QString("Imatges/portada.jpg"));
    EXPECT_EQ(resolveFileName(".\\Sons\\so.WAV"), QString("./Sons/so.wav"));
    QDir::setCurrent(previous);
}
