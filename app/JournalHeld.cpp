#include "app/JournalHeld.h"

#include <windows.h>

#include "catalogue/Windows1251.h"
#include "common/FileHolder.h"
#include "history/History.h"
#include "ui/Text.h"
#include "ui/Wnd.h"

namespace {

// The box's buttons are the system's (in its language); their texts are set as it opens.
thread_local HHOOK t_hook = nullptr;

LRESULT CALLBACK RenameButtons(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        SetDlgItemTextW(box, IDRETRY, Widen("Повтор").c_str());
        SetDlgItemTextW(box, IDCANCEL, Widen("Отмена").c_str());
        UnhookWindowsHookEx(t_hook);
        t_hook = nullptr;
        return 0;
    }
    return CallNextHookEx(t_hook, code, wParam, lParam);
}

}  // namespace

int AskRetryCancel(const CWnd& owner, const std::string& text)
{
    t_hook = SetWindowsHookExW(WH_CBT, RenameButtons, nullptr, GetCurrentThreadId());
    const int answer = owner.MessageBox(text, nullptr, MB_RETRYCANCEL | MB_ICONWARNING);
    if (t_hook != nullptr) {
        UnhookWindowsHookEx(t_hook);
        t_hook = nullptr;
    }
    return answer;
}

bool OpenJournalOrAskRetry(CJournal& journal, const CWnd& owner, std::string* problem, bool* cancelled)
{
    *cancelled = false;
    const std::filesystem::path path = journal.Folder() / kJournalFileName;
    for (;;) {
        // Open waits a few seconds for a program that holds the file only for a moment.
        if (journal.Open(problem)) return true;
        if (!HeldAgainstWriters(path)) return false;
        const std::string holders = ProgramsHoldingFile(path);
        const std::string text = "Журнал изменений " + Narrow(path.wstring()) + " открыт в другой программе" +
                                 (holders.empty() ? std::string() : " (" + Utf8ToCp1251(holders) + ")") +
                                 " и не может быть записан.\nЗакройте его там и нажмите «Повтор». "
                                 "«Отмена» оставляет конфигурацию без изменений.";
        if (AskRetryCancel(owner, BoxLines(text)) != IDRETRY) {
            *cancelled = true;
            return false;
        }
    }
}
