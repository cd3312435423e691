// CWnd: a thin, non-owning wrapper of a window handle with the few operations the
// dialogs use. Texts are Windows-1251 strings; the W functions are called underneath.
#pragma once

#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}
    virtual ~CWnd() = default;

    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND Detach();

    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;
    // The text as the window holds it, for text that Windows-1251 may not hold (what a user typed).
    std::wstring GetWideText() const;
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsIconic() const;
    HWND GetDlgItem(int id) const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void GetClientRect(RECT* rect) const;
    void ScreenToClient(POINT* point) const;
    BOOL SetForegroundWindow();
    BOOL RedrawWindow(UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    void UpdateWindow();
    HICON SetIcon(HICON icon, BOOL big);
    void SetFocus();

    // A message box owned by this window, with the application's name as its title
    // when no caption is given.
    int MessageBox(const std::string& text, const char* caption = nullptr, UINT type = MB_OK) const;
    int MessageBox(const std::wstring& text, const char* caption = nullptr, UINT type = MB_OK) const;

    HWND m_hWnd = nullptr;
};
