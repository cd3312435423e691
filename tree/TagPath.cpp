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

        TreeNode node = options.index != nullptr ? options.index->Find(parent, text)
                                                 : FindChildNode(tree, parent, text);
        if (node == nullptr) {
            const std::uint32_t part =
                piece == 0 ? 0u : (last ? (paramNumber & 0xFFFFu) : kGroupParamPart);
            node = tree.Insert(parent, text, MakeTagKey(address, typeCode, part), options.where);
            if (options.index != nullptr)
                options.index->Added(parent, text, node);
        }
        parent = node;
        if (last)
            return parent;
        start = dot + 1;
    }
}
