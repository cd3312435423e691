#include "dialogs/FillProgressWnd.h"

#include <string>

#include "ui/Text.h"

CFillProgressWnd::CFillProgressWnd(CWnd* mainWindow, std::uint64_t delayMs, std::uint64_t intervalMs)
    : CDialog(IDD_FILL_PROGRESS, mainWindow), m_pMainWnd(mainWindow), m_pacer(GetTickCount64(), delayMs, intervalMs)
{
}

CFillProgressWnd::~CFillProgressWnd() { DestroyWindow(); }

std::string CFillProgressWnd::Text(std::size_t tags)
{
    return "Чтение конфигурации сервера: " + std::to_string(tags) + " тегов";
}

void CFillProgressWnd::OnTags(std::size_t tags)
{
    switch (m_pacer.Tick(GetTickCount64())) {
    case CProgressPacer::Step::Nothing:
        return;
    case CProgressPacer::Step::Show:
        Show(tags);
        return;
    case CProgressPacer::Step::Update:
        if (m_hWnd == nullptr) return;
        SetDlgItemTextW(m_hWnd, IDC_FILL_PROGRESS_TEXT, Widen(Text(tags)).c_str());
        UpdateWindow();
        return;
    }
}

void CFillProgressWnd::Show(std::size_t tags)
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
    SetDlgItemTextW(m_hWnd, IDC_FILL_PROGRESS_TEXT, Widen(Text(tags)).c_str());
    ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    UpdateWindow();
}
