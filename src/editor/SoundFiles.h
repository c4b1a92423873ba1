#pragma once
// Narration sounds as the reader plays them: mono 16-bit PCM wave files.
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace tirvelo::editor {

// Any sound libsndfile decodes (WAV, MP3, Ogg, FLAC) as a wave file, its
// channels mixed to one; nullopt when it does not decode.
std::optional<QByteArray> waveFileFrom(const QString& file);

// The part of 8-bit unsigned samples between the first and the last one
// louder than threshold (a level 0..127, as WavMax measures it), with a
// little of the quiet kept at each end so that a word is not clipped.
// Nothing louder: empty.
QByteArray trimmedSilence(const QByteArray& samples, int sampleRate, int threshold);

} // namespace tirvelo::editor
