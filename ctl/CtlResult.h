// What a command that changes the server did, for --format json: one document on standard
// output that a configuration engine reads ("changed", the counts, the refusals with their
// codes, the exit code, the error), whatever the exit code, a usage error's included. With
// --format json the report lines meant for people go to standard error, so that standard
// output holds the document only. diff's document (CtlDiff.cpp) carries the same
// "exit_code" and "error".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/JsonWriter.h"
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
    bool restarted = false;
    std::vector<CtlRefusal> refused;

    // What the server accepted changed its configuration.
    bool Changed() const { return !dryRun && (added + changed + deleted != 0 || portChanged || restarted); }
    // An import's or a restore's run.
    void Take(const ImportReport& report);
};

// The running command's result (one command a process).
CtlResult& CommandResult();
// Set by RunZolctl from --format json for the commands that answer with a document.
void SetJsonResult(bool on);
bool JsonResult();
// A line of the report for people: standard output, or standard error with --format json.
void WriteReport(const std::string& utf8);
// A failure's message: standard error, and the document's "error" (the lines of the run's
// messages joined by "; ").
void WriteError(const std::string& utf8);
// The same for the document only, where the lines for people said it otherwise.
void NoteError(const std::string& utf8);
// The document's "error": the messages WriteError wrote; without one, what the result and
// the exit code say (a refusal, invalid rows, an interruption). Null for exit code 0.
void AddErrorMember(CJsonWriter& json, const CtlResult& result, int exitCode);
// The document: the result, its names through the descriptions, the exit code and the error.
std::string CommandResultJson(const CtlResult& result, int exitCode);
// diff's document: the differences found (none when it ended before comparing), the exit
// code and the error (CtlDiff.cpp).
std::string DiffResultJson(int exitCode);
// check's document: each device checked, the counts, the load estimate, the exit code and
// the error (CtlCheck.cpp).
std::string CheckResultJson(int exitCode);
