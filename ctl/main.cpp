// zolctl.exe: the server's configuration from the command line.
#include <windows.h>

#include <string>
#include <vector>

#include "common/Utf8Text.h"
#include "ctl/CtlCommands.h"
#include "ctl/CtlConsole.h"

int wmain(int argc, wchar_t** argv)
{
    InstallInterruptHandler();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(NarrowUtf8(argv[i]));
    return FinishOutput(RunZolctl(args));
}
