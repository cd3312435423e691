// Restoring a snapshot, the one routine zolctl and the window both run: the server's whole
// list and port settings read, the snapshot planned against them (RestorePlan.h), the
// plan's calls made through the journaled server, then the snapshot's port settings.
// The front ends keep only their words and their progress: zolctl runs the plan with
// RunRestore; the window's preview runs it after the user's confirmation with
// RestoreRunOptions and then calls RestorePort.
#pragma once

#include "history/JournaledServer.h"
#include "history/RestorePlan.h"
#include "tagfile/ImportRun.h"
#include "tagfile/ServerTags.h"

#include <functional>
#include <string_view>

struct RestoreBase {
    ServerTagList list;       // the server's tags as read (list.Gap() says why it is not whole)
    PortSettings serverPort;  // its port settings then
    RestorePlan restore;      // planned only on a whole list
};

// Reads the server's list (readOptions: its stop and progress) and, when the list is whole
// (ServerTagList::Complete), its port settings, and plans the snapshot against them. False
// when the list is not whole: a list that broke off or lacks a period would have the
// restore delete what it did not see, so nothing is planned on it.
bool PrepareRestore(ITagServer& server, std::string_view snapshotBytes, const ServerTagsOptions& readOptions,
                    const TagFileReadOptions& fileOptions, bool despiteInvalidRows, RestoreBase* base);

// The options a restore's calls run with: stop asked before each call (may be null), and
// the run ends at the first call the journal could not be written ahead of, that call
// counted as not made rather than refused.
ImportRunOptions RestoreRunOptions(CJournaledServer& server, std::function<bool()> stop);

struct RestorePortResult {
    bool tried = false;       // the snapshot's port settings differ and the run went through
    HResult hr = kS_OK;       // the server's answer to SetComSettings
};

// After the plan's calls: the snapshot's port settings, when they differ from the server's
// and the run was neither stopped nor cut off by the server or the journal.
RestorePortResult RestorePort(CJournaledServer& server, const RestorePlan& restore, const ImportReport& report);

struct RestoreRunResult {
    ImportReport report;  // the plan's calls (invalidRows: the snapshot's)
    RestorePortResult port;
};

// The plan's calls and then the port settings, with the base as the before-values of the
// journal (read just now, without a wait on the user in between).
RestoreRunResult RunRestore(CJournaledServer& server, const RestoreBase& base, std::function<bool()> stop);
