// zolcfg.exe: the configurator of the ZOL-OPC-Server.
#include <windows.h>

#include "app/AttachConsoleOutput.h"
#include "app/StartupTrace.h"
#include "app/TarnelApp.h"

// The one application object.
CTarnelApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    startup_trace::PhaseEnded("process start -> WinMain");
    AttachConsoleOutput();
    return AfxWinMain(instance);
}
