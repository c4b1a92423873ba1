#pragma once
// The program's surroundings pointed into a test's folder while the object
// lives: the current directory, the settings ($XDG_CONFIG_HOME = folder/config),
// the desktop data ($XDG_DATA_HOME = folder/data) and the speech library it
// loads. Everything comes back at the end.
#include "support/ScopedEnvironmentVariable.h"

#include <QString>

namespace tirvelo::test {

class ProgramEnvironment {
public:
    // engine: the speech library to load; empty: a file in the folder that
    // does not exist, so that the program runs without speech.
    explicit ProgramEnvironment(const QString& folder, const QString& engine = {});
    ~ProgramEnvironment();
    ProgramEnvironment(const ProgramEnvironment&) = delete;
    ProgramEnvironment& operator=(const ProgramEnvironment&) = delete;

private:
    QString m_previousDirectory;
    ScopedEnvironmentVariable m_config;
    ScopedEnvironmentVariable m_data;
    ScopedEnvironmentVariable m_engine;
};

} // namespace tirvelo::test
