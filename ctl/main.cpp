// zolctl.exe: the server's configuration from the command line.
#include <windows.h>

#include <string>
#include <vector>

#include "ctl/CtlCommands.h"
#include "ctl/CtlConsole.h"

int wmain(int argc, wchar_t** argv)
{
    InstallInterruptHandler();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const int length = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(length > 0 ? static_cast<std::size_t>(length) : 1u, '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, &arg[0], length, nullptr, nullptr);
        arg.resize(arg.size() - 1);
        args.push_back(arg);
    }
    return FinishOutput(RunZolctl(args));
}
