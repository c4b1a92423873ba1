#pragma once
// Windows font families named by metafiles and rich-text pages, and their
// metric-compatible twins from the fonts the program depends on (Liberation,
// Carlito, Caladea): same advance widths, so text keeps its width and its line
// breaks where the Windows font itself is not installed.
#include <QString>
#include <QStringList>

namespace tirvelo {

// The metric twin of a Windows family (case-blind), or an empty string.
QString metricTwinOf(const QString& windowsFamily);

// The family list to ask Qt for: the named family first, so that an installed
// Windows font wins, then its twin.
QStringList familiesFor(const QString& family);

} // namespace tirvelo
