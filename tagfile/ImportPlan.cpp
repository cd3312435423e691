#include "tagfile/ImportPlan.h"

#include <algorithm>
#include <unordered_map>

namespace {

// Type and address fit 8 bits in a file row, param 16: one 64-bit key is exact for rows.
// A server tag outside those ranges maps to a key no row has.
std::uint64_t RowKey(const TagId& id)
{
    if (id.type > 0xFFFFu || id.address > 0xFFFFu) return ~0ull;
    return (static_cast<std::uint64_t>(id.type) << 48) | (static_cast<std::uint64_t>(id.address) << 32) |
           id.param;
}

}  // namespace

CTagIdSet::CTagIdSet(const std::vector<TagFileRow>& rows)
{
    m_sorted.reserve(rows.size());
    for (const TagFileRow& row : rows) m_sorted.push_back(RowKey(row.id));
    std::sort(m_sorted.begin(), m_sorted.end());
}

bool CTagIdSet::Contains(const TagId& id) const
{
    const std::uint64_t key = RowKey(id);
    return key != ~0ull && std::binary_search(m_sorted.begin(), m_sorted.end(), key);
}

ImportPlan MakeImportPlan(const std::vector<TagFileRow>& rows, const std::vector<ServerTag>& serverTags,
                          bool replace)
{
    std::unordered_map<TagId, const ServerTag*, TagIdHash> onServer;
    onServer.reserve(serverTags.size());
    for (const ServerTag& tag : serverTags) onServer.emplace(tag.id, &tag);

    ImportPlan plan;
    std::unordered_map<TagId, bool, TagIdHash> inFile;
    if (replace) inFile.reserve(rows.size());
    for (const TagFileRow& row : rows) {
        PlannedTag planned;
        planned.id = row.id;
        planned.period = row.period;
        planned.line = row.line;
        if (replace) inFile.emplace(row.id, true);
        const auto found = onServer.find(row.id);
        if (found == onServer.end()) {
            plan.add.push_back(planned);
            continue;
        }
        planned.oldPeriod = found->second->period;
        planned.oldPeriodKnown = found->second->periodKnown;
        if (planned.oldPeriodKnown && planned.oldPeriod == row.period)
            plan.unchanged.push_back(planned);
        else
            plan.change.push_back(planned);
    }
    if (replace) {
        for (const ServerTag& tag : serverTags) {
            if (inFile.count(tag.id) != 0) continue;
            PlannedTag planned;
            planned.id = tag.id;
            planned.period = tag.period;
            planned.oldPeriod = tag.period;
            planned.oldPeriodKnown = tag.periodKnown;
            plan.remove.push_back(planned);
        }
    }
    return plan;
}
