#pragma once
// The application object of a unit test that needs one.
#include <QGuiApplication>

namespace tirvelo::test {

// The test's QGuiApplication, made on first use and kept to the end of the
// program (never destroyed, so nothing outlives it).
QGuiApplication& guiApplication();

} // namespace tirvelo::test
