#include "support/ProgramEnvironment.h"

#include <QDir>
#include <QFile>

namespace tirvelo::test {

ProgramEnvironment::ProgramEnvironment(const QString& folder, const QString& engine)
    : m_previousDirectory(QDir::currentPath()),
      m_config("XDG_CONFIG_HOME", QFile::encodeName(QDir(folder).filePath(QStringLiteral("config")))),
      m_data("XDG_DATA_HOME", QFile::encodeName(QDir(folder).filePath(QStringLiteral("data")))),
      m_engine("TIRVELO_SPEECH_LIBRARY",
               QFile::encodeName(engine.isEmpty() ? QDir(folder).filePath(QStringLiteral("no-engine.so")) : engine))
{
    QDir::setCurrent(folder);
}

ProgramEnvironment::~ProgramEnvironment()
{
    QDir::setCurrent(m_previousDirectory);
}

} // namespace tirvelo::test
