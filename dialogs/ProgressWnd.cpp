#include "dialogs/ProgressWnd.h"

#include <utility>

#include "ui/Text.h"

CProgressWnd::CProgressWnd(CWnd* mainWindow, TextOf text, std::uint64_t delayMs, std::uint64_t intervalMs)
    : CDialog(IDD_PROGRESS_WINDOW, mainWindow), m_pMainWnd(mainWindow), m_text(std::move(text)),
      m_pacer(GetTickCount64(), delayMs, intervalMs)
{
}

CProgressWnd::~CProgressWnd() { DestroyWindow(); }

BOOL CProgressWnd::OnInitDialog()
{
    CDialog::OnInitDialog();
    return FALSE;
}

std::string CProgressWnd::FillText(std::size_t tags)
{
    return "Чтение конфигурации сервера: " + std::to_string(tags) + " тегов";
}

void CProgressWnd::OnCount(std::size_t count)
{
    switch (m_pacer.Tick(GetTickCount64())) {
    case CProgressPacer::Step::Nothing:
        return;
    case CProgressPacer::Step::Show:
        Show(count);
        return;
    case CProgressPacer::Step::Update:
        if (m_hWnd == nullptr) return;
        SetDlgItemTextW(m_hWnd, IDC_PROGRESS_TEXT, Widen(m_text(count)).c_str());
        UpdateWindow();
        return;
    }
}

void CProgressWnd::Show(std::size_t count)
{
    HWND owner = m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr;
    if (!Create(owner)) return;
    // Centred over the main window's place, shown or not yet.
    RECT main = {};
    RECT own = {};
    if (owner != nullptr && GetWindowRect(owner, &main) && GetWindowRect(m_hWnd, &own)) {
        const int width = own.right - own.left;
        const int height = own.bottom - own.top;
        SetWindowPos(m_hWnd, nullptr, main.left + (main.right - main.left - width) / 2,
                     main.top + (main.bottom - main.top - height) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetDlgItemTextW(m_hWnd, IDC_PROGRESS_TEXT, Widen(m_text(count)).c_str());
    ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    UpdateWindow();
}
