#include "app/StartupTrace.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace startup_trace {
namespace {

struct Phase {
    const char* name;
    double seconds;
};

struct Trace {
    bool enabled = false;
    bool written = false;
    LARGE_INTEGER frequency = {};
    LARGE_INTEGER last = {};   // the end of the previous phase
    double sinceStart = 0;     // process start -> last
    double parts = 0;          // of the phase under way, already given as parts
    std::vector<Phase> phases;
    std::vector<Phase> notes;
};

// The system time to the microsecond where Windows has it (8 and later), looked up at run
// time: a program importing it does not start on Windows 7. There the coarser clock (a
// tick of 1 to 16 ms) does, a small error on a start of a second or more.
void PreciseNow(FILETIME* now)
{
    using PreciseClock = void(WINAPI*)(FILETIME*);
    static const PreciseClock precise = reinterpret_cast<PreciseClock>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    if (precise != nullptr)
        precise(now);
    else
        GetSystemTimeAsFileTime(now);
}

// Set up before main (the first phase runs from the process's start to WinMain).
Trace& State()
{
    static Trace trace = [] {
        Trace t;
        const char* value = std::getenv("ZOLCFG_TRACE");
        t.enabled = value != nullptr && std::strcmp(value, "1") == 0;
        if (!t.enabled) return t;
        QueryPerformanceFrequency(&t.frequency);
        QueryPerformanceCounter(&t.last);
        // The process's creation time on the clock the performance counter runs beside.
        FILETIME created, exited, kernel, user, now;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        PreciseNow(&now);
        const auto ticks = [](const FILETIME& f) {
            return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
        };
        t.sinceStart = static_cast<double>(ticks(now) - ticks(created)) / 1e7;
        // How much of the first phase passed before the program's own code ran at all
        // (the system mapping the program and its DLLs): the rest is ours.
        t.notes.push_back({"process start -> program's first static initializer", t.sinceStart});
        return t;
    }();
    return trace;
}

double SecondsSinceLast(Trace& t, LARGE_INTEGER* now)
{
    QueryPerformanceCounter(now);
    return static_cast<double>(now->QuadPart - t.last.QuadPart) / static_cast<double>(t.frequency.QuadPart);
}

std::wstring EnvironmentFolder(const wchar_t* name)
{
    wchar_t value[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(value, length) : std::wstring();
}

void Write(const Trace& t)
{
    std::string text = "zolcfg start-up (s):";
    char line[160];
    double total = 0;
    for (const Phase& phase : t.phases) {
        std::snprintf(line, sizeof line, "\n  %-26s %8.3f", phase.name, phase.seconds);
        text += line;
        total += phase.seconds;
    }
    std::snprintf(line, sizeof line, "\n  %-26s %8.3f\n", "process start -> painted", total);
    text += line;
    for (const Phase& note : t.notes) {
        std::snprintf(line, sizeof line, "  (%s: %.3f)\n", note.name, note.seconds);
        text += line;
    }

    const std::wstring log = TraceLogPath();
    if (FILE* file = _wfopen(log.c_str(), L"ab")) {
        std::fputs(text.c_str(), file);
        std::fclose(file);
    }
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err != nullptr && err != INVALID_HANDLE_VALUE && GetFileType(err) != FILE_TYPE_UNKNOWN) {
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    }
}

const bool g_started = State().enabled;  // the clock starts before main

}  // namespace

bool Enabled() { return State().enabled; }

std::wstring TraceLogPath()
{
    // Never beside the program: in Program Files that folder is not the user's to write.
    std::wstring folder = EnvironmentFolder(L"LOCALAPPDATA");
    if (!folder.empty()) {
        folder += L"\\zolcfg";
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) folder.clear();
    }
    if (folder.empty()) {
        wchar_t temp[MAX_PATH + 1];
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        folder.assign(temp, length > 0 && length <= MAX_PATH ? length : 0);
        while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    }
    return folder + L"\\zolcfg-trace.log";
}

void PhaseEnded(const char* name)
{
    Trace& t = State();
    if (!t.enabled || t.written) return;
    LARGE_INTEGER now;
    double seconds = SecondsSinceLast(t, &now);
    if (t.phases.empty()) seconds += t.sinceStart;  // the first phase runs from the process's start
    t.phases.push_back({name, seconds - t.parts});
    t.parts = 0;
    t.last = now;
}

void PhasePart(const char* name, double seconds)
{
    Trace& t = State();
    if (!t.enabled || t.written) return;
    t.phases.push_back({name, seconds});
    t.parts += seconds;
}

void Note(const char* name, double seconds)
{
    Trace& t = State();
    if (t.enabled && !t.written) t.notes.push_back({name, seconds});
}

void FirstPaint()
{
    Trace& t = State();
    if (!t.enabled || t.written) return;
    PhaseEnded("first paint");
    t.written = true;
    Write(t);
}

HResult CTimedTagServer::EnumTags(std::uint32_t* cursor, std::uint32_t* type, std::uint32_t* address,
                                  std::uint32_t* param, std::uint32_t* reserved1, std::uint32_t* reserved2)
{
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    const HResult hr = m_inner.EnumTags(cursor, type, address, param, reserved1, reserved2);
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    m_enumSeconds += static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    return hr;
}

}  // namespace startup_trace
