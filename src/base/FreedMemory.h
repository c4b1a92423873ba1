#pragma once
// Gives the memory the program has freed back to the system.
//
// glibc serves large blocks (a decoded photo, its stretched copy) from mmap at
// first, and unmaps them when freed; but freeing one raises its threshold for
// mmap to that block's size, so the next photos come from the heap, and the
// heap keeps what is freed there: after a photo page the resident set would
// stay some 30 MB higher. Trimming hands those free pages back.
namespace tirvelo {

// Returns free heap pages to the system (malloc_trim with glibc; elsewhere
// nothing). Takes a few milliseconds: called after a page is left, not during
// a turn.
void returnFreedMemory();

} // namespace tirvelo
