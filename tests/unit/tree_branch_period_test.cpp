// One period for a branch: the tags below a node, the most frequent period, and the
// server calls with their refusals.
#include <gtest/gtest.h>

#include "FakeTagServer.h"
#include "tree/BranchPeriod.h"
#include "tree/MemoryTree.h"
#include "tree/TagPath.h"
#include "tree_test_support.h"

namespace {

TEST(BranchPeriod, MostFrequentPeriodPrefersTheShortestAmongEquals)
{
    EXPECT_EQ(MostFrequentPeriod({}), std::nullopt);
    EXPECT_EQ(MostFrequentPeriod({50}), 50);
    EXPECT_EQ(MostFrequentPeriod({30, 10, 30, 20, 10, 30}), 30);
    // 10 and 20 twice each, whatever their order.
    EXPECT_EQ(MostFrequentPeriod({20, 10, 20, 10, 5}), 10);
    EXPECT_EQ(MostFrequentPeriod({10, 20, 10, 20, 5}), 10);
    // Periods beyond 32 bits and negative ones are counted as they are.
    EXPECT_EQ(MostFrequentPeriod({-1, 0x100000000LL, 0x100000000LL, -1, -1}), -1);
}

class BranchTagsTest : public testing::Test {
protected:
    void SetUp() override
    {
        InsertTagPath(m_tree, "Meter(005).Voltage", 5, 7, 1);
        InsertTagPath(m_tree, "Meter(005).Phase.A", 5, 7, 2);
        InsertTagPath(m_tree, "Meter(005).Phase.B", 5, 7, 3);
        InsertTagPath(m_tree, "Meter(006).Voltage", 6, 7, 1);
        for (auto [address, param, period] : {std::tuple{5u, 1u, 100}, {5u, 2u, 200}, {5u, 3u, 200}, {6u, 1u, 300}})
            m_server.tags[{7, address, param}] = period;
    }
    CMemoryTree m_tree;
    CFakeTagServer m_server;
};

TEST_F(BranchTagsTest, TagsBelowADeviceAGroupAndATag)
{
    EXPECT_EQ(TagsBelow(m_tree, FindPath(m_tree, {"Meter(005)"})),
              (std::vector<TagKey>{MakeTagKey(5, 7, 2), MakeTagKey(5, 7, 3), MakeTagKey(5, 7, 1)}));
    EXPECT_EQ(TagsBelow(m_tree, FindPath(m_tree, {"Meter(005)", "Phase"})),
              (std::vector<TagKey>{MakeTagKey(5, 7, 2), MakeTagKey(5, 7, 3)}));
    EXPECT_EQ(TagsBelow(m_tree, FindPath(m_tree, {"Meter(006)", "Voltage"})), (std::vector<TagKey>{MakeTagKey(6, 7, 1)}));
    EXPECT_TRUE(TagsBelow(m_tree, nullptr).empty());
}

TEST_F(BranchTagsTest, ReadAndApplyReportEveryRefusal)
{
    const std::vector<TagKey> tags = TagsBelow(m_tree, FindPath(m_tree, {"Meter(005)"}));
    const BranchPeriodsRead read = ReadBranchPeriods(m_server, tags);
    EXPECT_EQ(read.failed, 0u);
    EXPECT_EQ(MostFrequentPeriod(read.periods), 200);

    m_server.refuseAdd.insert({7, 5, 3});
    m_server.refusal = kE_INVALIDARG;
    const BranchPeriodReport report = ApplyBranchPeriod(m_server, tags, 5000);
    EXPECT_EQ(report.changed, 2u);
    EXPECT_EQ(report.refused, 1u);
    EXPECT_EQ(report.firstRefusal, kE_INVALIDARG);
    EXPECT_EQ((m_server.tags[{7, 5, 1}]), 5000);
    EXPECT_EQ((m_server.tags[{7, 5, 2}]), 5000);
    EXPECT_EQ((m_server.tags[{7, 5, 3}]), 200);
    EXPECT_EQ((m_server.tags[{7, 6, 1}]), 300);

    m_server.refuseGetTagInfo = true;
    const BranchPeriodsRead failed = ReadBranchPeriods(m_server, tags);
    EXPECT_EQ(failed.failed, 3u);
    EXPECT_TRUE(failed.periods.empty());
    EXPECT_TRUE(HrFailed(failed.firstFailure));
}

}  // namespace
