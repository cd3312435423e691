// dsctool's entry point: passes the arguments to RunDscTool with the standard streams.
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "common/Guide.h"
#include "tools/DscTool.h"

#ifdef _WIN32
#include <windows.h>

#include "common/ConsoleOutput.h"
// MinGW's wide entry point: arguments arrive as UTF-16 and are passed on as UTF-8, so that
// file names outside the ANSI code page still open. The output is UTF-8 through the
// programs' one console writer: to a console through WriteConsoleW, to a file or a pipe as
// UTF-8 bytes, the lines ending in "\n" exactly as on other systems.
extern "C" int wmain(int argc, wchar_t** argv)
{
    CStdStreamBuf out(StdStream::Output, 65001), err(StdStream::Error, 65001, true);
    std::ostream outStream(&out), errStream(&err);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(std::filesystem::path(argv[i]).u8string());
    wchar_t module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        SetDscToolGuidePath((std::filesystem::path(module).parent_path() / kGuideRelativePath).u8string());
    const int code = RunDscTool(args, outStream, errStream);
    outStream.flush();
    errStream.flush();
    // Output cut short must not pass for a whole one.
    return code == 0 && (out.Failure() != 0 || err.Failure() != 0) ? 1 : code;
}
#else
int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) SetDscToolGuidePath((self.parent_path() / kGuideRelativePath).string());
    const int code = RunDscTool(args, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
#endif
