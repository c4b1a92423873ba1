#include "authoring/PageSound.h"

#include <QAudioFormat>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tirvelo::authoring {
namespace {

// libsndfile's virtual file over a QByteArray, for reading and writing.
struct MemoryFile {
    QByteArray bytes;
    sf_count_t at = 0;
};

sf_count_t fileLength(void* user)
{
    return static_cast<MemoryFile*>(user)->bytes.size();
}

sf_count_t seekTo(sf_count_t offset, int whence, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t base = whence == SEEK_CUR ? file->at : whence == SEEK_END ? file->bytes.size() : 0;
    const sf_count_t target = base + offset;
    if (target < 0)
        return -1;
    file->at = target;
    return target;
}

sf_count_t readInto(void* out, sf_count_t count, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t available = std::max<sf_count_t>(0, file->bytes.size() - file->at);
    const sf_count_t n = std::min(count, available);
    if (n > 0)
        std::memcpy(out, file->bytes.constData() + file->at, size_t(n));
    file->at += n;
    return n;
}

sf_count_t writeFrom(const void* in, sf_count_t count, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    if (file->at + count > file->bytes.size())
        file->bytes.resize(qsizetype(file->at + count));
    std::memcpy(file->bytes.data() + file->at, in, size_t(count));
    file->at += count;
    return count;
}

sf_count_t position(void* user)
{
    return static_cast<MemoryFile*>(user)->at;
}

SF_VIRTUAL_IO memoryIo()
{
    return SF_VIRTUAL_IO{fileLength, seekTo, readInto, writeFrom, position};
}

// The sound with other channels and rate, through the player's own converter.
DecodedSound converted(const DecodedSound& sound, int channels, int sampleRate)
{
    if (sound.channels == channels && sound.sampleRate == sampleRate)
        return sound;
    QAudioFormat format;
    format.setChannelCount(channels);
    format.setSampleRate(sampleRate);
    format.setSampleFormat(QAudioFormat::Float);
    const QByteArray bytes = samplesInFormat(sound, format);
    DecodedSound out;
    out.channels = channels;
    out.sampleRate = sampleRate;
    out.samples.resize(size_t(bytes.size()) / sizeof(float));
    std::memcpy(out.samples.data(), bytes.constData(), out.samples.size() * sizeof(float));
    return out;
}

} // namespace

std::optional<DecodedSound> decodeSoundBytes(const QByteArray& bytes)
{
    MemoryFile file{bytes, 0};
    SF_VIRTUAL_IO io = memoryIo();
    SF_INFO info{};
    SNDFILE* sound = sf_open_virtual(&io, SFM_READ, &info, &file);
    if (!sound)
        return std::nullopt;
    DecodedSound decoded;
    decoded.channels = info.channels;
    decoded.sampleRate = info.samplerate;
    if (info.channels >= 1 && info.channels <= 8 && info.samplerate >= 1) {
        constexpr sf_count_t kBlockFrames = 4096;
        const qsizetype maxFrames = MaxDecodedSamples / info.channels;
        std::vector<float> block(size_t(kBlockFrames * info.channels));
        for (qsizetype frames = 0; frames < maxFrames;) {
            const sf_count_t got = sf_readf_float(sound, block.data(), std::min<sf_count_t>(kBlockFrames, maxFrames - frames));
            if (got <= 0)
                break;
            decoded.samples.insert(decoded.samples.end(), block.begin(), block.begin() + got * info.channels);
            frames += got;
        }
    }
    sf_close(sound);
    if (decoded.samples.empty())
        return std::nullopt;
    return decoded;
}

DecodedSound soundPart(const DecodedSound& sound, double beginSeconds, std::optional<double> endSeconds)
{
    const qsizetype frames = sound.frames();
    auto frameAt = [&](double seconds) {
        return std::clamp<qsizetype>(qsizetype(std::llround(seconds * sound.sampleRate)), 0, frames);
    };
    const qsizetype first = frameAt(beginSeconds);
    const qsizetype last = endSeconds ? std::max(first, frameAt(*endSeconds)) : frames;
    DecodedSound part;
    part.channels = sound.channels;
    part.sampleRate = sound.sampleRate;
    part.samples.assign(sound.samples.begin() + first * sound.channels, sound.samples.begin() + last * sound.channels);
    return part;
}

void appendSound(DecodedSound& into, const DecodedSound& more)
{
    if (more.samples.empty())
        return;
    if (into.channels == 0) {
        into.channels = more.channels;
        into.sampleRate = more.sampleRate;
    }
    const DecodedSound same = converted(more, into.channels, into.sampleRate);
    const size_t room = size_t(MaxDecodedSamples) - std::min(size_t(MaxDecodedSamples), into.samples.size());
    const size_t taken = std::min(room - room % size_t(into.channels), same.samples.size());
    into.samples.insert(into.samples.end(), same.samples.begin(), same.samples.begin() + qsizetype(taken));
}

QByteArray waveFileBytes(const DecodedSound& sound)
{
    return soundFileBytes(sound, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

QByteArray soundFileBytes(const DecodedSound& sound, int libsndfileFormat)
{
    if (sound.samples.empty() || sound.channels < 1 || sound.sampleRate < 1)
        return {};
    MemoryFile file;
    SF_VIRTUAL_IO io = memoryIo();
    SF_INFO info{};
    info.channels = sound.channels;
    info.samplerate = sound.sampleRate;
    info.format = libsndfileFormat;
    SNDFILE* out = sf_open_virtual(&io, SFM_WRITE, &info, &file);
    if (!out)
        return {};
    // Float samples past full scale are clipped, not wrapped.
    sf_command(out, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const sf_count_t frames = sf_count_t(sound.frames());
    const bool complete = sf_writef_float(out, sound.samples.data(), frames) == frames;
    sf_close(out);
    return complete ? file.bytes : QByteArray();
}

} // namespace tirvelo::authoring
