#include "dialogs/StepProgressWnd.h"

#include <commctrl.h>

#include "ui/Text.h"

CStepProgressWnd::CStepProgressWnd(CWnd* owner, const std::string& caption, std::size_t total)
    : CDialog(IDD_STEP_PROGRESS, owner), m_strCaption(caption), m_nTotal(total)
{
    if (Create(owner != nullptr ? owner->m_hWnd : nullptr)) {
        ShowWindow(m_hWnd, SW_SHOW);
        UpdateWindow();
    }
}

CStepProgressWnd::~CStepProgressWnd() { DestroyWindow(); }

BOOL CStepProgressWnd::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(m_strCaption);
    ::SendMessageW(GetDlgItem(IDC_STEP_PROGRESS_BAR), PBM_SETRANGE32, 0, static_cast<LPARAM>(m_nTotal));
    SetDlgItemTextW(m_hWnd, IDC_STEP_PROGRESS_TEXT, Widen("Выполнено 0 из " + std::to_string(m_nTotal)).c_str());
    return TRUE;
}

bool CStepProgressWnd::Step(std::size_t done)
{
    if (m_hWnd != nullptr) {
        const ULONGLONG now = GetTickCount64();
        if (now - m_nLastShown >= 50 || done == m_nTotal) {
            m_nLastShown = now;
            ::SendMessageW(GetDlgItem(IDC_STEP_PROGRESS_BAR), PBM_SETPOS, static_cast<WPARAM>(done), 0);
            SetDlgItemTextW(m_hWnd, IDC_STEP_PROGRESS_TEXT,
                            Widen("Выполнено " + std::to_string(done) + " из " + std::to_string(m_nTotal)).c_str());
        }
        PumpMessages();
    }
    return m_bStop;
}

void CStepProgressWnd::PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The program is ending: stop, and leave the quit for the loop it belongs to.
            PostQuitMessage(static_cast<int>(msg.wParam));
            m_bStop = true;
            return;
        }
        if (!IsDialogMessageW(m_hWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void CStepProgressWnd::OnCancel() { m_bStop = true; }

void CStepProgressWnd::OnStop() { m_bStop = true; }
