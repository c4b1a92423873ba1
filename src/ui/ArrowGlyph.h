#pragma once
// The navigation buttons' arrows, drawn by us: a 32x32 solid black arrow (a
// triangular head 26 pixels tall at its back, a shaft 10 pixels thick ending
// in a V-shaped notch) on the dark-grey key colour, which is transparent.
#include <QImage>

namespace tirvelo {

enum class ArrowDirection { Left, Right };

// 32x32 ARGB image; the key colour (128,128,128) is already transparent.
QImage arrowGlyph(ArrowDirection direction);

} // namespace tirvelo
