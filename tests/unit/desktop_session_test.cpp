#include "desktop/DesktopSession.h"

#include <QString>
#include <gtest/gtest.h>

using namespace tirvelo;

TEST(DesktopSession, TheKindComesFromThePlatformAndTheSession)
{
    struct Case {
        const char16_t* platform;
        const char16_t* waylandDisplay;
        const char16_t* sessionType;
        DesktopKind expected;
    };
    const Case cases[] = {
        {u"xcb", u"", u"", DesktopKind::X11},
        {u"xcb", u"", u"x11", DesktopKind::X11},
        {u"xcb", u"  ", u"tty", DesktopKind::X11},              // blank is no display
        {u"xcb", u"wayland-0", u"", DesktopKind::XWayland},      // Qt itself goes by the display
        {u"xcb", u"wayland-0", u"x11", DesktopKind::XWayland},
        {u"xcb", u"", u"Wayland", DesktopKind::XWayland},        // any letter case
        {u"wayland", u"wayland-0", u"wayland", DesktopKind::Wayland},
        {u"wayland", u"", u"", DesktopKind::Wayland},
        {u"wayland-egl", u"wayland-0", u"", DesktopKind::Wayland},
        {u"waylandish", u"wayland-0", u"", DesktopKind::Other},  // not a Wayland plugin
        {u"offscreen", u"wayland-0", u"wayland", DesktopKind::Other},
        {u"", u"", u"", DesktopKind::Other},
    };
    for (const Case& c : cases) {
        const DesktopSession session = decideDesktopSession(c.platform, c.waylandDisplay, c.sessionType);
        EXPECT_EQ(session.kind, c.expected) << QString::fromUtf16(c.platform).toStdString() << " / "
                                            << QString::fromUtf16(c.waylandDisplay).toStdString() << " / "
                                            << QString::fromUtf16(c.sessionType).toStdString();
    }
}

TEST(DesktopSession, NativeWaylandIsAskedForOnlyWhereTheUserChoseNoPlatform)
{
    EXPECT_TRUE(prefersNativeWayland(u"", u"wayland-0", u""));
    EXPECT_TRUE(prefersNativeWayland(u" ", u"", u"wayland"));  // a blank choice names no platform
    EXPECT_FALSE(prefersNativeWayland(u"xcb", u"wayland-0", u"wayland"));
    EXPECT_FALSE(prefersNativeWayland(u"offscreen", u"wayland-0", u""));
    EXPECT_FALSE(prefersNativeWayland(u"", u"", u"x11"));  // an X session keeps Qt's own choice
}
