#include "ctl/CtlConsole.h"

#include <windows.h>

#include <algorithm>

std::atomic<bool> g_bInterrupted{false};

namespace {

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

void Write(DWORD which, const std::string& utf8)
{
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || utf8.empty()) return;
    if (IsConsole(handle)) {
        const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(length), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::size_t done = 0;
    while (done < utf8.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(utf8.size() - done, 1u << 20));
        if (!WriteFile(handle, utf8.data() + done, chunk, &written, nullptr) || written == 0) return;
        done += written;
    }
}

BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        g_bInterrupted = true;
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void WriteOut(const std::string& utf8) { Write(STD_OUTPUT_HANDLE, utf8); }
void WriteErr(const std::string& utf8) { Write(STD_ERROR_HANDLE, utf8); }
bool ErrIsConsole() { return IsConsole(GetStdHandle(STD_ERROR_HANDLE)); }

void InstallInterruptHandler() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }
