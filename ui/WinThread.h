// CWinThread: a worker thread with its own message queue and message loop. Thread
// messages (posted with PostThreadMessage) go through the class's message map:
//
//   BEGIN_MSG_MAP(CMyThread, CWinThread)
//       ON_THREAD_MESSAGE(WM_MY_REQUEST, OnMyRequest)     void OnMyRequest(WPARAM, LPARAM)
//   END_MSG_MAP()
//
// The queue exists as soon as CreateThread returns, so messages can be posted at once;
// they wait until InitInstance has run and the loop takes them. With m_bAutoDelete the
// object deletes itself when its thread ends (after ExitInstance).
#pragma once

#include <windows.h>

#include "ui/MessageMap.h"

#define ON_THREAD_MESSAGE(message, handler) \
        if (uMsg == (message)) {            \
            handler(wParam, lParam);        \
            lResult = 0;                    \
            return true;                    \
        }

class CWinThread {
public:
    CWinThread() = default;
    virtual ~CWinThread();

    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread (running at once unless CREATE_SUSPENDED). False when it could not
    // be created; the object is then not deleted automatically.
    BOOL CreateThread(DWORD createFlags = 0, UINT stackSize = 0);

    BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) const;

    // Runs on the new thread before the loop; false ends the thread at once.
    virtual BOOL InitInstance() { return TRUE; }
    // The message loop; returns the exit code when WM_QUIT arrives.
    virtual int Run();
    // Runs on the thread when the loop has ended (or InitInstance failed); its result is
    // the thread's exit code (by default the code WM_QUIT carried).
    virtual int ExitInstance() { return m_nExitCode; }

    // Fetches the next message of the queue (waiting for one) and routes it: thread
    // messages through the message map, window messages to their window. False on WM_QUIT.
    BOOL PumpMessage();

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    BOOL m_bAutoDelete = TRUE;

protected:
    int m_nExitCode = 0;

    virtual bool ProcessWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult);

private:
    static DWORD WINAPI ThreadProc(LPVOID param);
    void Dispatch(const MSG& msg);

    HANDLE m_hQueueReady = nullptr;
};
