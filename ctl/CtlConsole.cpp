#include "ctl/CtlConsole.h"

#include <windows.h>

#include "common/ConsoleOutput.h"
#include "common/ControlChars.h"

std::atomic<bool> g_bInterrupted{false};

namespace {

// The first failed write of each stream (a system error code); 0 while all went well.
DWORD g_outFailure = 0, g_errFailure = 0;

// The system error of a failed write; a write that wrote nothing counts as a fault.
DWORD WriteFailure()
{
    const DWORD error = GetLastError();
    return error != 0 ? error : ERROR_WRITE_FAULT;
}

void WriteStream(StdStream which, DWORD& failure, const std::string& utf8)
{
    if (failure != 0) return;
    failure = WriteStdStream(which, utf8, CP_UTF8);
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

void WriteOut(const std::string& utf8) { WriteStream(StdStream::Output, g_outFailure, EscapeControlChars(utf8)); }
void WriteErr(const std::string& utf8) { WriteStream(StdStream::Error, g_errFailure, EscapeControlChars(utf8)); }

void WriteData(const std::string& utf8)
{
    WriteStream(StdStream::Output, g_outFailure,
                StdStreamIsConsole(StdStream::Output) ? EscapeControlChars(utf8) : utf8);
}

void WriteProgress(const std::string& utf8) { WriteStream(StdStream::Error, g_errFailure, utf8); }

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
bool ErrIsConsole() { return StdStreamIsConsole(StdStream::Error); }

void InstallInterruptHandler() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }
