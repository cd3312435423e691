#include "StandinFixture.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <vector>

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

size_t ClassRefusalsLogged() { return LogLines("class fault: refusing IClassFactory"); }

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
std::vector<DWORD> ServerProcesses()
{
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, L"zolsrv.exe") == 0) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

bool AnyServerProcessRuns() { return !ServerProcesses().empty(); }

// The last lines of the server's log.
std::string LogTail(size_t lines)
{
    const std::string log = ReadStateFile("zolsrv.log");
    size_t at = log.size();
    for (size_t n = 0; n <= lines && at != std::string::npos && at > 0; ++n) at = log.rfind('\n', at - 1);
    return at == std::string::npos ? log : log.substr(at + 1);
}

}  // namespace

bool WaitUntilServerGone(int timeoutMs)
{
    if (standin_test::WaitForServerExit(SuiteHome(), static_cast<DWORD>(timeoutMs)) &&
        standin_test::WaitUntil([] { return !AnyServerProcessRuns(); }, timeoutMs))
        return true;
    // Wine now and then leaves a process stuck on its way out ("wine client error: ...
    // sendmsg: Bad file descriptor" in the output): it answers nobody and never ends. A
    // process no client holds (the server stands in no object, or has decided to end, and
    // its own limit for that has passed) is ended, and that is said; one whose objects are
    // still held is what the callers check for.
    standin_test::ServerStatus status;
    const bool known = standin_test::ReadStatus(SuiteHome(), &status);
    const bool holdsNothing = !known || status.objects <= 0 || status.state == "stopping" ||
                              status.state == "restarting" || status.state == "exited" || status.state == "died";
    if (!holdsNothing) return false;
    const std::string servers = DescribeServers();
    std::printf("note: a server process that holds nothing did not end; ended %d (%s)\n", EndLeftoverServers(),
                servers.c_str());
    return !AnyServerProcessRuns();
}

std::string DescribeServers()
{
    std::string text = "server processes:";
    for (DWORD id : ServerProcesses()) text += " " + std::to_string(id);
    text += "; status.txt: " + ReadStateFile("status.txt") + "; the log ends:\n" + LogTail(12);
    return text;
}

int EndLeftoverServers()
{
    int ended = 0;
    for (DWORD id : ServerProcesses()) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (process == nullptr) continue;
        if (TerminateProcess(process, 9)) {
            WaitForSingleObject(process, standin_test::ScaledMs(5000));
            ++ended;
        }
        CloseHandle(process);
    }
    return ended;
}

int Unregister() { return standin_test::RunServer(L"/UnregServer"); }

int Register() { return standin_test::RegisterHome(SuiteHome()) ? 0 : 1; }

void Reset(const std::string& tags)
{
    // A server an earlier test left running (its TearDown said so) must not answer this one.
    if (!WaitUntilServerGone()) {
        const std::string servers = DescribeServers();
        std::printf("note: a server process of an earlier test still ran; ended %d (%s)\n", EndLeftoverServers(),
                    servers.c_str());
    }
    ClearFaults();
    WriteStateFile("tags.txt", tags);
}

}  // namespace standin
