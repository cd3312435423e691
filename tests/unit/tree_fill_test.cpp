// Filling the configuration tree from the server: the shape of the tree for the names that
// occur, and the walk that must end even when the server's does not.
#include "FakeTagServer.h"
#include "tree_fake_catalogue.h"

#include "tree/ConfigTree.h"
#include "tree/MemoryTree.h"
#include "tree/TagPath.h"
#include "tree/TreeCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

class FillTreeTest : public ::testing::Test {
protected:
    FillTreeTest()
    {
        catalogue.Device(7, "Meter");
        catalogue.Parameter(7, 1, "Voltage");
        catalogue.Parameter(7, 2, "Phase.A.Current");
        catalogue.Parameter(7, 3, "Phase.A.Voltage");
        catalogue.Parameter(7, 4, "Phase.B");
        catalogue.Device(9, "Relay");
        catalogue.Parameter(9, 1, "State");
    }

    FillReport Fill(const FillOptions& options = {})
    {
        return FillTree(tree, server, catalogue.Namer(), options);
    }

    CFakeCatalogue catalogue;
    CFakeTagServer server;
    CMemoryTree tree;
};

TEST_F(FillTreeTest, EmptyServerLeavesAnEmptyTree)
{
    tree.Insert(nullptr, "stale", 0, InsertAt::Sorted);
    const FillReport r = Fill();
    EXPECT_EQ(r.end, FillEnd::Completed);
    EXPECT_EQ(r.calls, 1u);
    EXPECT_EQ(r.failedCalls, 1u);
    EXPECT_EQ(tree.NodeCount(), 0u);
}

TEST_F(FillTreeTest, BuildsDeviceGroupAndTagNodesWithTheirKeys)
{
    server.Put(7, 5, 1);
    server.Put(7, 5, 2);
    server.Put(7, 5, 3);
    server.Put(7, 5, 4);
    server.Put(9, 12, 1);
    const FillReport r = Fill();
    EXPECT_EQ(r.end, FillEnd::Completed);
    EXPECT_EQ(r.tags, 5u);
    EXPECT_EQ(r.calls, 5u);
    // One device node per device; shared groups; three-level names; a name without dots
    // directly under its device. Keys: address, type, part 0 / FFFF / parameter number.
    EXPECT_EQ(tree.Dump(),
              "\"Meter(005)\" 05070000\n"
              "  \"Phase\" 0507FFFF\n"
              "    \"A\" 0507FFFF\n"
              "      \"Current\" 05070002\n"
              "      \"Voltage\" 05070003\n"
              "    \"B\" 05070004\n"
              "  \"Voltage\" 05070001\n"
              "\"Relay(012)\" 0C090000\n"
              "  \"State\" 0C090001\n");
    EXPECT_EQ(tree.BulkDepth(), 0);
    EXPECT_GE(tree.GetStats().bulkBegins, 1u);
}

TEST_F(FillTreeTest, EmptyNamesShareOneRootNodeKeyedByTheFirst)
{
    server.Put(7, 0, 1);    // address 0: empty name
    server.Put(7, 255, 2);  // address 255: empty name
    server.Put(3, 5, 1);    // unknown device: "(005)." with an empty parameter piece
    Fill();
    EXPECT_EQ(tree.Dump(),
              "\"\" 00070000\n"
              "\"(005)\" 05030000\n"
              "  \"\" 05030001\n");
}

TEST_F(FillTreeTest, RebuildDropsLocalDevicesAndTagsGoneFromTheServer)
{
    server.Put(7, 5, 1);
    server.Put(9, 12, 1);
    Fill();
    ASSERT_NE(AddDeviceNode(tree, "Relay(013)", 13, 9), nullptr);
    server.tags.erase(CFakeTagServer::Tag{9, 12, 1});
    Fill();
    EXPECT_EQ(tree.Dump(),
              "\"Meter(005)\" 05070000\n"
              "  \"Voltage\" 05070001\n");
}

TEST_F(FillTreeTest, FindsChildrenWithoutWalkingSiblings)
{
    for (std::uint32_t address = 1; address <= 40; ++address)
        for (std::uint32_t param = 1; param <= 4; ++param)
            server.Put(7, address, param);
    tree.ResetStats();
    Fill();
    EXPECT_EQ(tree.NodeCount(), 40u * 7u);
    EXPECT_EQ(tree.GetStats().nextSibling, 0u);
    EXPECT_EQ(tree.GetStats().text, 0u);
}

TEST_F(FillTreeTest, WalkThatStartsOverStopsAtTheFirstRepeatedTag)
{
    for (auto mode : {CFakeTagServer::EnumMode::Endless, CFakeTagServer::EnumMode::ConstantCursor}) {
        CFakeTagServer endless;
        endless.enumMode = mode;
        endless.Put(7, 5, 1);
        endless.Put(7, 5, 2);
        endless.Put(9, 12, 1);
        CMemoryTree t;
        const FillReport r = FillTree(t, endless, catalogue.Namer());
        EXPECT_EQ(r.end, FillEnd::RepeatedTag);
        EXPECT_EQ(r.tags, 3u);
        EXPECT_EQ(r.calls, 4u);
        EXPECT_EQ(t.NodeCount(), 7u);  // what was read stays
        EXPECT_EQ(t.BulkDepth(), 0);
    }
}

TEST_F(FillTreeTest, FailedCallsStopTheWalkOnlyWhenAThousandComeInARow)
{
    server.Put(7, 5, 1);
    server.Put(7, 5, 2);
    server.Put(7, 5, 3);
    // 999 failures in a row before the second tag: the walk goes on and completes.
    for (std::size_t call = 2; call <= 1000; ++call)
        server.failingEnumCalls.insert(call);
    FillReport r = Fill();
    EXPECT_EQ(r.end, FillEnd::Completed);
    EXPECT_EQ(r.tags, 3u);
    EXPECT_EQ(r.failedCalls, 999u);

    CFakeTagServer broken;
    broken.enumMode = CFakeTagServer::EnumMode::AlwaysFail;
    broken.refusal = kE_UNEXPECTED;
    r = FillTree(tree, broken, catalogue.Namer());
    EXPECT_EQ(r.end, FillEnd::FailureLimit);
    EXPECT_EQ(r.calls, 1000u);
    EXPECT_EQ(r.lastFailure, kE_UNEXPECTED);
    EXPECT_EQ(tree.NodeCount(), 0u);
}

TEST_F(FillTreeTest, AppendingAndSortingOnceGivesTheSameTreeAsSortedInsertion)
{
    // Device and parameter names differing only in case, shared groups and A beside A.B,
    // spread over parameter numbers at random so the server delivers them in many orders.
    const std::vector<std::string> names = {
        "Volt", "VOLT", "volt", "Grp.x", "grp.x", "GRP.X", "Grp.X", "A", "A.B", "a.b",
        "Z.q.r", "Z.Q.r", "Z.q.R", "z", "_under", "9nine", "\xC0.\xE0", "\xE0.\xC0", "",
    };
    std::mt19937 random(2024);
    for (int round = 0; round < 30; ++round) {
        std::vector<std::string> shuffled = names;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        CFakeCatalogue cat;
        cat.Device(1, "dev");
        cat.Device(2, "DEV");
        cat.Device(3, "Dev");
        CFakeTagServer srv;
        for (int type = 1; type <= 3; ++type)
            for (std::size_t i = 0; i < shuffled.size(); ++i) {
                cat.Parameter(type, static_cast<int>(i + 1), shuffled[i]);
                srv.Put(static_cast<std::uint32_t>(type), 5, static_cast<std::uint32_t>(i + 1));
            }
        CMemoryTree sorted, appended;
        FillTree(sorted, srv, cat.Namer(), FillOptions{InsertAt::Sorted});
        FillTree(appended, srv, cat.Namer(), FillOptions{InsertAt::Last});
        ASSERT_EQ(appended.Dump(), sorted.Dump()) << "round " << round;
    }
}

TEST(InsertTagPath, ReusesExistingNodesAndKeepsTheirKeys)
{
    CMemoryTree tree;
    TreeNode a = InsertTagPath(tree, "Dev(001).A", 1, 2, 10);
    TreeNode b = InsertTagPath(tree, "Dev(001).A.B", 1, 2, 11);
    EXPECT_EQ(tree.Parent(b), a);
    EXPECT_EQ(tree.Data(a), MakeTagKey(1, 2, 10));  // A keeps the key it got first
    EXPECT_EQ(InsertTagPath(tree, "Dev(001).A.B", 1, 2, 99), b);
    EXPECT_EQ(tree.Data(b), MakeTagKey(1, 2, 11));
    EXPECT_EQ(tree.NodeCount(), 3u);

    // Byte-exact lookup: a name differing in case gets its own nodes; empty pieces count.
    InsertTagPath(tree, "dev(001).a", 1, 2, 12);
    InsertTagPath(tree, "Dev(001)..x.", 1, 2, 13);
    EXPECT_EQ(tree.Dump(),
              "\"dev(001)\" 01020000\n"
              "  \"a\" 0102000C\n"
              "\"Dev(001)\" 01020000\n"
              "  \"\" 0102FFFF\n"
              "    \"x\" 0102FFFF\n"
              "      \"\" 0102000D\n"
              "  \"A\" 0102000A\n"
              "    \"B\" 0102000B\n");
    EXPECT_EQ(FindChildNode(tree, nullptr, "DEV(001)"), nullptr);
}

}  // namespace
