// zolcfg.exe: the configurator of the ZOL-OPC-Server.
#include <windows.h>

#include "app/ConsoleOutput.h"
#include "app/TarnelApp.h"

// The one application object.
CTarnelApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    AttachConsoleOutput();
    return AfxWinMain(instance);
}
