#include "audio/SoundProbe.h"

#include <QAudioDecoder>
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
    decoder.setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    decoder.start();
    if (!decodes)
        loop.exec();
    decoder.stop();
    return *decodes;
}

} // namespace tirvelo
