// The add-tags dialog's tree and its Add walk, and the refresh-period conversions.
#include "FakeTagServer.h"
#include "tree_test_support.h"

#include "tree/AddTagTreeBuilder.h"
#include "tree/ConfigTree.h"
#include "tree/MemoryTree.h"
#include "tree/RefreshPeriod.h"
#include "tree/TagPath.h"
#include "tree/TreeCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kType = 20;
constexpr int kAddress = 5;

class AddTagTreeTest : public ::testing::Test {
protected:
    AddTagTreeTest()
    {
        catalogue.Device(kType, "Dev");
        const std::pair<int, const char*> params[] = {
            {1, "Zeta"}, {2, "alpha"}, {3, "Grp.b"}, {4, "Grp.A"}, {5, "grp.c"}, {6, "Grp.Sub.x"},
            {7, "Alpha"}, {10, "Q"}, {11, "Q.R"}, {12, "P.S"}, {13, "P"},
        };
        for (const auto& [number, name] : params) {
            catalogue.Parameter(kType, number, name);
            numbers.push_back(number);
        }
    }

    AddTagTreeReport Build(CMemoryTree& tree, InsertAt where = InsertAt::Sorted)
    {
        return BuildAddTagTree(tree, kAddress, kType, numbers, catalogue.Namer(), where);
    }

    TreeNode Find(const CMemoryTree& tree, std::initializer_list<const char*> path) { return FindPath(tree, path); }

    // What the main window shows after a rebuild from the server's tags.
    std::string ServerView() { return RebuiltView(server, catalogue); }

    CFakeCatalogue catalogue;
    std::vector<int> numbers;
    CFakeTagServer server;
};

TEST_F(AddTagTreeTest, GroupsBeforeParametersEachAlphabetically)
{
    CMemoryTree tree;
    const AddTagTreeReport r = Build(tree);
    EXPECT_EQ(r.parameters, numbers.size());
    ASSERT_EQ(r.deviceNode, tree.FirstChild(nullptr));
    // Case variants are separate nodes, lowercase first. Q came before Q.R, so Q is keyed
    // as a parameter and sorts among them, its child below it; P.S came before P, so P is a
    // group and the parameter P a node of its own beside it.
    EXPECT_EQ(tree.Dump(),
              "\"Dev(005)\" 05140000\n"
              "  \"grp\" 0514FFFF\n"
              "    \"c\" 05140005\n"
              "  \"Grp\" 0514FFFF\n"
              "    \"Sub\" 0514FFFF\n"
              "      \"x\" 05140006\n"
              "    \"A\" 05140004\n"
              "    \"b\" 05140003\n"
              "  \"P\" 0514FFFF\n"
              "    \"S\" 0514000C\n"
              "  \"alpha\" 05140002\n"
              "  \"Alpha\" 05140007\n"
              "  \"P\" 0514000D\n"
              "  \"Q\" 0514000A\n"
              "    \"R\" 0514000B\n"
              "  \"Zeta\" 05140001\n");
    EXPECT_EQ(tree.BulkDepth(), 0);
}

TEST_F(AddTagTreeTest, NumbersThatCannotNameATagAreLeftOut)
{
    for (int bad : {0, -1, 65535, 65536, 70000})
        catalogue.Parameter(kType, bad, "Bad" + std::to_string(bad < 0 ? -bad : bad));
    catalogue.Parameter(kType, 65534, "Last");
    CMemoryTree tree;
    const AddTagTreeReport r = BuildAddTagTree(tree, kAddress, kType,
                                               {0, -1, 65535, 65536, 70000, 65534, 1, 1},
                                               catalogue.Namer());
    EXPECT_EQ(r.skippedNumbers, 5u);
    EXPECT_EQ(r.parameters, 3u);  // 65534 and number 1 twice, which shares one node
    EXPECT_EQ(tree.Dump(),
              "\"Dev(005)\" 05140000\n"
              "  \"Last\" 0514FFFE\n"
              "  \"Zeta\" 05140001\n");
}

TEST_F(AddTagTreeTest, DeviceKeysWithoutANameGiveAnEmptyTree)
{
    for (const auto& [address, type] :
         std::initializer_list<std::pair<int, int>>{{0, kType}, {255, kType}, {kAddress, 0}}) {
        CMemoryTree tree;
        const AddTagTreeReport r =
            BuildAddTagTree(tree, address, type, numbers, catalogue.Namer());
        EXPECT_EQ(r.skippedEmptyNames, numbers.size());
        EXPECT_EQ(r.deviceNode, nullptr);
        EXPECT_EQ(tree.NodeCount(), 0u);
    }
}

TEST_F(AddTagTreeTest, AppendingThenSortingGivesTheSameTree)
{
    std::mt19937 random(99);
    for (int round = 0; round < 40; ++round) {
        std::shuffle(numbers.begin(), numbers.end(), random);
        CMemoryTree sorted, appended;
        Build(sorted, InsertAt::Sorted);
        Build(appended, InsertAt::Last);
        ASSERT_EQ(appended.Dump(), sorted.Dump()) << "round " << round;
    }
}

TEST_F(AddTagTreeTest, AddOnTheDeviceAddsEveryLeafOnceInTreeOrder)
{
    CMemoryTree dialog, main;
    Build(dialog);
    AddDeviceNode(main, catalogue.DevicePart(kAddress, kType), kAddress, kType);
    const std::int64_t period = PeriodFromMs(700000);  // beyond 32 bits in 100-ns units

    const AddTagsReport r = AddTagsUnder(dialog, FindChildNode(dialog, nullptr, "Dev(005)"),
                                         kAddress, kType, period, server, main, catalogue.Namer());
    EXPECT_EQ(r.attempted, 10u);  // Q has a child, so only Q.R goes
    EXPECT_EQ(r.refused, 0u);
    std::vector<std::uint32_t> order;
    for (const auto& t : server.addOrder)
        order.push_back(t.param);
    EXPECT_EQ(order, (std::vector<std::uint32_t>{5, 6, 4, 3, 12, 2, 7, 13, 11, 1}));
    for (const auto& [tag, p] : server.tags) {
        EXPECT_EQ(tag.type, static_cast<std::uint32_t>(kType));
        EXPECT_EQ(tag.address, static_cast<std::uint32_t>(kAddress));
        EXPECT_EQ(p, 7000000000LL);
    }
    // The tags landed under the existing device node, as a rebuild would show them.
    EXPECT_EQ(main.Dump(), ServerView());
    EXPECT_EQ(main.BulkDepth(), 0);
}

TEST_F(AddTagTreeTest, AddOnAParameterOrGroupAddsOnlyWhatIsBelow)
{
    CMemoryTree dialog, main;
    Build(dialog);
    AddTagsUnder(dialog, Find(dialog, {"Dev(005)", "Grp", "A"}), kAddress, kType, 1, server,
                 main, catalogue.Namer());
    EXPECT_EQ(server.calls.addTag, 1u);
    EXPECT_TRUE(server.Has(kType, kAddress, 4));

    AddTagsUnder(dialog, Find(dialog, {"Dev(005)", "Grp"}), kAddress, kType, 1, server, main,
                 catalogue.Namer());
    EXPECT_EQ(server.calls.addTag, 4u);  // A again, b and Sub.x
    EXPECT_EQ(main.Dump(), ServerView());  // the repeated A made no second node
}

TEST_F(AddTagTreeTest, RefusedTagsStayOutOfTheMainTreeAndAreCounted)
{
    CMemoryTree dialog, main;
    Build(dialog);
    server.refusal = kE_INVALIDARG;
    server.refuseAdd = {{kType, kAddress, 3}, {kType, kAddress, 1}};
    const AddTagsReport r = AddTagsUnder(dialog, dialog.FirstChild(nullptr), kAddress, kType,
                                         PeriodFromMs(2000), server, main, catalogue.Namer());
    EXPECT_EQ(r.attempted, 10u);
    EXPECT_EQ(r.refused, 2u);
    EXPECT_EQ(r.firstRefusal, kE_INVALIDARG);
    EXPECT_EQ(FindChildNode(main, Find(main, {"Dev(005)", "Grp"}), "b"), nullptr);
    EXPECT_EQ(main.Dump(), ServerView());

    CFakeTagServer refusing;
    refusing.refuseEveryAdd = true;
    CMemoryTree untouched;
    const AddTagsReport all = AddTagsUnder(dialog, dialog.FirstChild(nullptr), kAddress, kType,
                                           1, refusing, untouched, catalogue.Namer());
    EXPECT_EQ(all.refused, all.attempted);
    EXPECT_EQ(untouched.NodeCount(), 0u);
}

TEST_F(AddTagTreeTest, LeafWhoseKeyNamesNoParameterIsNeverSent)
{
    CMemoryTree dialog, main;
    TreeNode dev = dialog.Insert(nullptr, "Dev(005)", MakeTagKey(kAddress, kType, 0), InsertAt::Sorted);
    dialog.Insert(dev, "group", MakeTagKey(kAddress, kType, kGroupParamPart), InsertAt::Sorted);
    const AddTagsReport r =
        AddTagsUnder(dialog, dev, kAddress, kType, 1, server, main, catalogue.Namer());
    EXPECT_EQ(r.skipped, 1u);
    EXPECT_EQ(server.calls.addTag, 0u);
    EXPECT_EQ(main.NodeCount(), 0u);
}

TEST(RefreshPeriod, MillisecondsAndHundredNanosecondUnits)
{
    EXPECT_EQ(PeriodFromMs(kDefaultPeriodMs), 20000000);
    EXPECT_EQ(PeriodFromMs(0), 0);
    EXPECT_EQ(PeriodFromMs(kPeriodMaxMs), 10000000000LL);
    EXPECT_EQ(MsFromPeriod(7000000000LL), 700000);       // beyond 32 bits
    EXPECT_EQ(PeriodFromMs(MsFromPeriod(7000000000LL)), 7000000000LL);
    EXPECT_EQ(MsFromPeriod(15000), 1);                    // remainder dropped
    EXPECT_EQ(MsFromPeriod(-15000), -1);                  // toward zero

    // Apply: the spin position in whole milliseconds, except for a period the spin range
    // cannot hold, applied without editing: that one is sent exactly as read.
    EXPECT_EQ(AppliedPeriod(15000, true, 1), 10000);
    EXPECT_EQ(AppliedPeriod(7000000000LL, true, 700000), 7000000000LL);
    EXPECT_EQ(AppliedPeriod(10000000000LL, true, kPeriodMaxMs), 10000000000LL);
    const std::int64_t beyond = 20000000000LL + 5;        // 2,000,000 ms and a remainder
    EXPECT_EQ(AppliedPeriod(beyond, true, kPeriodMaxMs), beyond);
    EXPECT_EQ(AppliedPeriod(beyond, false, 1500), 15000000);
    EXPECT_EQ(AppliedPeriod(-20000, true, 0), -20000);
    EXPECT_EQ(AppliedPeriod(-20000, false, 0), 0);
}

TEST(RefreshPeriod, FormatsWithTheLocalesDigitGroups)
{
    const std::pair<long long, const char*> cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1 000"}, {65536, "65 536"}, {1000000, "1 000 000"},
        {2000000, "2 000 000"}, {-1234, "-1 234"}, {922337203685477LL, "922 337 203 685 477"},
    };
    for (const auto& [ms, text] : cases)
        EXPECT_EQ(FormatPeriodMs(ms, " "), text);
    EXPECT_EQ(FormatPeriodMs(1234567, "\xA0"), "1\xA0" "234\xA0" "567");
    EXPECT_EQ(FormatPeriodMs(1234, ""), "1234");
}

}  // namespace
