#include "search/win/SearchDevThread.h"

#include <algorithm>
#include <atomic>

#include "common/win/Owners.h"
#include "report/ConfigReport.h"
#include "server/ServerErrors.h"
#include "serial/PortSettings.h"
#include "tagfile/ServerTags.h"
#include "ui/App.h"

namespace {
std::atomic<long> g_nLiveWorkers{0};
}

CSearchDevThread::CSearchDevThread(HWND hNotifyWnd) : m_hNotifyWnd(hNotifyWnd) { ++g_nLiveWorkers; }

CSearchDevThread::~CSearchDevThread()
{
    m_pCheck.reset();
    m_pScan.reset();
    m_pServer.reset();
    m_AddTags.Reset();
    // The object is deleted on its own thread when that ends, so this balances the thread's
    // CoInitialize. An object whose thread never started did not initialise anything.
    m_com.Reset();
    --g_nLiveWorkers;
}

long CSearchDevThread::LiveCount() { return g_nLiveWorkers.load(); }

BOOL CSearchDevThread::Start(HANDLE* phThread, DWORD* pnThreadId)
{
    *phThread = nullptr;
    *pnThreadId = 0;
    const CScopedHandle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!started) return FALSE;
    m_hStarted = started.Get();
    // Suspended, so that the handle and the id are taken while the object surely exists: a
    // worker that fails to connect may delete itself soon after it runs.
    if (!CreateThread(CREATE_SUSPENDED)) {
        m_hStarted = nullptr;
        return FALSE;
    }
    HANDLE own = nullptr;
    DuplicateHandle(GetCurrentProcess(), m_hThread, GetCurrentProcess(), &own, 0, FALSE, DUPLICATE_SAME_ACCESS);
    *phThread = own;
    *pnThreadId = m_nThreadID;
    ResumeThread(m_hThread);
    // The queue exists before InitInstance runs, so requests may be posted from here on.
    WaitForSingleObject(started.Get(), INFINITE);
    return TRUE;
}

BOOL CSearchDevThread::InitInstance()
{
    HANDLE started = m_hStarted;
    m_hStarted = nullptr;
    if (started != nullptr) SetEvent(started);

    const ConnectResult result = ConnectAddTagsPastAnEndingServer(true, m_AddTags.Put());
    m_com.Reset(result.comInitialized);
    if (!result.Ok()) {
        // The request that started this worker is already waiting; it will never run.
        // Free it before the message box, whose modal loop would take it from the queue
        // and drop it, and again afterwards for one that came while the box was shown.
        DiscardWaitingRequests();
        AfxMessageBox(ConnectFailureBox(result.failedStep));
        DiscardWaitingRequests();
        // Without this report the dialog would wait for the search's end for ever.
        PostReport(WM_SCAN_FINISHED, kScanNotConnected);
        return FALSE;
    }
    m_pServer = std::make_unique<CComTagServer>(m_AddTags.Get());
    m_pScan = std::make_unique<CSearchScan>(*m_pServer, static_cast<ISearchScanHost&>(*this));
    m_pCheck = std::make_unique<CLineCheck>(*m_pServer, static_cast<ILineCheckHost&>(*this));
    return TRUE;
}

int CSearchDevThread::ExitInstance()
{
    DiscardWaitingRequests();
    return CWinThread::ExitInstance();
}

void CSearchDevThread::DiscardWaitingRequests()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_START_SCAN, WM_START_SCAN, PM_REMOVE))
        FreeSearchPayload(msg.message, msg.lParam);
    while (PeekMessageW(&msg, nullptr, WM_START_CHECK, WM_START_CHECK, PM_REMOVE))
        FreeSearchPayload(msg.message, msg.lParam);
}

void CSearchDevThread::OnStartSearch(WPARAM, LPARAM lParam)
{
    {
        const CPayload<SearchRequest> request = TakePayload<SearchRequest>(lParam);
        if (!request) return;
        m_nStartAddress = std::min(request->nStartAddress, request->nEndAddress);
        m_nEndAddress = std::max(request->nStartAddress, request->nEndAddress);
        if (request->hNotifyWnd != nullptr) m_hNotifyWnd = request->hNotifyWnd;
    }  // the request is freed before the scan, which takes a while
    ScanAddresses();
}

void CSearchDevThread::OnStopSearch(WPARAM, LPARAM)
{
    if (m_pScan) m_pScan->RequestStop();
    if (m_pCheck) m_pCheck->RequestStop();
}

void CSearchDevThread::OnStartCheck(WPARAM, LPARAM lParam)
{
    CPayload<LineCheckRequest> request = TakePayload<LineCheckRequest>(lParam);
    if (!request) return;
    const LineCheckRequest asked = *request;
    request.reset();
    if (asked.hNotifyWnd != nullptr) m_hNotifyWnd = asked.hNotifyWnd;

    // A stop or the end of the worker asked for while the list is read ends the reading.
    bool stopped = false;
    ServerTagsOptions options;
    options.stop = [&stopped] {
        MSG msg;
        if (PeekMessageW(&msg, nullptr, WM_STOP_SCAN, WM_STOP_SCAN, PM_REMOVE)) stopped = true;
        if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) stopped = true;
        return stopped;
    };
    const auto wanted = [&asked](const TagId& id) {
        return !asked.oneDevice || (id.type == asked.type && id.address == asked.address);
    };
    options.wantPeriod = wanted;  // for the estimate
    const ServerTagList list = ReadServerTags(*m_pServer, options);
    if (list.disconnected || stopped) {
        PostReport(WM_SCAN_FINISHED, list.disconnected ? kScanConnectionLost : kScanCompleted);
        return;
    }
    std::vector<ServerTag> tags;
    const std::vector<ConfiguredDevice> devices = CConfiguredDevices::OfTags(list.tags, wanted, &tags);
    HResult portResult = kS_OK;
    const PortSettings port = ReadPortSettings(*m_pServer, &portResult);
    if (IsConnectionLost(portResult)) {
        PostReport(WM_SCAN_FINISHED, kScanConnectionLost);
        return;
    }
    LineCheckPlan plan;
    plan.devices = devices.size();
    plan.load = EstimateLineLoad(port, LineLoadTagsOf(tags));
    plan.listWhole = list.HasEveryTag();
    PostReport(WM_CHECK_PLANNED, CPayload<LineCheckPlan>(NewLineCheckPlan(plan)));
    m_pCheck->Check(devices);
}

void CSearchDevThread::ScanAddresses() { m_pScan->Scan(m_nStartAddress, m_nEndAddress); }

void CSearchDevThread::DispatchOneWaitingMessage()
{
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) return;
    if (msg.message == WM_QUIT) {
        // The worker is to end (its dialog is closing): no further probe. The pump would
        // take the quit message and the loop would then wait for ever once the scan is
        // over, so it is left for the loop.
        m_pScan->RequestAbort();
        if (m_pCheck) m_pCheck->RequestStop();
        return;
    }
    PumpMessage();
}

void CSearchDevThread::OnScanProgress(int address)
{
    PostReport(WM_SCAN_PROGRESS, CPayload<std::int32_t>(NewProgressReport(address)));
}

void CSearchDevThread::OnDeviceFound(std::int32_t type, const std::string& text, int address)
{
    PostReport(WM_DEVICE_FOUND, CPayload<FoundDevice>(NewFoundDevice(type, text, address)));
}

void CSearchDevThread::OnScanFinished()
{
    PostReport(WM_SCAN_FINISHED, m_pScan->ConnectionLost() != kS_OK ? kScanConnectionLost : kScanCompleted);
}

void CSearchDevThread::OnDeviceChecked(const LineCheckEntry& entry)
{
    PostReport(WM_DEVICE_CHECKED, CPayload<LineCheckEntry>(NewCheckedDevice(entry)));
}

void CSearchDevThread::OnCheckFinished()
{
    PostReport(WM_SCAN_FINISHED, m_pCheck->ConnectionLost() != kS_OK ? kScanConnectionLost : kScanCompleted);
}

void CSearchDevThread::PostReport(UINT message, WPARAM wParam)
{
    if (m_hNotifyWnd != nullptr) PostMessageW(m_hNotifyWnd, message, wParam, 0);
}

bool WaitKeepingWindowsPainted(HANDLE handle, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    const DWORD count = handle != nullptr ? 1 : 0;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD remaining = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD result =
            MsgWaitForMultipleObjects(count, count ? &handle : nullptr, FALSE, remaining, QS_SENDMESSAGE | QS_PAINT);
        if (count == 1 && result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + count) return false;  // time is up, or the wait failed
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE | PM_QS_PAINT))
            DispatchMessageW(&msg);
    }
}
