#include "audio/WaveFile.h"

#include <QtEndian>

namespace tirvelo {

QByteArray monoWaveFile(const QByteArray& samples, int sampleRate, int bitsPerSample)
{
    const quint16 bytesPerSample = static_cast<quint16>(bitsPerSample / 8);
    QByteArray wave("RIFF");
    auto put32 = [&wave](quint32 v) { char b[4]; qToLittleEndian(v, b); wave.append(b, 4); };
    auto put16 = [&wave](quint16 v) { char b[2]; qToLittleEndian(v, b); wave.append(b, 2); };
    put32(static_cast<quint32>(36 + samples.size()));
    wave.append("WAVEfmt ");
    put32(16);
    put16(1); // PCM
    put16(1); // mono
    put32(static_cast<quint32>(sampleRate));
    put32(static_cast<quint32>(sampleRate * bytesPerSample));
    put16(bytesPerSample);
    put16(static_cast<quint16>(bitsPerSample));
    wave.append("data");
    put32(static_cast<quint32>(samples.size()));
    wave.append(samples);
    return wave;
}

} // namespace tirvelo
