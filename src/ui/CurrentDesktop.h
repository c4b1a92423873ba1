#pragma once
// The desktop this program runs on (see desktop/DesktopSession.h), read from
// the running application's platform and the environment at each call.
#include "desktop/DesktopSession.h"

class QWidget;

namespace tirvelo {

DesktopSession currentDesktopSession();

// Makes the window cover the screen as this desktop allows. On a Wayland
// session by the platform's own full-screen request, the size left to the
// compositor (weston ends a client whose size differs from what it
// configured, and misplaces an X window that sizes itself); elsewhere
// maximised and covering the available screen also where no window manager
// maximises. Called before the first show and at every activation.
void coverScreen(QWidget* window, const DesktopSession& session);

} // namespace tirvelo
