#pragma once
// Recorded narration: the quiet before and after the words taken away.
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace tirvelo::editor {

// The part of 8-bit unsigned samples between the first and the last one
// louder than threshold (a level 0..127, as WavMax measures it), with a
// little of the quiet kept at each end so that a word is not clipped.
// Nothing louder: empty.
QByteArray trimmedSilence(const QByteArray& samples, int sampleRate, int threshold);

} // namespace tirvelo::editor
