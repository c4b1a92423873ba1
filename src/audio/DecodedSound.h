#pragma once
// Sounds decoded into memory by libsndfile, and their samples written out in
// whatever format the output device takes.
#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class QAudioFormat;

namespace tirvelo {

// Interleaved samples in [-1, 1].
struct DecodedSound {
    int channels = 0;
    int sampleRate = 0;
    std::vector<float> samples;
    // A wave file (RIFF, RIFF-64 or extensible), the only kind a page sound may be.
    bool wave = false;

    qsizetype frames() const { return channels > 0 ? qsizetype(samples.size()) / channels : 0; }
};

// The longest sound decoded, in samples (256 MB): a longer one is cut there.
inline constexpr qsizetype MaxDecodedSamples = qsizetype(64) * 1024 * 1024;

// Decodes any sound file libsndfile reads: wave files holding PCM of 8 to 32
// bits, float, µ-law, A-law, IMA or Microsoft ADPCM, GSM 6.10; Ogg Vorbis and
// FLAC. A file cut short gives the samples it holds. Nothing when the file
// cannot be opened, its kind or encoding is unknown, or it holds no sample.
std::optional<DecodedSound> decodeSoundFile(const QString& path);

// Whether decodeSoundFile would give a wave sound, found out from the file's
// header and its first block of samples.
bool waveFileDecodes(const QString& path);

// The samples in `format`: channels copied (mono to more) or mixed (more to
// fewer), the rate changed by linear interpolation, samples written as
// unsigned 8-bit, signed 16- or 32-bit, or float.
QByteArray samplesInFormat(const DecodedSound& sound, const QAudioFormat& format);

} // namespace tirvelo
