#include "tree/ConfigTree.h"

#include "tree/ChildIndex.h"
#include "tree/TagPath.h"

#include <cstdint>

FillReport FillTree(ITreeModel& tree, ITagServer& server, const TagNameFunction& namer,
                    const FillOptions& options)
{
    CBulkUpdate bulk(tree);
    tree.DeleteAll();

    CChildIndex index(tree);
    const TagPathOptions pathOptions{options.where, &index};
    TagWalkOptions walkOptions;
    walkOptions.maxFailuresInRow = options.maxFailuresInRow;
    walkOptions.stopWhenDisconnected = true;
    FillReport report;
    std::size_t uncarried = 0;
    std::size_t tags = 0;
    static_cast<TagWalkReport&>(report) = WalkServerTags(
        server,
        [&](std::uint32_t type, std::uint32_t address, std::uint32_t param) {
            if (options.progress)
                options.progress(++tags);
            if (!CanKeyCarryTag(type, address, param)) {
                ++uncarried;
                return;
            }
            InsertTagPath(tree,
                          namer(static_cast<int>(address), static_cast<int>(type),
                                static_cast<int>(param)),
                          address, type, param, pathOptions);
        },
        walkOptions);
    report.uncarried = uncarried;

    if (options.where == InsertAt::Last) {
        for (TreeNode parent : index.GrownParents())
            tree.SortChildrenAsInserted(parent);
    }
    return report;
}
