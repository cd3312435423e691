// CSearchDevThread: the search worker. On a thread of its own, with its own COM apartment
// and its own connection to the server, it probes a range of network addresses on request
// and reports each step to the auto-search dialog's window by posted messages
// (SearchMessages.h). The scan itself is CSearchScan; this class gives it the queue and
// the messages. The line-check dialog's worker is the same: on WM_START_CHECK it reads the
// server's list with the periods and the port, posts the plan and runs CLineCheck, one
// report per device.
//
// Life: the dialog creates the object and starts its thread; InitInstance connects; the
// message loop takes WM_START_SCAN (runs a whole scan inside the handler) and WM_STOP_SCAN;
// WM_QUIT ends the loop and the object deletes itself with its thread. A worker that cannot
// connect shows why, reports kScanNotConnected and ends.
#pragma once

#include <windows.h>

#include <memory>

#include "search/SearchScan.h"
#include "search/LineCheck.h"
#include "search/win/SearchMessages.h"
#include "server/ComRef.h"
#include "server/win/ComInitialization.h"
#include "server/win/ComTagServer.h"
#include "server/win/ServerConnection.h"
#include "ui/WinThread.h"

class CSearchDevThread : public CWinThread, private ISearchScanHost, private ILineCheckHost {
public:
    // hNotifyWnd receives every report, including one sent before the first request.
    explicit CSearchDevThread(HWND hNotifyWnd);
    ~CSearchDevThread() override;

    // Starts the thread and returns once it runs and its queue takes messages, with a handle
    // of the caller's own (valid after the object has deleted itself) and the thread's id.
    // False when the thread cannot be created; the object is then the caller's to delete.
    BOOL Start(HANDLE* phThread, DWORD* pnThreadId);

    BOOL InitInstance() override;
    int ExitInstance() override;

    void OnStartSearch(WPARAM wParam, LPARAM lParam);
    void OnStopSearch(WPARAM wParam, LPARAM lParam);
    void OnStartCheck(WPARAM wParam, LPARAM lParam);
    void ScanAddresses();

    // Worker objects alive in this process (for tests and measurements).
    static long LiveCount();

    int m_nStartAddress = 0;
    int m_nEndAddress = 0;
    HWND m_hNotifyWnd;
    // The stop flag is the scan's own (CSearchScan::RequestStop), read and written only
    // on this thread.

    BEGIN_MSG_MAP(CSearchDevThread, CWinThread)
        ON_THREAD_MESSAGE(WM_START_SCAN, OnStartSearch)
        ON_THREAD_MESSAGE(WM_STOP_SCAN, OnStopSearch)
        ON_THREAD_MESSAGE(WM_START_CHECK, OnStartCheck)
    END_MSG_MAP()

private:
    // ISearchScanHost and ILineCheckHost
    void DispatchOneWaitingMessage() override;
    void OnDeviceChecked(const LineCheckEntry& entry) override;
    void OnCheckFinished() override;
    void OnScanProgress(int address) override;
    void OnDeviceFound(std::int32_t type, const std::string& text, int address) override;
    void OnScanFinished() override;

    // A report the window cannot take (it is gone, or its queue is full) is dropped, its
    // payload freed.
    void PostReport(UINT message, WPARAM wParam);
    template <typename T>
    void PostReport(UINT message, CPayload<T> payload)
    {
        PostPayload(m_hNotifyWnd, message, 0, std::move(payload));
    }
    // Frees the start requests waiting in the queue: they will never be handled.
    void DiscardWaitingRequests();

    HANDLE m_hStarted = nullptr;  // set when the thread has begun InitInstance
    // The thread's COM initialisation; declared before the connection, which goes first.
    CComInitialization m_com;
    CComRef<IAddTags> m_AddTags;  // the worker's own connection, made on its thread
    std::unique_ptr<CComTagServer> m_pServer;
    std::unique_ptr<CSearchScan> m_pScan;
    std::unique_ptr<CLineCheck> m_pCheck;
};

// Waits until the handle is signalled (none: for the whole time) or the time is up, while
// still painting and answering messages sent to this thread's windows: the window does not
// take input meanwhile, but it does not freeze either. Posted messages stay queued.
bool WaitKeepingWindowsPainted(HANDLE handle, DWORD timeoutMs);
