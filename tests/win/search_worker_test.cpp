// The search worker on its own thread against the stand-in server through real COM: the
// reports it posts to a window of the test thread, stop and quit requests, failed
// connections, and what becomes of requests that are never handled.
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "BoxAnswerer.h"
#include "StandinFixture.h"
#include "search/win/SearchDevThread.h"
#include "search/win/SearchMessages.h"
#include "search_support.h"
#include "standin_support.h"

namespace {

using search_test::CSearchTest;
using search_test::NowMs;

struct Report {
    UINT message;
    int address;        // progress and found
    int type;           // found
    std::string text;   // found
    WPARAM end;         // finished
    double atMs;
};

// A message-only window of the test thread that records the worker's reports and frees
// their payloads, as the dialog does.
class CReportWindow {
public:
    CReportWindow()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &CReportWindow::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ZolSearchReportWindow";
        RegisterClassW(&wc);
        m_hWnd = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CReportWindow() { DestroyWindow(m_hWnd); }

    // Pumps the test thread's messages until a finished report has come or the time is up.
    bool PumpUntilFinished(int timeoutMs = 20000)
    {
        const double deadline = NowMs() + standin_test::ScaledMs(static_cast<unsigned>(timeoutMs));
        while (!Finished()) {
            if (NowMs() > deadline) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        return true;
    }
    // Pumps until the condition holds (checked after every message) or the time is up.
    template <class Condition>
    bool PumpUntil(Condition condition, int timeoutMs = 20000)
    {
        const double deadline = NowMs() + standin_test::ScaledMs(static_cast<unsigned>(timeoutMs));
        while (!condition()) {
            if (NowMs() > deadline) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG msg;
            while (!condition() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        return true;
    }

    bool Finished() const { return !reports.empty() && reports.back().message == WM_SCAN_FINISHED; }
    std::vector<int> Progress() const
    {
        std::vector<int> out;
        for (const Report& r : reports)
            if (r.message == WM_SCAN_PROGRESS) out.push_back(r.address);
        return out;
    }
    std::vector<Report> Found() const
    {
        std::vector<Report> out;
        for (const Report& r : reports)
            if (r.message == WM_DEVICE_FOUND) out.push_back(r);
        return out;
    }

    HWND m_hWnd = nullptr;
    std::vector<Report> reports;

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<CReportWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (self == nullptr) return DefWindowProcW(hWnd, msg, wParam, lParam);
        Report r{msg, 0, 0, std::string(), wParam, NowMs()};
        switch (msg) {
        case WM_SCAN_PROGRESS: {
            auto* address = reinterpret_cast<std::int32_t*>(lParam);
            r.address = *address;
            FreeProgressReport(address);
            break;
        }
        case WM_DEVICE_FOUND: {
            auto* device = reinterpret_cast<FoundDevice*>(lParam);
            r.address = device->nAddress;
            r.type = device->nTypeCode;
            r.text = device->pszName;
            FreeFoundDevice(device);
            break;
        }
        case WM_SCAN_FINISHED:
            break;
        default:
            return DefWindowProcW(hWnd, msg, wParam, lParam);
        }
        self->reports.push_back(r);
        return 0;
    }
};

// A started worker for the window, with the handle to wait for its end.
struct StartedWorker {
    HANDLE thread = nullptr;
    DWORD id = 0;

    explicit StartedWorker(HWND notify)
    {
        auto* worker = new CSearchDevThread(notify);
        if (!worker->Start(&thread, &id)) {
            delete worker;
            ADD_FAILURE() << "the worker's thread did not start";
        }
    }
    ~StartedWorker()
    {
        if (thread != nullptr) {
            PostThreadMessageW(id, WM_QUIT, 0, 0);
            WaitForSingleObject(thread, 15000);
            CloseHandle(thread);
        }
    }
    void Post(UINT message, LPARAM lParam = 0) { PostThreadMessageW(id, message, 0, lParam); }
    void Scan(int start, int end, HWND notify)
    {
        Post(WM_START_SCAN, reinterpret_cast<LPARAM>(NewSearchRequest(start, end, notify)));
    }
    bool Ended(DWORD timeoutMs) const { return WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0; }
};

class SearchWorkerTest : public CSearchTest {};

TEST_F(SearchWorkerTest, ReversedRangeReportsEveryAddressAndExactlyTheDevicesOnTheLine)
{
    SetLine("2 7 0 Meter v1\n"
            "4 300 0 Wide type\n"
            "5 0 0 Says no device\n"
            "9 1 0 Outside the range\n");
    SetFaults("probe_timeout_ms 5\n");
    CReportWindow window;
    StartedWorker worker(window.m_hWnd);
    worker.Post(WM_STOP_SCAN);  // while idle: only sets the flag, which the scan clears
    worker.Scan(6, 1, window.m_hWnd);
    ASSERT_TRUE(window.PumpUntilFinished());

    EXPECT_EQ(window.Progress(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    const std::vector<Report> found = window.Found();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].address, 2);
    EXPECT_EQ(found[0].type, 7);
    EXPECT_EQ(found[0].text, "Meter v1");
    EXPECT_EQ(found[1].address, 4);
    EXPECT_EQ(found[1].type, 300);
    EXPECT_EQ(found[1].text, "Wide type");
    EXPECT_EQ(window.reports.back().end, kScanCompleted);
    // Each found report follows its address's progress report.
    EXPECT_EQ(window.reports[2].message, static_cast<UINT>(WM_DEVICE_FOUND));

    // Still idle and taking requests: a single address gives one progress and one found.
    window.reports.clear();
    worker.Scan(2, 2, window.m_hWnd);
    ASSERT_TRUE(window.PumpUntilFinished());
    EXPECT_EQ(window.Progress(), std::vector<int>{2});
    EXPECT_EQ(window.Found().size(), 1u);
    EXPECT_EQ(window.reports.size(), 3u);
}

TEST_F(SearchWorkerTest, StopDuringAProbeEndsAfterTheNextAddressWithoutItsDevice)
{
    // Address 4 answers slowly; the stop arrives while it is probed. Address 4's device is
    // still reported, 5 is probed and reported as progress only, 6 is never probed.
    SetLine("4 11 600 Slow one\n"
            "5 12 0 Next one\n"
            "6 13 0 Never probed\n");
    SetFaults("probe_timeout_ms 5\n");
    CReportWindow window;
    StartedWorker worker(window.m_hWnd);
    worker.Scan(1, 20, window.m_hWnd);
    ASSERT_TRUE(window.PumpUntil([&] { return window.Progress().size() == 3; }));
    const double probingSince = NowMs();
    window.PumpUntil([] { return false; }, 150);  // well inside the probe of 4
    worker.Post(WM_STOP_SCAN);
    const double stoppedAt = NowMs();
    ASSERT_TRUE(window.PumpUntilFinished());

    EXPECT_EQ(window.Progress(), (std::vector<int>{1, 2, 3, 4, 5}));
    const std::vector<Report> found = window.Found();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].address, 4);
    EXPECT_GE(found[0].atMs - probingSince, 400.0) << "the slow probe was not finished";
    // The finished report follows within the rest of the slow probe and one fast one.
    EXPECT_LT(window.reports.back().atMs - stoppedAt, 600.0);
}

TEST_F(SearchWorkerTest, QuitDuringAScanEndsItBeforeTheNextProbeAndEndsTheThread)
{
    SetFaults("probe_timeout_ms 20\n");
    CReportWindow window;
    StartedWorker worker(window.m_hWnd);
    worker.Scan(1, 255, window.m_hWnd);
    ASSERT_TRUE(window.PumpUntil([&] { return window.Progress().size() >= 3; }));
    const size_t reported = window.Progress().size();
    worker.Post(WM_QUIT);
    ASSERT_TRUE(window.PumpUntilFinished(2000)) << "a quit message must end the scan";
    // Only the probe in progress when the quit came is finished; no further address.
    EXPECT_LE(window.Progress().size(), reported + 1);
    EXPECT_TRUE(worker.Ended(2000)) << "the quit message was swallowed by the scan";
    EXPECT_EQ(CSearchDevThread::LiveCount(), 0);
}

struct ConnectFailure {
    const char* fault;
    const char* box;
};

class SearchWorkerConnectTest : public SearchWorkerTest, public testing::WithParamInterface<ConnectFailure> {};

TEST_P(SearchWorkerConnectTest, ShowsItsTextReportsNotConnectedAndFreesTheWaitingRequest)
{
    SetFaults(GetParam().fault);
    CBoxAnswerer answerer;
    CReportWindow window;
    StartedWorker worker(window.m_hWnd);
    worker.Scan(1, 10, window.m_hWnd);  // waits in the queue while the worker connects
    ASSERT_TRUE(window.PumpUntilFinished());
    EXPECT_TRUE(worker.Ended(5000));
    answerer.Stop();

    EXPECT_EQ(answerer.Texts(), std::vector<std::string>{GetParam().box});
    ASSERT_EQ(window.reports.size(), 1u) << "no scan may run without a connection";
    EXPECT_EQ(window.reports[0].end, kScanNotConnected);
    EXPECT_EQ(LiveSearchPayloads(), 0) << "the request that was never handled leaked";
}

// The worker connects as the window and zolctl do: a server that is ending is tried again for
// a moment; a plain refusal once.
TEST_F(SearchWorkerTest, AnEndingServerIsTriedAgainARefusalIsNot)
{
    for (const bool ending : {false, true}) {
        SetFaults(ending ? "class 0x80080008\n" : "class E_FAIL\n");
        const size_t before = standin::ClassRefusalsLogged();
        const ULONGLONG start = GetTickCount64();
        CBoxAnswerer answerer;
        CReportWindow window;
        StartedWorker worker(window.m_hWnd);
        worker.Scan(1, 10, window.m_hWnd);
        ASSERT_TRUE(window.PumpUntilFinished());
        const ULONGLONG took = GetTickCount64() - start;
        EXPECT_TRUE(worker.Ended(5000));
        answerer.Stop();
        EXPECT_EQ(answerer.Texts(), std::vector<std::string>{"Can't connect to OPC-server"});
        const size_t attempts = standin::ClassRefusalsLogged() - before;
        if (ending) {
            EXPECT_GE(attempts, 2u);
            EXPECT_GE(took, static_cast<ULONGLONG>(kEndingServerRetries * kEndingServerPauseMs));
        } else {
            EXPECT_EQ(attempts, 1u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, SearchWorkerConnectTest,
                         testing::Values(ConnectFailure{"class E_FAIL\n", "Can't connect to OPC-server"},
                                         ConnectFailure{"instance E_NOINTERFACE\n",
                                                        "Server does not support IAddTags"}));

TEST_F(SearchWorkerTest, ReportsToAWindowThatIsGoneAreFreedByTheWorker)
{
    SetFaults("probe_timeout_ms 5\n");
    SetLine("1 5 0 Present\n");
    HANDLE thread = nullptr;
    {
        CReportWindow window;
        StartedWorker worker(window.m_hWnd);
        // The request names the window; it is destroyed before the worker reports.
        worker.Scan(1, 20, window.m_hWnd);
        thread = worker.thread;
        worker.thread = nullptr;
        PostThreadMessageW(worker.id, WM_QUIT, 0, 0);
    }
    ASSERT_EQ(WaitForSingleObject(thread, 15000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(LiveSearchPayloads(), 0);
}

}  // namespace

// The hand-over rule of the payload owner: a payload posted is the receiver's, one whose post
// fails is freed at once, and a receiver's owner frees what it takes.
TEST(SearchPayload, PostedPayloadsAreTheReceiversAndRefusedOnesAreFreed)
{
    const long before = LiveSearchPayloads();
    MSG msg;

    // No window: PostMessage would put the report in this thread's own queue.
    EXPECT_FALSE(PostPayload(nullptr, WM_SCAN_PROGRESS, 0, CPayload<std::int32_t>(NewProgressReport(7))));
    EXPECT_EQ(LiveSearchPayloads(), before);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_SCAN_PROGRESS, WM_SCAN_PROGRESS, PM_REMOVE));

    HWND gone = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    EXPECT_FALSE(PostPayload(gone, WM_DEVICE_FOUND, 0, CPayload<FoundDevice>(NewFoundDevice(5, "Meter", 3))));
    EXPECT_EQ(LiveSearchPayloads(), before) << "a report for a window that is gone leaked";
    DWORD ended = 0;
    std::thread([&ended] { ended = GetCurrentThreadId(); }).join();
    EXPECT_FALSE(PostPayloadToThread(ended, WM_START_SCAN, CPayload<SearchRequest>(NewSearchRequest(1, 9, nullptr))));
    EXPECT_EQ(LiveSearchPayloads(), before) << "a request no thread took leaked";

    HWND window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(PostPayload(window, WM_DEVICE_FOUND, 0, CPayload<FoundDevice>(NewFoundDevice(5, "Meter", 3))));
    EXPECT_EQ(LiveSearchPayloads(), before + 1) << "a posted payload belongs to the receiver";
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_DEVICE_FOUND, WM_DEVICE_FOUND, PM_REMOVE));
    {
        const CPayload<FoundDevice> device = TakePayload<FoundDevice>(msg.lParam);
        ASSERT_TRUE(device);
        EXPECT_STREQ(device->pszName, "Meter");
        EXPECT_EQ(device->nAddress, 3);
    }
    EXPECT_EQ(LiveSearchPayloads(), before);

    EXPECT_TRUE(PostPayloadToThread(GetCurrentThreadId(), WM_START_CHECK,
                                    CPayload<LineCheckRequest>(NewLineCheckRequest(true, 7, 2, window))));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_START_CHECK, WM_START_CHECK, PM_REMOVE));
    EXPECT_EQ(TakePayload<LineCheckRequest>(msg.lParam)->address, 2u);
    EXPECT_EQ(LiveSearchPayloads(), before);
    DestroyWindow(window);
}
