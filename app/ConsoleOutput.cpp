#include "app/ConsoleOutput.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

static bool IsUsable(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

void AttachConsoleOutput()
{
    if (!IsUsable(GetStdHandle(STD_OUTPUT_HANDLE)) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
    // Unbuffered (the Windows runtime has no line buffering), so that each line appears as it
    // is written and none is lost when the program is ended from outside; binary, so that a
    // line ends in "\n" as written, the same bytes as dsctool's, not in "\r\n".
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    _setmode(_fileno(stdout), _O_BINARY);
}
