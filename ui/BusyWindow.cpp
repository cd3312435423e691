#include "ui/BusyWindow.h"

namespace {

// Kept on the window itself: the number of guards holding it, and whether the first of them
// found it enabled. A window a modal dialog had disabled already (a command run from that
// dialog) is left to that dialog: no guard enables it, and no modal is lent it.
const wchar_t kHolds[] = L"ZolBusyHolds";
const wchar_t kEnableAtEnd[] = L"ZolBusyEnableAtEnd";
// The control focused when the first guard came, and the focus a command asked for meanwhile.
const wchar_t kFocusAtHold[] = L"ZolBusyFocusAtHold";
const wchar_t kFocusTo[] = L"ZolBusyFocusTo";
const wchar_t kFocusFallback[] = L"ZolBusyFocusFallback";

UINT_PTR Holds(HWND window) { return reinterpret_cast<UINT_PTR>(GetPropW(window, kHolds)); }

bool GuardDisabledIt(HWND window) { return GetPropW(window, kEnableAtEnd) != nullptr; }

}  // namespace

CBusyWindow::CBusyWindow(CWnd& window, Cursor cursor) : m_hWnd(window.GetSafeHwnd())
{
    const UINT_PTR holds = Holds(m_hWnd);
    if (holds == 0 && IsWindowEnabled(m_hWnd)) {
        SetPropW(m_hWnd, kEnableAtEnd, reinterpret_cast<HANDLE>(1));
        HWND focus = ::GetFocus();
        if (focus != nullptr && IsChild(m_hWnd, focus)) SetPropW(m_hWnd, kFocusAtHold, focus);
    }
    SetPropW(m_hWnd, kHolds, reinterpret_cast<HANDLE>(holds + 1));
    ::EnableWindow(m_hWnd, FALSE);
    if (cursor == WaitCursor) {
        m_cursor = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        m_restoreCursor = true;
    }
}

void CBusyWindow::End()
{
    if (!m_busy) return;
    m_busy = false;
    if (m_restoreCursor) ::SetCursor(m_cursor);
    const UINT_PTR holds = Holds(m_hWnd);
    if (holds > 1) {
        SetPropW(m_hWnd, kHolds, reinterpret_cast<HANDLE>(holds - 1));
        return;
    }
    RemovePropW(m_hWnd, kHolds);
    HWND atHold = static_cast<HWND>(RemovePropW(m_hWnd, kFocusAtHold));
    const bool asked = GetPropW(m_hWnd, kFocusTo) != nullptr || GetPropW(m_hWnd, kFocusFallback) != nullptr;
    HWND to = static_cast<HWND>(RemovePropW(m_hWnd, kFocusTo));
    HWND fallback = static_cast<HWND>(RemovePropW(m_hWnd, kFocusFallback));
    if (RemovePropW(m_hWnd, kEnableAtEnd) == nullptr) return;
    ::EnableWindow(m_hWnd, TRUE);
    HWND focus = ::GetFocus();
    if (asked)
        ReturnFocusNow(m_hWnd, to, fallback);
    else if (focus == nullptr || (focus != m_hWnd && !IsChild(m_hWnd, focus)))
        ReturnFocusNow(m_hWnd, atHold, nullptr);
}

bool CBusyWindow::IsHeld(HWND window) { return window != nullptr && Holds(window) > 0; }

HWND CBusyWindow::FocusAtHold(HWND window)
{
    return IsHeld(window) && GuardDisabledIt(window) ? static_cast<HWND>(GetPropW(window, kFocusAtHold)) : nullptr;
}

bool CBusyWindow::ReturnFocusAtEnd(HWND window, HWND control, HWND fallback)
{
    if (!IsHeld(window) || !GuardDisabledIt(window)) return false;
    SetPropW(window, kFocusTo, control);
    SetPropW(window, kFocusFallback, fallback);
    if (control == nullptr && fallback == nullptr) SetPropW(window, kFocusTo, window);  // asked, for nothing
    return true;
}

void CBusyWindow::ReturnFocusNow(HWND dialog, HWND control, HWND fallback)
{
    const auto usable = [dialog](HWND window) {
        return window != nullptr && IsChild(dialog, window) && IsWindowVisible(window) && ::IsWindowEnabled(window);
    };
    HWND target = usable(control) ? control : fallback;
    if (!usable(target)) return;
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
}

CLentWindow::CLentWindow(HWND owner)
{
    if (!CBusyWindow::IsHeld(owner) || !GuardDisabledIt(owner) || IsWindowEnabled(owner)) return;
    m_hOwner = owner;
    ::EnableWindow(owner, TRUE);
}

CLentWindow::~CLentWindow()
{
    if (m_hOwner != nullptr && CBusyWindow::IsHeld(m_hOwner)) ::EnableWindow(m_hOwner, FALSE);
}
