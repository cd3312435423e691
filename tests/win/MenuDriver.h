// Context menus from the driver thread: open the main window's menu at a point (as a
// right click does), read its items, choose one with the keyboard or dismiss it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// The screen point in the middle of a tree item's text.
POINT ItemScreenPoint(HWND tree, HTREEITEM item);
// A screen point inside the tree below its last item.
POINT EmptyTreeScreenPoint(HWND tree);

// Sends the window a context-menu request at the point and waits for the popup menu.
HWND OpenContextMenu(HWND window, POINT screenPoint);
std::vector<std::string> MenuItems(HWND menuWindow);
// Chooses the item at index with the arrow keys and Enter; returns once the chosen command
// has run or has reached a dialog or a box of its own (DismissMenu: once the menu is gone).
void ChooseMenuItem(HWND menuWindow, int index);
void DismissMenu(HWND menuWindow);
// Opens the menu of an item and chooses the entry with that text; false when missing.
bool ChooseFromMenu(HWND window, POINT screenPoint, const std::string& text);
