// Rebuilding the main window's configuration tree from the server's list of tags.
#pragma once

#include "server/TagServer.h"
#include "server/TagWalk.h"
#include "tree/TagNameFunction.h"
#include "tree/TreeModel.h"

#include <cstddef>
#include <functional>

// Why the walk ended, and what it met (server/TagWalk.h).
using FillEnd = TagWalkEnd;

struct FillOptions {
    // Sorted: every node goes to its sorted place as it is made. Last: nodes are appended
    // and each parent's children are sorted once at the end, to the same order.
    InsertAt where = InsertAt::Sorted;
    std::size_t maxFailuresInRow = 1000;
    // Called after every tag put in the tree with the number of tags so far (a progress
    // display decides itself how often it shows anything).
    std::function<void(std::size_t tags)> progress = nullptr;
};

struct FillReport : TagWalkReport {
    std::size_t uncarried = 0;  // of the tags, those no key can carry (CanKeyCarryTag): not shown
    std::size_t Shown() const { return tags - uncarried; }
};

// Empties the tree and fills it with the server's tags, walking them with WalkServerTags:
// a failed call adds nothing and the walk goes on, unless the failure came from the
// connection rather than the server: then the walk ends at once (Disconnected). It stops
// early, keeping what it has read, when a tag comes round a second time or after
// maxFailuresInRow failed calls in a row, and the report says which, so the caller can
// tell the user. A tag no key can carry is counted, not shown. Children are
// found through an index, never by walking siblings; the tree is in a bulk update
// throughout. The tree must not be changed by anyone else meanwhile.
FillReport FillTree(ITreeModel& tree, ITagServer& server, const TagNameFunction& namer,
                    const FillOptions& options = {});
