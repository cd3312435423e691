#include "ui/Dialog.h"

#include <cstdio>
#include <exception>

#include "ui/App.h"
#include "ui/BusyWindow.h"
#include "ui/Help.h"

CDialog::CDialog(UINT templateId, CWnd* parent) : m_pParentWnd(parent), m_nTemplateId(templateId) {}

CDialog::~CDialog()
{
    // A dialog object that outlives its window must not be reachable from it.
    if (m_hWnd && DialogFromHandle(m_hWnd) == this) SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
}

CDialog* DialogFromHandle(HWND hWnd)
{
    return reinterpret_cast<CDialog*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
}

INT_PTR CDialog::DoModal()
{
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (owner == nullptr && AfxGetApp() && AfxGetApp()->m_pMainWnd && AfxGetApp()->m_pMainWnd != this)
        owner = AfxGetApp()->m_pMainWnd->m_hWnd;
    INT_PTR result;
    {
        const CLentWindow lent(owner);
        result = DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nTemplateId), owner,
                                 &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    }
    m_hWnd = nullptr;
    return result;
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::Create(HWND owner)
{
    HWND window = CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nTemplateId), owner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

void CDialog::DestroyWindow()
{
    if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    // Bind the controls and show the members' values.
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::ProcessWindowMessage(UINT uMsg, WPARAM wParam, LPARAM, LRESULT& lResult)
{
    if (uMsg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            lResult = 0;
            return true;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            lResult = 0;
            return true;
        }
    }
    return false;
}

void CDialog::DefaultPaint()
{
    PAINTSTRUCT ps;
    BeginPaint(m_hWnd, &ps);
    EndPaint(m_hWnd, &ps);
}

void CDialog::CenterWindow()
{
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT around = area;
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    if (owner != nullptr && IsWindowVisible(owner) && !::IsIconic(owner)) GetWindowRect(owner, &around);

    RECT rect;
    GetWindowRect(m_hWnd, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    int x = around.left + (around.right - around.left - width) / 2;
    int y = around.top + (around.bottom - around.top - height) / 2;
    // Keep the whole window, its title bar above all, on the screen.
    if (x + width > area.right) x = area.right - width;
    if (y + height > area.bottom) y = area.bottom - height;
    if (x < area.left) x = area.left;
    if (y < area.top) y = area.top;
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CDialog::FocusedControl() const
{
    // A busy guard took the focus from the controls when it disabled the window.
    if (HWND atHold = CBusyWindow::FocusAtHold(m_hWnd)) return atHold;
    HWND focus = ::GetFocus();
    return focus != nullptr && IsChild(m_hWnd, focus) ? focus : nullptr;
}

void CDialog::ReturnFocus(HWND control, HWND fallback)
{
    // A disabled window's controls take no focus: it is given when the last guard ends.
    if (CBusyWindow::ReturnFocusAtEnd(m_hWnd, control, fallback)) return;
    CBusyWindow::ReturnFocusNow(m_hWnd, control, fallback);
}

void CDialog::OnHelpKey() { ShowGuideFor(m_hWnd, m_nTemplateId); }

INT_PTR CDialog::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) {
        CenterWindow();
        return OnInitDialog();
    }
    if (uMsg == WM_HELP) {
        OnHelpKey();
        SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }

    LRESULT result = 0;
    if (!ProcessWindowMessage(uMsg, wParam, lParam, result)) return FALSE;

    switch (uMsg) {
    // These return their value directly from a dialog procedure.
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        return static_cast<INT_PTR>(result);
    default:
        SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CDialog* dialog = nullptr;
    if (uMsg == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->m_hWnd = hWnd;
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog));
    } else {
        dialog = DialogFromHandle(hWnd);
    }
    if (dialog == nullptr) return FALSE;

    INT_PTR handled = FALSE;
    try {
        handled = dialog->HandleMessage(uMsg, wParam, lParam);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unhandled exception in dialog %u, message 0x%04X: %s\n",
                     dialog->m_nTemplateId, uMsg, e.what());
        handled = TRUE;
    } catch (...) {
        std::fprintf(stderr, "unhandled exception in dialog %u, message 0x%04X\n", dialog->m_nTemplateId,
                     uMsg);
        handled = TRUE;
    }

    if (uMsg == WM_NCDESTROY) {
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        dialog->m_hWnd = nullptr;
        dialog->PostNcDestroy();
    }
    return handled;
}
