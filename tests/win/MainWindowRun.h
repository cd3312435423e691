// Runs the main window modally on the test thread while a script drives it from a second
// thread, answering every message box. The pieces the tree and restart tests share.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/TarnelDlg.h"

constexpr char kMainTitle[] = "Конфигуратор ZOL-OPC-Server версия 0.917 от 17.04.2012";

struct MainRun {
    INT_PTR result = 0;
    std::vector<std::string> boxes;  // message boxes, in order
    bool shown = false;              // the main window appeared
};

// Runs a CTarnelDlg; when its window is up, script(window, dlg) runs on the driver thread.
// The script must end the window (or the window ends itself).
MainRun RunMain(const std::function<void(HWND window, CTarnelDlg& dlg)>& script);

// The window's title without sending it a message (works while its thread is busy).
std::string StoredTitle(HWND window);
