#include "WidgetApplication.h"

#include <QApplication>

namespace tirvelo::bench {

QApplication& widgetApplication(const char* name, const char* platform)
{
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(name), nullptr};
    if (platform && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", platform);
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

} // namespace tirvelo::bench
