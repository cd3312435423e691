#include "MainWindowRun.h"

#include <commctrl.h>

#include "ModalRun.h"
#include "MenuDriver.h"
#include "TreeReader.h"
#include "res/resource.h"
#include "UiDriver.h"
#include "ui/Text.h"

MainRun RunMain(const std::function<void(HWND window, CTarnelDlg& dlg)>& script)
{
    CTarnelDlg dlg;
    const ModalRun run = RunModal(dlg, "Конфигуратор ZOL-OPC-Server версия",
                                  [&](HWND window) { script(window, dlg); }, 30000);
    return MainRun{run.result, run.boxes, run.shown, run.wideBoxes};
}

std::string StoredTitle(HWND window)
{
    wchar_t title[256] = {};
    InternalGetWindowText(window, title, 256);
    return Narrow(title);
}

HWND Tree(HWND window) { return GetDlgItem(window, IDC_CONFIG_TREE); }

POINT PointOf(HWND window, const std::vector<std::string>& path)
{
    HWND tree = Tree(window);
    for (size_t depth = 1; depth < path.size(); ++depth) {
        const std::vector<std::string> parent(path.begin(), path.begin() + static_cast<long>(depth));
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FindTreeItem(tree, parent)));
    }
    HTREEITEM item = FindTreeItem(tree, path);
    SendMessageW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    return ItemScreenPoint(tree, item);
}

void SetText(HWND dialog, int id, const std::string& text)
{
    SetWindowTextW(GetDlgItem(dialog, id), Widen(text).c_str());
}

void SelectCombo(HWND dialog, int id, const std::string& text)
{
    HWND combo = GetDlgItem(dialog, id);
    const LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(Widen(text).c_str()));
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::string Digits(const std::string& text)
{
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9') digits += c;
    return digits;
}
