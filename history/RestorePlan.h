// Restoring a snapshot: its tags against the server's, planned exactly as an import with
// replace (tagfile/ImportPlan.h: tags to add, to change, unchanged, to delete), and the
// port settings it records when they differ from the server's.
#pragma once

#include "history/Snapshot.h"
#include "history/UndoStep.h"
#include "tagfile/ImportPlan.h"
#include "tagfile/TagFileReader.h"

#include <string>
#include <string_view>
#include <vector>

struct RestorePlan {
    TagFileContent file;       // the snapshot as read (its rows, its invalid rows)
    ImportPlan plan;           // replace semantics
    PortSettings port;         // the snapshot's (known = it records them)
    bool portChanges = false;  // known and different from the server's
    // A damaged snapshot (FindSnapshotDamage) plans nothing: its missing rows would be
    // deleted from the server.
    SnapshotDamage damage;
};

// serverTags: the server's whole list with every period (a complete walk); serverPort:
// its port settings now. As for an import with replace, a snapshot with invalid rows
// blocks the plan unless despiteInvalidRows, and no tag an invalid row names is deleted.
// A snapshot whose rows do not match its first line's counts is damaged: no plan at all.
RestorePlan MakeRestorePlan(std::string_view snapshotBytes, const std::vector<ServerTag>& serverTags,
                            const PortSettings& serverPort, const TagFileReadOptions& readOptions = {},
                            bool despiteInvalidRows = false);
