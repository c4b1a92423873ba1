#pragma once
// Reads and drives the real X server the GUI tests run on, through xdotool:
// what the pointer's position is there, and clicks that arrive as from a
// switch wired as the left mouse button.
#include <QPoint>
#include <optional>

namespace tirvelo::test {

std::optional<QPoint> pointerPositionOnServer();
// A real left click at the pointer's current position.
bool clickAtPointer();
bool xdotoolAvailable();

} // namespace tirvelo::test
