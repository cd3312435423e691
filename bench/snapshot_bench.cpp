// The main window's background snapshot of a large configuration, under Wine or on Windows:
//
//   snapshot_bench.exe [TAGS]   (default 50,000 tags over 250 device types)
//
// The window starts against the stand-in server holding TAGS tags and fills its tree. Then,
// with the window idle, the same reading is done twice on another thread while a third
// sends the window an empty message every 5 ms and times each answer: first bare (EnumTags
// walk + GetTagInfo a tag over COM), then as the window's background snapshot (its worker,
// CSnapshotThread, writing the file). The longest wait during the snapshot is the number
// that matters (goal: under 100 ms throughout); the one during the bare reading shows what
// the machine and Wine give anyway.
// Run it with scripts/bench-wine.sh snapshot_bench [TAGS].
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "bench/BenchProcess.h"
#include "UiDriver.h"
#include "app/ServerChange.h"
#include "app/SnapshotThread.h"
#include "app/TarnelDlg.h"
#include "history/History.h"
#include "server/win/ComTagServer.h"
#include "server/win/ServerConnection.h"
#include "tagfile/ServerTags.h"
#include "tagfile/TagNames.h"
#include "ui/App.h"
#include "words/TagNameWords.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

CWinApp g_app;
constexpr int kDeviceTypes = 250;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

using bench::ExeDir;

bool RegisterServer(const fs::path& home, int tags)
{
    fs::create_directories(home);
    const int perDevice = (tags + kDeviceTypes - 1) / kDeviceTypes;
    std::string text;
    int written = 0;
    for (int type = 1; type <= kDeviceTypes && written < tags; ++type)
        for (int p = 1; p <= perDevice && written < tags; ++p, ++written)
            text += std::to_string(type) + " " + std::to_string(type % 247 + 1) + " " + std::to_string(p) + " 20000000\n";
    std::ofstream(home / "tags.txt", std::ios::binary | std::ios::trunc) << text;
    std::ofstream(home / "faults.txt", std::ios::trunc) << "no-save\n";
    return bench::RegisterStandin(home);
}

// The same reading without the window: walk and periods over COM in this process.
double BareReading(std::size_t* count)
{
    const auto start = Clock::now();
    IAddTags* tags = nullptr;
    if (!ConnectAddTags(false, &tags).Ok()) return -1;
    CComTagServer server(tags);
    const ServerTagList list = ReadServerTags(server);
    tags->Release();
    *count = list.tags.size();
    return Seconds(Clock::now() - start);
}

struct Waits {
    double worstMs = 0;
    std::size_t count = 0, over100 = 0;
};

// Sends the window an empty message every 5 ms until done, timing each answer.
Waits PingUntil(HWND window, const std::function<void()>& work)
{
    Waits waits;
    std::atomic<bool> done{false};
    ui_driver::CScript pinger([&] {
        while (!done) {
            const auto sent = Clock::now();
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
            const double ms = 1000 * Seconds(Clock::now() - sent);
            if (ms > waits.worstMs) waits.worstMs = ms;
            if (ms > 100) ++waits.over100;
            ++waits.count;
            Sleep(5);
        }
    });
    work();
    done = true;
    pinger.Join();
    return waits;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const int count = argc > 1 ? _wtoi(argv[1]) : 50000;
    if (CoInitialize(nullptr) < 0) return 2;
    const fs::path root = fs::temp_directory_path() / ("zolcfg-snapshot-bench-" + std::to_string(GetCurrentProcessId()));
    const fs::path history = root / "history";
    fs::create_directories(root);
    SetEnvironmentVariableW(L"ZOLCFG_HISTORY", history.wstring().c_str());
    // The window's own snapshot is started below, by this program, once the window is idle.
    SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"0");
    if (!RegisterServer(root / "server", count)) return 1;

    double bare = 0, snapshot = 0;
    std::size_t bareCount = 0;
    Waits bareWaits, snapshotWaits;
    bool written = false;
    {
        CTarnelDlg dlg;
        ui_driver::CScript driver([&] {
            HWND window = ui_driver::WaitForWindow(
                [](HWND w) { return GetDlgItem(w, IDC_CONFIG_TREE) != nullptr && IsWindowVisible(w); }, 1800000);
            if (window == nullptr) return;
            Sleep(2000);  // the tree is filled: the window is idle
            // The same reading, bare, on a thread of this program: the window's waits then
            // are what the machine and Wine give anyway.
            bareWaits = PingUntil(window, [&] {
                std::thread reader([&] {
                    CoInitialize(nullptr);
                    bare = BareReading(&bareCount);
                    CoUninitialize();
                });
                reader.join();
            });
            Sleep(2000);
            // The window's background snapshot: the worker the window starts after start-up.
            CSnapshotThread worker(history, WindowProgramName(), CatalogueTagNames(UnnamedPartWords()));
            const auto start = Clock::now();
            snapshotWaits = PingUntil(window, [&] {
                worker.Start();
                worker.Wait(INFINITE);
            });
            snapshot = Seconds(Clock::now() - start);
            written = worker.m_Result.written;
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        });
        dlg.DoModal();
    }
    std::printf("background snapshot of %d tags: %.2f s (%s); bare reading in-process over COM: %.2f s (%zu tags)\n",
                count, snapshot, written ? "written" : "NOT WRITTEN", bare, bareCount);
    std::printf("ratio, snapshot / bare reading: %.3f\n", snapshot / bare);
    std::printf("window's longest wait during the snapshot: %.1f ms (%zu of %zu messages over 100 ms); "
                "during the bare reading: %.1f ms (%zu of %zu over 100 ms)\n",
                snapshotWaits.worstMs, snapshotWaits.over100, snapshotWaits.count, bareWaits.worstMs,
                bareWaits.over100, bareWaits.count);
    Sleep(1000);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    CoUninitialize();
    return 0;
}
