#include "ui/CurrentDesktop.h"

#include <QGuiApplication>

namespace tirvelo {

DesktopSession currentDesktopSession()
{
    return decideDesktopSession(QGuiApplication::platformName(), qEnvironmentVariable("WAYLAND_DISPLAY"),
                                qEnvironmentVariable("XDG_SESSION_TYPE"));
}

} // namespace tirvelo
