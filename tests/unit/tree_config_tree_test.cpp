// Filling the configuration tree from the server: the shape of the tree for the names that
// occur, and the walk that must end even when the server's does not.
#include "FakeTagServer.h"
#include "tree_fake_catalogue.h"

#include "tree/ChildIndex.h"
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

// Tags the descriptions cannot name, or name alike: each is a node of its own, keyed with
// exactly its own numbers, with a visible text; nothing shares a node with another tag.
TEST_F(FillTreeTest, EveryTagIsANodeOfItsOwnWithAVisibleText)
{
    catalogue.Parameter(7, 5, "Voltage");  // a second parameter of one name
    catalogue.Device(8, "Meter");          // a second type of one device name
    catalogue.Parameter(8, 1, "Voltage");
    server.Put(7, 0, 1);       // address 0 (no commands: a key with address 0 is kind None)
    server.Put(7, 255, 2);     // address 255
    server.Put(57, 5, 1);      // unknown device type
    server.Put(57, 5, 2);
    server.Put(7, 5, 9999);    // undescribed parameters of a known device
    server.Put(7, 5, 9998);
    server.Put(7, 5, 1);
    server.Put(7, 5, 5);
    server.Put(8, 5, 1);
    const FillReport r = FillTree(tree, server, catalogue.TreeNamer());
    EXPECT_EQ(r.tags, 9u);
    EXPECT_EQ(r.uncarried, 0u);
    EXPECT_EQ(tree.Dump(),
              "\"Meter(000)\" 00070000\n"
              "  \"Voltage\" 00070001\n"
              "\"Meter(005)\" 05070000\n"
              "  \"Param 9998\" 0507270E\n"
              "  \"Param 9999\" 0507270F\n"
              "  \"Voltage\" 05070001\n"
              "  \"Voltage\" 05070005\n"
              "\"Meter(005)\" 05080000\n"
              "  \"Voltage\" 05080001\n"
              "\"Meter(255)\" FF070000\n"
              "  \"Phase\" FF07FFFF\n"
              "    \"A\" FF07FFFF\n"
              "      \"Current\" FF070002\n"
              "\"Type 57(005)\" 05390000\n"
              "  \"Param 1\" 05390001\n"
              "  \"Param 2\" 05390002\n");

    // Deleting one of two same-named tags deletes that tag and leaves the other.
    TreeNode device = FindChildNode(tree, nullptr, "Meter(005)");
    TreeNode second = tree.NextSibling(FindChildNode(tree, device, "Voltage"));
    ASSERT_EQ(tree.Data(second), MakeTagKey(5, 7, 5));
    EXPECT_EQ(DeleteTagNode(tree, server, second).hr, kS_OK);
    EXPECT_EQ(server.tags.count(CFakeTagServer::Tag{7, 5, 5}), 0u);
    EXPECT_EQ(server.tags.count(CFakeTagServer::Tag{7, 5, 1}), 1u);
    EXPECT_EQ(tree.Data(FindChildNode(tree, device, "Voltage")), MakeTagKey(5, 7, 1));

    // Deleting the unknown device deletes both of its tags on the server.
    const DeleteBranchReport branch = DeleteBranch(tree, server, FindChildNode(tree, nullptr, "Type 57(005)"));
    EXPECT_EQ(branch.deleted, 2u);
    EXPECT_EQ(server.tags.count(CFakeTagServer::Tag{57, 5, 1}) + server.tags.count(CFakeTagServer::Tag{57, 5, 2}), 0u);
}

// Numbers a key would cut to another tag's: never shown, never acted on, counted.
TEST_F(FillTreeTest, TagsNoKeyCanCarryAreCountedNotShown)
{
    server.Put(7, 5, 1);
    server.Put(257, 5, 3);     // type 257 would read as type 1
    server.Put(0, 5, 3);       // type 0 reads as no device
    server.Put(7, 256, 1);     // address 256 would read as 0
    server.Put(7, 5, 0);       // parameter 0 reads as a device
    server.Put(7, 5, 65535);   // 0xFFFF reads as a group
    server.Put(7, 5, 65537);   // would read as parameter 1
    const FillReport r = FillTree(tree, server, catalogue.TreeNamer());
    EXPECT_EQ(r.end, FillEnd::Completed);
    EXPECT_EQ(r.tags, 7u);
    EXPECT_EQ(r.uncarried, 6u);
    EXPECT_EQ(r.Shown(), 1u);
    EXPECT_EQ(tree.Dump(),
              "\"Meter(005)\" 05070000\n"
              "  \"Voltage\" 05070001\n");
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

// A failure of the channel is not the server's "no tags": the walk ends at once and says so.
TEST_F(FillTreeTest, TransportFailureEndsTheWalkAsUnread)
{
    const struct {
        std::uint32_t code;
        std::size_t failingCall;
        FillEnd end;
        std::size_t tags;
    } cases[] = {
        {0x800706BEu, 1, FillEnd::Disconnected, 0},  // RPC call failed on the first call
        {0x80010108u, 1, FillEnd::Disconnected, 0},  // disconnected
        {0x800706BAu, 3, FillEnd::Disconnected, 2},  // server gone in the middle: stop there
        {0x80004005u, 1, FillEnd::Completed, 2},   // the server's own failure: the walk goes on
        {0x80070103u, 2, FillEnd::Completed, 2},
    };
    for (const auto& c : cases) {
        CFakeTagServer srv;
        srv.Put(7, 5, 1);
        srv.Put(7, 5, 2);
        srv.Put(7, 5, 3);
        srv.refusal = static_cast<HResult>(c.code);
        srv.failingEnumCalls = {c.failingCall};
        // A server whose first call failed leaves the cursor at 0: nothing more is asked.
        const FillReport r = FillTree(tree, srv, catalogue.Namer());
        SCOPED_TRACE(testing::Message() << std::hex << c.code << " at call " << std::dec << c.failingCall);
        EXPECT_EQ(r.end, c.end);
        EXPECT_EQ(r.lastFailure, static_cast<HResult>(c.code));
        if (c.end == FillEnd::Disconnected) {
            EXPECT_EQ(r.Shown(), c.tags);
            EXPECT_EQ(r.calls, c.failingCall);
        }
    }
    EXPECT_TRUE(IsTransportFailure(static_cast<HResult>(0x80010001u)));
    EXPECT_FALSE(IsTransportFailure(static_cast<HResult>(0x80070057u)));
    EXPECT_FALSE(IsTransportFailure(static_cast<HResult>(0x800705FFu)));
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

TEST(InsertTagPath, SortingWhatGrewAsItGoesGivesTheSameTreeAsSortedInsertion)
{
    // Tags of three devices in an order that comes back to a device and a group already
    // sorted: each parent that grew since the last sort is sorted again.
    const std::vector<std::string> tags = {"D(001).Z.b", "D(001).A",   "D(002).Q",   "D(001).Z.a",
                                           "D(003).M",   "D(002).B.x", "D(001).B",   "D(002).B.a",
                                           "D(001).Z.0", "D(003).A",   "D(002).Q.q", "D(001).Z.c"};
    for (std::size_t every = 1; every <= tags.size(); ++every) {
        CMemoryTree sorted, going;
        CChildIndex index(going);
        for (std::size_t i = 0; i < tags.size(); ++i) {
            const std::uint32_t address = static_cast<std::uint32_t>(tags[i][4] - '0');
            InsertTagPath(sorted, tags[i], address, 7, static_cast<std::uint32_t>(i + 1));
            InsertTagPath(going, tags[i], address, 7, static_cast<std::uint32_t>(i + 1),
                          TagPathOptions{InsertAt::Last, &index});
            if ((i + 1) % every == 0)
                for (TreeNode parent : index.TakeNewlyGrown()) going.SortChildrenAsInserted(parent);
        }
        for (TreeNode parent : index.TakeNewlyGrown()) going.SortChildrenAsInserted(parent);
        EXPECT_EQ(going.Dump(), sorted.Dump()) << "sorted every " << every << " tags";
        EXPECT_TRUE(index.TakeNewlyGrown().empty());
        EXPECT_EQ(index.GrownParents().size(), 7u);  // the root, 3 devices, Z of 001, B and Q of 002
    }
}

TEST(InsertTagPath, ReusesExistingNodesAndKeepsTheirKeys)
{
    CMemoryTree tree;
    TreeNode a = InsertTagPath(tree, "Dev(001).A", 1, 2, 10);
    TreeNode b = InsertTagPath(tree, "Dev(001).A.B", 1, 2, 11);
    EXPECT_EQ(tree.Parent(b), a);
    EXPECT_EQ(tree.Data(a), MakeTagKey(1, 2, 10));  // A keeps the key it got first
    EXPECT_EQ(InsertTagPath(tree, "Dev(001).A.B", 1, 2, 11), b);
    EXPECT_EQ(tree.NodeCount(), 3u);
    // Another tag of the same text is a node of its own: a command on it acts on it alone.
    TreeNode other = InsertTagPath(tree, "Dev(001).A.B", 1, 2, 99);
    EXPECT_NE(other, b);
    EXPECT_EQ(tree.Data(b), MakeTagKey(1, 2, 11));
    EXPECT_EQ(tree.Data(other), MakeTagKey(1, 2, 99));
    EXPECT_EQ(tree.NodeCount(), 4u);
    tree.Delete(other);

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
