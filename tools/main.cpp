// dsctool's entry point: passes the arguments to RunDscTool with the standard streams.
#include <iostream>
#include <string>
#include <vector>

#include "tools/DscTool.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <filesystem>
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
    const int code = RunDscTool(args, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
#else
int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const int code = RunDscTool(args, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
#endif
