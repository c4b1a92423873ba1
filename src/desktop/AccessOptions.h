#pragma once
// The switch-access options: how long a press must be held, how long presses
// are ignored after one counts, which keys act as switches, the spoken
// highlight, and whether the sound switch listens during the page's own sound.
// They live in new keys of the program's section of the settings file; at
// their defaults the program behaves as it does without them.
#include <QByteArrayView>
#include <qnamespace.h>

#include <optional>
#include <span>

namespace tirvelo {

class SettingsFile;

enum class SwitchKey { None, Space, Enter, Digit1, Digit2, F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12 };

struct AccessOptions {
    static constexpr int MaxAcceptanceMs = 2000;
    static constexpr int MaxPostAcceptanceMs = 3000;

    int acceptanceMs = 0;     // a press counts only when held this long
    int postAcceptanceMs = 0; // activations ignored this long after one counts
    SwitchKey selectKey = SwitchKey::None;
    SwitchKey stepKey = SwitchKey::None; // chosen: the timer no longer moves the highlight
    bool spokenHighlight = false;
    bool soundSwitchDuringPageSound = false;

    bool operator==(const AccessOptions&) const = default;
};

// Every key the options offer, None first, in the order the dialog lists them.
std::span<const SwitchKey> offeredSwitchKeys();
// The key's name as stored and shown: "Space", "Enter", "1", "2", "F1".."F12";
// empty for None.
QByteArrayView switchKeyName(SwitchKey key);
std::optional<SwitchKey> switchKeyFromName(QByteArrayView name);
// Qt's key code (Qt::Key) for the key; 0 for None.
int qtKeyOf(SwitchKey key);
// The switch key that a key code stands for, None when it is none of them.
// Enter on the keypad and Return are one key, as interfaces send either.
SwitchKey switchKeyForQtKey(int qtKey);
// The switch key that a key press stands for. Only a key pressed alone counts,
// so Ctrl+1 or Shift+Space keep their usual meaning. The keypad's Enter is
// Enter, but the keypad's digits are no switch keys: with "1" or "2" chosen,
// digits can still be typed into the speed box from the keypad.
SwitchKey switchKeyForKeyPress(int qtKey, Qt::KeyboardModifiers modifiers);
// A digit key chosen as a switch key types no more from the main row.
bool isDigitSwitchKey(SwitchKey key);

// The stored options. A missing or unreadable value reads as its default; a
// number outside its range is brought into it; a step key equal to the select
// key reads as no step key.
AccessOptions readAccessOptions(const SettingsFile& file);
// Writes the keys whose stored value differs from the options, all in one
// atomic replacement of the file, so options never changed add nothing to it
// and a change of several keys is never left half done. False when they could
// not be written.
bool writeAccessOptions(SettingsFile& file, const AccessOptions& options);

} // namespace tirvelo
