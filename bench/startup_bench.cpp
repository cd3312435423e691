// Start-up timings of zolcfg.exe against the stand-in server, under Wine or on Windows.
//
//   startup_bench.exe title            process start -> the main window's title is set
//                                       (demo-sized configuration)
//   startup_bench.exe fill [TAGS]      process start -> tree filled, with TAGS tags (default
//                                       50,000) under 250 device types, against the bare
//                                       EnumTags walk over COM measured in the same run
//   startup_bench.exe progress [TAGS]  the same start with the progress window (shown after a
//                                       second) and without it (ZOLCFG_PROGRESS_DELAY_MS set
//                                       beyond the fill), alternately, twice each
//   startup_bench.exe window HOME WORK process start -> main window shown, against the same
//                                       for empty_dialog.exe (an empty dialog of the same
//                                       size, style and font), alternately, five times each:
//                                       with the server already running (as on a plant, where
//                                       it polls the line all the time) and with COM starting
//                                       it; HOME holds the server's state (the demo's), WORK
//                                       the description files. Then one traced start.
//
// Except with window, it registers zolsrv.exe (beside this program) with a state directory
// of its own under %TEMP%, writes the tags and matching description files there, and
// prints the figures.
// Run it under Wine with scripts/bench-wine.sh startup_bench ...
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchProcess.h"
#include "catalogue/Checksum.h"
#include "server/win/ServerConnection.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kDeviceTypes = 250;

using bench::ExeDir;

int Run(const std::wstring& command, const fs::path& directory = {})
{
    bench::RunOptions options;
    options.directory = directory;
    options.limitMs = 60000;
    return bench::RunToEnd(command, options);
}

void WriteDescription(const fs::path& file, const std::string& text)
{
    unsigned char stored[4];
    WriteStoredChecksum(UpdateChecksum(0, text), stored);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(stored), 4);
    out << text;
}

// tags tags spread over kDeviceTypes device types (one device each, address = type), and a
// description per type whose parameters are grouped ten to a group.
void PrepareConfiguration(const fs::path& home, const fs::path& work, int tags)
{
    fs::create_directories(home);
    fs::create_directories(work);
    const int perDevice = (tags + kDeviceTypes - 1) / kDeviceTypes;
    std::ofstream list(home / "tags.txt", std::ios::binary | std::ios::trunc);
    int written = 0;
    for (int type = 1; type <= kDeviceTypes; ++type) {
        std::string text = "DEVICE_DESCRIPTION\nDevice" + std::to_string(type) + " " + std::to_string(type) + "\n";
        for (int p = 1; p <= perDevice; ++p) {
            text += "Group" + std::to_string((p - 1) / 10) + ".Value" + std::to_string(p) + " " + std::to_string(p) +
                    " REAL R HOLD_REG " + std::to_string(p * 2) + "\n";
            if (written < tags) {
                list << type << ' ' << (type % 247) + 1 << ' ' << p << " 20000000\n";
                ++written;
            }
        }
        WriteDescription(work / ("device" + std::to_string(type) + ".dsc"), text);
    }
    std::ofstream(home / "faults.txt", std::ios::trunc);
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The bare walk: connect, EnumTags until the cursor is 0, release.
double BareWalk(int* count)
{
    const auto start = Clock::now();
    IAddTags* tags = nullptr;
    if (!ConnectAddTags(false, &tags).Ok()) return -1;
    ULONG cursor = 0, type = 0, address = 0, param = 0, r1 = 0, r2 = 0;
    *count = 0;
    do {
        if (SUCCEEDED(tags->EnumTags(&cursor, &type, &address, &param, &r1, &r2))) ++*count;
    } while (cursor != 0);
    tags->Release();
    return Seconds(Clock::now() - start);
}

struct Found {
    std::wstring prefix;
    HWND window = nullptr;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM param)
{
    Found* found = reinterpret_cast<Found*>(param);
    wchar_t title[256] = {};
    InternalGetWindowText(window, title, 256);
    if (wcsncmp(title, found->prefix.c_str(), found->prefix.size()) == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

// The main window's title once connected: "Конфигуратор ZOL-OPC-Server в..." (the
// template's caption has the old version number instead).
const wchar_t kMainTitle[] =
    L"\x041A\x043E\x043D\x0444\x0438\x0433\x0443\x0440\x0430\x0442\x043E\x0440 ZOL-OPC-Server \x0432";
const wchar_t kEmptyDialogTitle[] = L"empty dialog";

HWND FindWindowTitled(const wchar_t* prefix)
{
    Found found;
    found.prefix = prefix;
    EnumWindows(&FindTitled, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

HWND FindMainWindow() { return FindWindowTitled(kMainTitle); }

// Starts exe in work and returns the seconds from its start until its window titled prefix
// is visible, then (after linger milliseconds) closes it; -1 when no such window was shown
// within two minutes.
double TimeShownWindow(const fs::path& exe, const fs::path& work, const wchar_t* prefix, DWORD linger = 0)
{
    std::wstring line = L"\"" + exe.wstring() + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const auto start = Clock::now();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, work.c_str(), &si, &pi))
        return -1;
    const CScopedHandle thread(pi.hThread);
    const CScopedHandle process(pi.hProcess);
    double shown = -1;
    HWND window = nullptr;
    while (Seconds(Clock::now() - start) < 120) {
        if (window == nullptr) window = FindWindowTitled(prefix);
        if (window != nullptr && IsWindowVisible(window)) {
            shown = Seconds(Clock::now() - start);
            break;
        }
        Sleep(2);
    }
    Sleep(linger);
    if (window != nullptr) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) TerminateProcess(process.Get(), 1);
    return shown;
}

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? -1 : samples[samples.size() / 2];
}

void PrintSamples(const char* what, const std::vector<double>& samples)
{
    std::printf("%s:", what);
    for (double s : samples) std::printf(" %.3f", s);
    std::printf(" s (median %.3f)\n", Median(samples));
}

// Five starts of each program, alternately; returns the median ratio zolcfg / empty dialog.
double CompareWithEmptyDialog(const fs::path& work, const char* how)
{
    std::vector<double> empty, main;
    for (int i = 0; i < 5; ++i) {
        empty.push_back(TimeShownWindow(ExeDir() / L"empty_dialog.exe", work, kEmptyDialogTitle));
        main.push_back(TimeShownWindow(ExeDir() / L"zolcfg.exe", work, kMainTitle));
        Sleep(1500);  // without a client of its own here, the server ends after zolcfg.exe
    }
    std::printf("%s\n", how);
    PrintSamples("  empty_dialog.exe, start -> dialog shown", empty);
    PrintSamples("  zolcfg.exe, start -> main window shown", main);
    const double ratio = Median(main) / Median(empty);
    std::printf("  ratio of the medians, zolcfg.exe / empty dialog: %.2f\n", ratio);
    return ratio;
}

// One more start, the server running, with ZOLCFG_TRACE=1: the phases of zolcfg.exe's start.
void PrintTracedStart(const fs::path& work)
{
    // Where the program writes it (never beside itself): %LOCALAPPDATA%\zolcfg, else %TEMP%.
    const wchar_t* localAppData = _wgetenv(L"LOCALAPPDATA");
    const fs::path log = (localAppData != nullptr && *localAppData != 0 ? fs::path(localAppData) / L"zolcfg"
                                                                        : fs::temp_directory_path()) /
                         L"zolcfg-trace.log";
    std::error_code ignored;
    fs::remove(log, ignored);
    SetEnvironmentVariableW(L"ZOLCFG_TRACE", L"1");
    TimeShownWindow(ExeDir() / L"zolcfg.exe", work, kMainTitle, 1000);  // the log is written at the first paint
    SetEnvironmentVariableW(L"ZOLCFG_TRACE", nullptr);
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::printf("phases of one start with the server running (ZOLCFG_TRACE=1):\n%s", text.c_str());
    fs::remove(log, ignored);
}

int RunWindowMode(const fs::path& home, const fs::path& work)
{
    const std::wstring server = L"\"" + (ExeDir() / L"zolsrv.exe").wstring() + L"\"";
    if (Run(server + L" /RegServer /home \"" + home.wstring() + L"\"") != 0) {
        std::fprintf(stderr, "zolsrv.exe /RegServer failed\n");
        return 1;
    }
    IAddTags* running = nullptr;
    if (!ConnectAddTags(false, &running).Ok()) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    CompareWithEmptyDialog(work, "the server already running:");
    PrintTracedStart(work);
    running->Release();
    Sleep(1500);
    CompareWithEmptyDialog(work, "COM starting the server for each start:");
    return 0;
}

struct ProgramTimes {
    double title = -1;   // process start -> title set
    double filled = -1;  // process start -> last change of the tree's node count
    unsigned nodes = 0;
};

// Starts zolcfg.exe in work, waits for its title and for its tree to stop growing, closes it.
ProgramTimes TimeProgram(const fs::path& work, bool waitForFill)
{
    ProgramTimes times;
    std::wstring line = L"\"" + (ExeDir() / L"zolcfg.exe").wstring() + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const auto start = Clock::now();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, work.c_str(), &si, &pi))
        return times;
    const CScopedHandle thread(pi.hThread);
    const CScopedHandle process(pi.hProcess);

    HWND window = nullptr;
    while (Seconds(Clock::now() - start) < 120 && (window = FindMainWindow()) == nullptr) Sleep(5);
    if (window != nullptr) {
        times.title = Seconds(Clock::now() - start);
        if (waitForFill) {
            HWND tree = FindWindowExW(window, nullptr, WC_TREEVIEWW, nullptr);
            auto lastChange = Clock::now();
            unsigned last = 0;
            DWORD_PTR count = 0;
            // The tree is filled when its count has not changed for three seconds.
            while (Seconds(Clock::now() - lastChange) < 3.0) {
                if (SendMessageTimeoutW(tree, TVM_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &count) &&
                    static_cast<unsigned>(count) != last) {
                    last = static_cast<unsigned>(count);
                    lastChange = Clock::now();
                }
                Sleep(20);
            }
            times.filled = Seconds(lastChange - start);
            times.nodes = last;
        }
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    }
    WaitForSingleObject(process.Get(), 60000);
    return times;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring mode = argc > 1 ? argv[1] : L"title";
    if (CoInitialize(nullptr) < 0) return 2;
    if (mode == L"window") {
        if (argc < 4) {
            std::fprintf(stderr, "usage: startup_bench window HOME WORK\n");
            return 2;
        }
        const int rc = RunWindowMode(argv[2], argv[3]);
        CoUninitialize();
        return rc;
    }
    const int tags = argc > 2 ? _wtoi(argv[2]) : (mode == L"title" ? 200 : 50000);

    const fs::path root = fs::temp_directory_path() / ("zolcfg-bench-" + std::to_string(GetCurrentProcessId()));
    const fs::path home = root / "server";
    const fs::path work = root / "work";
    PrepareConfiguration(home, work, tags);
    const std::wstring server = L"\"" + (ExeDir() / L"zolsrv.exe").wstring() + L"\"";
    if (Run(server + L" /RegServer /home \"" + home.wstring() + L"\"") != 0) {
        std::fprintf(stderr, "zolsrv.exe /RegServer failed\n");
        return 1;
    }

    if (mode == L"title") {
        std::vector<double> samples;
        for (int i = 0; i < 5; ++i) {
            const ProgramTimes t = TimeProgram(work, false);
            samples.push_back(t.title);
            Sleep(1500);  // the server ends after its last client
        }
        std::printf("process start -> title set (%d tags, %d description files):", tags, kDeviceTypes);
        for (double s : samples) std::printf(" %.3f", s);
        std::printf(" s\n");
    } else if (mode == L"progress") {
        double with = 0, without = 0;
        for (int round = 0; round < 2; ++round) {
            SetEnvironmentVariableW(L"ZOLCFG_PROGRESS_DELAY_MS", nullptr);
            const ProgramTimes shown = TimeProgram(work, true);
            Sleep(1500);
            SetEnvironmentVariableW(L"ZOLCFG_PROGRESS_DELAY_MS", L"4000000000");
            const ProgramTimes hidden = TimeProgram(work, true);
            Sleep(1500);
            std::printf("round %d: tree filled after %.2f s with the progress window, %.2f s without (%u nodes)\n",
                        round + 1, shown.filled, hidden.filled, shown.nodes);
            with += shown.filled;
            without += hidden.filled;
        }
        SetEnvironmentVariableW(L"ZOLCFG_PROGRESS_DELAY_MS", nullptr);
        std::printf("tags: %d; cost of the progress window: %+.2f%% (%.2f s against %.2f s)\n", tags,
                    100.0 * (with - without) / without, with / 2, without / 2);
    } else {
        int walked = 0;
        const double walkBefore = BareWalk(&walked);
        Sleep(1500);
        const ProgramTimes program = TimeProgram(work, true);
        Sleep(1500);
        int walkedAfter = 0;
        const double walkAfter = BareWalk(&walkedAfter);
        const double walk = (walkBefore + walkAfter) / 2;
        std::printf("tags: %d (walked %d), device types: %d\n", tags, walked, kDeviceTypes);
        std::printf("bare EnumTags walk over COM: %.2f s and %.2f s (%.0f calls/s)\n", walkBefore, walkAfter,
                    walked / walk);
        std::printf("zolcfg.exe: title after %.2f s, tree filled after %.2f s (%u nodes)\n", program.title,
                    program.filled, program.nodes);
        std::printf("ratio, process start to filled tree / bare walk: %.3f\n", program.filled / walk);
    }

    std::error_code ignored;
    fs::remove_all(root, ignored);
    CoUninitialize();
    return 0;
}
