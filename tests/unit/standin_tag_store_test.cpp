// The stand-in's tag store: the EnumTags walk and the key ranges.
#include <gtest/gtest.h>

#include <vector>

#include "standin/TagStore.h"

namespace {

struct Key {
    std::uint32_t type, address, param;
    bool operator==(const Key& o) const
    {
        return type == o.type && address == o.address && param == o.param;
    }
};

// Walks like the configurator does: cursor 0, call until the cursor is 0 again.
std::vector<Key> WalkAll(const CTagStore& store, int limit = 1000)
{
    std::vector<Key> seen;
    std::uint32_t cursor = 0;
    StandinTag tag;
    do {
        if (!store.Walk(&cursor, false, &tag)) break;
        seen.push_back({tag.type, tag.address, tag.param});
    } while (cursor != 0 && --limit > 0);
    EXPECT_EQ(cursor, 0u) << "the walk must end with the cursor at 0";
    return seen;
}

TEST(StandinTagStore, WalkIsSortedByTypeAddressParamAndEndsAtZero)
{
    CTagStore store;
    // Inserted out of order, with values that would sort differently by address or param first.
    store.Set(2, 1, 1, 10);
    store.Set(1, 200, 5, 10);
    store.Set(1, 3, 65535, 10);
    store.Set(1, 3, 2, 10);
    store.Set(255, 255, 65535, 10);
    const std::vector<Key> expected = {{1, 3, 2}, {1, 3, 65535}, {1, 200, 5}, {2, 1, 1}, {255, 255, 65535}};
    EXPECT_EQ(WalkAll(store), expected);
}

TEST(StandinTagStore, EmptyStoreFailsFirstStepWithCursorZero)
{
    CTagStore store;
    std::uint32_t cursor = 0;
    StandinTag tag;
    tag.type = 99;
    EXPECT_FALSE(store.Walk(&cursor, false, &tag));
    EXPECT_EQ(cursor, 0u);
    EXPECT_EQ(tag.type, 99u) << "nothing delivered";
    EXPECT_FALSE(store.Walk(&cursor, true, &tag)) << "endless walk of no tags has nothing to deliver";
}

TEST(StandinTagStore, SingleTagWalkDeliversItOnceAndEnds)
{
    CTagStore store;
    store.Set(7, 8, 9, 1);
    std::uint32_t cursor = 0;
    StandinTag tag;
    ASSERT_TRUE(store.Walk(&cursor, false, &tag));
    EXPECT_EQ(cursor, 0u);
    EXPECT_EQ(tag.param, 9u);
}

TEST(StandinTagStore, EndlessWalkCyclesAndNeverReturnsCursorZero)
{
    CTagStore store;
    store.Set(1, 1, 1, 0);
    store.Set(1, 1, 2, 0);
    std::uint32_t cursor = 0;
    StandinTag tag;
    std::vector<std::uint32_t> params;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(store.Walk(&cursor, true, &tag));
        EXPECT_NE(cursor, 0u);
        params.push_back(tag.param);
    }
    EXPECT_EQ(params, (std::vector<std::uint32_t>{1, 2, 1, 2, 1}));
}

TEST(StandinTagStore, WalkSurvivesDeletionsBetweenSteps)
{
    CTagStore store;
    for (std::uint32_t p = 1; p <= 4; ++p) store.Set(3, 4, p, 0);
    std::uint32_t cursor = 0;
    StandinTag tag;
    ASSERT_TRUE(store.Walk(&cursor, false, &tag));  // delivers param 1, cursor at param 2
    store.Erase(3, 4, 2);                           // the tag under the cursor goes away
    ASSERT_TRUE(store.Walk(&cursor, false, &tag));
    EXPECT_EQ(tag.param, 3u) << "continues with the next remaining tag";
    store.Erase(3, 4, 4);                           // and the rest too
    EXPECT_FALSE(store.Walk(&cursor, false, &tag)) << "cursor past the end";
    EXPECT_EQ(cursor, 0u);
}


TEST(StandinTagStore, KeyRanges)
{
    struct Case { std::uint32_t type, address, param; bool valid; } cases[] = {
        {1, 1, 1, true},        {255, 255, 65535, true}, {0, 1, 1, false},
        {1, 0, 1, false},       {1, 1, 0, false},        {256, 1, 1, false},
        {1, 256, 1, false},     {1, 1, 65536, false},    {0xFFFFFFFF, 1, 1, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CTagStore::ValidKey(c.type, c.address, c.param), c.valid)
            << c.type << ' ' << c.address << ' ' << c.param;
}

}  // namespace
