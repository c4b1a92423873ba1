#pragma once
// Which kind of desktop the program runs on, and what the platform lets it do
// there. Decided once from Qt's platform name and the session's environment:
// the "wayland" platform is native Wayland; "xcb" with WAYLAND_DISPLAY set, or
// with XDG_SESSION_TYPE "wayland", is an X client of XWayland; "xcb" otherwise
// is a plain X server. Other platforms (offscreen, vnc) keep the X behaviour.
#include <QStringView>

namespace tirvelo {

enum class DesktopKind { X11, XWayland, Wayland, Other };

struct DesktopSession {
    DesktopKind kind = DesktopKind::X11;

    // The scan puts the pointer on the highlighted button. A Wayland client
    // cannot move the pointer, and under some compositors an XWayland client
    // that moves it loses the next click.
    bool movesPointer() const { return kind == DesktopKind::X11 || kind == DesktopKind::Other; }
    // Where the pointer does not follow the highlight, a left click on the
    // page presses the highlighted button while scanning.
    bool pageClickPressesHighlight() const { return !movesPointer(); }
    // Other programs' windows can be found and raised by their X class; on a
    // Wayland session they are mostly Wayland clients, out of an X client's sight.
    bool findsOtherWindows() const { return kind == DesktopKind::X11; }
    // The program places its own dialogs; a Wayland client cannot.
    bool placesOwnWindows() const { return kind != DesktopKind::Wayland; }
    // On X the window covers the screen itself (a bare X server has no window
    // manager to answer a request); on a Wayland session it asks for full
    // screen and takes the size the compositor gives.
    bool coversScreenItself() const { return kind == DesktopKind::X11 || kind == DesktopKind::Other; }
};

DesktopSession decideDesktopSession(QStringView platformName, QStringView waylandDisplay, QStringView sessionType);

// Whether to ask Qt for its native Wayland platform first (XWayland when the
// plugin is missing): on a Wayland session where the user chose no platform
// (QT_QPA_PLATFORM unset or blank). Under weston an X client's pop-up menus
// stay under its full-screen window.
bool prefersNativeWayland(QStringView chosenPlatform, QStringView waylandDisplay, QStringView sessionType);

} // namespace tirvelo
