#include "app/JournalHeld.h"

#include <windows.h>

#include <utility>

#include "catalogue/Windows1251.h"
#include "common/FileHolder.h"
#include "common/win/Owners.h"
#include "history/History.h"
#include "ui/Text.h"
#include "ui/Wnd.h"

namespace {

// The box's buttons are the system's (in its language); their texts are set as it opens.
// The hook is owned by AskRetryCancel's scope; the hook ends itself once it has renamed the
// buttons, so that boxes opened later are left alone.
thread_local CScopedHook* t_pHook = nullptr;

LRESULT CALLBACK RenameButtons(int code, WPARAM wParam, LPARAM lParam)
{
    CScopedHook* hook = t_pHook;
    if (code == HCBT_ACTIVATE) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        SetDlgItemTextW(box, IDRETRY, Widen("Повтор").c_str());
        SetDlgItemTextW(box, IDCANCEL, Widen("Отмена").c_str());
        if (hook != nullptr) hook->Reset();
        return 0;
    }
    return CallNextHookEx(hook != nullptr ? hook->Get() : nullptr, code, wParam, lParam);
}

}  // namespace

int AskRetryCancel(const CWnd& owner, const std::string& text)
{
    CScopedHook hook;
    CScopedHook* const outer = std::exchange(t_pHook, &hook);
    hook.Reset(SetWindowsHookExW(WH_CBT, RenameButtons, nullptr, GetCurrentThreadId()));
    const int answer = owner.MessageBox(text, nullptr, MB_RETRYCANCEL | MB_ICONWARNING);
    t_pHook = outer;
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
