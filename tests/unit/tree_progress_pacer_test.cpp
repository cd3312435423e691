// When the progress of a long fill shows: not within the delay, then at most once per
// interval.
#include <gtest/gtest.h>

#include "tree/ProgressPacer.h"

namespace {

TEST(ProgressPacer, ShowsAfterTheDelayThenUpdatesAtMostOncePerInterval)
{
    using Step = CProgressPacer::Step;
    CProgressPacer pacer(5000, 1000, 100);
    EXPECT_EQ(pacer.Tick(5000), Step::Nothing);
    EXPECT_EQ(pacer.Tick(6000), Step::Nothing);  // exactly one second is not longer than one
    EXPECT_FALSE(pacer.Shown());
    EXPECT_EQ(pacer.Tick(6001), Step::Show);
    EXPECT_TRUE(pacer.Shown());
    EXPECT_EQ(pacer.Tick(6050), Step::Nothing);
    EXPECT_EQ(pacer.Tick(6100), Step::Nothing);
    EXPECT_EQ(pacer.Tick(6101), Step::Update);
    EXPECT_EQ(pacer.Tick(6150), Step::Nothing);
    EXPECT_EQ(pacer.Tick(9000), Step::Update);
    EXPECT_EQ(pacer.Tick(9000), Step::Nothing);
}

TEST(ProgressPacer, CountsFromAStartNearTheClocksWrap)
{
    CProgressPacer pacer(~0ull - 10, 0, 100);
    EXPECT_EQ(pacer.Tick(~0ull - 10), CProgressPacer::Step::Nothing);
    EXPECT_EQ(pacer.Tick(~0ull), CProgressPacer::Step::Show);
}

}  // namespace
