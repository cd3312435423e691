#include "tagfile/ImportPlan.h"

#include "tree/TagKey.h"

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

CTagIdSet::CTagIdSet(const TagFileContent& file) : CTagIdSet(file.rows)
{
    for (const TagFileIssue& issue : file.issues)
        if (issue.existingTag) m_sorted.push_back(RowKey(issue.id));
    std::sort(m_sorted.begin(), m_sorted.end());
}

bool CTagIdSet::Contains(const TagId& id) const
{
    const std::uint64_t key = RowKey(id);
    return key != ~0ull && std::binary_search(m_sorted.begin(), m_sorted.end(), key);
}

namespace {

// A tag an invalid row names, and the row's line.
struct NamedTag {
    TagId id;
    int line = 0;
};

ImportPlan MakePlan(const std::vector<TagFileRow>& rows, const std::vector<NamedTag>& namedByInvalidRows,
                    std::size_t invalidRows, const std::vector<ServerTag>& serverTags,
                    const ImportPlanOptions& options)
{
    std::unordered_map<TagId, const ServerTag*, TagIdHash> onServer;
    onServer.reserve(serverTags.size());
    for (const ServerTag& tag : serverTags) onServer.emplace(tag.id, &tag);

    ImportPlan plan;
    plan.invalidRows = invalidRows;
    plan.blocked = options.replace && invalidRows != 0 && !options.despiteInvalidRows;
    // Per tag the file names: the line of an invalid row naming it, or 0 for a usable row.
    std::unordered_map<TagId, int, TagIdHash> inFile;
    if (options.replace) inFile.reserve(rows.size() + namedByInvalidRows.size());
    for (const TagFileRow& row : rows) {
        PlannedTag planned;
        planned.id = row.id;
        planned.period = row.period;
        planned.line = row.line;
        if (options.replace) inFile[row.id] = 0;
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
    if (options.replace) {
        for (const NamedTag& named : namedByInvalidRows) inFile.emplace(named.id, named.line);
        for (const ServerTag& tag : serverTags) {
            const auto named = inFile.find(tag.id);
            if (named != inFile.end() && named->second == 0) continue;
            PlannedTag planned;
            planned.id = tag.id;
            planned.period = tag.period;
            planned.oldPeriod = tag.period;
            planned.oldPeriodKnown = tag.periodKnown;
            if (named == inFile.end()) {
                plan.remove.push_back(planned);
            } else {
                planned.line = named->second;
                plan.kept.push_back(planned);
            }
        }
    }
    return plan;
}

}  // namespace

ImportPlan MakeImportPlan(const TagFileContent& file, const std::vector<ServerTag>& serverTags,
                          const ImportPlanOptions& options)
{
    std::vector<NamedTag> named;
    if (options.replace) {
        for (const TagFileIssue& issue : file.issues)
            if (issue.invalid && issue.namesTag) named.push_back(NamedTag{issue.id, issue.line});
    }
    return MakePlan(file.rows, named, file.invalidRows, serverTags, options);
}

ImportPlan MakeImportPlan(const std::vector<TagFileRow>& rows, const std::vector<ServerTag>& serverTags,
                          bool replace)
{
    ImportPlanOptions options;
    options.replace = replace;
    return MakePlan(rows, {}, 0, serverTags, options);
}

std::size_t SettleExistingTagRows(TagFileContent* file, const std::vector<ServerTag>& serverTags)
{
    std::unordered_map<TagId, const ServerTag*, TagIdHash> onServer;
    for (const ServerTag& tag : serverTags) onServer.emplace(tag.id, &tag);
    // The tags the usable rows name: false for the reader's, true for one settled here.
    std::unordered_map<TagId, bool, TagIdHash> named;
    for (const TagFileRow& row : file->rows) named.emplace(row.id, false);

    std::size_t settled = 0;
    std::vector<TagFileIssue> issues;
    issues.reserve(file->issues.size());
    for (TagFileIssue& issue : file->issues) {
        const auto found = issue.existingTag ? onServer.find(issue.id) : onServer.end();
        const bool matches = found != onServer.end() && found->second->periodKnown &&
                             found->second->period == issue.period;
        const auto [row, first] = matches ? named.emplace(issue.id, true) : std::make_pair(named.end(), false);
        // A repeat of a settled row is the same tag once more, as the reader takes repeats;
        // a usable row of the same tag has another period, and both stay as they are.
        if (!matches || (!first && !row->second)) {
            // Told only where the row is plainly about a server's tag: a param only the server
            // may hold, or a tag it holds with another period (a period typed wrong for a new
            // tag keeps its plain reason).
            issue.notOnServer = issue.existingTag && (!IsTagParameterNumber(issue.id.param) || found != onServer.end());
            issues.push_back(std::move(issue));
            continue;
        }
        if (first) {
            TagFileRow settledRow;
            settledRow.id = issue.id;
            settledRow.period = issue.period;
            settledRow.line = issue.line;
            file->rows.push_back(settledRow);
        }
        ++settled;
    }
    file->issues = std::move(issues);
    file->invalidRows -= settled;
    // The rows in file order, as the reader gives them.
    std::stable_sort(file->rows.begin(), file->rows.end(),
                     [](const TagFileRow& a, const TagFileRow& b) { return a.line < b.line; });
    return settled;
}
