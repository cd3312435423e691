#include "tree/ConfigTree.h"

#include "tree/ChildIndex.h"
#include "tree/TagPath.h"

#include <cstdint>

FillReport FillTree(ITreeModel& tree, ITagServer& server, const TagNamer& namer,
                    const FillOptions& options)
{
    CBulkUpdate bulk(tree);
    tree.DeleteAll();

    CChildIndex index(tree);
    const TagPathOptions pathOptions{options.where, &index};
    TagWalkOptions walkOptions;
    walkOptions.maxFailuresInRow = options.maxFailuresInRow;
    std::size_t tags = 0;
    const FillReport report = WalkServerTags(
        server,
        [&](std::uint32_t type, std::uint32_t address, std::uint32_t param) {
            InsertTagPath(tree,
                          namer(static_cast<int>(address), static_cast<int>(type),
                                static_cast<int>(param)),
                          address, type, param, pathOptions);
            if (options.progress)
                options.progress(++tags);
        },
        walkOptions);

    if (options.where == InsertAt::Last) {
        for (TreeNode parent : index.GrownParents())
            tree.SortChildrenAsInserted(parent);
    }
    return report;
}
