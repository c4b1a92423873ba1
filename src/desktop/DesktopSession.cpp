#include "desktop/DesktopSession.h"

namespace tirvelo {

DesktopSession decideDesktopSession(QStringView platformName, QStringView waylandDisplay, QStringView sessionType)
{
    // Qt names its Wayland plugins "wayland", "wayland-egl", "wayland-xcomposite-glx"...
    if (platformName == u"wayland" || platformName.startsWith(u"wayland-"))
        return {DesktopKind::Wayland};
    if (platformName != u"xcb")
        return {DesktopKind::Other};
    // Qt itself takes a Wayland display whenever one is named, whatever the
    // session type says; an X client there talks to XWayland.
    const bool waylandSession = !waylandDisplay.trimmed().isEmpty()
        || sessionType.trimmed().compare(u"wayland", Qt::CaseInsensitive) == 0;
    return {waylandSession ? DesktopKind::XWayland : DesktopKind::X11};
}

} // namespace tirvelo
