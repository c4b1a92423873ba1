#include "desktop/AccessOptions.h"

#include "base/Cp1252.h"
#include "base/IntegerText.h"
#include "desktop/SettingsFile.h"
#include "desktop/SettingsKeys.h"

#include <QByteArray>

#include <algorithm>
#include <array>

namespace tirvelo {
namespace {

struct KeyEntry {
    SwitchKey key;
    QByteArrayView name;
    int qtKey;
};

constexpr std::array<KeyEntry, 17> kKeys{{
    {SwitchKey::None, "", 0},
    {SwitchKey::Space, "Space", Qt::Key_Space},
    {SwitchKey::Enter, "Enter", Qt::Key_Return},
    {SwitchKey::Digit1, "1", Qt::Key_1},
    {SwitchKey::Digit2, "2", Qt::Key_2},
    {SwitchKey::F1, "F1", Qt::Key_F1},
    {SwitchKey::F2, "F2", Qt::Key_F2},
    {SwitchKey::F3, "F3", Qt::Key_F3},
    {SwitchKey::F4, "F4", Qt::Key_F4},
    {SwitchKey::F5, "F5", Qt::Key_F5},
    {SwitchKey::F6, "F6", Qt::Key_F6},
    {SwitchKey::F7, "F7", Qt::Key_F7},
    {SwitchKey::F8, "F8", Qt::Key_F8},
    {SwitchKey::F9, "F9", Qt::Key_F9},
    {SwitchKey::F10, "F10", Qt::Key_F10},
    {SwitchKey::F11, "F11", Qt::Key_F11},
    {SwitchKey::F12, "F12", Qt::Key_F12},
}};

constexpr std::array<SwitchKey, kKeys.size()> kOffered = [] {
    std::array<SwitchKey, kKeys.size()> keys{};
    for (std::size_t i = 0; i < kKeys.size(); ++i)
        keys[i] = kKeys[i].key;
    return keys;
}();

const KeyEntry& entryOf(SwitchKey key)
{
    return *std::find_if(kKeys.begin(), kKeys.end(), [key](const KeyEntry& e) { return e.key == key; });
}

QByteArray read(const SettingsFile& file, const char* key)
{
    return file.read(settings::kSection, key, "", settings::kReadBufferSize);
}

int readMilliseconds(const SettingsFile& file, const char* key, int maximum)
{
    const std::optional<int32_t> value = parseStrictInteger(fromCp1252(read(file, key)));
    return value ? std::clamp<int>(*value, 0, maximum) : 0;
}

SwitchKey readKey(const SettingsFile& file, const char* key)
{
    return switchKeyFromName(read(file, key)).value_or(SwitchKey::None);
}

bool readChoice(const SettingsFile& file, const char* key)
{
    return read(file, key) == QByteArrayView(settings::kScanOn);
}

QByteArray choiceText(bool on)
{
    return on ? QByteArray(settings::kScanOn) : QByteArray(settings::kScanOff);
}

} // namespace

std::span<const SwitchKey> offeredSwitchKeys()
{
    return kOffered;
}

QByteArrayView switchKeyName(SwitchKey key)
{
    return entryOf(key).name;
}

std::optional<SwitchKey> switchKeyFromName(QByteArrayView name)
{
    for (const KeyEntry& entry : kKeys)
        if (entry.name == name)
            return entry.key;
    return std::nullopt;
}

int qtKeyOf(SwitchKey key)
{
    return entryOf(key).qtKey;
}

SwitchKey switchKeyForQtKey(int qtKey)
{
    if (qtKey == Qt::Key_Enter)
        qtKey = Qt::Key_Return;
    if (qtKey == 0)
        return SwitchKey::None;
    for (const KeyEntry& entry : kKeys)
        if (entry.qtKey == qtKey)
            return entry.key;
    return SwitchKey::None;
}

SwitchKey switchKeyForKeyPress(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & ~Qt::KeyboardModifiers(Qt::KeypadModifier))
        return SwitchKey::None;
    const SwitchKey key = switchKeyForQtKey(qtKey);
    if ((modifiers & Qt::KeypadModifier) && isDigitSwitchKey(key))
        return SwitchKey::None;
    return key;
}

bool isDigitSwitchKey(SwitchKey key)
{
    return key == SwitchKey::Digit1 || key == SwitchKey::Digit2;
}

AccessOptions readAccessOptions(const SettingsFile& file)
{
    AccessOptions options;
    options.acceptanceMs = readMilliseconds(file, settings::kAcceptanceTimeKey, AccessOptions::MaxAcceptanceMs);
    options.postAcceptanceMs =
        readMilliseconds(file, settings::kPostAcceptanceDelayKey, AccessOptions::MaxPostAcceptanceMs);
    options.selectKey = readKey(file, settings::kSelectKeyKey);
    options.stepKey = readKey(file, settings::kStepKeyKey);
    if (options.stepKey == options.selectKey)
        options.stepKey = SwitchKey::None;
    options.spokenHighlight = readChoice(file, settings::kSpokenHighlightKey);
    options.soundSwitchDuringPageSound = readChoice(file, settings::kSoundSwitchDuringSoundKey);
    return options;
}

bool writeAccessOptions(SettingsFile& file, const AccessOptions& options)
{
    const AccessOptions stored = readAccessOptions(file);
    // One key cannot both select and step; selecting wins, as it does on reading.
    const SwitchKey stepKey = options.stepKey == options.selectKey ? SwitchKey::None : options.stepKey;
    // The step key as stored, before reading drops one equal to the select key:
    // such a line must still be rewritten, or it would step again once the
    // select key changes.
    const SwitchKey storedStepKey = readKey(file, settings::kStepKeyKey);
    QList<SettingsFile::KeyValue> changed;
    const auto update = [&](bool differs, const char* key, const QByteArray& value) {
        if (differs)
            changed.append({key, value});
    };
    update(options.acceptanceMs != stored.acceptanceMs, settings::kAcceptanceTimeKey,
           QByteArray::number(options.acceptanceMs));
    update(options.postAcceptanceMs != stored.postAcceptanceMs, settings::kPostAcceptanceDelayKey,
           QByteArray::number(options.postAcceptanceMs));
    update(options.selectKey != stored.selectKey, settings::kSelectKeyKey,
           switchKeyName(options.selectKey).toByteArray());
    update(stepKey != storedStepKey, settings::kStepKeyKey, switchKeyName(stepKey).toByteArray());
    update(options.spokenHighlight != stored.spokenHighlight, settings::kSpokenHighlightKey,
           choiceText(options.spokenHighlight));
    update(options.soundSwitchDuringPageSound != stored.soundSwitchDuringPageSound,
           settings::kSoundSwitchDuringSoundKey, choiceText(options.soundSwitchDuringPageSound));
    // All at once: a swap of the two keys is never left half done.
    return changed.isEmpty() || file.write(settings::kSection, changed);
}

} // namespace tirvelo
