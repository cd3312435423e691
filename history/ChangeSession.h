// One command's changes, for zolctl and the window alike: the journal opened (with the
// front end's question or refusal when it cannot be), the journaled server the calls go
// through (JournaledServer.h), and at the end the step and the journal flushed. The front
// ends keep only their words: what to say, what to ask.
#pragma once

#include "history/Journal.h"
#include "history/JournaledServer.h"
#include "history/UndoStep.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

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
    std::unique_ptr<CJournal> m_pJournal;
    std::unique_ptr<CJournaledServer> m_pServer;
    bool m_bEnded = false;
};
