// One refresh period for every tag of a branch (a device or a group node): the tags below
// the node, the period most of them have, and the server calls that read and set them.
#pragma once

#include "server/TagServer.h"
#include "tree/TagKey.h"
#include "tree/TreeModel.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The keys of the tag nodes at and below node, in depth-first order.
std::vector<TagKey> TagsBelow(const ITreeModel& tree, TreeNode node);

// The period that occurs most often; among periods equally frequent, the shortest.
// Nothing when there are no periods.
std::optional<std::int64_t> MostFrequentPeriod(const std::vector<std::int64_t>& periods);

struct BranchPeriodsRead {
    std::vector<std::int64_t> periods;  // of the tags the server answered for
    std::size_t failed = 0;
    HResult firstFailure = kS_OK;
};

// GetTagInfo for every tag.
BranchPeriodsRead ReadBranchPeriods(ITagServer& server, const std::vector<TagKey>& tags);

struct BranchPeriodReport {
    std::size_t changed = 0;
    std::size_t refused = 0;
    HResult firstRefusal = kS_OK;
};

// AddTag with the period for every tag; a refusal does not stop the others.
BranchPeriodReport ApplyBranchPeriod(ITagServer& server, const std::vector<TagKey>& tags, std::int64_t period);
