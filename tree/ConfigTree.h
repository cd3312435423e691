// Rebuilding the main window's configuration tree from the server's list of tags.
#pragma once

#include "server/TagServer.h"
#include "tree/TagNamer.h"
#include "tree/TreeModel.h"

#include <cstddef>
#include <functional>

// Why the walk over the server's tags ended.
enum class FillEnd {
    Completed,     // the server ended the walk by leaving the cursor at 0
    RepeatedTag,   // the server delivered a tag it had already delivered: it started over
    FailureLimit,  // maxFailuresInRow calls in a row failed without ending the walk
};

struct FillOptions {
    // Sorted: every node goes to its sorted place as it is made. Last: nodes are appended
    // and each parent's children are sorted once at the end, to the same order.
    InsertAt where = InsertAt::Sorted;
    std::size_t maxFailuresInRow = 1000;
    // Called after every EnumTags call with the number of tags read so far (a progress
    // display decides itself how often it shows anything).
    std::function<void(std::size_t tags)> progress = nullptr;
};

struct FillReport {
    FillEnd end = FillEnd::Completed;
    std::size_t tags = 0;         // distinct tags delivered (and put in the tree)
    std::size_t calls = 0;        // EnumTags calls made
    std::size_t failedCalls = 0;  // of which failed
    HResult lastFailure = kS_OK;  // result of the last failed call
};

// Empties the tree and fills it with the server's tags, walking EnumTags from cursor 0
// until the server leaves the cursor at 0. A failed call adds nothing and the walk goes on.
// The cursor is the server's own value and is not judged; the walk stops early, keeping
// what it has read, when a tag comes round a second time or after maxFailuresInRow failed
// calls in a row: the report says which, so the caller can tell the user. Children are
// found through an index, never by walking siblings; the tree is in a bulk update
// throughout. The tree must not be changed by anyone else meanwhile.
FillReport FillTree(ITreeModel& tree, ITagServer& server, const TagNamer& namer,
                    const FillOptions& options = {});
