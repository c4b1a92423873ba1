#pragma once
// Sounds made fit for a book page: the program plays wave files only, so any
// sound libsndfile reads (MP3, Ogg Vorbis, FLAC, wave...) is decoded and
// written as a 16-bit PCM wave; narration clips are cut and joined on the way.
#include "audio/DecodedSound.h"

#include <QByteArray>

#include <optional>

namespace tirvelo::authoring {

// Decodes a sound held in memory (at most MaxDecodedSamples). nullopt when it
// is no sound libsndfile reads, or holds no sample.
std::optional<DecodedSound> decodeSoundBytes(const QByteArray& bytes);

// The part of sound from begin to end seconds (to its end without one),
// within the sound's own length.
DecodedSound soundPart(const DecodedSound& sound, double beginSeconds, std::optional<double> endSeconds);

// Adds more at the end of into. The first sound added sets the channels and
// the rate; later ones are converted to them. Stops at MaxDecodedSamples.
void appendSound(DecodedSound& into, const DecodedSound& more);

// The sound as a 16-bit PCM wave file; empty when it holds nothing.
QByteArray waveFileBytes(const DecodedSound& sound);

// The sound as a file of libsndfile's format (SF_FORMAT_... values, MP3
// included); empty when it holds nothing or cannot be written so.
QByteArray soundFileBytes(const DecodedSound& sound, int libsndfileFormat);

} // namespace tirvelo::authoring
