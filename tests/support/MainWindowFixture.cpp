#include "support/MainWindowFixture.h"

#include "ui/ProcessState.h"
#include "speech/SpeechLibrary.h"

#include <QAction>
#include <QDir>
#include <QTest>

namespace tirvelo::test {

void MainWindowFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    m_previousDirectory = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath("config")));
    const QString engine = enginePath();
    qputenv("TIRVELO_SPEECH_LIBRARY", QFile::encodeName(engine.isEmpty() ? m_dir.filePath("no-engine.so") : engine));
    if (speechLibrary().load())
        speechLibrary().bindEntryPoints();
    boxes = std::make_unique<MessageBoxRecorder>();
}

void MainWindowFixture::createWindow()
{
    window = std::make_unique<TFormPrincipal>();
    InterfaceReady = true;
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

void MainWindowFixture::TearDown()
{
    window.reset();
    boxes.reset();
    speechLibrary().release();
    InterfaceReady = false;
    QDir::setCurrent(m_previousDirectory);
}

QString MainWindowFixture::writeBook(const QString& name, int pageCount, const QByteArray& directory,
                                     const QList<QByteArray>& pages)
{
    return writeFile(path(name), bookBytes(pageCount, directory, pages));
}

void MainWindowFixture::loadFromMenu(const QString& book)
{
    bool given = false;
    window->setFileChooser([&](TFormPrincipal&) {
        if (given)
            return std::optional<QString>();
        given = true;
        return std::optional<QString>(book);
    });
    window->MenuCarregarLlibre->trigger();
    window->setFileChooser({});
}

} // namespace tirvelo::test
