#include "support/TestApplication.h"

namespace tirvelo::test {

QGuiApplication& guiApplication()
{
    static int argc = 1;
    static char name[] = "tirvelo_test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* instance = [] {
        if (auto* existing = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return existing;
        return new QGuiApplication(argc, argv);
    }();
    return *instance;
}

} // namespace tirvelo::test
