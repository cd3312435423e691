#include "app/AttachConsoleOutput.h"

#include <windows.h>

#include <iostream>

#include "common/ConsoleOutput.h"

static bool IsUsable(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

void AttachConsoleOutput()
{
    if (!IsUsable(GetStdHandle(STD_OUTPUT_HANDLE)) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        // A windowed program gets no standard handles of the console it attaches to.
        const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr);
        if (console != INVALID_HANDLE_VALUE) {
            SetStdHandle(STD_OUTPUT_HANDLE, console);
            SetStdHandle(STD_ERROR_HANDLE, console);
        }
    }
    // The lines are the system's Windows-1251 text: as those bytes to a file or a pipe, each
    // line as it is written (none is lost when the program is ended from outside), ending in
    // "\n" as written, the same bytes as the loader's; to a console through WriteConsoleW.
    // The buffer lives as long as the process: std::cout may be written until its end.
    static CStdStreamBuf* const buffer = new CStdStreamBuf(StdStream::Output, 1251, true);
    std::cout.rdbuf(buffer);
}
