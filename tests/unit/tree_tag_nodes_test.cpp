// Bringing the tree in line with the server after undo and redo: the tree must look exactly
// as a rebuild from the server would make it, keys included.
#include "FakeTagServer.h"
#include "tree_test_support.h"

#include "tree/ConfigTree.h"
#include "tree/MemoryTree.h"
#include "tree/TagNodes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class TagNodesTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_catalogue.Device(7, "Meter");
        m_catalogue.Parameter(7, 1, "Voltage");
        m_catalogue.Parameter(7, 2, "Phase.A");
        m_catalogue.Parameter(7, 3, "Phase.B");
        m_catalogue.Parameter(7, 4, "Deep.Er.Name");
        for (std::uint32_t address : {5u, 6u})
            for (std::uint32_t param : {1u, 2u, 3u, 4u}) m_server.tags[{7, address, param}] = 20000000;
        m_server.tags[{9, 5, 1}] = 20000000;  // a type the descriptions lack
        FillTree(m_tree, m_server, m_catalogue.TreeNamer());
    }

    std::string Rebuilt()
    {
        CMemoryTree fresh;
        FillTree(fresh, m_server, m_catalogue.TreeNamer());
        return fresh.Dump();
    }

    void Set(std::vector<TagOnServer>& out, std::uint32_t type, std::uint32_t address, std::uint32_t param, bool held)
    {
        if (held)
            m_server.tags[{type, address, param}] = 10000000;
        else
            m_server.tags.erase({type, address, param});
        out.push_back({type, address, param, held});
    }

    CFakeCatalogue m_catalogue;
    CFakeTagServer m_server;
    CMemoryTree m_tree;
};

TEST_F(TagNodesTest, RemovingADevicesTagsTakesItsNodeAndPuttingThemBackRestoresTheRebuiltTree)
{
    const std::string before = m_tree.Dump();
    std::vector<TagOnServer> gone;
    for (std::uint32_t param : {1u, 2u, 3u, 4u}) Set(gone, 7, 5, param, false);
    const TagNodesReport removed = ShowTagsAsHeld(m_tree, gone, m_catalogue.TreeNamer());
    EXPECT_EQ(removed.removed, 4u);
    EXPECT_EQ(m_tree.Dump(), Rebuilt());
    EXPECT_EQ(FindTagNode(m_tree, m_catalogue.TreeNamer()(5, 7, 2), 5, 7, 2), nullptr);

    std::vector<TagOnServer> back;
    for (std::uint32_t param : {4u, 1u, 3u, 2u}) Set(back, 7, 5, param, true);
    const TagNodesReport inserted = ShowTagsAsHeld(m_tree, back, m_catalogue.TreeNamer());
    EXPECT_EQ(inserted.inserted, 4u);
    EXPECT_EQ(m_tree.Dump(), before);
    EXPECT_NE(FindTagNode(m_tree, m_catalogue.TreeNamer()(5, 7, 2), 5, 7, 2), nullptr);
}

TEST_F(TagNodesTest, AGroupEmptiedGoesButItsDeviceStaysAndHeldTagsAreNotDoubled)
{
    std::vector<TagOnServer> changes;
    Set(changes, 7, 6, 2, false);
    Set(changes, 7, 6, 3, false);  // Phase is empty now
    Set(changes, 7, 6, 1, true);   // already shown: no second node
    Set(changes, 9, 5, 1, false);  // the unknown type's device goes with its only tag
    const TagNodesReport report = ShowTagsAsHeld(m_tree, changes, m_catalogue.TreeNamer());
    EXPECT_EQ(report.inserted, 0u);
    EXPECT_EQ(report.removed, 3u);
    EXPECT_EQ(m_tree.Dump(), Rebuilt());
}

TEST_F(TagNodesTest, ATagWhoseNodeIsMissingIsNotRemovedFromAnotherDeviceOfTheSameName)
{
    // Two devices share a text when their types differ but their names do not: only the
    // node of exactly the tag's key may go.
    m_catalogue.Device(8, "Meter");
    m_catalogue.Parameter(8, 1, "Voltage");
    m_server.tags[{8, 5, 1}] = 20000000;
    m_tree.DeleteAll();
    FillTree(m_tree, m_server, m_catalogue.TreeNamer());
    std::vector<TagOnServer> changes;
    Set(changes, 8, 5, 1, false);
    ShowTagsAsHeld(m_tree, changes, m_catalogue.TreeNamer());
    EXPECT_EQ(m_tree.Dump(), Rebuilt());
    EXPECT_NE(FindTagNode(m_tree, m_catalogue.TreeNamer()(5, 7, 1), 5, 7, 1), nullptr);
}

}  // namespace

namespace {

TEST(TagChangeRecorder, NotesOnlyTheCallsTheServerAcceptedInTheirOrder)
{
    CFakeTagServer server;
    server.tags[{7, 5, 1}] = 1;
    server.refuseAdd.insert({7, 5, 2});
    CTagChangeRecorder recorder(server);
    EXPECT_EQ(recorder.AddTag(7, 5, 3, 10), kS_OK);
    EXPECT_TRUE(HrFailed(recorder.AddTag(7, 5, 2, 10)));
    EXPECT_EQ(recorder.DeleteTag(7, 5, 1), kS_OK);
    std::uint32_t low = 0, high = 0;
    recorder.GetTagInfo(7, 5, 3, &low, &high);  // reading passes through unnoted
    ASSERT_EQ(recorder.m_Changes.size(), 2u);
    EXPECT_TRUE(recorder.m_Changes[0].param == 3 && recorder.m_Changes[0].held);
    EXPECT_TRUE(recorder.m_Changes[1].param == 1 && !recorder.m_Changes[1].held);
    EXPECT_EQ(low, 10u);
}

}  // namespace
