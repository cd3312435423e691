// zolsrv.exe: a stand-in for the ZOL-OPC-Server's configuration side, a COM local server
// implementing IAddTags (see standin/README.md).
//
//   zolsrv.exe /RegServer [/home DIR] [/force]   register class, interface and proxy/stub
//   zolsrv.exe /UnregServer                      remove them, if they are this program's
//   zolsrv.exe -Embedding                        run as COM starts it
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/win/Owners.h"
#include "server/win/ComInitialization.h"
#include "standin/win/ComObjects.h"
#include "standin/win/Registration.h"

namespace {

bool IsOption(const wchar_t* arg, const wchar_t* name)
{
    return (arg[0] == L'/' || arg[0] == L'-') && lstrcmpiW(arg + 1, name) == 0;
}

int Usage()
{
    SayToUser(L"usage: zolsrv.exe /RegServer [/home DIR] [/force] | /UnregServer | -Embedding");
    return kRegUsage;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int argc = 0;
    const CLocalMemory<LPWSTR> arguments(CommandLineToArgvW(GetCommandLineW(), &argc));
    if (!arguments) return kRegUsage;
    LPWSTR* const argv = arguments.Get();

    enum class Mode { None, Register, Unregister, Serve } mode = Mode::None;
    bool force = false, haveHome = false;
    std::wstring home;
    for (int i = 1; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        Mode next = Mode::None;
        if (IsOption(arg, L"RegServer")) next = Mode::Register;
        else if (IsOption(arg, L"UnregServer")) next = Mode::Unregister;
        else if (IsOption(arg, L"Embedding")) next = Mode::Serve;
        else if (IsOption(arg, L"force")) force = true;
        else if (IsOption(arg, L"home") && i + 1 < argc) {
            home = argv[++i];
            haveHome = true;
        } else {
            SayToUser((std::wstring(L"zolsrv: unknown argument ") + arg).c_str());
            return Usage();
        }
        if (next != Mode::None) {
            if (mode != Mode::None && mode != next) return Usage();
            mode = next;
        }
    }

    switch (mode) {
    case Mode::Register: {
        if (!haveHome) {
            // The environment's state directory is recorded too: COM starts the server
            // without the caller's environment.
            wchar_t env[MAX_PATH * 2];
            const DWORD n = GetEnvironmentVariableW(L"ZOLSRV_HOME", env, MAX_PATH * 2);
            if (n > 0 && n < MAX_PATH * 2) home = env;
        }
        const CComInitialization com(COINIT_APARTMENTTHREADED);
        return RegisterStandin(home, force);
    }
    case Mode::Unregister: {
        const CComInitialization com(COINIT_APARTMENTTHREADED);
        return UnregisterStandin();
    }
    case Mode::Serve:
        return RunLocalServer();
    case Mode::None:
        break;
    }
    return Usage();
}
