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

// The first failed write of each stream (a system error code); 0 while all went well.
DWORD g_outFailure = 0, g_errFailure = 0;

// The system error of a failed write; a write that wrote nothing counts as a fault.
DWORD WriteFailure()
{
    const DWORD error = GetLastError();
    return error != 0 ? error : ERROR_WRITE_FAULT;
}

// Writes the whole text; the system error when that failed, else 0.
DWORD Write(HANDLE handle, const std::string& utf8)
{
    // Without a stream (a GUI parent gave none) there is nothing to write to, and nothing lost.
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || utf8.empty()) return 0;
    if (IsConsole(handle)) {
        const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(length), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
        std::size_t done = 0;
        while (done < wide.size()) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 1u << 14));
            if (!WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0)
                return WriteFailure();
            done += written;
        }
        return 0;
    }
    std::size_t done = 0;
    while (done < utf8.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(utf8.size() - done, 1u << 20));
        if (!WriteFile(handle, utf8.data() + done, chunk, &written, nullptr) || written == 0) return WriteFailure();
        done += written;
    }
    return 0;
}

void WriteStream(DWORD which, DWORD& failure, const std::string& utf8)
{
    if (failure != 0) return;
    failure = Write(GetStdHandle(which), utf8);
}

std::string DescribeWriteFailure(DWORD error)
{
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "the disk is full";
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED: return "the reading end was closed";
    default: return "system error " + std::to_string(error);
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

void WriteOut(const std::string& utf8) { WriteStream(STD_OUTPUT_HANDLE, g_outFailure, utf8); }
void WriteErr(const std::string& utf8) { WriteStream(STD_ERROR_HANDLE, g_errFailure, utf8); }

int FinishOutput(int exitCode)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) {
        // A file's data reach the disk only here on some file systems: its errors count too.
        if (g_outFailure == 0 && GetFileType(out) == FILE_TYPE_DISK && !FlushFileBuffers(out))
            g_outFailure = WriteFailure();
        if (!CloseHandle(out) && g_outFailure == 0) g_outFailure = WriteFailure();
        SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    }
    if (g_outFailure != 0) WriteErr("zolctl: cannot write standard output: " + DescribeWriteFailure(g_outFailure) + "\n");
    if ((g_outFailure != 0 || g_errFailure != 0) && exitCode == kExitOk) return kExitPartial;
    return exitCode;
}
bool ErrIsConsole() { return IsConsole(GetStdHandle(STD_ERROR_HANDLE)); }

void InstallInterruptHandler() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }
