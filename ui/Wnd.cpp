#include "ui/Wnd.h"

#include "ui/App.h"
#include "ui/BusyWindow.h"
#include "ui/Text.h"

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    m_hWnd = nullptr;
    return hWnd;
}

void CWnd::SetWindowText(const std::string& text) { ::SetWindowTextW(m_hWnd, Widen(text).c_str()); }

std::string CWnd::GetWindowText() const { return Narrow(GetWideText()); }

std::wstring CWnd::GetWideText() const
{
    const int length = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(m_hWnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

BOOL CWnd::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }
HWND CWnd::GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
void CWnd::ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
BOOL CWnd::SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
BOOL CWnd::RedrawWindow(UINT flags) { return ::RedrawWindow(m_hWnd, nullptr, nullptr, flags); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

HICON CWnd::SetIcon(HICON icon, BOOL big)
{
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                                               reinterpret_cast<LPARAM>(icon)));
}

void CWnd::SetFocus() { ::SetFocus(m_hWnd); }

int CWnd::MessageBox(const std::string& text, const char* caption, UINT type) const
{
    return MessageBox(Widen(text), caption, type);
}

int CWnd::MessageBox(const std::wstring& text, const char* caption, UINT type) const
{
    const std::wstring title = Widen(caption ? std::string(caption) : AfxGetAppName());
    const CLentWindow lent(m_hWnd);
    return ::MessageBoxW(m_hWnd, text.c_str(), title.c_str(), type);
}
