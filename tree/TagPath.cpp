#include "tree/TagPath.h"

#include "tree/TagKey.h"

TreeNode FindChildNode(const ITreeModel& tree, TreeNode parent, const std::string& text)
{
    for (TreeNode child = tree.FirstChild(parent); child != nullptr;
         child = tree.NextSibling(child)) {
        if (tree.Text(child) == text)
            return child;
    }
    return nullptr;
}

// The first child of parent with that text and exactly that key.
static TreeNode FindChildNodeWithKey(const ITreeModel& tree, TreeNode parent, const std::string& text,
                                     TagKey key)
{
    for (TreeNode child = tree.FirstChild(parent); child != nullptr;
         child = tree.NextSibling(child)) {
        if (tree.Data(child) == key && tree.Text(child) == text)
            return child;
    }
    return nullptr;
}

TreeNode InsertTagPath(ITreeModel& tree, const std::string& tagName, std::uint32_t address,
                       std::uint32_t typeCode, std::uint32_t paramNumber,
                       const TagPathOptions& options)
{
    TreeNode parent = nullptr;
    std::size_t start = 0;
    for (int piece = 0;; ++piece) {
        const std::size_t dot = tagName.find('.', start);
        const bool last = dot == std::string::npos;
        const std::string text =
            tagName.substr(start, last ? std::string::npos : dot - start);

        const std::uint32_t part =
            piece == 0 ? 0u : (last ? (paramNumber & 0xFFFFu) : kGroupParamPart);
        const TagKey key = MakeTagKey(address, typeCode, part);
        // The device and the tag itself must be the node of exactly this key: two devices
        // or two parameters of one name stay apart. A group is any node of its text.
        const bool exact = piece == 0 || last;
        TreeNode node;
        if (options.index != nullptr)
            node = exact ? options.index->FindExact(parent, text, key) : options.index->Find(parent, text);
        else
            node = exact ? FindChildNodeWithKey(tree, parent, text, key) : FindChildNode(tree, parent, text);
        if (node == nullptr) {
            node = tree.Insert(parent, text, key, options.where);
            if (options.index != nullptr)
                options.index->Added(parent, text, key, node);
        }
        parent = node;
        if (last)
            return parent;
        start = dot + 1;
    }
}
