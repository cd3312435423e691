// The Windows benchmarks' one way to run another program to its end, and to register the
// stand-in server for a benchmark's state folder. The handles are owned (CScopedHandle), so
// none is left open on any way out.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <filesystem>
#include <string>

#include "common/win/Owners.h"

namespace bench {

// The folder of the running benchmark, where the programs it runs stand.
inline std::filesystem::path ExeDir()
{
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return std::filesystem::path(std::wstring(path, n)).parent_path();
}

struct RunOptions {
    std::filesystem::path directory;  // its working folder (empty: ours)
    std::filesystem::path output;     // its standard output and error go there (empty: ours)
    DWORD limitMs = INFINITE;
    DWORD creationFlags = 0;
    SIZE_T* peakMemory = nullptr;     // when given: the program's peak private bytes at its end
};

// The program's exit code; -1 when it could not start or did not end within the limit.
inline int RunToEnd(const std::wstring& commandLine, const RunOptions& options = {})
{
    std::wstring line = commandLine;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    CScopedHandle out;
    if (!options.output.empty())
        out.Reset(CreateFileW(options.output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (out) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = out.Get();
        si.hStdError = out.Get();
    }
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, out ? TRUE : FALSE, options.creationFlags, nullptr,
                        options.directory.empty() ? nullptr : options.directory.c_str(), &si, &pi))
        return -1;
    const CScopedHandle thread(pi.hThread);
    const CScopedHandle process(pi.hProcess);
    out.Reset();  // the child has its own copy
    if (WaitForSingleObject(process.Get(), options.limitMs) != WAIT_OBJECT_0) return -1;
    if (options.peakMemory != nullptr) {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        *options.peakMemory = GetProcessMemoryInfo(process.Get(), &counters, sizeof counters)
                                  ? counters.PeakPagefileUsage
                                  : 0;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process.Get(), &code)) return -1;
    return static_cast<int>(code);
}

// zolsrv.exe (beside the benchmark) /RegServer /home HOME: true when it registered.
inline bool RegisterStandin(const std::filesystem::path& home)
{
    const std::wstring line =
        L"\"" + (ExeDir() / L"zolsrv.exe").wstring() + L"\" /RegServer /home \"" + home.wstring() + L"\"";
    RunOptions options;
    options.limitMs = 30000;
    return RunToEnd(line, options) == 0;
}

}  // namespace bench
