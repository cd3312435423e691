// dsctool's entry point: passes the arguments to RunDscTool with the standard streams.
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "common/Guide.h"
#include "tools/DscTool.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
// MinGW's wide entry point: arguments arrive as UTF-16 and are passed on as UTF-8, so that
// file names outside the ANSI code page still open. The output streams are binary, so the
// lines end in "\n" exactly as on other systems.
extern "C" int wmain(int argc, wchar_t** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(std::filesystem::path(argv[i]).u8string());
    wchar_t module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        SetDscToolGuidePath((std::filesystem::path(module).parent_path() / kGuideRelativePath).u8string());
    const int code = RunDscTool(args, std::cout, std::cerr);
    std::cout.flush();
    return code;
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
