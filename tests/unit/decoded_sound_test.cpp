// Sounds decoded from real files, and their samples written in the format an
// output device asks for.
#include "audio/DecodedSound.h"
#include "audio/WaveFile.h"
#include "support/AudioTestTools.h"

#include <QAudioFormat>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstring>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

QAudioFormat formatOf(int rate, int channels, QAudioFormat::SampleFormat sampleFormat)
{
    QAudioFormat format;
    format.setSampleRate(rate);
    format.setChannelCount(channels);
    format.setSampleFormat(sampleFormat);
    return format;
}

template <typename T>
std::vector<double> samplesOf(const QByteArray& bytes)
{
    std::vector<double> values(size_t(bytes.size()) / sizeof(T));
    for (size_t i = 0; i < values.size(); ++i) {
        T v;
        std::memcpy(&v, bytes.constData() + i * sizeof(T), sizeof(T));
        values[i] = double(v);
    }
    return values;
}

DecodedSound soundOf(int channels, int rate, std::vector<float> samples)
{
    DecodedSound sound;
    sound.channels = channels;
    sound.sampleRate = rate;
    sound.samples = std::move(samples);
    return sound;
}

} // namespace

TEST(SamplesInFormat, ConvertsChannelsRateAndSampleFormat)
{
    struct Case {
        const char* what;
        DecodedSound sound;
        QAudioFormat format;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {"mono copied to both sides", soundOf(1, 8000, {0.5f, -0.25f}), formatOf(8000, 2, QAudioFormat::Int16),
         {16384, 16384, -8192, -8192}},
        {"stereo mixed to mono", soundOf(2, 8000, {1.0f, 0.0f, -0.5f, -1.0f}), formatOf(8000, 1, QAudioFormat::Int16),
         {16384, -24575}},
        {"five channels keep the first two", soundOf(5, 8000, {0.5f, -0.5f, 1.0f, 1.0f, 1.0f}),
         formatOf(8000, 2, QAudioFormat::Int16), {16384, -16384}},
        {"unsigned 8-bit: silence is 128, clipped at the ends", soundOf(1, 8000, {0.0f, 1.5f, -2.0f}),
         formatOf(8000, 1, QAudioFormat::UInt8), {128, 255, 1}},
        {"32-bit", soundOf(1, 8000, {0.5f}), formatOf(8000, 1, QAudioFormat::Int32), {1073741824}},
        {"float", soundOf(1, 8000, {-0.75f}), formatOf(8000, 1, QAudioFormat::Float), {-0.75}},
        {"twice the rate: the frames between are interpolated", soundOf(1, 8000, {0.0f, 0.5f, 1.0f}),
         formatOf(16000, 1, QAudioFormat::Int16), {0, 8192, 16384, 24575, 32767, 32767}},
        {"half the rate: every other frame", soundOf(1, 16000, {0.0f, 0.5f, 1.0f, -1.0f}),
         formatOf(8000, 1, QAudioFormat::Int16), {0, 32767}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray bytes = samplesInFormat(c.sound, c.format);
        std::vector<double> got;
        switch (c.format.sampleFormat()) {
        case QAudioFormat::UInt8: got = samplesOf<quint8>(bytes); break;
        case QAudioFormat::Int32: got = samplesOf<qint32>(bytes); break;
        case QAudioFormat::Float: got = samplesOf<float>(bytes); break;
        default: got = samplesOf<qint16>(bytes); break;
        }
        ASSERT_EQ(got.size(), c.expected.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_NEAR(got[i], c.expected[i], 1.0) << "sample " << i;
    }
}

TEST(DecodeSoundFile, ReadsWhatTheFileHolds)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto write = [&](const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    };

    // 8-bit samples are unsigned: 0, 128 and 255 are the bottom, silence and the top.
    const QByteArray eightBit = monoWaveFile(QByteArray("\x00\x80\xff", 3), 11025, 8);
    const auto sound = decodeSoundFile(write("eight.wav", eightBit));
    ASSERT_TRUE(sound);
    EXPECT_TRUE(sound->wave);
    EXPECT_EQ(sound->sampleRate, 11025);
    ASSERT_EQ(sound->samples.size(), 3u);
    EXPECT_FLOAT_EQ(sound->samples[0], -1.0f);
    EXPECT_FLOAT_EQ(sound->samples[1], 0.0f);
    EXPECT_NEAR(sound->samples[2], 1.0, 0.01);

    // The header promises a second; only a quarter of it was written.
    const QByteArray second = monoWaveFile(QByteArray(16000, '\x10'), 8000, 16);
    const auto cut = decodeSoundFile(write("cut.wav", second.left(44 + 4000)));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->frames(), 2000);

    const QString ulaw = dir.filePath(QStringLiteral("ulaw.wav"));
    ASSERT_TRUE(writeEncodedTone(ulaw, SF_FORMAT_WAV | SF_FORMAT_ULAW, 0.25, 2, 8000));
    const auto stereo = decodeSoundFile(ulaw);
    ASSERT_TRUE(stereo);
    EXPECT_EQ(stereo->channels, 2);
    EXPECT_EQ(stereo->frames(), 2000);
    EXPECT_TRUE(waveFileDecodes(ulaw));

    // A sound that is not a wave file decodes, but is told apart.
    const QString flac = dir.filePath(QStringLiteral("tone.flac"));
    ASSERT_TRUE(writeEncodedTone(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 0.25));
    ASSERT_TRUE(decodeSoundFile(flac));
    EXPECT_FALSE(decodeSoundFile(flac)->wave);
    EXPECT_FALSE(waveFileDecodes(flac));

    const QString headerOnly = write("empty.wav", second.left(44));
    EXPECT_FALSE(decodeSoundFile(headerOnly));
    EXPECT_FALSE(waveFileDecodes(headerOnly));
    EXPECT_FALSE(decodeSoundFile(write("text.wav", "not a sound at all")));
    EXPECT_FALSE(decodeSoundFile(dir.filePath(QStringLiteral("missing.wav"))));
}
