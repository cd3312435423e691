// The editing commands on the configuration tree: device nodes, and deletion of tags and
// branches when the server accepts or refuses.
#include "FakeTagServer.h"
#include "tree_test_support.h"

#include "tree/ConfigTree.h"
#include "tree/MemoryTree.h"
#include "tree/TagPath.h"
#include "tree/TreeCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(AddDeviceNode, SameTextTwiceAddsOneNode)
{
    CMemoryTree tree;
    TreeNode first = AddDeviceNode(tree, "Meter(005)", 5, 7);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(tree.Data(first), MakeTagKey(5, 7, 0));
    EXPECT_EQ(AddDeviceNode(tree, "Meter(005)", 5, 7), nullptr);
    EXPECT_NE(AddDeviceNode(tree, "METER(005)", 5, 8), nullptr);  // exact comparison
    EXPECT_EQ(tree.NodeCount(), 2u);
}

class DeleteTest : public ::testing::Test {
protected:
    DeleteTest()
    {
        catalogue.Device(7, "Meter");
        catalogue.Parameter(7, 1, "Voltage");
        catalogue.Parameter(7, 2, "Phase.A.Current");
        catalogue.Parameter(7, 3, "Phase.A.Voltage");
        catalogue.Parameter(7, 4, "Phase.B");
        catalogue.Parameter(7, 5, "Energy.Total");
        for (std::uint32_t p = 1; p <= 5; ++p)
            server.Put(7, 5, p);
        server.Put(7, 6, 1);
        FillTree(tree, server, catalogue.Namer());
    }

    TreeNode Find(std::initializer_list<const char*> path) { return FindPath(tree, path); }
    std::string ServerView() { return RebuiltView(server, catalogue); }

    CFakeCatalogue catalogue;
    CFakeTagServer server;
    CMemoryTree tree;
};

TEST_F(DeleteTest, DeletingATagRemovesEmptiedAncestorsOnly)
{
    const DeleteTagResult r = DeleteTagNode(tree, server, Find({"Meter(005)", "Phase", "B"}));
    EXPECT_TRUE(r.removed);
    EXPECT_FALSE(server.Has(7, 5, 4));
    EXPECT_NE(Find({"Meter(005)", "Phase", "A"}), nullptr);  // still has children

    DeleteTagNode(tree, server, Find({"Meter(005)", "Energy", "Total"}));
    EXPECT_EQ(FindChildNode(tree, Find({"Meter(005)"}), "Energy"), nullptr);

    // The last tag of a device takes the device node with it.
    DeleteTagNode(tree, server, Find({"Meter(006)", "Voltage"}));
    EXPECT_EQ(FindChildNode(tree, nullptr, "Meter(006)"), nullptr);
    EXPECT_EQ(tree.Dump(), ServerView());
}

TEST_F(DeleteTest, RefusedTagDeletionLeavesTheTreeAsItWas)
{
    server.refuseDelete = {{7, 6, 1}};
    server.refusal = kE_INVALIDARG;
    const std::string before = tree.Dump();
    const DeleteTagResult r = DeleteTagNode(tree, server, Find({"Meter(006)", "Voltage"}));
    EXPECT_FALSE(r.removed);
    EXPECT_EQ(r.hr, kE_INVALIDARG);
    EXPECT_EQ(tree.Dump(), before);
    EXPECT_EQ(tree.Dump(), ServerView());
}

TEST_F(DeleteTest, DeletingAGroupKeepsTheDevice)
{
    const DeleteBranchReport r = DeleteBranch(tree, server, Find({"Meter(005)", "Phase"}));
    EXPECT_TRUE(r.removed);
    EXPECT_EQ(r.deleted, 3u);
    EXPECT_EQ(server.calls.deleteTag, 3u);
    EXPECT_EQ(tree.Dump(),
              "\"Meter(005)\" 05070000\n"
              "  \"Energy\" 0507FFFF\n"
              "    \"Total\" 05070005\n"
              "  \"Voltage\" 05070001\n"
              "\"Meter(006)\" 06070000\n"
              "  \"Voltage\" 06070001\n");

    // Deleting the only group under a device leaves the device node without children.
    DeleteBranch(tree, server, Find({"Meter(005)", "Energy"}));
    DeleteTagNode(tree, server, Find({"Meter(005)", "Voltage"}));
    EXPECT_EQ(FindChildNode(tree, nullptr, "Meter(005)"), nullptr);  // via the tag command
    EXPECT_EQ(tree.Dump(), ServerView());
}

TEST_F(DeleteTest, DeletingADeviceCallsTheServerOncePerTag)
{
    const DeleteBranchReport r = DeleteBranch(tree, server, Find({"Meter(005)"}));
    EXPECT_TRUE(r.removed);
    EXPECT_EQ(r.deleted, 5u);
    EXPECT_EQ(server.calls.deleteTag, 5u);
    EXPECT_EQ(server.calls.Total(), server.calls.deleteTag + server.calls.enumTags);
    EXPECT_EQ(tree.Dump(), ServerView());

    // A device added only in the tree: no server call, the node goes.
    TreeNode local = AddDeviceNode(tree, "Meter(009)", 9, 7);
    const DeleteBranchReport l = DeleteBranch(tree, server, local);
    EXPECT_TRUE(l.removed);
    EXPECT_EQ(server.calls.deleteTag, 5u);
    EXPECT_FALSE(tree.IsValid(local));
}

TEST_F(DeleteTest, RefusedTagsKeepTheirNodesAndAncestors)
{
    server.refuseDelete = {{7, 5, 2}, {7, 5, 5}};
    server.refusal = kE_UNEXPECTED;
    const DeleteBranchReport r = DeleteBranch(tree, server, Find({"Meter(005)"}));
    EXPECT_FALSE(r.removed);
    EXPECT_EQ(r.deleted, 3u);
    EXPECT_EQ(r.refused, 2u);
    EXPECT_EQ(r.firstRefusal, kE_UNEXPECTED);
    EXPECT_EQ(server.calls.deleteTag, 5u);  // each tag asked once: no retry loop
    EXPECT_EQ(tree.Dump(),
              "\"Meter(005)\" 05070000\n"
              "  \"Energy\" 0507FFFF\n"
              "    \"Total\" 05070005\n"
              "  \"Phase\" 0507FFFF\n"
              "    \"A\" 0507FFFF\n"
              "      \"Current\" 05070002\n"
              "\"Meter(006)\" 06070000\n"
              "  \"Voltage\" 06070001\n");
    EXPECT_EQ(tree.Dump(), ServerView());
    EXPECT_EQ(tree.BulkDepth(), 0);
}

TEST(DeleteBranch, ChildrenGoBeforeATagNodeThatHasThem)
{
    // A beside A.B with A made first: A is a tag node with a child.
    CMemoryTree tree;
    CFakeTagServer server;
    server.Put(7, 5, 10);
    server.Put(7, 5, 11);
    InsertTagPath(tree, "Dev(005).A", 5, 7, 10);
    TreeNode b = InsertTagPath(tree, "Dev(005).A.B", 5, 7, 11);
    TreeNode a = tree.Parent(b);

    server.refuseDelete = {{7, 5, 10}};
    DeleteBranchReport r = DeleteBranch(tree, server, a);
    ASSERT_EQ(server.deleteOrder.size(), 2u);
    EXPECT_EQ(server.deleteOrder[0].param, 11u);
    EXPECT_EQ(server.deleteOrder[1].param, 10u);
    EXPECT_FALSE(r.removed);           // A refused: it stays, its deleted child is gone
    EXPECT_FALSE(tree.HasChildren(a));

    server.refuseDelete.clear();
    r = DeleteBranch(tree, server, a);
    EXPECT_TRUE(r.removed);
    EXPECT_TRUE(server.tags.empty());
}

TEST(DeleteTagNode, ATagNodeWithChildrenKeepsThemInTheTree)
{
    CMemoryTree tree;
    CFakeTagServer server;
    server.Put(7, 5, 10);
    server.Put(7, 5, 11);
    TreeNode a = InsertTagPath(tree, "Dev(005).A", 5, 7, 10);
    TreeNode b = InsertTagPath(tree, "Dev(005).A.B", 5, 7, 11);
    const DeleteTagResult r = DeleteTagNode(tree, server, a);
    EXPECT_EQ(r.hr, kS_OK);
    EXPECT_FALSE(r.removed);
    EXPECT_FALSE(server.Has(7, 5, 10));
    EXPECT_TRUE(tree.IsValid(b));  // A.B is still on the server, so it stays shown
}

}  // namespace
