// What a command that changes the server did, for --format json: one document on standard
// output that a configuration engine reads ("changed", the counts, the refusals with their
// codes, the exit code). With --format json the report lines meant for people go to
// standard error, so that standard output holds the document only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "server/TagServer.h"
#include "tagfile/ImportRun.h"

struct CtlRefusal {
    std::string action;  // "add", "change", "delete", "port"
    bool hasTag = false;
    TagId id;
    int line = 0;        // the file's row, 0 when none
    HResult hr = kS_OK;
};

struct CtlResult {
    bool dryRun = false;
    bool wouldChange = false;  // a dry run's plan holds calls
    std::size_t added = 0, changed = 0, deleted = 0, unchanged = 0, invalid = 0;
    bool portChanged = false;
    std::vector<CtlRefusal> refused;

    // What the server accepted changed its configuration.
    bool Changed() const { return !dryRun && (added + changed + deleted != 0 || portChanged); }
    // An import's or a restore's run.
    void Take(const ImportReport& report);
};

// The running command's result (one command a process).
CtlResult& CommandResult();
// Set by RunZolctl from --format json for the commands that change the server.
void SetJsonResult(bool on);
bool JsonResult();
// A line of the report for people: standard output, or standard error with --format json.
void WriteReport(const std::string& utf8);
// The document: the result, its names through the descriptions, and the exit code.
std::string CommandResultJson(const CtlResult& result, int exitCode);
