#pragma once
// A page's companion sound decoded in the page preparer's worker, beside the
// page, so that the turn to it only hands the samples to the sound player.
// A sound that cannot be decoded is not prepared: the turn plays its file as
// before, and its alert sounds then, never earlier.
#include "audio/DecodedSound.h"
#include "audio/SoundPlayer.h"
#include "book/PagePreparer.h"

#include <optional>

namespace tirvelo {

// Sounds whose file is larger are left to the turn: held decoded beside the
// page shown, they would cost more memory than a screen's picture.
inline constexpr qint64 MaxPreparedSoundFileBytes = 4 * 1024 * 1024;

// The ExtraPreparation of the main window: the page's sound decoded.
std::shared_ptr<PageExtra> prepareCompanionSound(const PageView& page, QStringList& filesRead);

// The samples prepared for the sound file, taken out of extra; nothing when
// none were prepared for it.
std::optional<DecodedSound> takePreparedSound(PageExtra* extra, const QString& file);

// Plays the page's sound, from the samples prepared with the page when there are.
void playPageSound(SoundPlayer& player, const QString& file, PageExtra* prepared);

} // namespace tirvelo
