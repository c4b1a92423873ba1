#include "ui/CurrentDesktop.h"

#include "ui/MainWindowLayout.h"

#include <QGuiApplication>
#include <QWidget>

namespace tirvelo {

DesktopSession currentDesktopSession()
{
    return decideDesktopSession(QGuiApplication::platformName(), qEnvironmentVariable("WAYLAND_DISPLAY"),
                                qEnvironmentVariable("XDG_SESSION_TYPE"));
}

void coverScreen(QWidget* window, const DesktopSession& session)
{
    const Qt::WindowStates state = window->windowState();
    if (!session.coversScreenItself()) {
        if (!(state & Qt::WindowFullScreen))
            window->setWindowState((state & ~Qt::WindowMaximized) | Qt::WindowFullScreen);
        return;
    }
    if (!window->isVisible())
        return; // sized at the first show
    const QRect target = MainWindowLayout::availableScreen(window);
    if (!(state & Qt::WindowMaximized))
        window->setWindowState(state | Qt::WindowMaximized);
    if (window->geometry() != target)
        window->setGeometry(target);
}

} // namespace tirvelo
