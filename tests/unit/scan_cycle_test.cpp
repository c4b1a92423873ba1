#include "scan/ScanCycle.h"

#include <gtest/gtest.h>

using namespace tirvelo;

namespace {
std::vector<int> steps(ScanCycle& cycle, int currentPage, int pageCount, int count)
{
    std::vector<int> positions;
    for (int i = 0; i < count; ++i)
        positions.push_back(cycle.ScanStep(currentPage, pageCount));
    return positions;
}
} // namespace

TEST(ScanCycle, PositionsFollowThePageRules)
{
    ScanCycle cycle;
    EXPECT_EQ(steps(cycle, 0, 0, 3), std::vector<int>({1, 1, 1}));   // no book
    EXPECT_EQ(steps(cycle, 0, 1, 3), std::vector<int>({1, 1, 1}));   // one page: first-page rule wins
    EXPECT_EQ(steps(cycle, 0, 5, 3), std::vector<int>({1, 1, 1}));   // first page
    EXPECT_EQ(steps(cycle, 4, 5, 3), std::vector<int>({0, 0, 0}));   // last page
    ScanCycle middle;
    EXPECT_EQ(steps(middle, 2, 5, 4), std::vector<int>({1, 0, 1, 0})); // alternates
}

TEST(ScanCycle, ResumingAfterTheMenuHighlightsThePreviousButtonOnAMiddlePage)
{
    ScanCycle cycle;
    cycle.ScanStep(2, 5);
    cycle.parkForMenu();
    EXPECT_EQ(cycle.ScanPosition, 1);
    EXPECT_EQ(cycle.ScanStep(2, 5), 0);
    // On a page past the book's end (after a failed load) the cycle still alternates.
    EXPECT_EQ(cycle.ScanStep(6, 5), 1);
    EXPECT_EQ(cycle.ScanStep(6, 5), 0);
}

TEST(ScanCycle, PointerPointsAtTheButtonCentres)
{
    EXPECT_EQ(scanPointerPoint(0), QPoint(28, 15));
    EXPECT_EQ(scanPointerPoint(1), QPoint(85, 15));
}
