// What loading a tag file into a server means, before anything is sent: each usable row is
// a tag to add (the server lacks it), to change (its period differs) or unchanged; with
// replace, the server's tags the file lacks are to delete.
#pragma once

#include "tagfile/ServerTags.h"
#include "tagfile/TagFileReader.h"

#include <cstddef>
#include <vector>

struct PlannedTag {
    TagId id;
    std::int64_t period = 0;     // the file's (for a deletion: the server's, when known)
    std::int64_t oldPeriod = 0;  // the server's, for a change
    bool oldPeriodKnown = false;
    int line = 0;                // the row's line; 0 for a deletion
};

struct ImportPlan {
    std::vector<PlannedTag> add;        // in file order
    std::vector<PlannedTag> change;     // in file order
    std::vector<PlannedTag> unchanged;  // in file order
    std::vector<PlannedTag> remove;     // in the server's order; empty without replace

    std::size_t Calls() const { return add.size() + change.size() + remove.size(); }
};

// serverTags needs the periods of the tags the file holds (ServerTagsOptions::wantPeriod);
// a tag whose period the server did not give is planned as a change, so that the file's
// period is set.
ImportPlan MakeImportPlan(const std::vector<TagFileRow>& rows, const std::vector<ServerTag>& serverTags,
                          bool replace);

// The tags of a file as a set, for ServerTagsOptions::wantPeriod.
class CTagIdSet {
public:
    explicit CTagIdSet(const std::vector<TagFileRow>& rows);
    bool Contains(const TagId& id) const;

private:
    std::vector<std::uint64_t> m_sorted;
};
