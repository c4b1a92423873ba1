#pragma once
// How the players read a record's fixed part: a packed struct of the record's
// little-endian fields in file order, copied out by ByteView::layout, with its
// size checked at compile time against the size the format gives it. Counted
// arrays and strings after the fixed part are read element by element, each
// count checked against the record first.
#include <cstddef>
#include <cstdint>

namespace tirvelo::metafile {

// Fails to compile, naming both sizes, when a layout is not the size the
// format gives its record (a field missing, or padding slipped in).
template <class T, std::size_t Expected, std::size_t Actual = sizeof(T)>
constexpr bool assertSize()
{
    static_assert(Actual == Expected, "a record layout differs from the format's size");
    return true;
}

} // namespace tirvelo::metafile
