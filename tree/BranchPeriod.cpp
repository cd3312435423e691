#include "tree/BranchPeriod.h"

#include <algorithm>
#include <map>

std::vector<TagKey> TagsBelow(const ITreeModel& tree, TreeNode node)
{
    std::vector<TagKey> tags;
    if (node == nullptr)
        return tags;
    std::vector<TreeNode> pending{node};
    while (!pending.empty()) {
        const TreeNode current = pending.back();
        pending.pop_back();
        const TagKey key = tree.Data(current);
        if (GetNodeKind(key) == NodeKind::Tag)
            tags.push_back(key);
        // Children pushed in reverse so that they come off the stack in their order.
        std::vector<TreeNode> children;
        for (TreeNode child = tree.FirstChild(current); child != nullptr; child = tree.NextSibling(child))
            children.push_back(child);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return tags;
}

std::optional<std::int64_t> MostFrequentPeriod(const std::vector<std::int64_t>& periods)
{
    std::map<std::int64_t, std::size_t> counts;
    for (std::int64_t period : periods)
        ++counts[period];
    std::optional<std::int64_t> best;
    std::size_t bestCount = 0;
    // Ascending periods: a later one replaces the best only when strictly more frequent.
    for (const auto& [period, count] : counts) {
        if (count > bestCount) {
            best = period;
            bestCount = count;
        }
    }
    return best;
}

BranchPeriodsRead ReadBranchPeriods(ITagServer& server, const std::vector<TagKey>& tags)
{
    BranchPeriodsRead read;
    read.periods.reserve(tags.size());
    for (TagKey key : tags) {
        std::uint32_t low = 0, high = 0;
        const HResult hr = server.GetTagInfo(TagKeyTypeCode(key), TagKeyAddress(key), TagKeyParam(key), &low, &high);
        if (HrFailed(hr)) {
            if (read.failed++ == 0)
                read.firstFailure = hr;
            continue;
        }
        read.periods.push_back(JoinPeriod(low, high));
    }
    return read;
}

BranchPeriodReport ApplyBranchPeriod(ITagServer& server, const std::vector<TagKey>& tags, std::int64_t period)
{
    BranchPeriodReport report;
    for (TagKey key : tags) {
        const HResult hr = server.AddTag(TagKeyTypeCode(key), TagKeyAddress(key), TagKeyParam(key), period);
        if (HrFailed(hr)) {
            if (report.refused++ == 0)
                report.firstRefusal = hr;
        } else {
            ++report.changed;
        }
    }
    return report;
}
