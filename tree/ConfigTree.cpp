#include "tree/ConfigTree.h"

#include "tree/ChildIndex.h"
#include "tree/TagPath.h"

#include <cstdint>
#include <functional>
#include <unordered_set>

namespace {

struct DeliveredTag {
    std::uint32_t type, address, param;
    bool operator==(const DeliveredTag& o) const
    {
        return type == o.type && address == o.address && param == o.param;
    }
};

struct DeliveredTagHash {
    std::size_t operator()(const DeliveredTag& t) const
    {
        const std::uint64_t ab = (static_cast<std::uint64_t>(t.type) << 32) | t.address;
        return std::hash<std::uint64_t>()(ab) ^ (std::hash<std::uint32_t>()(t.param) * 31u);
    }
};

}  // namespace

FillReport FillTree(ITreeModel& tree, ITagServer& server, const TagNamer& namer,
                    const FillOptions& options)
{
    FillReport report;
    CBulkUpdate bulk(tree);
    tree.DeleteAll();

    CChildIndex index(tree);
    const TagPathOptions pathOptions{options.where, &index};
    std::unordered_set<DeliveredTag, DeliveredTagHash> delivered;
    std::size_t failuresInRow = 0;

    std::uint32_t cursor = 0;
    do {
        std::uint32_t type = 0, address = 0, param = 0, reserved1 = 0, reserved2 = 0;
        const HResult hr = server.EnumTags(&cursor, &type, &address, &param, &reserved1, &reserved2);
        ++report.calls;
        if (options.progress)
            options.progress(report.tags);
        if (HrFailed(hr)) {
            ++report.failedCalls;
            report.lastFailure = hr;
            if (cursor != 0 && ++failuresInRow >= options.maxFailuresInRow) {
                report.end = FillEnd::FailureLimit;
                break;
            }
            continue;
        }
        failuresInRow = 0;
        if (!delivered.insert(DeliveredTag{type, address, param}).second) {
            // Already in the tree. Only a walk that goes on after it has started over.
            if (cursor != 0)
                report.end = FillEnd::RepeatedTag;
            break;
        }
        ++report.tags;
        InsertTagPath(tree,
                      namer(static_cast<int>(address), static_cast<int>(type),
                            static_cast<int>(param)),
                      address, type, param, pathOptions);
    } while (cursor != 0);

    if (options.where == InsertAt::Last) {
        for (TreeNode parent : index.GrownParents())
            tree.SortChildrenAsInserted(parent);
    }
    return report;
}
