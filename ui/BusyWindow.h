// CBusyWindow: a window kept out of the user's reach while a command talks to the server.
// The server's calls dispatch messages, so a click meanwhile would start another command;
// the window is disabled (and the cursor waits, when asked) from construction until End()
// or the end of the scope, however the command leaves it: a return, an exception.
#pragma once

#include <windows.h>

#include "ui/Wnd.h"

class CBusyWindow {
public:
    enum Cursor { KeepCursor, WaitCursor };

    explicit CBusyWindow(CWnd& window, Cursor cursor = WaitCursor) : m_window(window)
    {
        m_window.EnableWindow(FALSE);
        if (cursor == WaitCursor) {
            m_cursor = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
            m_restoreCursor = true;
        }
    }
    ~CBusyWindow() { End(); }
    CBusyWindow(const CBusyWindow&) = delete;
    CBusyWindow& operator=(const CBusyWindow&) = delete;

    // The window takes input again (once; the end of the scope then does nothing).
    void End()
    {
        if (!m_busy) return;
        m_busy = false;
        if (m_restoreCursor) ::SetCursor(m_cursor);
        m_window.EnableWindow(TRUE);
    }

private:
    CWnd& m_window;
    HCURSOR m_cursor = nullptr;
    bool m_restoreCursor = false;
    bool m_busy = true;
};
