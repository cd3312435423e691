// The main window's background snapshot of a large configuration, under Wine or on Windows:
//
//   snapshot_bench.exe [TAGS]   (default 50,000 tags over 250 device types)
//
// The window starts against the stand-in server holding TAGS tags, fills its tree, and then
// takes its snapshot on its worker thread. Meanwhile a second thread sends the window an
// empty message every 5 ms and measures how long each answer takes: the longest wait is
// the number that matters (goal: under 100 ms throughout). The snapshot's time is set
// against the same reading done bare in this process (EnumTags walk + GetTagInfo a tag).
// Run it with scripts/bench-wine.sh snapshot_bench [TAGS].
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "UiDriver.h"
#include "app/SnapshotThread.h"
#include "app/TarnelDlg.h"
#include "history/History.h"
#include "server/ComTagServer.h"
#include "tagfile/ServerTags.h"
#include "ui/App.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

CWinApp g_app;
constexpr int kDeviceTypes = 250;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

fs::path ExeDir()
{
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return fs::path(std::wstring(path, n)).parent_path();
}

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
    std::wstring line = L"\"" + (ExeDir() / L"zolsrv.exe").wstring() + L"\" /RegServer /home \"" + home.wstring() + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
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
    SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"1");
    if (!RegisterServer(root / "server", count)) return 1;

    std::size_t bareCount = 0;
    const double bare = BareReading(&bareCount);
    Sleep(1500);

    double snapshot = 0, worstMs = 0;
    std::size_t pings = 0;
    bool written = false;
    {
        CTarnelDlg dlg;
        ui_driver::CScript driver([&] {
            HWND window = ui_driver::WaitForWindow([](HWND w) { return GetDlgItem(w, IDC_CONFIG_TREE) != nullptr; }, 900000);
            if (window == nullptr) return;
            // The window shows once the tree is filled; the worker starts right then.
            ui_driver::WaitFor([&] { return dlg.m_pSnapshot != nullptr; }, 900000);
            const auto start = Clock::now();
            std::atomic<bool> done{false};
            ui_driver::CScript pinger([&] {
                while (!done) {
                    const auto sent = Clock::now();
                    DWORD_PTR ignored = 0;
                    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
                    const double ms = 1000 * Seconds(Clock::now() - sent);
                    if (ms > worstMs) worstMs = ms;
                    ++pings;
                    Sleep(5);
                }
            });
            dlg.m_pSnapshot->Wait(INFINITE);
            snapshot = Seconds(Clock::now() - start);
            done = true;
            pinger.Join();
            written = dlg.m_pSnapshot->m_Result.written;
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        });
        dlg.DoModal();
    }
    std::printf("background snapshot of %d tags: %.2f s (%s); bare reading in-process over COM: %.2f s (%zu tags)\n",
                count, snapshot, written ? "written" : "NOT WRITTEN", bare, bareCount);
    std::printf("ratio, snapshot / bare reading: %.3f; longest wait of the window meanwhile: %.1f ms over %zu "
                "messages\n", snapshot / bare, worstMs, pings);
    Sleep(1000);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    CoUninitialize();
    return 0;
}
