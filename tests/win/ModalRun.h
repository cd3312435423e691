// Runs a dialog modally on the test thread while a script drives it from a second thread,
// answering every message box meanwhile and recording its text.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CDialog;

struct ModalRun {
    INT_PTR result = 0;
    std::vector<std::string> boxes;  // message boxes answered, in order
    std::vector<std::wstring> wideBoxes;  // the same as the boxes showed them
    bool shown = false;              // a window titled as expected appeared
};

// When a dialog whose title begins with titlePrefix shows, script(window) runs on the driver
// thread. A script that leaves the window open is a failure: after closeWithinMs the window
// gets Cancel so that the test cannot hang.
ModalRun RunModal(CDialog& dlg, const std::string& titlePrefix, const std::function<void(HWND)>& script,
                  int closeWithinMs = 10000);
