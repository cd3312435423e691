// The mirror of a tree control: fed the same changes as the control, it must read exactly
// as the control does. CMemoryTree stands in for the control here; the changes come from
// the real tree algorithms (fill, adding tag paths and devices, deletes, sorts).
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakeTagServer.h"
#include "tree/TreeCommands.h"
#include "tree/TreeFind.h"
#include "tree/TreeMirror.h"
#include "tree_test_support.h"

namespace {

// Changes go to the memory tree and to the mirror as the window's tree model sends them:
// a sorted insertion learns its place from the node's previous sibling, a sort from the
// order the tree then holds. Reads come from the mirror.
class CMirroredTree final : public ITreeModel {
public:
    CMirroredTree(CMemoryTree& control, CTreeMirror& mirror) : m_control(control), m_mirror(mirror) {}

    TreeNode FirstChild(TreeNode parent) const override { return m_mirror.FirstChild(parent); }
    TreeNode NextSibling(TreeNode node) const override { return m_mirror.NextSibling(node); }
    TreeNode Parent(TreeNode node) const override { return m_mirror.Parent(node); }
    bool HasChildren(TreeNode node) const override { return m_mirror.FirstChild(node) != nullptr; }
    std::string Text(TreeNode node) const override { return m_mirror.Text(node); }
    TagKey Data(TreeNode node) const override { return m_mirror.Data(node); }

    TreeNode Insert(TreeNode parent, const std::string& text, TagKey data, InsertAt where) override
    {
        const TreeNode node = m_control.Insert(parent, text, data, where);
        TreeNode previous = nullptr;
        for (TreeNode n = m_control.FirstChild(parent); n != node; n = m_control.NextSibling(n)) previous = n;
        m_mirror.InsertAfter(parent, previous, node, text, data);
        return node;
    }
    void SetData(TreeNode node, TagKey data) override
    {
        m_control.SetData(node, data);
        m_mirror.SetData(node, data);
    }
    void Delete(TreeNode node) override
    {
        m_control.Delete(node);
        m_mirror.Remove(node);
    }
    void DeleteAll() override
    {
        m_control.DeleteAll();
        m_mirror.Clear();
    }
    void SortChildrenByText(TreeNode parent) override
    {
        m_control.SortChildrenByText(parent);
        CopyOrder(parent);
    }
    void SortChildrenAsInserted(TreeNode parent) override
    {
        m_control.SortChildrenAsInserted(parent);
        CopyOrder(parent);
    }
    void SortChildrenByData(TreeNode parent, int (*compare)(TagKey, TagKey)) override
    {
        m_control.SortChildrenByData(parent, compare);
        CopyOrder(parent);
    }
    void BeginBulkUpdate() override { m_control.BeginBulkUpdate(); }
    void EndBulkUpdate() override { m_control.EndBulkUpdate(); }

private:
    void CopyOrder(TreeNode parent)
    {
        std::vector<TreeNode> order;
        for (TreeNode n = m_control.FirstChild(parent); n != nullptr; n = m_control.NextSibling(n)) order.push_back(n);
        m_mirror.Reorder(parent, order);
    }

    CMemoryTree& m_control;
    CTreeMirror& m_mirror;
};

class TreeMirrorTest : public testing::Test {
protected:
    std::string MirrorDump() const { return DumpTree(CTreeMirrorView(m_mirror)); }
    void ExpectSame(const char* step)
    {
        EXPECT_EQ(MirrorDump(), m_control.Dump()) << "after " << step;
        EXPECT_EQ(m_mirror.Size(), m_control.NodeCount()) << "after " << step;
    }

    CFakeCatalogue m_catalogue;
    CFakeTagServer m_server;
    CMemoryTree m_control;
    CTreeMirror m_mirror;
    CMirroredTree m_tree{m_control, m_mirror};
};

TEST_F(TreeMirrorTest, FollowsFillAddsDeletesAndRefill)
{
    m_catalogue.Device(9, "Счётчик");
    m_catalogue.Parameter(9, 1, "Напряжение");
    m_catalogue.Parameter(9, 2, "Фаза.A");
    m_catalogue.Parameter(9, 3, "фаза.b");
    m_catalogue.Parameter(9, 4, "Фаза.C");
    m_catalogue.Device(3, "Meter");
    m_catalogue.Parameter(3, 1, "Voltage");
    for (std::uint32_t p = 1; p <= 4; ++p) m_server.Put(9, 5, p);
    m_server.Put(3, 7, 1);
    m_server.Put(3, 2, 1);

    for (InsertAt where : {InsertAt::Sorted, InsertAt::Last}) {
        FillTree(m_tree, m_server, m_catalogue.Namer(), FillOptions{where});
        ExpectSame("fill");
    }

    // Sorted insertions in the middle, at the front and at the end of siblings.
    InsertTagPath(m_tree, "Счётчик(005).Фаза.B", 5, 9, 5);
    InsertTagPath(m_tree, "Счётчик(005).Фаза.A0", 5, 9, 6);
    InsertTagPath(m_tree, "Meter(001).Voltage", 1, 3, 1);
    InsertTagPath(m_tree, "Яблоко(200).Z", 200, 4, 1);
    ExpectSame("tag paths");
    AddDeviceNode(m_tree, "Meter(003)", 3, 3);
    ExpectSame("device");

    DeleteTagNode(m_tree, m_server, FindPath(m_tree, {"Счётчик(005)", "Напряжение"}));
    ExpectSame("tag delete");
    DeleteBranch(m_tree, m_server, FindPath(m_tree, {"Счётчик(005)", "Фаза"}));
    ExpectSame("group delete");
    DeleteBranch(m_tree, m_server, FindPath(m_tree, {"Meter(007)"}));
    ExpectSame("device delete");

    FillTree(m_tree, m_server, m_catalogue.Namer(), FillOptions{InsertAt::Last});
    ExpectSame("refill");
}

TEST_F(TreeMirrorTest, FollowsEverySortAndReadsUnknownHandlesAsAbsent)
{
    const TreeNode root = m_tree.Insert(nullptr, "root", 0, InsertAt::Last);
    for (const char* text : {"b", "B", "a", "c", "A", "b"}) m_tree.Insert(root, text, 0x100, InsertAt::Last);
    m_tree.SortChildrenByText(root);
    ExpectSame("text sort");
    m_tree.SortChildrenAsInserted(root);
    ExpectSame("sort as inserted");
    int n = 0;
    for (TreeNode c = m_tree.FirstChild(root); c != nullptr; c = m_tree.NextSibling(c)) m_tree.SetData(c, TagKey(++n % 3));
    m_tree.SortChildrenByData(root, [](TagKey a, TagKey b) { return int(a) - int(b); });
    ExpectSame("data sort");

    // A handle the mirror never saw (one deleted) reads as nothing and deletes nothing.
    const TreeNode gone = m_tree.FirstChild(root);
    m_tree.Delete(gone);
    EXPECT_EQ(m_mirror.FirstChild(gone), nullptr);
    EXPECT_EQ(m_mirror.Text(gone), "");
    EXPECT_FALSE(m_mirror.Contains(gone));
    m_mirror.Remove(gone);
    ExpectSame("delete");

    // A reorder that would lose or add children is refused.
    std::vector<TreeNode> some{m_mirror.FirstChild(root)};
    EXPECT_THROW(m_mirror.Reorder(root, some), std::logic_error);
    EXPECT_THROW(m_mirror.Append(root, some.front(), "twice", 0), std::logic_error);
    EXPECT_THROW(CTreeMirrorView(m_mirror).Delete(root), std::logic_error);
    ExpectSame("refusals");
}

TEST_F(TreeMirrorTest, FindOnTheMirrorGivesWhatFindOnTheTreeGives)
{
    InsertTagPath(m_tree, "Счётчик(005).Фаза.A", 5, 9, 2);
    InsertTagPath(m_tree, "Счётчик(005).Напряжение", 5, 9, 1);
    InsertTagPath(m_tree, "Meter(007).Phase.a", 7, 3, 2);
    const CTreeMirrorView view(m_mirror);
    for (const char* needle : {"фаза", "PHASE.A", "(00", "нет"}) {
        TreeNode fromView = nullptr, fromMirror = nullptr, fromTree = nullptr;
        for (int step = 0; step < 4; ++step) {
            fromView = FindNextNode(view, fromView, needle);
            fromMirror = FindNextNode(m_mirror, fromMirror, needle);
            fromTree = FindNextNode(m_control, fromTree, needle);
            EXPECT_EQ(fromView, fromTree) << needle << " step " << step;
            EXPECT_EQ(fromMirror, fromTree) << needle << " step " << step;
        }
    }
}

}  // namespace
