#include "editor/SoundFiles.h"

#include <algorithm>
#include <cmath>

namespace tirvelo::editor {
namespace {

// Kept before the first loud sample and after the last: the soft start and
// end of a word lie below the threshold.
constexpr int kMarginMilliseconds = 150;

} // namespace

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
