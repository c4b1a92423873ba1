#pragma once
// A mono PCM wave file around samples we make ourselves (the alert beep, test tones).
#include <QByteArray>

namespace tirvelo {

// samples: little-endian PCM, bitsPerSample 8 (unsigned) or 16 (signed).
QByteArray monoWaveFile(const QByteArray& samples, int sampleRate, int bitsPerSample);

} // namespace tirvelo
