#pragma once
// Reads and drives the real X server the GUI tests run on, through xdotool:
// what the pointer's position is there, and clicks that arrive as from a
// switch wired as the left mouse button; which window holds the input focus,
// a window of another program, and a window manager for one test.
#include <QPoint>
#include <QProcess>
#include <QString>
#include <optional>

class QWidget;

namespace tirvelo::test {

std::optional<QPoint> pointerPositionOnServer();
// A real left click at the pointer's current position.
bool clickAtPointer();
// The left button pressed (down) or let go at the pointer's current position.
bool leftButtonAtPointer(bool down);
bool xdotoolAvailable();
// The window holding the X server's input focus (its decimal id).
std::optional<QString> focusedWindowOnServer();

// A window of another program (xmessage) holding the input focus, as when the
// user works in another application. The program ends with this object.
class OtherProgramWindow {
public:
    OtherProgramWindow();
    ~OtherProgramWindow();
    // Empty when the window could not be shown and focused.
    QString id() const { return m_id; }

private:
    QProcess m_program;
    QString m_id;
};

// openbox on the test display while this object lives; the tests otherwise
// run without a window manager.
class WindowManagerRun {
public:
    WindowManagerRun();
    ~WindowManagerRun();
    static bool available();
    bool running() const { return m_running; }
    // Asks the window manager to close the window, as its title bar or a task
    // bar does (_NET_CLOSE_WINDOW to the root window).
    static bool askToClose(const QWidget& window);

private:
    QProcess m_manager;
    bool m_running = false;
};

} // namespace tirvelo::test
