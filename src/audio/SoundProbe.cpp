#include "audio/SoundProbe.h"

#include <QAudioDecoder>
#include <QAudioFormat>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

#include <optional>

namespace tirvelo {

bool soundDecodes(const QString& path, std::chrono::milliseconds limit)
{
    if (!QFileInfo(path).isFile())
        return false;
    QAudioDecoder decoder;
    QEventLoop loop;
    std::optional<bool> decodes;
    auto answer = [&](bool value) {
        if (!decodes)
            decodes = value;
        loop.quit();
    };
    QObject::connect(&decoder, &QAudioDecoder::bufferReady, &loop, [&] { answer(true); });
    QObject::connect(&decoder, qOverload<QAudioDecoder::Error>(&QAudioDecoder::error), &loop, [&] { answer(false); });
    QObject::connect(&decoder, &QAudioDecoder::finished, &loop, [&] { answer(false); });
    QTimer::singleShot(limit, &loop, [&] { answer(false); });
    // Left to itself the decoder offers only the file's own sample format,
    // which it cannot do for 8-bit files; the player converts, so must we.
    QAudioFormat converted;
    converted.setSampleFormat(QAudioFormat::Int16);
    converted.setChannelCount(1);
    converted.setSampleRate(22050);
    decoder.setAudioFormat(converted);
    decoder.setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    decoder.start();
    if (!decodes)
        loop.exec();
    decoder.stop();
    return *decodes;
}

} // namespace tirvelo
