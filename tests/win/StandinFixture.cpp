#include "StandinFixture.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>

#include "standin_support.h"

namespace standin {

using standin_test::SuiteHome;

void WriteStateFile(const std::string& name, const std::string& text)
{
    standin_test::WriteText(SuiteHome() / name, text);
}

std::string ReadStateFile(const std::string& name) { return standin_test::ReadText(SuiteHome() / name); }

void SetFaults(const std::string& text) { WriteStateFile("faults.txt", text); }
void ClearFaults() { WriteStateFile("faults.txt", ""); }

size_t LogLines(const std::string& text)
{
    size_t count = 0;
    for (const char* name : {"zolsrv.log.old", "zolsrv.log"}) {
        const std::string log = ReadStateFile(name);
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size())) ++count;
    }
    return count;
}

bool WaitForLogLine(const std::string& text, size_t before, int timeoutMs)
{
    return standin_test::WaitUntil([&] { return LogLines(text) > before; }, timeoutMs);
}

long LiveObjects()
{
    standin_test::ServerStatus status;
    return standin_test::ReadStatus(SuiteHome(), &status) ? status.objects : -1;
}

unsigned long ServerPid()
{
    standin_test::ServerStatus status;
    return standin_test::ReadStatus(SuiteHome(), &status) ? status.pid : 0;
}

namespace {

// Whether a process of the stand-in server runs in this Wine session (or on this machine):
// the one status.txt names, or another that COM started beside it and that is still
// registered as the class's server.
bool AnyServerProcessRuns()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        found = _wcsicmp(entry.szExeFile, L"zolsrv.exe") == 0;
    CloseHandle(snapshot);
    return found;
}

}  // namespace

bool WaitUntilServerGone(int timeoutMs)
{
    return standin_test::WaitForServerExit(SuiteHome(), static_cast<DWORD>(timeoutMs)) &&
           standin_test::WaitUntil([] { return !AnyServerProcessRuns(); }, timeoutMs);
}

int Unregister() { return standin_test::RunServer(L"/UnregServer"); }

int Register() { return standin_test::RegisterHome(SuiteHome()) ? 0 : 1; }

void Reset(const std::string& tags)
{
    WaitUntilServerGone();
    ClearFaults();
    WriteStateFile("tags.txt", tags);
}

}  // namespace standin
