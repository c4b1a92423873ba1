// tirvelo-llibre: checks books and makes them from folders of pages, with the
// program's own loader and decoders. It never shows a window.
#include "tools/Commands.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    // Pictures and rich text need the GUI library, never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return tirvelo::booktool::runBookTool(app.arguments().mid(1), out, err);
}
