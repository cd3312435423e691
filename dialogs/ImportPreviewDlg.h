// CImportPreviewDlg: what loading a tag file into the server would do, before anything is
// sent: the counts of the plan, the rows that cannot be used with their reasons, and the
// warnings. "Импортировать" carries the plan out call by call, handling the window's
// messages between the calls so that the progress shows and "Стоп" is heard; Stop ends
// the run before the next call, and what was sent stays sent. Nothing is deleted.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "res/resource.h"
#include "server/TagServer.h"
#include "tagfile/ImportPlan.h"
#include "tagfile/ImportRun.h"
#include "tagfile/TagFileReader.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

class CImportPreviewDlg : public CDialog {
public:
    CImportPreviewDlg(const std::wstring& fileName, const TagFileContent& content, const ImportPlan& plan,
                      ITagServer& server, CWnd* parent = nullptr);

    // After DoModal: whether the plan was run, its report, and how many of its calls were
    // made (the adds come first, in plan order).
    bool m_bRan = false;
    // Restoring a snapshot: the plan replaces (its deletions are counted and confirmed by
    // the user before anything is sent), the texts say "Восстановить"; m_bPortChanges: the
    // caller also sets the port settings afterwards.
    bool m_bRestore = false;
    bool m_bPortChanges = false;
    // Whether a call's result means it was not made (the journal failed): the run stops.
    std::function<bool(HResult hr)> m_NotMade;
    ImportReport m_Report;
    std::size_t m_nCallsMade = 0;

    // The line of the list for an issue of the file (reason in the file's words).
    static std::wstring IssueLine(const TagFileIssue& issue);
    // The reason alone, in the window's language (a device copy's refused tags too).
    static std::wstring IssueReason(const TagFileIssue& issue);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnStop();

    BEGIN_MSG_MAP(CImportPreviewDlg, CDialog)
        ON_BN_CLICKED(IDC_IMPORT_STOP, OnStop)
    END_MSG_MAP()

private:
    // Handles the messages waiting in the queue (the Stop button, painting).
    void PumpMessages();

    std::wstring m_strFileName;
    const TagFileContent& m_content;
    const ImportPlan& m_plan;
    ITagServer& m_server;
    bool m_bRunning = false;
    bool m_bStopRequested = false;
    bool CanRun() const { return m_plan.Calls() > 0 || (m_bRestore && m_bPortChanges); }
};
