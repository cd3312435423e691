// Drives the program's windows from a second thread while the thread under test sits in a
// modal loop (a dialog's or a message box's): finds windows, reads their texts, presses
// buttons. Texts are Windows-1251, like the program's own strings and this project's
// narrow literals, so they compare directly with "..." in the tests.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace ui_driver {

constexpr int kDefaultTimeoutMs = 15000;

// A response-time limit of a test, in milliseconds, times ZOL_TIME_SCALE from the
// environment (default 1). Under emulation (the 32-bit programs on a kernel without 32-bit
// user mode, scripts/with-wine32.sh sets it) everything runs several times slower, and a
// limit set for the machine says nothing of the program there.
unsigned ResponseLimitMs(unsigned ms);

// Top-level windows of this process, in Z order.
std::vector<HWND> TopLevelWindows();

// Waits for a visible top-level window of this process that satisfies match.
HWND WaitForWindow(const std::function<bool(HWND)>& match, int timeoutMs = kDefaultTimeoutMs);
// A dialog whose title begins with the prefix.
HWND WaitForDialog(const std::string& titlePrefix, int timeoutMs = kDefaultTimeoutMs);
// A message box (a dialog holding the message text control, id 65535).
HWND WaitForMessageBox(int timeoutMs = kDefaultTimeoutMs);
bool IsMessageBox(HWND window);

std::string Text(HWND window);
std::string ItemText(HWND dialog, int id);
std::string MessageBoxText(HWND box);
std::string ClassName(HWND window);

// Every row of a list view in report mode, one text a column.
using Rows = std::vector<std::vector<std::string>>;
Rows ListRows(HWND list);

// Presses a button by its command (as a click would), without waiting for the handler.
void PressButton(HWND dialog, int id);
// Reads a message box's text and presses its OK button; returns the text ("" on timeout).
std::string AnswerMessageBox(int timeoutMs = kDefaultTimeoutMs);

bool WaitUntilGone(HWND window, int timeoutMs = kDefaultTimeoutMs);
// Waits until the condition holds, polling every 20 ms.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = kDefaultTimeoutMs);

// Runs the script on a second thread; Join() waits for it. A script that is still running
// when the object is destroyed is joined there.
class CScript {
public:
    explicit CScript(std::function<void()> body) : m_thread(std::move(body)) {}
    ~CScript() { Join(); }
    void Join()
    {
        if (m_thread.joinable()) m_thread.join();
    }

private:
    std::thread m_thread;
};

// Saves a picture of a window (with its frame) as a BMP file under the directory named by
// ZOL_SCREENSHOT_DIR; does nothing when that is not set.
void SaveScreenshot(HWND window, const std::string& name);

// Removes a WM_QUIT that a closed modal loop left in this thread's queue.
void DrainQuitMessage();

}  // namespace ui_driver
