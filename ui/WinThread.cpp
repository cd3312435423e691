#include "ui/WinThread.h"

#include <cstdio>
#include <exception>

CWinThread::~CWinThread()
{
    if (m_hThread) CloseHandle(m_hThread);
}

BOOL CWinThread::CreateThread(DWORD createFlags, UINT stackSize)
{
    m_hQueueReady = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_hQueueReady == nullptr) return FALSE;
    m_hThread = ::CreateThread(nullptr, stackSize, &CWinThread::ThreadProc, this, createFlags, &m_nThreadID);
    if (m_hThread == nullptr) {
        CloseHandle(m_hQueueReady);
        m_hQueueReady = nullptr;
        return FALSE;
    }
    // A suspended thread cannot make its queue yet; the caller resumes it before posting.
    if ((createFlags & CREATE_SUSPENDED) == 0) WaitForSingleObject(m_hQueueReady, INFINITE);
    return TRUE;
}

BOOL CWinThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostThreadMessageW(m_nThreadID, message, wParam, lParam);
}

DWORD WINAPI CWinThread::ThreadProc(LPVOID param)
{
    CWinThread* thread = static_cast<CWinThread*>(param);

    // Make this thread's message queue before anyone posts to it.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    HANDLE ready = thread->m_hQueueReady;
    thread->m_hQueueReady = nullptr;
    SetEvent(ready);
    CloseHandle(ready);

    int exitCode = 0;
    try {
        if (thread->InitInstance())
            exitCode = thread->Run();
        else
            exitCode = thread->ExitInstance();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unhandled exception in worker thread: %s\n", e.what());
        exitCode = -1;
    } catch (...) {
        std::fprintf(stderr, "unhandled exception in worker thread\n");
        exitCode = -1;
    }
    if (thread->m_bAutoDelete) delete thread;
    return static_cast<DWORD>(exitCode);
}

int CWinThread::Run()
{
    while (PumpMessage()) {
    }
    return ExitInstance();
}

BOOL CWinThread::PumpMessage()
{
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        m_nExitCode = got == 0 ? static_cast<int>(msg.wParam) : -1;
        return FALSE;
    }
    Dispatch(msg);
    return TRUE;
}

void CWinThread::Dispatch(const MSG& msg)
{
    if (msg.hwnd == nullptr) {
        LRESULT result = 0;
        ProcessWindowMessage(msg.message, msg.wParam, msg.lParam, result);
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool CWinThread::ProcessWindowMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
