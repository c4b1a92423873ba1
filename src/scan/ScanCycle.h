#pragma once
// The switch-scanning cycle: which of the two navigation buttons is
// highlighted. No widgets here: the main window paints the highlight and moves
// the pointer from what this state says.
#include <QPoint>
#include <cstdint>

namespace tirvelo {

struct ScanCycle {
    int32_t ScanFirst = 0;
    int32_t ScanLast = 1;    // 0 = previous button, 1 = next button
    int32_t ScanPosition = 0;

    // One move: on the last page the previous button, on the first page (also
    // with no book, and in a one-page book) the next button, elsewhere the
    // other button than before. Returns the new ScanPosition.
    int32_t ScanStep(int32_t currentPage, int32_t pageCount);

    // Opening the pop-up menu parks the position at the last button, so the
    // first step after resuming on a middle page highlights the previous one.
    void parkForMenu() { ScanPosition = ScanLast; }
};

// Where the pointer goes for a position, in the main window's client
// coordinates at 96 dpi: (28, 15) on the previous button, (85, 15) on the next.
QPoint scanPointerPoint(int32_t scanPosition);

} // namespace tirvelo
