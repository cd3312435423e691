// One command's changes, for zolctl and the window alike: the journal opened (with the
// front end's question or refusal when it cannot be), the server's whole configuration
// read and its snapshot kept, the journaled server the calls go through
// (JournaledServer.h), and at the end the step and the journal flushed. The front ends keep
// only their words: what to say, what to ask.
#pragma once

#include "history/Journal.h"
#include "history/JournaledServer.h"
#include "history/Snapshot.h"
#include "history/UndoStep.h"
#include "tagfile/ServerTags.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Reads the server's whole configuration, every tag with its period. False when the list is
// not whole (list->Gap() says why): a list that broke off on a failed call or lacks a
// period is never a snapshot nor the base of a restore or a replace. A server without tags
// is whole.
bool ReadWholeConfiguration(ITagServer& server, const ServerTagsOptions& options, ServerTagList* list);

// Where a snapshot goes and what it needs.
struct SnapshotTarget {
    std::filesystem::path folder;
    // The snapshots the retention must leave (one being restored); asked right before the
    // file is written, so that one named while the list was read is spared too. May be null.
    std::function<std::vector<std::filesystem::path>()> keep;
    bool needPort = false;        // no snapshot unless the server gives its port settings
    std::function<bool()> stop;   // asked before the port is read and before the file is written
};

enum class SnapshotOutcome {
    NotWhole,  // the list is not whole (gap): nothing written
    NoFolder,  // the changes are made without the history: no snapshot either
    Stopped,   // the caller stopped it
    NoPort,    // the server did not give its port settings and they were needed
    Kept,      // written, or the newest holds the same (result)
    Failed,    // writing failed (result.error)
};

struct SnapshotTaken {
    SnapshotOutcome outcome = SnapshotOutcome::NotWhole;
    TagListGap gap = TagListGap::None;  // NotWhole: why
    HResult portResult = kS_OK;         // NoPort: the server's answer
    SnapshotResult result;              // Kept and Failed
};

// The snapshot of a list read from server: only of a whole one. The port settings are read
// from server next; unknown ones are recorded as such unless needed. program and naming
// from context.
SnapshotTaken TakeSnapshot(IHistoryPlatform& platform, const JournalContext& context, ITagServer& server,
                           const ServerTagList& list, const SnapshotTarget& target);

struct ChangeSessionFront {
    // Opens the journal; null: one attempt. The window asks again while another program
    // holds the file. False with *problem (UTF-8); *cancelled: the user called the command
    // off, no call may be made.
    std::function<bool(CJournal& journal, std::string* problem, bool* cancelled)> open;
    // The journal cannot be written (problem: why, UTF-8): true to change the server
    // without it. Null: the command is refused.
    std::function<bool(const std::string& problem)> withoutJournal;
};

// What the end of a session leaves: the step of accepted calls, and what went wrong with
// the journal on the way (a line that could not be written stopped the changes there; a
// flush at the end that failed).
struct ChangeSessionEnd {
    bool begun = false;  // the session reached the server (else nothing below holds)
    CUndoStep step;
    bool journalFailed = false;
    std::string journalError;  // UTF-8
    bool flushed = true;
    std::string closeError;  // UTF-8
};

class CChangeSession {
public:
    CChangeSession(IHistoryPlatform& platform, JournalContext context, std::string action);
    ~CChangeSession();
    CChangeSession(const CChangeSession&) = delete;
    CChangeSession& operator=(const CChangeSession&) = delete;

    // Opens the journal in folder; folderProblem (UTF-8) not empty: no folder could be
    // named, the journal cannot be written. False when no call may be made: the front end
    // refused to go on without the journal, or the user cancelled.
    bool Begin(const std::filesystem::path& folder, const std::string& folderProblem,
               const ChangeSessionFront& front);
    bool HasJournal() const { return m_pJournal != nullptr; }

    // The snapshot of the configuration read before the changes (ReadWholeConfiguration),
    // into the session's folder: only of a whole list, and none when the session was not
    // begun in a folder (the changes made without the history).
    SnapshotTaken Snapshot(ITagServer& server, const ServerTagList& list,
                           std::vector<std::filesystem::path> keep = {});

    // The journaled server around inner, its step begun with the session's action; a new
    // inner server (a new connection) starts a new one.
    CJournaledServer& Server(ITagServer& inner);
    bool Started() const { return m_pServer != nullptr; }

    // Ends the step and flushes the journal; once (later calls give an empty end).
    ChangeSessionEnd End();

private:
    IHistoryPlatform& m_platform;
    JournalContext m_context;
    std::string m_action;
    std::filesystem::path m_folder;  // Begin's, when it named one
    std::unique_ptr<CJournal> m_pJournal;
    std::unique_ptr<CJournaledServer> m_pServer;
    bool m_bEnded = false;
};
