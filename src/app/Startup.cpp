#include "app/Startup.h"

#include <QApplication>

namespace tirvelo {

int runTirvelo(int& argc, char** argv)
{
    QApplication app(argc, argv);
    return 0;
}

} // namespace tirvelo
