#include "scan/ScanCycle.h"

namespace tirvelo {

int32_t ScanCycle::ScanStep(int32_t currentPage, int32_t pageCount)
{
    if (currentPage + 1 == pageCount)
        ScanPosition = ScanLast;
    // After the last-page rule, so a one-page book highlights the next button.
    if (currentPage == 0)
        ScanPosition = 0;
    ScanPosition += 1;
    if (ScanPosition > ScanLast)
        ScanPosition = ScanFirst;
    return ScanPosition;
}

QPoint scanPointerPoint(int32_t scanPosition)
{
    return QPoint(scanPosition * 57 + 28, 15);
}

} // namespace tirvelo
