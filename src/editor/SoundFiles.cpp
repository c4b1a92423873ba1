#include "editor/SoundFiles.h"

#include "audio/DecodedSound.h"
#include "audio/WaveFile.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace tirvelo::editor {
namespace {

// Kept before the first loud sample and after the last: the soft start and
// end of a word lie below the threshold.
constexpr int kMarginMilliseconds = 150;

} // namespace

std::optional<QByteArray> waveFileFrom(const QString& file)
{
    const std::optional<DecodedSound> sound = decodeSoundFile(file);
    if (!sound || sound->frames() == 0)
        return std::nullopt;
    const qsizetype frames = sound->frames();
    QByteArray samples(frames * 2, Qt::Uninitialized);
    for (qsizetype frame = 0; frame < frames; ++frame) {
        float sum = 0;
        for (int channel = 0; channel < sound->channels; ++channel)
            sum += sound->samples[size_t(frame * sound->channels + channel)];
        const float mixed = std::clamp(sum / float(sound->channels), -1.0f, 1.0f);
        qToLittleEndian(qint16(std::lround(mixed * 32767.0f)), samples.data() + frame * 2);
    }
    return monoWaveFile(samples, sound->sampleRate, 16);
}

QByteArray trimmedSilence(const QByteArray& samples, int sampleRate, int threshold)
{
    auto loud = [threshold](char sample) { return std::abs(int(quint8(sample)) - 128) > threshold; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    if (first == samples.end())
        return {};
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
    const qsizetype margin = qsizetype(sampleRate) * kMarginMilliseconds / 1000;
    const qsizetype start = std::max<qsizetype>(0, (first - samples.begin()) - margin);
    const qsizetype end = std::min<qsizetype>(samples.size(), (samples.rend() - last) + margin);
    return samples.mid(start, end - start);
}

} // namespace tirvelo::editor
