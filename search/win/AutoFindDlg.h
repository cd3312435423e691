// CAutoFindDlg: the auto-search dialog. The user gives an address range and presses
// "Старт"; a search worker (CSearchDevThread) probes the range through its own server
// connection and reports here: the title shows the progress, every answering device becomes
// an entry of the list, named from the device catalogue. A double click on an entry closes
// the dialog with OK and leaves the device's type code and address in m_nFoundType and
// m_nFoundAddress.
//
// Closing the dialog in any way stops a running worker and waits for its end (the address
// being probed and the next one, at most), so that no worker outlives its dialog and no
// report is left unfreed in the queue.
#pragma once

#include <windows.h>

#include <vector>

#include "common/win/Owners.h"
#include "res/resource.h"
#include "search/win/SearchDevThread.h"
#include "search/win/SearchMessages.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

class CAutoFindDlg : public CDialog {
public:
    // Takes a reference of its own on pAddTags (it only holds it; the search uses the
    // worker's own connection).
    explicit CAutoFindDlg(IAddTags* pAddTags, CWnd* parent = nullptr);
    ~CAutoFindDlg() override;

    CTreeCtrl m_Tree;
    CComRef<IAddTags> m_AddTags;
    CSpinButtonCtrl m_StartSpin;
    CEdit m_StartEdit;
    CSpinButtonCtrl m_EndSpin;
    CEdit m_EndEdit;
    int m_nStartAddress = 1;
    int m_nEndAddress = 255;
    int m_nFoundType = 0;
    int m_nFoundAddress = 0;
    CSearchDevThread* m_pSearchThread = nullptr;  // the running worker; never dereferenced
    // What the last search started here found, in the order found (a type code beyond 8
    // bits as 0); m_bSearched: a search was started. The caller keeps them for the window.
    struct Found {
        int nTypeCode;
        int nAddress;
    };
    std::vector<Found> m_Found;
    bool m_bSearched = false;
    CButton m_StartButton;

    // How long closing waits for a worker before it lets the worker end on its own.
    static constexpr DWORD kWorkerEndLimitMs = 15000;
    // The pause after a double click, before the dialog closes.
    static constexpr DWORD kChoicePauseMs = 1000;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

    // Creates the worker for this window and starts its thread; null when either fails.
    // On success m_hSearchThread and m_nSearchThreadId are set.
    virtual CSearchDevThread* StartSearchThread();

    void OnStart();
    void OnDeltaposStartSpin(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDeltaposEndSpin(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDblclkFoundTree(NMHDR* pNMHDR, LRESULT* pResult);
    void OnStop();
    LRESULT OnSearchProgress(WPARAM wParam, LPARAM lParam);
    LRESULT OnDeviceFound(WPARAM wParam, LPARAM lParam);
    LRESULT OnSearchFinished(WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    BEGIN_MSG_MAP(CAutoFindDlg, CDialog)
        ON_BN_CLICKED(IDOK, OnStart)
        ON_NOTIFY(UDN_DELTAPOS, IDC_START_ADDRESS_SPIN, OnDeltaposStartSpin)
        ON_NOTIFY(UDN_DELTAPOS, IDC_END_ADDRESS_SPIN, OnDeltaposEndSpin)
        ON_NOTIFY(NM_DBLCLK, IDC_FOUND_TREE, OnDblclkFoundTree)
        ON_BN_CLICKED(IDC_STOP_SEARCH, OnStop)
        ON_MESSAGE(WM_SCAN_PROGRESS, OnSearchProgress)
        ON_MESSAGE(WM_DEVICE_FOUND, OnDeviceFound)
        ON_MESSAGE(WM_SCAN_FINISHED, OnSearchFinished)
        ON_WM_DESTROY()
    END_MSG_MAP()

protected:
    CScopedHandle m_hSearchThread;  // our own handle of the worker's thread
    DWORD m_nSearchThreadId = 0;

private:
    // Posts the stop request and the quit message to a running worker.
    void TellWorkerToEnd();
    // Tells a running worker to stop and end, waits for its end and frees the reports it
    // left in this window's queue. Nothing when no worker runs.
    void EndSearchForClosing();
    // Waits for the worker's thread, forgets the worker and closes the handle.
    void ForgetSearchThread();
    void DiscardUndeliveredReports();
};
