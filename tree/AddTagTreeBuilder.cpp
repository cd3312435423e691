#include "tree/AddTagTreeBuilder.h"

#include "tree/ChildIndex.h"
#include "tree/TagPath.h"

namespace {

int KindRank(TagKey key)
{
    const std::uint32_t part = TagKeyParam(key);
    return part == 0 || part == kGroupParamPart ? 0 : 1;
}

void AddLeaves(const ITreeModel& dialogTree, TreeNode node, int address, int typeCode,
               std::int64_t period, ITagServer& server, ITreeModel& mainTree,
               const TagNameFunction& namer, CChildIndex& mainIndex, AddTagsReport& report)
{
    if (dialogTree.HasChildren(node)) {
        for (TreeNode child = dialogTree.FirstChild(node); child != nullptr;
             child = dialogTree.NextSibling(child))
            AddLeaves(dialogTree, child, address, typeCode, period, server, mainTree, namer,
                      mainIndex, report);
        return;
    }
    const std::uint32_t param = TagKeyParam(dialogTree.Data(node));
    if (!IsTagParameterNumber(param)) {
        ++report.skipped;
        return;
    }
    ++report.attempted;
    const HResult hr = server.AddTag(static_cast<std::uint32_t>(typeCode),
                                     static_cast<std::uint32_t>(address), param, period);
    if (HrFailed(hr)) {
        if (report.refused++ == 0)
            report.firstRefusal = hr;
        return;
    }
    InsertTagPath(mainTree, namer(address, typeCode, static_cast<int>(param)),
                  static_cast<std::uint32_t>(address), static_cast<std::uint32_t>(typeCode),
                  param, TagPathOptions{InsertAt::Sorted, &mainIndex});
}

}  // namespace

int CompareNodeKinds(TagKey a, TagKey b)
{
    const int ka = KindRank(a);
    const int kb = KindRank(b);
    if (ka == kb)
        return 0;
    return ka > kb ? 1 : -1;
}

void SortSubtree(ITreeModel& tree, TreeNode node)
{
    if (!tree.HasChildren(node))
        return;
    for (TreeNode child = tree.FirstChild(node); child != nullptr; child = tree.NextSibling(child))
        SortSubtree(tree, child);
    tree.SortChildrenByText(node);
    tree.SortChildrenByData(node, &CompareNodeKinds);
}

AddTagTreeReport BuildAddTagTree(ITreeModel& tree, int address, int typeCode,
                                 const std::vector<int>& paramNumbers, const TagNameFunction& namer,
                                 InsertAt where)
{
    AddTagTreeReport report;
    CBulkUpdate bulk(tree);
    CChildIndex index(tree);
    for (const int number : paramNumbers) {
        if (!IsTagParameterNumber(number)) {
            ++report.skippedNumbers;
            continue;
        }
        const std::string name = namer(address, typeCode, number);
        if (name.empty()) {
            ++report.skippedEmptyNames;
            continue;
        }
        InsertTagPath(tree, name, static_cast<std::uint32_t>(address),
                      static_cast<std::uint32_t>(typeCode), static_cast<std::uint32_t>(number),
                      TagPathOptions{where, &index});
        ++report.parameters;
    }
    if (where == InsertAt::Last) {
        for (TreeNode parent : index.GrownParents())
            tree.SortChildrenAsInserted(parent);
    }
    report.deviceNode = tree.FirstChild(nullptr);
    if (report.deviceNode != nullptr)
        SortSubtree(tree, report.deviceNode);
    return report;
}

AddTagsReport AddTagsUnder(const ITreeModel& dialogTree, TreeNode node, int address,
                           int typeCode, std::int64_t period, ITagServer& server,
                           ITreeModel& mainTree, const TagNameFunction& namer)
{
    AddTagsReport report;
    if (node == nullptr)
        return report;
    CBulkUpdate bulk(mainTree);
    CChildIndex mainIndex(mainTree);
    AddLeaves(dialogTree, node, address, typeCode, period, server, mainTree, namer, mainIndex,
              report);
    return report;
}
