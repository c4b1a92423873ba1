#pragma once
// Plays a record through the first of a player's record families that takes
// it. Which family took a record type is remembered: records of one type
// repeat, and asking every family again would cost more than most records.
#include "formats/metafile/ByteView.h"

#include <array>
#include <cstddef>

namespace tirvelo::metafile {

template <class Player, class Type, std::size_t Count>
class RecordFamilies {
public:
    // A family plays the record types it knows and says whether this was one.
    using Family = bool (Player::*)(Type, ByteView);

    explicit RecordFamilies(const std::array<Family, Count>& families) : m_families(families) {}

    void play(Player& player, Type type, ByteView record)
    {
        // Record types are small numbers: the low byte tells them apart, and
        // the stored type catches any other number with the same low byte.
        Remembered& slot = m_remembered[type & 0xFF];
        if (slot.known && slot.type == type) {
            if (slot.family)
                (player.*slot.family)(type, record);
            return;
        }
        slot = Remembered{type, true, nullptr};
        for (const Family family : m_families) {
            if ((player.*family)(type, record)) {
                slot.family = family;
                return;
            }
        }
    }

private:
    struct Remembered {
        Type type{};
        bool known = false;
        Family family = nullptr; // none: a record type no family plays
    };

    std::array<Family, Count> m_families;
    std::array<Remembered, 256> m_remembered{};
};

} // namespace tirvelo::metafile
