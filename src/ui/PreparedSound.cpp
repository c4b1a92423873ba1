#include "ui/PreparedSound.h"

#include <QFileInfo>

namespace tirvelo {
namespace {

struct PreparedSound : PageExtra {
    QString file;
    std::optional<DecodedSound> sound;
};

} // namespace

std::shared_ptr<PageExtra> prepareCompanionSound(const PageView& page, QStringList& filesRead)
{
    if (!page.sound)
        return nullptr;
    const QFileInfo file(*page.sound);
    if (page.sound->size() > SoundPlayer::MaxNameLength || !file.isFile() || file.size() > MaxPreparedSoundFileBytes)
        return nullptr;
    std::optional<DecodedSound> sound = decodeSoundFile(*page.sound);
    if (!sound || !sound->wave)
        return nullptr;
    filesRead.append(*page.sound);
    auto prepared = std::make_shared<PreparedSound>();
    prepared->file = *page.sound;
    prepared->sound = std::move(sound);
    return prepared;
}

std::optional<DecodedSound> takePreparedSound(PageExtra* extra, const QString& file)
{
    auto* prepared = dynamic_cast<PreparedSound*>(extra);
    if (!prepared || prepared->file != file)
        return std::nullopt;
    return std::exchange(prepared->sound, std::nullopt);
}

void playPageSound(SoundPlayer& player, const QString& file, PageExtra* prepared)
{
    if (std::optional<DecodedSound> sound = takePreparedSound(prepared, file))
        player.playDecoded(file, std::move(*sound));
    else
        player.play(file);
}

} // namespace tirvelo
