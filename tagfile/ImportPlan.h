// What loading a tag file into a server means, before anything is sent: each usable row is
// a tag to add (the server lacks it), to change (its period differs) or unchanged; with
// replace, the server's tags the file lacks are to delete.
//
// A replace never deletes a tag that any row of the file names, valid or not: a row that
// cannot be used still says the tag belongs to the configuration. And a replace from a file
// with invalid rows is blocked (nothing may be sent) unless the caller says to go ahead
// despite them; the tags those rows name are then kept as the server holds them.
#pragma once

#include "tagfile/ServerTags.h"
#include "tagfile/TagFileReader.h"

#include <cstddef>
#include <vector>

struct PlannedTag {
    TagId id;
    std::int64_t period = 0;     // the file's (for a deletion or a kept tag: the server's, when known)
    std::int64_t oldPeriod = 0;  // the server's, for a change
    bool oldPeriodKnown = false;
    int line = 0;                // the row's line; 0 for a deletion; the first invalid row's for a kept tag
};

struct ImportPlan {
    std::vector<PlannedTag> add;        // in file order
    std::vector<PlannedTag> change;     // in file order
    std::vector<PlannedTag> unchanged;  // in file order
    std::vector<PlannedTag> remove;     // in the server's order; empty without replace
    // With replace: the server's tags that only invalid rows name, left alone (server order).
    std::vector<PlannedTag> kept;
    std::size_t invalidRows = 0;        // of the file the plan was made from
    // A replace from a file with invalid rows that the caller did not allow: RunImportPlan
    // sends nothing.
    bool blocked = false;

    std::size_t Calls() const { return add.size() + change.size() + remove.size(); }
};

struct ImportPlanOptions {
    bool replace = false;
    // With replace: carry the plan out although the file has invalid rows.
    bool despiteInvalidRows = false;
};

// serverTags needs the periods of the tags the file holds (ServerTagsOptions::wantPeriod);
// a tag whose period the server did not give is planned as a change, so that the file's
// period is set.
ImportPlan MakeImportPlan(const TagFileContent& file, const std::vector<ServerTag>& serverTags,
                          const ImportPlanOptions& options);

// The same for rows that are all valid (a list made in the program rather than read).
ImportPlan MakeImportPlan(const std::vector<TagFileRow>& rows, const std::vector<ServerTag>& serverTags,
                          bool replace);

// The rows the reader refused only for values a tag on the server may have (existingTag:
// param 0 or 65535, a period an import never sends) that name a tag the server holds with
// exactly that period: such a row says what the server already has, so it becomes a usable
// row (planned unchanged, never sent) and its issue is dropped from the file's. Any other
// such row stays invalid: an import never adds that tag nor sets that period. serverTags
// needs the periods of the tags those rows name. Returns how many rows were settled.
std::size_t SettleExistingTagRows(TagFileContent* file, const std::vector<ServerTag>& serverTags);

// The tags of a file as a set, for ServerTagsOptions::wantPeriod.
class CTagIdSet {
public:
    explicit CTagIdSet(const std::vector<TagFileRow>& rows);
    // The usable rows' tags and those of the rows SettleExistingTagRows judges.
    explicit CTagIdSet(const TagFileContent& file);
    bool Contains(const TagId& id) const;

private:
    std::vector<std::uint64_t> m_sorted;
};
