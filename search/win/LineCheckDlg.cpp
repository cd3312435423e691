#include "search/win/LineCheckDlg.h"

#include <commctrl.h>

#include <cstdio>
#include <new>

#include "catalogue/Catalogue.h"
#include "tree/TreeTagName.h"
#include "words/TagNameWords.h"
#include "ui/Text.h"

namespace {

const char kReading[] = "Чтение конфигурации сервера...";
const char kNothing[] = "Проверять нечего: нет настроенных приборов";
const char kNotConnected[] = "Проверка не выполнена: нет связи с сервером";
const char kConnectionLost[] = "Проверка прервана: связь с сервером потеряна";
const char kCannotCheck[] = "Проверка связи невозможна";
const char kPartialList[] = " (список сервера прочитан не целиком)";

std::string DeviceText(std::uint32_t type, std::uint32_t address)
{
    return ComposeTreeDevicePart(GetDeviceName(static_cast<int>(type)), static_cast<int>(address),
                                 static_cast<int>(type), UnnamedPartWords());
}

}  // namespace

CLineCheckDlg::CLineCheckDlg(bool oneDevice, std::uint32_t type, std::uint32_t address, DeviceChosen chosen,
                             CWnd* parent)
    : CDialog(IDD_LINE_CHECK, parent), m_bOneDevice(oneDevice), m_nType(type), m_nAddress(address),
      m_Chosen(std::move(chosen))
{
}

CLineCheckDlg::~CLineCheckDlg() = default;

std::string CLineCheckDlg::EntryText(const LineCheckEntry& e)
{
    const std::string name = DeviceText(e.device.type, e.device.address) + " \x97 ";
    switch (e.result) {
    case LineCheckResult::Ok: return name + "отвечает";
    case LineCheckResult::Absent: return name + "не отвечает";
    case LineCheckResult::OtherType: {
        // The answering type by its name where the descriptions know it; the server's own
        // text is not shown (it may hold anything).
        const std::string known = e.foundType > 0 ? GetDeviceName(e.foundType) : std::string();
        const std::string found = known.empty() ? "прибор типа " + std::to_string(e.foundType)
                                                : "прибор " + known + " (тип " + std::to_string(e.foundType) + ")";
        return name + "по адресу " + std::to_string(e.device.address) + " отвечает " + found;
    }
    case LineCheckResult::Failed: return name + "ошибка опроса: " + HResultText(e.hr);
    }
    return name;
}

std::string CLineCheckDlg::CountsText(const LineCheckCounts& c)
{
    return "Отвечают: " + std::to_string(c.ok) + "    Не отвечают: " + std::to_string(c.absent) +
           "    Другой прибор: " + std::to_string(c.otherType) + "    Ошибка опроса: " + std::to_string(c.failed);
}

std::string CLineCheckDlg::LoadText(const LineLoadEstimate& load)
{
    if (!load.known) return "Загрузка линии (оценка): неизвестна, настройки порта не прочитаны";
    char percent[32];
    std::snprintf(percent, sizeof percent, "%.1f", load.Percent());
    std::string text = percent;
    for (char& c : text)
        if (c == '.') c = ',';
    text = "Загрузка линии (оценка): " + text + " %";
    if (load.Overloaded()) text += " \x97 периоды опроса не будут выдержаны";
    return text;
}

BOOL CLineCheckDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetStatus(kReading);
    ::EnableWindow(GetDlgItem(IDC_CHECK_STOP), TRUE);

    CSearchDevThread* worker = new (std::nothrow) CSearchDevThread(m_hWnd);
    if (worker != nullptr && !worker->Start(m_hWorker.Put(), &m_nWorkerId)) {
        delete worker;  // its thread never ran
        worker = nullptr;
    }
    CPayload<LineCheckRequest> request(NewLineCheckRequest(m_bOneDevice, m_nType, m_nAddress, m_hWnd));
    if (worker == nullptr || !PostPayloadToThread(m_nWorkerId, WM_START_CHECK, std::move(request))) {
        request.reset();  // no worker to post it to (a refused post has freed it already)
        if (worker != nullptr) {
            m_pWorker = worker;
            EndWorker();
        }
        SetStatus(kCannotCheck);
        ::EnableWindow(GetDlgItem(IDC_CHECK_STOP), FALSE);
        return TRUE;
    }
    m_pWorker = worker;
    return TRUE;
}

void CLineCheckDlg::SetStatus(const std::string& text) { SetDlgItemTextW(m_hWnd, IDC_CHECK_STATUS, Widen(text).c_str()); }

void CLineCheckDlg::ShowProgress()
{
    HWND bar = GetDlgItem(IDC_CHECK_PROGRESS);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(m_nPlanned));
    ::SendMessageW(bar, PBM_SETPOS, m_Entries.size(), 0);
    SetDlgItemTextW(m_hWnd, IDC_CHECK_COUNTS, Widen(CountsText(m_Counts)).c_str());
    if (m_pWorker != nullptr && !m_bStopAsked)
        SetStatus("Проверено " + std::to_string(m_Entries.size()) + " из " + std::to_string(m_nPlanned));
}

LRESULT CLineCheckDlg::OnPlanned(WPARAM, LPARAM lParam)
{
    CPayload<LineCheckPlan> plan = TakePayload<LineCheckPlan>(lParam);
    if (!plan) return 0;
    m_bPlanned = true;
    m_nPlanned = plan->devices;
    std::string load = LoadText(plan->load);
    if (!plan->listWhole) load += kPartialList;
    SetDlgItemTextW(m_hWnd, IDC_CHECK_LOAD, Widen(load).c_str());
    plan.reset();
    ShowProgress();
    return 0;
}

LRESULT CLineCheckDlg::OnDeviceChecked(WPARAM, LPARAM lParam)
{
    CPayload<LineCheckEntry> entry = TakePayload<LineCheckEntry>(lParam);
    if (!entry) return 0;
    m_Entries.push_back(*entry);
    m_Counts.Add(entry->result);
    entry.reset();
    HWND list = GetDlgItem(IDC_CHECK_LIST);
    const std::wstring text = Widen(EntryText(m_Entries.back()));
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    // Wide enough to scroll to the end of the longest line.
    HDC dc = ::GetDC(list);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE size = {};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(list, dc);
    const LRESULT extent = ::SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
    if (size.cx + 8 > extent) ::SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(size.cx + 8), 0);
    ShowProgress();
    return 0;
}

LRESULT CLineCheckDlg::OnFinished(WPARAM wParam, LPARAM)
{
    EndWorker();
    ::EnableWindow(GetDlgItem(IDC_CHECK_STOP), FALSE);
    SetDlgItemTextW(m_hWnd, IDC_CHECK_COUNTS, Widen(CountsText(m_Counts)).c_str());
    const std::size_t done = m_Entries.size();
    if (wParam == kScanNotConnected) {
        SetStatus(kNotConnected);
    } else if (wParam == kScanConnectionLost) {
        SetStatus(kConnectionLost);
    } else if (m_bPlanned && m_nPlanned == 0) {
        SetStatus(kNothing);
    } else if (!m_bPlanned || done < m_nPlanned) {
        SetStatus("Проверка остановлена: проверено " + std::to_string(done) + " из " + std::to_string(m_nPlanned));
    } else {
        SetStatus("Проверка завершена: проверено " + std::to_string(done));
    }
    return 0;
}

void CLineCheckDlg::OnStop()
{
    if (m_pWorker == nullptr) return;
    m_bStopAsked = true;
    PostThreadMessageW(m_nWorkerId, WM_STOP_SCAN, 0, 0);
    ::EnableWindow(GetDlgItem(IDC_CHECK_STOP), FALSE);
    SetStatus("Остановка после опроса текущего адреса...");
}

void CLineCheckDlg::OnListDblClk()
{
    const LRESULT row = ::SendMessageW(GetDlgItem(IDC_CHECK_LIST), LB_GETCURSEL, 0, 0);
    if (row < 0 || static_cast<std::size_t>(row) >= m_Entries.size() || !m_Chosen) return;
    const ConfiguredDevice& device = m_Entries[static_cast<std::size_t>(row)].device;
    m_Chosen(device.type, device.address);
}

void CLineCheckDlg::OnOK()
{
    // Enter in the list takes its line as a double click does; it never closes the dialog.
    if (::GetFocus() == GetDlgItem(IDC_CHECK_LIST)) OnListDblClk();
}

void CLineCheckDlg::OnCancel()
{
    EndWorker();
    DiscardUndeliveredReports();
    CDialog::OnCancel();
}

void CLineCheckDlg::OnDestroy()
{
    // Whatever ended the dialog, no worker may outlive it.
    EndWorker();
    DiscardUndeliveredReports();
}

void CLineCheckDlg::EndWorker()
{
    if (m_pWorker != nullptr) {
        // The check notices the quit message before its next probe; then the message ends
        // the worker's loop.
        PostThreadMessageW(m_nWorkerId, WM_QUIT, 0, 0);
        m_pWorker = nullptr;
        const CScopedHandle thread(m_hWorker.Release());
        m_nWorkerId = 0;
        // A worker inside a probe that does not return in time is left to end on its own:
        // it deletes itself and frees the reports this window can no longer take.
        if (thread) WaitKeepingWindowsPainted(thread.Get(), kWorkerEndLimitMs);
    }
}

void CLineCheckDlg::DiscardUndeliveredReports()
{
    if (m_hWnd == nullptr) return;
    MSG msg;
    while (PeekMessageW(&msg, m_hWnd, WM_SCAN_PROGRESS, WM_DEVICE_CHECKED, PM_REMOVE))
        FreeSearchPayload(msg.message, msg.lParam);
}
