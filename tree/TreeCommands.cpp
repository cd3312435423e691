#include "tree/TreeCommands.h"

#include "tree/TagPath.h"

TreeNode AddDeviceNode(ITreeModel& tree, const std::string& text, int address, int typeCode)
{
    if (FindChildNode(tree, nullptr, text) != nullptr)
        return nullptr;
    return tree.Insert(nullptr, text,
                       MakeTagKey(static_cast<std::uint32_t>(address),
                                  static_cast<std::uint32_t>(typeCode), 0),
                       InsertAt::Sorted);
}

namespace {

HResult DeleteTagOf(const ITreeModel& tree, ITagServer& server, TreeNode node)
{
    const TagKey key = tree.Data(node);
    return server.DeleteTag(TagKeyTypeCode(key), TagKeyAddress(key), TagKeyParam(key));
}

// Deletes the tags below and including node on the server. Returns true when nothing in
// the subtree was refused, so the caller may remove node with its whole subtree in one go;
// otherwise removes the children that are clear and keeps node.
bool ClearBranch(ITreeModel& tree, ITagServer& server, TreeNode node, DeleteBranchReport& report)
{
    std::vector<TreeNode> children;
    for (TreeNode child = tree.FirstChild(node); child != nullptr; child = tree.NextSibling(child))
        children.push_back(child);

    std::vector<TreeNode> clear;
    clear.reserve(children.size());
    for (TreeNode child : children) {
        if (ClearBranch(tree, server, child, report))
            clear.push_back(child);
    }

    bool selfClear = true;
    if (GetNodeKind(tree.Data(node)) == NodeKind::Tag) {
        const HResult hr = DeleteTagOf(tree, server, node);
        if (HrFailed(hr)) {
            if (report.refused++ == 0)
                report.firstRefusal = hr;
            selfClear = false;
        } else {
            ++report.deleted;
        }
    }

    if (selfClear && clear.size() == children.size())
        return true;
    for (TreeNode child : clear)
        tree.Delete(child);
    return false;
}

}  // namespace

DeleteTagResult DeleteTagNode(ITreeModel& tree, ITagServer& server, TreeNode node)
{
    DeleteTagResult result;
    result.hr = DeleteTagOf(tree, server, node);
    if (HrFailed(result.hr))
        return result;
    // A tag node with children (a parameter whose name leads another's): those children's
    // tags are still on the server, so the node stays as their parent.
    if (tree.HasChildren(node))
        return result;

    TreeNode parent = tree.Parent(node);
    tree.Delete(node);
    while (parent != nullptr && !tree.HasChildren(parent)) {
        const TreeNode grandparent = tree.Parent(parent);
        tree.Delete(parent);
        parent = grandparent;
    }
    result.removed = true;
    return result;
}

DeleteBranchReport DeleteBranch(ITreeModel& tree, ITagServer& server, TreeNode node)
{
    DeleteBranchReport report;
    if (node == nullptr)
        return report;
    CBulkUpdate bulk(tree);
    if (ClearBranch(tree, server, node, report)) {
        tree.Delete(node);
        report.removed = true;
    }
    return report;
}
