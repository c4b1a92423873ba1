#include "audio/DecodedSound.h"

#include <QAudioFormat>
#include <QFile>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace tirvelo {

namespace {

constexpr sf_count_t BlockFrames = 4096;

struct SoundFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFileHandle = std::unique_ptr<SNDFILE, SoundFileCloser>;

SoundFileHandle openSoundFile(const QString& path, SF_INFO& info)
{
    info = SF_INFO{};
    SoundFileHandle file(sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (file && (info.channels < 1 || info.samplerate < 1))
        file.reset();
    return file;
}

bool isWave(const SF_INFO& info)
{
    const int container = info.format & SF_FORMAT_TYPEMASK;
    return container == SF_FORMAT_WAV || container == SF_FORMAT_WAVEX || container == SF_FORMAT_RF64;
}

// One output frame's channels from one input frame.
void mapChannels(const float* in, int inChannels, float* out, int outChannels)
{
    if (inChannels == outChannels) {
        std::copy_n(in, inChannels, out);
        return;
    }
    float mix = 0;
    for (int c = 0; c < inChannels; ++c)
        mix += in[c];
    mix /= float(inChannels);
    for (int c = 0; c < outChannels; ++c)
        out[c] = outChannels > 1 && c < inChannels ? in[c] : mix;
}

// Appends one sample in the output's sample format.
void putSample(float value, QAudioFormat::SampleFormat format, char* out)
{
    const double v = std::clamp(double(value), -1.0, 1.0);
    switch (format) {
    case QAudioFormat::UInt8: {
        // 8-bit samples are unsigned: silence is 128.
        const auto sample = static_cast<quint8>(std::lround(128.0 + v * 127.0));
        std::memcpy(out, &sample, 1);
        break;
    }
    case QAudioFormat::Int16: {
        const auto sample = static_cast<qint16>(std::lround(v * 32767.0));
        std::memcpy(out, &sample, 2);
        break;
    }
    case QAudioFormat::Int32: {
        const auto sample = static_cast<qint32>(std::llround(v * 2147483647.0));
        std::memcpy(out, &sample, 4);
        break;
    }
    case QAudioFormat::Float: {
        const auto sample = static_cast<float>(v);
        std::memcpy(out, &sample, 4);
        break;
    }
    case QAudioFormat::Unknown:
    case QAudioFormat::NSampleFormats:
        break;
    }
}

} // namespace

std::optional<DecodedSound> decodeSoundFile(const QString& path)
{
    SF_INFO info;
    const SoundFileHandle file = openSoundFile(path, info);
    if (!file)
        return std::nullopt;
    DecodedSound sound;
    sound.channels = info.channels;
    sound.sampleRate = info.samplerate;
    sound.wave = isWave(info);
    const qsizetype maxFrames = MaxDecodedSamples / info.channels;
    std::vector<float> block(size_t(BlockFrames * info.channels));
    for (qsizetype frames = 0; frames < maxFrames;) {
        const sf_count_t wanted = std::min<sf_count_t>(BlockFrames, maxFrames - frames);
        const sf_count_t got = sf_readf_float(file.get(), block.data(), wanted);
        if (got <= 0)
            break;
        sound.samples.insert(sound.samples.end(), block.begin(), block.begin() + got * info.channels);
        frames += got;
    }
    if (sound.samples.empty())
        return std::nullopt;
    return sound;
}

bool waveFileDecodes(const QString& path)
{
    SF_INFO info;
    const SoundFileHandle file = openSoundFile(path, info);
    if (!file || !isWave(info))
        return false;
    std::vector<float> block(size_t(BlockFrames * info.channels));
    return sf_readf_float(file.get(), block.data(), BlockFrames) > 0;
}

QByteArray samplesInFormat(const DecodedSound& sound, const QAudioFormat& format)
{
    const qsizetype inFrames = sound.frames();
    const int outChannels = format.channelCount();
    const int bytesPerSample = format.bytesPerSample();
    if (inFrames == 0 || outChannels < 1 || bytesPerSample < 1 || format.sampleRate() < 1)
        return {};
    const double step = double(sound.sampleRate) / format.sampleRate();
    const auto outFrames = std::max<qsizetype>(1, qsizetype(double(inFrames) / step));
    QByteArray bytes(outFrames * outChannels * bytesPerSample, Qt::Uninitialized);
    std::vector<float> here(static_cast<size_t>(outChannels));
    std::vector<float> next(static_cast<size_t>(outChannels));
    char* out = bytes.data();
    for (qsizetype j = 0; j < outFrames; ++j) {
        const double position = double(j) * step;
        const auto i = std::min(qsizetype(position), inFrames - 1);
        const auto fraction = float(position - double(i));
        mapChannels(&sound.samples[size_t(i * sound.channels)], sound.channels, here.data(), outChannels);
        mapChannels(&sound.samples[size_t(std::min(i + 1, inFrames - 1) * sound.channels)], sound.channels,
                    next.data(), outChannels);
        for (int c = 0; c < outChannels; ++c) {
            putSample(here[size_t(c)] + (next[size_t(c)] - here[size_t(c)]) * fraction, format.sampleFormat(), out);
            out += bytesPerSample;
        }
    }
    return bytes;
}

} // namespace tirvelo
