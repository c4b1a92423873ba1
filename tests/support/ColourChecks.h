#pragma once
// Colour comparisons for the tests that look at drawn or decoded pictures.
#include <QRgb>

#include <gtest/gtest.h>

namespace tirvelo::test {

// Success when red, green and blue each differ by at most `tolerance`; the
// failure names both colours in hex.
::testing::AssertionResult near(QRgb actual, QRgb expected, int tolerance = 24);

} // namespace tirvelo::test
