// tirvelo-llibre: checks books and makes them from folders of pages, with the
// program's own loader and decoders. It never shows a window.
#include "tools/Commands.h"

#include <QGuiApplication>
#include <QTextStream>

namespace {

// Decoders and the platform talk about bad files and missing desktop
// services; the findings already say what matters, so only failures of Qt
// itself get through.
void keepOnlyCriticalMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        QTextStream(stderr) << qFormatLogMessage(type, context, message) << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    // Pictures and rich text need the GUI library, never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(keepOnlyCriticalMessages);
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return tirvelo::booktool::runBookTool(app.arguments().mid(1), out, err);
}
