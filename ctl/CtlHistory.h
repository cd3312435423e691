// zolctl's side of the history (history/History.h): the journal every changing command
// writes through, the snapshots taken when a command reads the whole configuration, and
// the commands journal, history, snapshot and restore (their handlers: ctl/CtlCommands.h).
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ctl/CtlArgs.h"
#include "history/History.h"
#include "tagfile/ServerTags.h"

// "zolctl 0.917.40"
std::string CtlProgramName();

// One changing command's journal. Begin before any server call: without --no-journal a
// journal that cannot be written refuses the command (message printed, exit code 1).
class CCtlChanges {
public:
    CCtlChanges() = default;
    ~CCtlChanges();
    CCtlChanges(const CCtlChanges&) = delete;
    CCtlChanges& operator=(const CCtlChanges&) = delete;

    // action: "zolctl delete", ... False when the command must not go on.
    bool Begin(const CtlArgs& args, const std::string& action);
    // The journaled server around the connection's; every change goes through it.
    CJournaledServer& Server(ITagServer& inner);
    // The snapshot of the configuration read before the changes (a whole list only), into
    // the journal's folder; none without the journal (--no-journal, --dry-run). A failure is
    // a warning only. keep: snapshots the retention must spare (the one being restored).
    void Snapshot(const CtlArgs& args, const ServerTagList& list, ITagServer& server,
                  const std::vector<std::filesystem::path>& keep = {});
    // Ends the step, flushes the journal; says so when a line could not be written and
    // then turns a successful exit code into 1.
    int Finish(int exitCode);

private:
    std::unique_ptr<CChangeSession> m_pSession;
    bool m_bFinished = false;
};

// For a command that changes nothing: a snapshot of a whole list (every tag with its
// period), unless --no-journal or --dry-run; a failure is a warning only. server: for the
// port settings.
void SnapshotIfComplete(const CtlArgs& args, const ServerTagList& list, ITagServer& server);
