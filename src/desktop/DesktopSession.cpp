#include "desktop/DesktopSession.h"

namespace tirvelo {
namespace {

// Qt itself takes a Wayland display whenever one is named, whatever the
// session type says; an X client there talks to XWayland.
bool isWaylandSession(QStringView waylandDisplay, QStringView sessionType)
{
    return !waylandDisplay.trimmed().isEmpty()
        || sessionType.trimmed().compare(u"wayland", Qt::CaseInsensitive) == 0;
}

} // namespace

DesktopSession decideDesktopSession(QStringView platformName, QStringView waylandDisplay, QStringView sessionType)
{
    // Qt names its Wayland plugins "wayland", "wayland-egl", "wayland-xcomposite-glx"...
    if (platformName == u"wayland" || platformName.startsWith(u"wayland-"))
        return {DesktopKind::Wayland};
    if (platformName != u"xcb")
        return {DesktopKind::Other};
    return {isWaylandSession(waylandDisplay, sessionType) ? DesktopKind::XWayland : DesktopKind::X11};
}

bool prefersNativeWayland(QStringView chosenPlatform, QStringView waylandDisplay, QStringView sessionType)
{
    return chosenPlatform.trimmed().isEmpty() && isWaylandSession(waylandDisplay, sessionType);
}

} // namespace tirvelo
