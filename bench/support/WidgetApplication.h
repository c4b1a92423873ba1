#pragma once
// The QApplication of a benchmark that drives windows.
class QApplication;

namespace tirvelo::bench {

// Made at first use and never destroyed: a QApplication torn down among the
// exit-time statics crashes in Qt's own input-device cleanup. platform is used
// when QT_QPA_PLATFORM is not set (null: Qt's own choice, the X server).
QApplication& widgetApplication(const char* name, const char* platform = nullptr);

} // namespace tirvelo::bench
