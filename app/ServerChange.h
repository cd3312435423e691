// The main window's side of the change journal: where the history lives, whether the user
// agreed to go on without a journal, the undo stack of this run, and CServerChange, through
// which every command of the window that changes the server makes its calls.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "history/History.h"
#include "server/win/ComTagServer.h"
#include "tree/TagNodes.h"

class CWnd;

class CTarnelDlg;

// "zolcfg 0.917.N", the program in the journal's lines and the snapshots' names.
const std::string& WindowProgramName();

class CWindowHistory {
public:
    CWindowHistory();

    // The history folder ("" when none could be named; FolderProblem says why, UTF-8).
    const std::filesystem::path& Folder() const { return m_folder; }
    const std::string& FolderProblem() const { return m_folderProblem; }
    // The journal's line context: the program and the tags' names as the tree spells them.
    JournalContext Context() const;

    CUndoStack m_Undo;
    // The user answered Yes to going on without the journal (asked once per run).
    bool m_bWithoutJournal = false;

private:
    std::filesystem::path m_folder;
    std::string m_folderProblem;
};

// One command's changes: opens the journal (asking once per run whether to go on without it
// when it cannot be written), gives the journaled server for the calls, and at the end
// pushes what the server accepted as one step of the undo stack and flushes the journal.
class CServerChange {
public:
    // action: the command as the user chose it ("Удалить устройство"). The step is recorded
    // only when record is true (restart: journaled, but nothing to undo).
    // The question about a journal that cannot be written is owned by questionOwner (null:
    // the main window).
    CServerChange(CTarnelDlg& window, const std::string& action, bool record = true, CWnd* questionOwner = nullptr);
    ~CServerChange();
    CServerChange(const CServerChange&) = delete;
    CServerChange& operator=(const CServerChange&) = delete;

    // False when the user chose not to change the server without the journal, or there is
    // no connection: then no call may be made.
    bool Ok() const { return m_pServer != nullptr; }
    CJournaledServer& Server() { return *m_pServer; }
    // The tags whose AddTag or DeleteTag the server accepted so far, in call order.
    const std::vector<TagOnServer>& TagChanges() const { return m_pRecorder->m_Changes; }

    // Ends the command (the destructor does it when not called before): pushes the step
    // (a step with nothing accepted is not pushed), flushes the journal, and reports a
    // journal that failed on the way.
    void Finish();

private:
    CTarnelDlg& m_window;
    bool m_bRecord;
    std::unique_ptr<CTagChangeRecorder> m_pRecorder;
    std::unique_ptr<CChangeSession> m_pSession;
    CJournaledServer* m_pServer = nullptr;
    bool m_bFinished = false;
};

// Why a list of the server's tags is not whole (ServerTagList::Gap) in the window's words,
// for the boxes of the export, the import and the restore; "" when it is.
std::string TagListGapText(const ServerTagList& list);
