// Registration of zolsrv.exe as the local server of the ZOL-OPC-Server's configuration
// class, machine-wide (HKLM\Software\Classes), together with the proxy/stub of IAddTags
// (zolps.dll beside the executable).
//
// The class identifier is the real server's, so a registration that belongs to another
// program is never replaced unless asked to (force), and unregistering removes only a
// registration that points at this very executable.
#pragma once

#include <string>

// Exit codes of /RegServer and /UnregServer.
constexpr int kRegOk = 0;
constexpr int kRegUsage = 1;
constexpr int kRegForeign = 2;   // the class belongs to another program
constexpr int kRegFailed = 3;    // registry or proxy/stub registration failed

// home: the state directory to record (empty: record none, the server then uses its
// environment or the folder beside the executable).
int RegisterStandin(const std::wstring& home, bool force);
int UnregisterStandin();

// The state directory recorded at registration, or empty.
std::wstring RegisteredStateDirectory();

// This executable's full path and folder.
std::wstring ModulePath();
std::wstring ModuleDirectory();
