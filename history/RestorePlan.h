// Restoring a snapshot: its tags against the server's, planned exactly as an import with
// replace (tagfile/ImportPlan.h: tags to add, to change, unchanged, to delete), and the
// port settings it records when they differ from the server's.
#pragma once

#include "history/UndoStep.h"
#include "tagfile/ImportPlan.h"
#include "tagfile/TagFileReader.h"

#include <string_view>
#include <vector>

struct RestorePlan {
    TagFileContent file;       // the snapshot as read (its rows, its invalid rows)
    ImportPlan plan;           // replace semantics
    PortSettings port;         // the snapshot's (known = it records them)
    bool portChanges = false;  // known and different from the server's
};

// serverTags: the server's whole list with every period (a complete walk); serverPort:
// its port settings now.
RestorePlan MakeRestorePlan(std::string_view snapshotBytes, const std::vector<ServerTag>& serverTags,
                            const PortSettings& serverPort, const TagFileReadOptions& readOptions = {});
