#include "search/win/AutoFindDlg.h"

#include <new>

#include "catalogue/Catalogue.h"
#include "search/SearchTexts.h"
#include "ui/DisabledControls.h"

namespace {

const char kProgressTitle[] = "Автопоиск от %d до %d (%d/%d)";
const char kFinishedTitle[] = "Автопоиск завершен";
const char kNotConnectedTitle[] = "Автопоиск не выполнен: нет связи с сервером";
const char kConnectionLostTitle[] = "Автопоиск прерван: связь с сервером потеряна";
const char kUnsupportedDevice[] = "(неподдерживаемый прибор)";
const char kCannotSearch[] = "Автопоиск невозможен";

}  // namespace

CAutoFindDlg::CAutoFindDlg(IAddTags* pAddTags, CWnd* parent)
    : CDialog(IDD_AUTO_FIND, parent), m_AddTags(CComRef<IAddTags>::Share(pAddTags))
{
}

CAutoFindDlg::~CAutoFindDlg() = default;

void CAutoFindDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FOUND_TREE, m_Tree);
    DDX_Control(pDX, IDC_START_ADDRESS_SPIN, m_StartSpin);
    DDX_Control(pDX, IDC_START_ADDRESS, m_StartEdit);
    DDX_Control(pDX, IDC_END_ADDRESS_SPIN, m_EndSpin);
    DDX_Control(pDX, IDC_END_ADDRESS, m_EndEdit);
    DDX_Control(pDX, IDOK, m_StartButton);
    DDX_Text(pDX, IDC_START_ADDRESS, m_nStartAddress);
    DDV_MinMaxInt(pDX, m_nStartAddress, 1, 255);
    DDX_Text(pDX, IDC_END_ADDRESS, m_nEndAddress);
    DDV_MinMaxInt(pDX, m_nEndAddress, 1, 255);
}

BOOL CAutoFindDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    m_StartSpin.SetRange(1, 255);
    m_StartSpin.SetPos(1);
    m_StartSpin.SetBuddy(m_StartEdit);
    m_EndSpin.SetRange(1, 255);
    m_EndSpin.SetPos(255);
    m_EndSpin.SetBuddy(m_EndEdit);
    return TRUE;
}

CSearchDevThread* CAutoFindDlg::StartSearchThread()
{
    CSearchDevThread* thread = new (std::nothrow) CSearchDevThread(m_hWnd);
    if (thread == nullptr) return nullptr;
    if (!thread->Start(m_hSearchThread.Put(), &m_nSearchThreadId)) {
        delete thread;  // its thread never ran, so nothing deletes it otherwise
        return nullptr;
    }
    return thread;
}

void CAutoFindDlg::OnStart()
{
    // Enter in the list of devices found takes the selected device, as a double click does;
    // the OK command from anywhere else starts a search, as "Старт" does.
    if (::GetFocus() == m_Tree.m_hWnd && m_Tree.GetSelectedItem() != nullptr) {
        LRESULT result = 0;
        OnDblclkFoundTree(nullptr, &result);
        return;
    }
    m_Tree.DeleteAllItems();
    m_Found.clear();
    m_bSearched = true;
    // The spins hold the last valid positions: text that is not a number from 1 to 255
    // reads as that position, and the fields are rewritten to show what is searched.
    m_nEndAddress = m_EndSpin.GetPos32();
    m_nStartAddress = m_StartSpin.GetPos32();
    m_EndSpin.SetPos32(m_nEndAddress);
    m_StartSpin.SetPos32(m_nStartAddress);

    CPayload<SearchRequest> request(NewSearchRequest(m_nStartAddress, m_nEndAddress, m_hWnd));
    // "Старт" takes input again here whenever no search gets under way; a search that runs
    // enables it with its finished message (OnSearchFinished).
    CDisabledControls start({m_StartButton.m_hWnd});

    if (m_pSearchThread != nullptr) {
        // A search is running: it goes on and fills the cleared list.
        start.LeaveDisabled();
        return;
    }

    m_pSearchThread = StartSearchThread();
    if (m_pSearchThread == nullptr) {
        request.reset();
        MessageBox(kCannotSearch);
        return;
    }
    if (!PostPayloadToThread(m_nSearchThreadId, WM_START_SCAN, std::move(request))) {
        // The worker cannot take requests: end it rather than wait for a search that
        // never starts.
        PostThreadMessageW(m_nSearchThreadId, WM_QUIT, 0, 0);
        ForgetSearchThread();
        DiscardUndeliveredReports();
        MessageBox(kCannotSearch);
        return;
    }
    start.LeaveDisabled();
}

void CAutoFindDlg::OnDeltaposStartSpin(NMHDR*, LRESULT* pResult)
{
    m_nStartAddress = m_StartSpin.GetPos32();
    m_nEndAddress = m_EndSpin.GetPos32();
    m_StartSpin.SetRange(1, static_cast<short>(m_nEndAddress));
    *pResult = 0;
}

void CAutoFindDlg::OnDeltaposEndSpin(NMHDR*, LRESULT* pResult)
{
    m_nStartAddress = m_StartSpin.GetPos32();
    m_nEndAddress = m_EndSpin.GetPos32();
    m_EndSpin.SetRange(static_cast<short>(m_nStartAddress), 255);
    *pResult = 0;
}

void CAutoFindDlg::OnStop()
{
    if (m_pSearchThread != nullptr) PostThreadMessageW(m_nSearchThreadId, WM_STOP_SCAN, 0, 0);
}

LRESULT CAutoFindDlg::OnSearchProgress(WPARAM, LPARAM lParam)
{
    CPayload<std::int32_t> address = TakePayload<std::int32_t>(lParam);
    if (!address) return 0;
    SetWindowText(FormatProgressTitle(kProgressTitle, m_nStartAddress, m_nEndAddress, *address));
    address.reset();
    RedrawWindow(RDW_UPDATENOW | RDW_ALLCHILDREN);
    return 0;
}

LRESULT CAutoFindDlg::OnDeviceFound(WPARAM, LPARAM lParam)
{
    const CPayload<FoundDevice> device = TakePayload<FoundDevice>(lParam);
    if (!device) return 0;

    // A type code beyond 8 bits cannot be handed on (the caller's tree key would read
    // another device's): it is listed as an unsupported device and cannot be chosen.
    const bool carried = IsKeyTypeCode(device->nTypeCode);
    const bool known = carried && GetDevice(device->nTypeCode).m_nTypeCode != 0;
    const std::string text = FormatFoundEntry(known, known ? GetDeviceName(device->nTypeCode) : std::string(),
                                              device->pszName, device->nAddress, kUnsupportedDevice);
    HTREEITEM item = m_Tree.InsertItem(text, TVI_ROOT, TVI_LAST);
    m_Tree.SetItemData(item, MakeFoundItemData(carried ? device->nTypeCode : 0, device->nAddress));
    m_Found.push_back(Found{carried ? device->nTypeCode : 0, device->nAddress});

    RedrawWindow(RDW_UPDATENOW | RDW_ALLCHILDREN);
    return 0;
}

LRESULT CAutoFindDlg::OnSearchFinished(WPARAM wParam, LPARAM)
{
    // The worker is told first, so that it winds down while the window is updated.
    const bool worker = m_pSearchThread != nullptr;
    if (worker) PostThreadMessageW(m_nSearchThreadId, WM_QUIT, 0, 0);
    m_StartButton.EnableWindow(TRUE);
    SetWindowText(wParam == kScanNotConnected     ? kNotConnectedTitle
                  : wParam == kScanConnectionLost ? kConnectionLostTitle
                                                  : kFinishedTitle);
    if (worker) ForgetSearchThread();
    return 0;
}

void CAutoFindDlg::OnDblclkFoundTree(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
    HTREEITEM item = m_Tree.GetSelectedItem();
    if (item == nullptr) return;
    const std::uint32_t data = static_cast<std::uint32_t>(m_Tree.GetItemData(item));
    m_nFoundType = FoundItemType(data);
    m_nFoundAddress = FoundItemAddress(data);

    const bool closing = m_nFoundType != 0 && m_nFoundType != 255;
    if (closing) TellWorkerToEnd();  // it winds down during the pause
    WaitKeepingWindowsPainted(nullptr, kChoicePauseMs);
    if (!closing) return;
    ForgetSearchThread();
    DiscardUndeliveredReports();
    EndDialog(IDOK);
}

void CAutoFindDlg::OnCancel()
{
    EndSearchForClosing();
    CDialog::OnCancel();
}

void CAutoFindDlg::OnDestroy()
{
    // Whatever ended the dialog, no worker may outlive it.
    EndSearchForClosing();
    DiscardUndeliveredReports();
}

void CAutoFindDlg::TellWorkerToEnd()
{
    if (m_pSearchThread == nullptr) return;
    // A scan notices the quit message before its next probe and ends there (the probe in
    // progress is finished); then the message ends the worker's loop. An idle worker ends
    // at once.
    PostThreadMessageW(m_nSearchThreadId, WM_QUIT, 0, 0);
}

void CAutoFindDlg::EndSearchForClosing()
{
    if (m_pSearchThread == nullptr) return;
    TellWorkerToEnd();
    ForgetSearchThread();
    DiscardUndeliveredReports();
}

void CAutoFindDlg::ForgetSearchThread()
{
    // Forgotten first, so that a message handled during the wait sees no worker.
    m_pSearchThread = nullptr;
    const CScopedHandle thread(m_hSearchThread.Release());
    m_nSearchThreadId = 0;
    if (!thread) return;
    // A worker still inside a probe that does not return in time is left to end on its
    // own: it deletes itself, and frees the reports this window can no longer take.
    WaitKeepingWindowsPainted(thread.Get(), kWorkerEndLimitMs);
}

void CAutoFindDlg::DiscardUndeliveredReports()
{
    if (m_hWnd == nullptr) return;
    MSG msg;
    while (PeekMessageW(&msg, m_hWnd, WM_SCAN_PROGRESS, WM_SCAN_FINISHED, PM_REMOVE))
        FreeSearchPayload(msg.message, msg.lParam);
}
