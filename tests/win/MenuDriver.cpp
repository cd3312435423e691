#include "MenuDriver.h"

#include <cstring>

#include "UiDriver.h"
#include "ui/Text.h"

#ifndef MN_GETHMENU
#define MN_GETHMENU 0x01E1
#endif

POINT ItemScreenPoint(HWND tree, HTREEITEM item)
{
    RECT rect = {};
    // TVM_GETITEMRECT takes the item's handle in the rectangle it fills.
    std::memcpy(&rect, &item, sizeof item);
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(tree, &point);
    return point;
}

POINT EmptyTreeScreenPoint(HWND tree)
{
    RECT client;
    GetClientRect(tree, &client);
    POINT point = {client.right / 2, client.bottom - 5};
    ClientToScreen(tree, &point);
    return point;
}

static HWND FindMenuWindow()
{
    for (HWND window : ui_driver::TopLevelWindows())
        if (IsWindowVisible(window) && ui_driver::ClassName(window) == "#32768") return window;
    return nullptr;
}

HWND OpenContextMenu(HWND window, POINT screenPoint)
{
    PostMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(static_cast<short>(screenPoint.x), static_cast<short>(screenPoint.y)));
    HWND menu = nullptr;
    ui_driver::WaitFor([&] { return (menu = FindMenuWindow()) != nullptr; }, 5000);
    return menu;
}

std::vector<std::string> MenuItems(HWND menuWindow)
{
    std::vector<std::string> items;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    if (menu == nullptr) return items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        items.push_back(Narrow(text));
    }
    return items;
}

void ChooseMenuItem(HWND menuWindow, int index)
{
    // Move the highlight with the arrow keys until it stands on the item, then press Enter:
    // watching the highlight keeps a key that arrives early or late from choosing another.
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    const auto highlighted = [&] {
        return menu != nullptr && (GetMenuState(menu, static_cast<UINT>(index), MF_BYPOSITION) & MF_HILITE) != 0;
    };
    for (int tries = 0; tries < 40 && !highlighted(); ++tries) {
        PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        ui_driver::WaitFor(highlighted, 150);
    }
    const DWORD thread = GetWindowThreadProcessId(menuWindow, nullptr);
    PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
    ui_driver::WaitUntilGone(menuWindow, 5000);
    // The chosen command has run by then, or has reached a dialog or a box of its own.
    ui_driver::SettleThread(thread);
}

void DismissMenu(HWND menuWindow)
{
    const DWORD thread = GetWindowThreadProcessId(menuWindow, nullptr);
    PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    ui_driver::WaitUntilGone(menuWindow, 5000);
    ui_driver::SettleThread(thread);
}

bool ChooseFromMenu(HWND window, POINT screenPoint, const std::string& text)
{
    HWND menu = OpenContextMenu(window, screenPoint);
    if (menu == nullptr) return false;
    const std::vector<std::string> items = MenuItems(menu);
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == text) {
            ChooseMenuItem(menu, static_cast<int>(i));
            return true;
        }
    DismissMenu(menu);
    return false;
}
