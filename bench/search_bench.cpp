// Timings of the auto-search against the stand-in server, under Wine or on Windows:
//
//   search_bench.exe [PROBE_MS] [RUNS]
//
// PROBE_MS (default 20) is what a probe of an address costs on the simulated line (absent
// addresses time out after it; the few devices answer after it). Reports:
//   - the bare loop: 255 ProbeDevice calls over COM from one thread, no reports;
//   - a full search of 1..255 through the dialog and its worker, against 255 x PROBE_MS and
//     against the bare loop;
//   - the longest time the dialog's window took to answer a message during that search
//     (a second thread sends WM_NULL to it without pause);
//   - the time from Stop, and from closing the dialog, to the worker's end, RUNS times each.
//
// Run it under Wine with scripts/bench-wine.sh search_bench [PROBE_MS] [RUNS].
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchProcess.h"
#include "catalogue/Catalogue.h"
#include "search/win/AutoFindDlg.h"
#include "search/win/SearchDevThread.h"
#include "server/win/ServerConnection.h"
#include "ui/App.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

CWinApp g_app;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
double NowMs() { return Ms(Clock::now().time_since_epoch()); }

// The dialog, with the moments of its finished reports and its window handle for the driver.
class CTimedAutoFindDlg : public CAutoFindDlg {
public:
    using CAutoFindDlg::CAutoFindDlg;
    std::atomic<HWND> m_hShown{nullptr};
    std::atomic<int> m_nFinished{0};
    std::atomic<int> m_nLastProgress{0};
    double m_lastFinishedAt = 0;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CAutoFindDlg::OnInitDialog();
        m_hShown = m_hWnd;
        return result;
    }
    LRESULT OnTimedProgress(WPARAM wParam, LPARAM lParam)
    {
        if (lParam != 0) m_nLastProgress = *reinterpret_cast<std::int32_t*>(lParam);
        return OnSearchProgress(wParam, lParam);
    }
    LRESULT OnTimedFinished(WPARAM wParam, LPARAM lParam)
    {
        m_lastFinishedAt = NowMs();
        const LRESULT result = OnSearchFinished(wParam, lParam);
        ++m_nFinished;
        return result;
    }

    BEGIN_MSG_MAP(CTimedAutoFindDlg, CAutoFindDlg)
        ON_MESSAGE(WM_SCAN_PROGRESS, OnTimedProgress)
        ON_MESSAGE(WM_SCAN_FINISHED, OnTimedFinished)
    END_MSG_MAP()
};

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 60000)
{
    const double deadline = NowMs() + timeoutMs;
    while (!condition()) {
        if (NowMs() > deadline) return false;
        Sleep(1);
    }
    return true;
}

// Polls every millisecond until no worker is alive; the moment seen.
double WorkerGoneAt()
{
    WaitUntil([] { return CSearchDevThread::LiveCount() == 0; });
    return NowMs();
}

void Press(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

using bench::ExeDir;

bool RegisterServer(const fs::path& home) { return bench::RegisterStandin(home); }

struct Stats {
    std::vector<double> values;
    double Max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
    double Mean() const
    {
        double sum = 0;
        for (double v : values) sum += v;
        return values.empty() ? 0 : sum / values.size();
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const int probeMs = argc > 1 ? _wtoi(argv[1]) : 20;
    const int runs = argc > 2 ? _wtoi(argv[2]) : 5;

    const fs::path home = fs::temp_directory_path() / ("zolcfg-bench-search-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(home);
    std::ofstream(home / "faults.txt", std::ios::binary) << "probe_timeout_ms " << probeMs << "\n";
    std::ofstream(home / "line.txt", std::ios::binary) << "17 7 " << probeMs << " Meter\n"
                                                       << "100 3 " << probeMs << " Drive\n"
                                                       << "200 99 " << probeMs << " Unknown box\n";
    if (!RegisterServer(home)) {
        std::fprintf(stderr, "zolsrv.exe /RegServer failed\n");
        return 1;
    }
    CDevice meter;
    meter.m_nTypeCode = 7;
    meter.m_strName = "Meter";
    g_DeviceCatalogue.AddTail(meter);

    CoInitialize(nullptr);
    IAddTags* pAddTags = nullptr;
    if (!ConnectAddTags(false, &pAddTags).Ok()) {
        std::fprintf(stderr, "cannot connect to the stand-in server\n");
        return 1;
    }

    // The bare loop.
    const auto bareStart = Clock::now();
    for (ULONG a = 1; a <= 255; ++a) {
        unsigned char text[100] = {};
        LONG type = 0;
        pAddTags->ProbeDevice(a, text, &type);
    }
    const double bareMs = Ms(Clock::now() - bareStart);
    const double nominalMs = 255.0 * probeMs;
    std::printf("probe time %d ms; 255 x probe time = %.0f ms\n", probeMs, nominalMs);
    std::printf("bare ProbeDevice loop over COM, 255 addresses: %.0f ms (%.3fx nominal)\n", bareMs, bareMs / nominalMs);

    // A full search; then another while a second thread keeps asking the window for an
    // answer (that thread competes for the processor, so it is not timed with the first).
    for (const bool probing : {false, true}) {
        CTimedAutoFindDlg dlg(pAddTags);
        double startedAt = 0, searchMs = 0, longestAnswerMs = 0;
        long answers = 0;
        std::thread driver([&] {
            WaitUntil([&] { return dlg.m_hShown.load() != nullptr; });
            HWND dialog = dlg.m_hShown;
            startedAt = NowMs();
            Press(dialog, IDOK);
            while (dlg.m_nFinished == 0) {
                if (!probing) {
                    Sleep(1);
                    continue;
                }
                const double before = NowMs();
                DWORD_PTR result = 0;
                SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
                longestAnswerMs = std::max(longestAnswerMs, NowMs() - before);
                ++answers;
                Sleep(1);
            }
            searchMs = dlg.m_lastFinishedAt - startedAt;
            Press(dialog, IDCANCEL);
        });
        dlg.DoModal();
        driver.join();
        if (!probing) {
            std::printf("full search 1..255 through the dialog: %.0f ms (%.3fx nominal, %.3fx bare loop)\n",
                        searchMs, searchMs / nominalMs, searchMs / bareMs);
        } else {
            std::printf("longest time the dialog took to answer a message during a search: %.1f ms "
                        "(%ld messages; that search took %.0f ms)\n",
                        longestAnswerMs, answers, searchMs);
        }
    }

    // Stop, and closing, during a search: time to the worker's end.
    Stats stop, close, stopToFinished, finishedToGone;
    {
        CTimedAutoFindDlg dlg(pAddTags);
        std::thread driver([&] {
            WaitUntil([&] { return dlg.m_hShown.load() != nullptr; });
            HWND dialog = dlg.m_hShown;
            for (int run = 0; run < runs; ++run) {
                const int finished = dlg.m_nFinished;
                Press(dialog, IDOK);
                // Vary the moment within a probe from run to run.
                WaitUntil([&] { return dlg.m_nLastProgress >= 10 + run; });
                Sleep(static_cast<DWORD>((probeMs * run) / std::max(runs, 1)));
                const double stoppedAt = NowMs();
                Press(dialog, IDC_STOP_SEARCH);
                const double goneAt = WorkerGoneAt();
                stop.values.push_back(goneAt - stoppedAt);
                WaitUntil([&] { return dlg.m_nFinished > finished; });
                stopToFinished.values.push_back(dlg.m_lastFinishedAt - stoppedAt);
                finishedToGone.values.push_back(goneAt - dlg.m_lastFinishedAt);
                dlg.m_nLastProgress = 0;
            }
            Press(dialog, IDCANCEL);
        });
        dlg.DoModal();
        driver.join();
    }
    for (int run = 0; run < runs; ++run) {
        CTimedAutoFindDlg dlg(pAddTags);
        std::thread driver([&] {
            WaitUntil([&] { return dlg.m_hShown.load() != nullptr; });
            HWND dialog = dlg.m_hShown;
            Press(dialog, IDOK);
            WaitUntil([&] { return dlg.m_nLastProgress >= 10; });
            Sleep(static_cast<DWORD>((probeMs * run) / std::max(runs, 1)));
            const double closedAt = NowMs();
            Press(dialog, IDCANCEL);
            close.values.push_back(WorkerGoneAt() - closedAt);
        });
        dlg.DoModal();
        driver.join();
    }
    std::printf("Stop to the worker's end, %d runs: mean %.1f ms, max %.1f ms (%.2f probe times)\n", runs,
                stop.Mean(), stop.Max(), stop.Max() / probeMs);
    std::printf("  of which Stop to the finished report: mean %.1f ms, max %.1f ms (%.2f probe times); "
                "finished report to the worker's end: mean %.1f ms, max %.1f ms\n",
                stopToFinished.Mean(), stopToFinished.Max(), stopToFinished.Max() / probeMs, finishedToGone.Mean(),
                finishedToGone.Max());
    std::printf("Close to the worker's end, %d runs: mean %.1f ms, max %.1f ms (%.2f probe times)\n", runs,
                close.Mean(), close.Max(), close.Max() / probeMs);
    std::printf("search payloads alive at the end: %ld\n", LiveSearchPayloads());

    pAddTags->Release();
    CoUninitialize();
    Sleep(1000);
    std::error_code ignored;
    fs::remove_all(home, ignored);
    return 0;
}
