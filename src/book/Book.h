#pragma once
// The loaded book: its page entries and where the reader is.
#include <QString>
#include <array>
#include <cstdint>

namespace tirvelo {

constexpr int32_t MaxPages = 1001;

struct Book {
    // Entry i: BookDirectory followed directly by page line i of the book file.
    // A load does not clear entries beyond its PageCount.
    std::array<QString, MaxPages> PageFiles;
    QString BookDirectory;
    // The folder the book file is in, absolute: relative names that the
    // current folder does not hold are looked for there. Stored with
    // BookDirectory.
    QString BookFolder;
    int32_t CurrentPage = 0; // 0-based page on screen
    int32_t PageCount = 0;   // 0 while no book is loaded, then 1..MaxPages
};

} // namespace tirvelo
