#include "support/MainWindowFixture.h"

#include <QAction>
#include <QDir>
#include <QTest>

namespace tirvelo::test {

void MainWindowFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    m_environment.emplace(m_dir.path(), enginePath());
    services = std::make_unique<TestServices>(makeEngine());
    if (engine().load())
        engine().bindEntryPoints();
    boxes = &services->messages;
}

void MainWindowFixture::createWindow()
{
    window = std::make_unique<TFormPrincipal>(services->bundle());
    window->modes().setInterfaceReady(true);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

void MainWindowFixture::TearDown()
{
    window.reset();
    boxes = nullptr;
    services.reset();
    m_environment.reset();
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
    window->PopupMenu1->MenuCarregarLlibre->trigger();
    window->setFileChooser({});
}

} // namespace tirvelo::test
