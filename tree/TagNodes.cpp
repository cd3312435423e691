#include "tree/TagNodes.h"

#include "tree/ChildIndex.h"
#include "tree/TagKey.h"
#include "tree/TagPath.h"

namespace {

// Walks the pieces of a tag name down the tree, through the index when one is given.
TreeNode FindPath(const ITreeModel& tree, CChildIndex* index, const std::string& tagName, std::uint32_t address,
                  std::uint32_t typeCode, std::uint32_t paramNumber)
{
    TreeNode parent = nullptr;
    std::size_t start = 0;
    for (int piece = 0;; ++piece) {
        const std::size_t dot = tagName.find('.', start);
        const bool last = dot == std::string::npos;
        const std::string text = tagName.substr(start, last ? std::string::npos : dot - start);
        const std::uint32_t part = piece == 0 ? 0u : (last ? (paramNumber & 0xFFFFu) : kGroupParamPart);
        const TagKey key = MakeTagKey(address, typeCode, part);
        const bool exact = piece == 0 || last;
        TreeNode node = nullptr;
        if (index != nullptr) {
            node = exact ? index->FindExact(parent, text, key) : index->Find(parent, text);
        } else {
            for (TreeNode child = tree.FirstChild(parent); child != nullptr; child = tree.NextSibling(child))
                if ((!exact || tree.Data(child) == key) && tree.Text(child) == text) {
                    node = child;
                    break;
                }
        }
        if (node == nullptr || last) return node;
        parent = node;
        start = dot + 1;
    }
}

}  // namespace

TreeNode FindTagNode(const ITreeModel& tree, const std::string& tagName, std::uint32_t address,
                     std::uint32_t typeCode, std::uint32_t paramNumber)
{
    return FindPath(tree, nullptr, tagName, address, typeCode, paramNumber);
}

TagNodesReport ShowTagsAsHeld(ITreeModel& tree, const std::vector<TagOnServer>& tags, const TagNameFunction& namer)
{
    TagNodesReport report;
    CBulkUpdate bulk(tree);
    // The nodes to remove are found first, through an index that deletions would spoil;
    // the insertions follow with a fresh index.
    std::vector<TreeNode> gone;
    {
        CChildIndex index(tree);
        for (const TagOnServer& tag : tags) {
            if (tag.held) continue;
            const std::string name =
                namer(static_cast<int>(tag.address), static_cast<int>(tag.type), static_cast<int>(tag.param));
            if (TreeNode node = FindPath(tree, &index, name, tag.address, tag.type, tag.param)) gone.push_back(node);
        }
    }
    for (TreeNode node : gone) {
        if (tree.HasChildren(node)) continue;
        TreeNode parent = tree.Parent(node);
        tree.Delete(node);
        ++report.removed;
        while (parent != nullptr && !tree.HasChildren(parent)) {
            const TreeNode grandparent = tree.Parent(parent);
            tree.Delete(parent);
            parent = grandparent;
        }
    }

    CChildIndex index(tree);
    const TagPathOptions options{InsertAt::Last, &index};
    for (const TagOnServer& tag : tags) {
        if (!tag.held) continue;
        const std::string name =
            namer(static_cast<int>(tag.address), static_cast<int>(tag.type), static_cast<int>(tag.param));
        if (FindPath(tree, &index, name, tag.address, tag.type, tag.param) != nullptr) continue;
        InsertTagPath(tree, name, tag.address, tag.type, tag.param, options);
        ++report.inserted;
    }
    for (TreeNode parent : index.GrownParents()) tree.SortChildrenAsInserted(parent);
    return report;
}

HResult CTagChangeRecorder::AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param,
                                   std::int64_t period)
{
    const HResult hr = m_inner.AddTag(type, address, param, period);
    if (HrSucceeded(hr)) m_Changes.push_back({type, address, param, true});
    return hr;
}

HResult CTagChangeRecorder::DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param)
{
    const HResult hr = m_inner.DeleteTag(type, address, param);
    if (HrSucceeded(hr)) m_Changes.push_back({type, address, param, false});
    return hr;
}
