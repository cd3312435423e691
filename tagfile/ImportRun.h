// Carrying out an import plan on the server: one AddTag per tag to add or change, then one
// DeleteTag per tag to delete. A refusal is recorded and the rest is still done; a lost
// connection ends the run (every further call would fail the same way), as does the
// caller's stop test. The report counts what the server accepted. A blocked plan (a
// replace from a file with invalid rows, not allowed) sends nothing.
#pragma once

#include "server/TagServer.h"
#include "tagfile/ImportPlan.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

enum class ImportAction { Add, Change, Delete };

struct ImportRefusal {
    ImportAction action = ImportAction::Add;
    TagId id;
    int line = 0;
    HResult hr = kS_OK;
};

struct ImportReport {
    std::size_t added = 0, changed = 0, deleted = 0, unchanged = 0;
    std::vector<ImportRefusal> refused;
    std::size_t invalidRows = 0;    // the file's, carried into the summary
    bool disconnected = false;
    HResult disconnectResult = kS_OK;
    bool stopped = false;
    bool blocked = false;           // the plan was blocked: nothing was sent
    std::size_t notAttempted = 0;   // calls of the plan never made (disconnected or stopped)
};

struct ImportRunOptions {
    std::function<bool()> stop;  // asked before every call
    // After every call: calls made so far and calls in the plan.
    std::function<void(std::size_t done, std::size_t total)> progress;
    // After every call the server answered (accepted or refused; not one that lost the
    // connection or was not made): what it was, its tag and the result.
    std::function<void(ImportAction action, const PlannedTag& tag, HResult hr)> called;
    // A result that means the call was not made at all (the journal could not be written
    // ahead of it): the run stops there, the call counted as not attempted, not as refused.
    std::function<bool(HResult hr)> notMade;
};

ImportReport RunImportPlan(const ImportPlan& plan, ITagServer& server, const ImportRunOptions& options = {});

// "added N, changed N, deleted N, unchanged N, refused N, invalid rows N"
std::string FormatImportSummary(const ImportReport& report);

const char* ImportActionName(ImportAction action);  // "add", "change", "delete"
