#include "support/XServer.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/prctl.h>

namespace tirvelo::test {
namespace {
std::optional<QString> runTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

std::optional<QString> run(const QStringList& arguments)
{
    return runTool(QStringLiteral("xdotool"), arguments);
}

// The child ends with this test program whatever ends it, so that no later
// test meets its window.
void endsWithThisProgram(QProcess& child)
{
    child.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

xcb_atom_t atomNamed(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}
} // namespace

bool xdotoolAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

std::optional<QPoint> pointerPositionOnServer()
{
    const std::optional<QString> out = run({QStringLiteral("getmouselocation"), QStringLiteral("--shell")});
    if (!out)
        return std::nullopt;
    const QRegularExpressionMatch x = QRegularExpression(QStringLiteral("X=(\\d+)")).match(*out);
    const QRegularExpressionMatch y = QRegularExpression(QStringLiteral("Y=(\\d+)")).match(*out);
    if (!x.hasMatch() || !y.hasMatch())
        return std::nullopt;
    return QPoint(x.captured(1).toInt(), y.captured(1).toInt());
}

bool clickAtPointer()
{
    return run({QStringLiteral("click"), QStringLiteral("1")}).has_value();
}

bool leftButtonAtPointer(bool down)
{
    return run({down ? QStringLiteral("mousedown") : QStringLiteral("mouseup"), QStringLiteral("1")}).has_value();
}

std::optional<QString> focusedWindowOnServer()
{
    const std::optional<QString> out = run({QStringLiteral("getwindowfocus"), QStringLiteral("-f")});
    return out ? std::optional<QString>(out->trimmed()) : std::nullopt;
}

OtherProgramWindow::OtherProgramWindow()
{
    const QString name = QStringLiteral("tirvelo-other-program");
    endsWithThisProgram(m_program);
    // Away from the top-left corner, where the main window's buttons are.
    m_program.start(QStringLiteral("xmessage"), {QStringLiteral("-name"), name, QStringLiteral("-geometry"),
                                                 QStringLiteral("+700+700"), QStringLiteral("Una altra aplicació")});
    if (!m_program.waitForStarted(10000))
        return;
    const std::optional<QString> found = run({QStringLiteral("search"), QStringLiteral("--sync"),
                                              QStringLiteral("--onlyvisible"), QStringLiteral("--classname"), name});
    const QStringList windows = found ? found->split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList();
    if (windows.isEmpty())
        return;
    if (run({QStringLiteral("windowfocus"), QStringLiteral("--sync"), windows.first()}))
        m_id = windows.first();
}

OtherProgramWindow::~OtherProgramWindow()
{
    m_program.kill();
    m_program.waitForFinished(5000);
}

bool WindowManagerRun::available()
{
    return !QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty();
}

WindowManagerRun::WindowManagerRun()
{
    m_manager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endsWithThisProgram(m_manager);
    m_manager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!m_manager.waitForStarted(10000))
        return;
    // A window mapped while the manager is still starting can be left
    // unmapped for good: it is running once it manages a probe window. A probe
    // not taken up within a few seconds was mapped too early and is made again.
    const QString probeName = QStringLiteral("tirvelo-probe");
    const auto probeManaged = [&] {
        const std::optional<QString> probe = run({QStringLiteral("search"), QStringLiteral("--classname"), probeName});
        const std::optional<QString> list =
            runTool(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST")});
        if (!probe || !list || probe->trimmed().isEmpty())
            return false;
        const QString hex = QStringLiteral("0x") + QString::number(probe->split(u'\n').first().toULongLong(), 16);
        return list->contains(QRegularExpression(QRegularExpression::escape(hex) + QStringLiteral("\\b")));
    };
    for (int attempt = 0; attempt < 10 && !m_running; ++attempt) {
        QProcess probe;
        endsWithThisProgram(probe);
        probe.start(QStringLiteral("xmessage"), {QStringLiteral("-name"), probeName, QStringLiteral("-geometry"),
                                                 QStringLiteral("+0+0"), QStringLiteral("probe")});
        m_running = probe.waitForStarted(10000) && QTest::qWaitFor(probeManaged, 6000);
        probe.kill();
        probe.waitForFinished(5000);
    }
    // The probe is gone from the screen before a test begins.
    m_running = m_running && QTest::qWaitFor([&] {
        const std::optional<QString> probe = run({QStringLiteral("search"), QStringLiteral("--classname"), probeName});
        return !probe || probe->trimmed().isEmpty();
    }, 10000);
}

WindowManagerRun::~WindowManagerRun()
{
    // On SIGTERM openbox gives the windows back and clears its root properties.
    m_manager.terminate();
    if (!m_manager.waitForFinished(10000)) {
        m_manager.kill();
        m_manager.waitForFinished(5000);
    }
}

bool WindowManagerRun::askToClose(const QWidget& window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || !window.windowHandle())
        return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = xcb_window_t(window.winId());
    message.type = atomNamed(connection, "_NET_CLOSE_WINDOW");
    message.data.data32[0] = XCB_CURRENT_TIME;
    message.data.data32[1] = 2; // from a pager or task bar, which the manager obeys
    xcb_send_event(connection, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    return xcb_flush(connection) > 0;
}

} // namespace tirvelo::test
