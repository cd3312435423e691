#include "UiDriver.h"

#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include <algorithm>

#include "standin_support.h"
#include "ui/Text.h"

namespace ui_driver {

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> windows;
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

namespace {

// The messages a thread takes from its queue, as WaitForTakenMessage watches them: one
// entry per wait, matched by the hook on the watched thread itself.
struct TakenWatch {
    DWORD thread;
    const std::function<bool(const MSG&)>* match;
    std::atomic<bool> seen{false};
};

std::mutex g_watchMutex;
std::vector<TakenWatch*> g_watches;

void Match(const MSG& msg)
{
    const DWORD thread = GetCurrentThreadId();
    std::lock_guard<std::mutex> lock(g_watchMutex);
    for (TakenWatch* watch : g_watches)
        if (watch->thread == thread && !watch->seen && (*watch->match)(msg)) watch->seen = true;
}

LRESULT CALLBACK TakenMessageHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE) Match(*reinterpret_cast<const MSG*>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK SentMessageHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const CWPSTRUCT& sent = *reinterpret_cast<const CWPSTRUCT*>(lParam);
        MSG msg = {};
        msg.hwnd = sent.hwnd;
        msg.message = sent.message;
        msg.wParam = sent.wParam;
        msg.lParam = sent.lParam;
        Match(msg);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool WaitWithHook(int hookId, HOOKPROC proc, DWORD thread, const std::function<bool(const MSG&)>& match,
                  const std::function<void()>& start, int timeoutMs)
{
    TakenWatch watch{thread, &match};
    HHOOK hook = SetWindowsHookExW(hookId, proc, nullptr, thread);
    if (hook == nullptr) {
        // A thread of another process (a hook there needs a DLL) or one that has ended.
        std::fprintf(stderr, "no message hook on thread %lu (error %lu)\n", thread, GetLastError());
        start();
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(g_watchMutex);
        g_watches.push_back(&watch);
    }
    start();
    const bool seen = standin_test::WaitUntil([&] { return watch.seen.load(); }, timeoutMs);
    UnhookWindowsHookEx(hook);
    std::lock_guard<std::mutex> lock(g_watchMutex);
    g_watches.erase(std::find(g_watches.begin(), g_watches.end(), &watch));
    return seen;
}

UINT MarkerMessage()
{
    static const UINT message = RegisterWindowMessageW(L"zol.test.settle");
    return message;
}

std::atomic<size_t> g_boxesAnswered{0};

}  // namespace

bool WaitForTakenMessage(DWORD thread, const std::function<bool(const MSG&)>& match,
                         const std::function<void()>& start, int timeoutMs)
{
    return WaitWithHook(WH_GETMESSAGE, &TakenMessageHook, thread, match, start, timeoutMs);
}

bool WaitForSentMessage(DWORD thread, const std::function<bool(const MSG&)>& match,
                        const std::function<void()>& start, int timeoutMs)
{
    return WaitWithHook(WH_CALLWNDPROC, &SentMessageHook, thread, match, start, timeoutMs);
}

bool Settle(HWND window, int timeoutMs)
{
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (thread == 0) return true;  // no window: nothing left to handle
    if (thread == GetCurrentThreadId()) {
        // This thread's own queue: handle what is there.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return true;
    }
    static std::atomic<LPARAM> lastMark{0};
    const LPARAM mark = ++lastMark;
    bool posted = false;
    const bool taken = WaitForTakenMessage(
        thread, [mark](const MSG& msg) { return msg.message == MarkerMessage() && msg.lParam == mark; },
        [&] { posted = PostMessageW(window, MarkerMessage(), 0, mark) != FALSE; }, timeoutMs);
    return taken || !posted || !IsWindow(window);
}

bool SettleThread(DWORD thread, int timeoutMs)
{
    if (thread == 0) return true;
    static std::atomic<LPARAM> lastMark{0x40000000};
    const LPARAM mark = ++lastMark;
    bool posted = false;
    const bool taken = WaitForTakenMessage(
        thread, [mark](const MSG& msg) { return msg.message == MarkerMessage() && msg.lParam == mark; },
        [&] { posted = PostThreadMessageW(thread, MarkerMessage(), 0, mark) != FALSE; }, timeoutMs);
    return taken || !posted;
}

namespace {

bool MessageBoxShown()
{
    for (HWND window : TopLevelWindows())
        if (IsWindowVisible(window) && IsMessageBox(window)) return true;
    return false;
}

}  // namespace

bool WaitUntilBack(HWND window, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(ResponseLimitMs(static_cast<unsigned>(timeoutMs)));
    const auto back = [window] { return !IsWindow(window) || (IsWindowEnabled(window) && !MessageBoxShown()); };
    for (;;) {
        // The round trip first: a command posted before may not have shown its box yet.
        Settle(window, timeoutMs);
        if (back()) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        // WaitFor scales its limit again: the time left is given unscaled.
        const int leftMs = static_cast<int>(left.count() / ResponseLimitMs(1));
        if (!WaitFor(back, leftMs > 0 ? leftMs : 1)) return false;
    }
}

size_t BoxesAnswered() { return g_boxesAnswered; }
void NoteBoxAnswered() { ++g_boxesAnswered; }

bool WaitForBoxesAnswered(size_t count, int timeoutMs)
{
    return WaitFor([count] { return g_boxesAnswered >= count; }, timeoutMs);
}

bool WaitForNextBox(HWND window, size_t before, int timeoutMs)
{
    return WaitForBoxesAnswered(before + 1, timeoutMs) && Settle(window, timeoutMs);
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return standin_test::WaitUntil(condition, timeoutMs);
}

HWND WaitForWindow(const std::function<bool(HWND)>& match, int timeoutMs)
{
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND window : TopLevelWindows())
                if (IsWindowVisible(window) && match(window)) {
                    found = window;
                    return true;
                }
            return false;
        },
        timeoutMs);
    return found;
}

std::string ClassName(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return Narrow(name);
}

std::string Text(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return Narrow(text);
}

std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

bool IsMessageBox(HWND window)
{
    return ClassName(window) == "#32770" && GetDlgItem(window, 0xFFFF) != nullptr;
}

HWND WaitForDialog(const std::string& titlePrefix, int timeoutMs)
{
    return WaitForWindow(
        [&](HWND window) {
            return ClassName(window) == "#32770" && !IsMessageBox(window) &&
                   Text(window).compare(0, titlePrefix.size(), titlePrefix) == 0;
        },
        timeoutMs);
}

HWND WaitForMessageBox(int timeoutMs) { return WaitForWindow(&IsMessageBox, timeoutMs); }

std::string MessageBoxText(HWND box) { return ItemText(box, 0xFFFF); }

void PressButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string AnswerMessageBox(int timeoutMs)
{
    HWND box = WaitForMessageBox(timeoutMs);
    if (box == nullptr) return std::string();
    std::string text = MessageBoxText(box);
    PressButton(box, IDOK);
    WaitUntilGone(box, 5000);
    return text;
}

bool WaitUntilGone(HWND window, int timeoutMs)
{
    return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

double AnswerMs(HWND window)
{
    const auto sent = std::chrono::steady_clock::now();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, ResponseLimitMs(5000), &ignored);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent).count();
}

CIdleAnswerer::CIdleAnswerer()
    : m_thread([this] {
          MSG msg;
          PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue
          m_window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
          m_threadId = GetCurrentThreadId();
          while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
          DestroyWindow(m_window);
      })
{
    WaitFor([this] { return m_threadId != 0; }, 5000);
}

CIdleAnswerer::~CIdleAnswerer()
{
    if (m_threadId != 0) PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
    if (m_thread.joinable()) m_thread.join();
}

double CIdleAnswerer::AnswerMs()
{
    const double ms = ui_driver::AnswerMs(m_window);
    if (ms > m_worstMs) m_worstMs = ms;
    return ms;
}

void SaveScreenshot(HWND window, const std::string& name)
{
    const char* dir = std::getenv("ZOL_SCREENSHOT_DIR");
    if (dir == nullptr || *dir == '\0' || window == nullptr) return;

    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;

    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    // The paint has reached the screen once the window's thread has been back to its queue
    // (Wine hands a window's pixels to the display when its thread waits for messages).
    Settle(window, 2000);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const int stride = ((width * 3 + 3) / 4) * 4;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * height);
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    const std::string path = std::string(dir) + "\\" + name + ".bmp";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return;
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42;
    fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
    fileHeader.bfSize = fileHeader.bfOffBits + static_cast<DWORD>(pixels.size());
    std::fwrite(&fileHeader, sizeof fileHeader, 1, file);
    std::fwrite(&header, sizeof header, 1, file);
    std::fwrite(pixels.data(), 1, pixels.size(), file);
    std::fclose(file);
}

void DrainQuitMessage()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

Rows ListRows(HWND list)
{
    Rows rows;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < columns; ++column) {
            wchar_t text[512] = {};
            LVITEMW item = {};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = 512;
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            cells.push_back(Narrow(text));
        }
        rows.push_back(cells);
    }
    return rows;
}

unsigned ResponseLimitMs(unsigned ms) { return standin_test::ScaledMs(ms); }

}  // namespace ui_driver
