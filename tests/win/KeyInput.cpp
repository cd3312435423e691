#include "KeyInput.h"

#include <cctype>
#include <vector>

#include "UiDriver.h"

#ifndef MN_GETHMENU
#define MN_GETHMENU 0x01E1
#endif

namespace keys {

namespace {

INPUT KeyInput(WORD key, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    // The keys of the navigation block are extended keys on a real keyboard.
    switch (key) {
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_APPS:
        input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    default:
        break;
    }
    return input;
}

// The thread the keys go to, when it is one of this process (0 otherwise).
DWORD ForegroundThreadOfThisProcess()
{
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(GetForegroundWindow(), &process);
    return process == GetCurrentProcessId() ? thread : 0;
}

}  // namespace

void Press(std::initializer_list<WORD> chord) { Press(std::vector<WORD>(chord)); }

void Press(const std::vector<WORD>& chord)
{
    if (chord.empty()) return;
    std::vector<INPUT> inputs;
    for (WORD key : chord) inputs.push_back(KeyInput(key, false));
    for (auto it = std::rbegin(chord); it != std::rend(chord); ++it) inputs.push_back(KeyInput(*it, true));
    // The keys go to the thread of the foreground window; they have been taken once that
    // thread took the last key-up from its queue (the keys before it were handled by then).
    const WORD last = *chord.begin();
    const DWORD thread = ForegroundThreadOfThisProcess();
    const auto send = [&] { SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)); };
    if (thread == 0) {
        send();
        return;
    }
    ui_driver::WaitForTakenMessage(
        thread,
        [last](const MSG& msg) {
            return (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) && msg.wParam == last;
        },
        send, 3000);
}

bool WaitUntilInputTaken(int timeoutMs)
{
    INPUT inputs[2] = {KeyInput(VK_F24, false), KeyInput(VK_F24, true)};
    const DWORD thread = ForegroundThreadOfThisProcess();
    const auto send = [&] { SendInput(2, inputs, sizeof(INPUT)); };
    if (thread == 0) {
        send();
        return false;
    }
    return ui_driver::WaitForTakenMessage(
        thread, [](const MSG& msg) { return msg.message == WM_KEYUP && msg.wParam == VK_F24; }, send, timeoutMs);
}

void Type(const std::string& text)
{
    for (char c : text) {
        // The comma and the dash have keys of their own (the US layout of the test display).
        const WORD key = c == ',' ? VK_OEM_COMMA : c == '-' ? VK_OEM_MINUS
                                                           : static_cast<WORD>(std::toupper(static_cast<unsigned char>(c)));
        Press({key});
    }
}

bool PressUntil(std::initializer_list<WORD> chord, const std::function<bool()>& condition, int timeoutMs)
{
    Press(chord);
    return ui_driver::WaitFor(condition, timeoutMs);
}

HWND FocusIn(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

HWND WaitForPopupMenu(int timeoutMs)
{
    return ui_driver::WaitForWindow([](HWND window) { return ui_driver::ClassName(window) == "#32768"; },
                                    timeoutMs);
}

bool ChooseWithKeys(HWND menuWindow, int index)
{
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    const auto highlighted = [&] {
        return menu != nullptr && (GetMenuState(menu, static_cast<UINT>(index), MF_BYPOSITION) & MF_HILITE) != 0;
    };
    for (int tries = 0; tries < 20 && !highlighted(); ++tries) PressUntil({VK_DOWN}, highlighted, 300);
    if (!highlighted()) return false;
    Press({VK_RETURN});
    return ui_driver::WaitUntilGone(menuWindow, 5000);
}

}  // namespace keys
