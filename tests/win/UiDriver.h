// Drives the program's windows from a second thread while the thread under test sits in a
// modal loop (a dialog's or a message box's): finds windows, reads their texts, presses
// buttons. Texts are Windows-1251, like the program's own strings and this project's
// narrow literals, so they compare directly with "..." in the tests.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace ui_driver {

// Every wait below waits for something the program does, and gives up after a limit given
// in milliseconds for this machine; the limit is multiplied by ZOL_TIME_SCALE (see
// ResponseLimitMs), so a slower, emulated run waits as many times longer.
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

// Waits until the thread of window has taken from its queue a message posted now: then
// every message posted to that thread before (a pressed button's command, a posted key)
// has been handled, or its handler has reached a modal loop of its own (a message box, a
// dialog, a menu). The way to see that something did NOT happen in answer to a message.
// True also when the window is gone; false when the thread did not get there in time.
bool Settle(HWND window, int timeoutMs = kDefaultTimeoutMs);

// The same for a thread (after its window is gone: a closed menu's, a closed dialog's).
bool SettleThread(DWORD thread, int timeoutMs = kDefaultTimeoutMs);
// Waits until window is back in the user's hands: its thread has handled what was posted
// to it, and no message box is open and window is enabled (a box, a dialog or a long
// command of the program disables it). What an action that may end in boxes is waited with.
bool WaitUntilBack(HWND window, int timeoutMs = kDefaultTimeoutMs);

// Waits until the thread has taken a message from its queue that satisfies match (a
// WH_GETMESSAGE hook on it, installed here); start() runs once the hook is in place and
// should cause the message. False when none came in time.
bool WaitForTakenMessage(DWORD thread, const std::function<bool(const MSG&)>& match,
                         const std::function<void()>& start, int timeoutMs = kDefaultTimeoutMs);
// The same for a message sent to a window of the thread (a WH_CALLWNDPROC hook): what the
// program sends itself, e.g. in the middle of its paint.
bool WaitForSentMessage(DWORD thread, const std::function<bool(const MSG&)>& match,
                        const std::function<void()>& start, int timeoutMs = kDefaultTimeoutMs);

// Message boxes answered so far by this process's answerers (CBoxAnswerer and the like),
// and the wait until the count reaches count: the box that an action ends with has been
// shown, answered and closed.
size_t BoxesAnswered();
void NoteBoxAnswered();
bool WaitForBoxesAnswered(size_t count, int timeoutMs = kDefaultTimeoutMs);
// Waits until a box answered after `before` boxes, then until window's thread is past it.
bool WaitForNextBox(HWND window, size_t before, int timeoutMs = kDefaultTimeoutMs);

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

// How long the thread of window takes to answer a message sent now (WM_NULL), in ms.
double AnswerMs(HWND window);

// A thread of this process that does nothing but answer messages. What it takes to answer
// is what the machine's load alone costs any answer at that moment: a response-time check
// of the program asks both in turn and allows the program its limit beyond the idle
// thread's worst, so that a busy machine is not taken for a slow program.
class CIdleAnswerer {
public:
    CIdleAnswerer();
    ~CIdleAnswerer();
    CIdleAnswerer(const CIdleAnswerer&) = delete;
    CIdleAnswerer& operator=(const CIdleAnswerer&) = delete;
    // One question now; returns its answer time and keeps the worst.
    double AnswerMs();
    double WorstMs() const { return m_worstMs; }

private:
    std::atomic<HWND> m_window{nullptr};
    std::atomic<DWORD> m_threadId{0};
    double m_worstMs = 0;
    std::thread m_thread;
};

// Saves a picture of a window (with its frame) as a BMP file under the directory named by
// ZOL_SCREENSHOT_DIR; does nothing when that is not set.
void SaveScreenshot(HWND window, const std::string& name);

// Removes a WM_QUIT that a closed modal loop left in this thread's queue.
void DrainQuitMessage();

}  // namespace ui_driver
