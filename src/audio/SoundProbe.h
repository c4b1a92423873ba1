#pragma once
// Whether a page sound can be played, found out without playing it.
#include <QString>

#include <chrono>

namespace tirvelo {

// The media framework that plays page sounds decodes the file up to its first
// block of samples. A file it cannot open or decode, or that gives no sample
// before the time limit, does not decode. Needs the application object and
// runs its event loop while it waits.
bool soundDecodes(const QString& path, std::chrono::milliseconds limit);

} // namespace tirvelo
