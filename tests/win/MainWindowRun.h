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
    std::vector<std::wstring> wideBoxes;  // the same as the boxes showed them
};

// Runs a CTarnelDlg; when its window is up, script(window, dlg) runs on the driver thread.
// The script must end the window (or the window ends itself).
MainRun RunMain(const std::function<void(HWND window, CTarnelDlg& dlg)>& script);

// The window's title without sending it a message (works while its thread is busy).
std::string StoredTitle(HWND window);

// The main window's configuration tree.
HWND Tree(HWND window);
// The screen point of the tree node at path (texts from the root), its parents expanded.
POINT PointOf(HWND window, const std::vector<std::string>& path);
// Sets a control's text; selects a drop-down list's entry by its text, as the user does.
void SetText(HWND dialog, int id, const std::string& text);
void SelectCombo(HWND dialog, int id, const std::string& text);
// The digits of a text, whatever separates them: "2,000" -> "2000".
std::string Digits(const std::string& text);
