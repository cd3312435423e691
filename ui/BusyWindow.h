// CBusyWindow: a window kept out of the user's reach while a command talks to the server.
// The server's calls dispatch messages, so a click meanwhile would start another command;
// the window is disabled (and the cursor waits, when asked) from construction until End()
// or the end of the scope, however the command leaves it: a return, an exception. Guards
// nest: the window is disabled by the first and takes input again when the last ends.
//
// CLentWindow: a modal window (a dialog, a message box, a file dialog) opened over a window
// a guard holds. The modal gets its owner back for its own time, so that it disables and
// enables the owner as a modal always does, and Windows activates the owner again when the
// modal closes (a disabled owner would send the activation to another program). The hold
// is taken up again once the modal has closed. Over a window no guard holds it does nothing.
#pragma once

#include <windows.h>

#include "ui/Wnd.h"

class CBusyWindow {
public:
    enum Cursor { KeepCursor, WaitCursor };

    explicit CBusyWindow(CWnd& window, Cursor cursor = WaitCursor);
    ~CBusyWindow() { End(); }
    CBusyWindow(const CBusyWindow&) = delete;
    CBusyWindow& operator=(const CBusyWindow&) = delete;

    // This guard's hold ends (once; the end of the scope then does nothing). The window
    // takes input again unless another guard still holds it.
    void End();

    // True while a guard holds window.
    static bool IsHeld(HWND window);

    // The focus while a guard that disabled the window holds it. Disabling takes the focus
    // from the window's controls, so the control that had it when the first guard came is
    // what the command sees as focused, and a command's wish to put the focus somewhere is
    // kept until the last guard ends, when the window can take it. Without such a wish the
    // focus goes back where it was, as the dialog manager does after a modal box.
    static HWND FocusAtHold(HWND window);
    // False when no guard that disabled window holds it: the caller moves the focus itself.
    static bool ReturnFocusAtEnd(HWND window, HWND control, HWND fallback);
    // To control when it is a visible, enabled control of dialog, otherwise to fallback,
    // through the dialog manager (a push button taking the focus becomes the default one).
    static void ReturnFocusNow(HWND dialog, HWND control, HWND fallback);

private:
    HWND m_hWnd;
    HCURSOR m_cursor = nullptr;
    bool m_restoreCursor = false;
    bool m_busy = true;
};

class CLentWindow {
public:
    explicit CLentWindow(HWND owner);
    ~CLentWindow();
    CLentWindow(const CLentWindow&) = delete;
    CLentWindow& operator=(const CLentWindow&) = delete;

private:
    HWND m_hOwner = nullptr;  // set only when lent
};
