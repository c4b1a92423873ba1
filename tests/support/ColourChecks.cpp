#include "support/ColourChecks.h"

#include <cstdlib>

namespace tirvelo::test {

::testing::AssertionResult near(QRgb actual, QRgb expected, int tolerance)
{
    if (std::abs(qRed(actual) - qRed(expected)) <= tolerance && std::abs(qGreen(actual) - qGreen(expected)) <= tolerance
        && std::abs(qBlue(actual) - qBlue(expected)) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "colour " << std::hex << actual << " is not near " << expected;
}

} // namespace tirvelo::test
