#include "app/TarnelDlg.h"

#include "app/ServerChange.h"
#include "app/ServerLink.h"
#include "app/SnapshotThread.h"

#include <cstdio>
#include <iostream>

#include "app/ConnectFailureWords.h"
#include "app/StartupTrace.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueLoader.h"
#include "res/resource.h"
#include "ui/App.h"
#include "ui/Help.h"

CTarnelDlg::CTarnelDlg(CWnd* parent)
    : CDialog(IDD_ZOLCFG_DIALOG, parent), m_pHistory(std::make_unique<CWindowHistory>())
{
    m_hIcon = ::LoadIconW(AfxFindResourceHandle(MAKEINTRESOURCEW(IDR_MAINFRAME), RT_GROUP_ICON),
                          MAKEINTRESOURCEW(IDR_MAINFRAME));
}

// The connection is a member declared before the COM initialisation, so it would outlive
// it; it goes first here.
CTarnelDlg::~CTarnelDlg() { DropConnection(); }

void CTarnelDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CONFIG_TREE, m_Tree);
    DDX_Control(pDX, IDCANCEL, m_btnExit);
    DDX_Control(pDX, IDC_COM_PORT, m_btnComPort);
    DDX_Control(pDX, IDC_APPLY, m_btnApply);
}

BOOL CTarnelDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    InstallWindowFeatures();

    // The descriptions are read while COM starts the server: under Wine the first
    // connection waits most of a second. Their lines and devices count only once connected.
    CBackgroundCatalogueLoad catalogue(".");
    CComRef<IAddTags> addTags;
    const ConnectResult result = ConnectAddTagsPastAnEndingServer(true, addTags.Put());
    startup_trace::PhaseEnded("connect");
    m_com.Reset(result.comInitialized);
    if (!result.Ok()) {
        ReportConnectFailure(result);
        // There is no way to work without the server: end the modal loop and the program.
        PostMessage(WM_QUIT);
        return FALSE;
    }
    TakeConnection(std::move(addTags));

    char title[100];
    std::snprintf(title, sizeof title, "Конфигуратор ZOL-OPC-Server версия %d.%d от %02d.%02d.%04d", 0, 917, 17,
                  4, 2012);
    SetWindowText(title);

    catalogue.Finish(std::cout, g_DeviceCatalogue);
    startup_trace::PhaseEnded("catalogue load");
    startup_trace::Note("catalogue read alongside the connection", catalogue.Seconds());
    FillTree();
    SetTimer(m_hWnd, kSnapshotAfterPaintTimer, 1, nullptr);
    return TRUE;
}

LRESULT CTarnelDlg::OnTimer(WPARAM id, LPARAM)
{
    if (id == kSnapshotAfterPaintTimer) {
        KillTimer(m_hWnd, kSnapshotAfterPaintTimer);
        StartBackgroundSnapshot();
    }
    return 0;
}

namespace {

#ifdef _WIN64
const char kNoMarshallingAdvice[] =
    "Интерфейс IAddTags не зарегистрирован для 64-разрядных программ: сервер, видимо, 32-разрядный.\n"
    "Запустите 32-разрядную версию программы или зарегистрируйте заместитель из её пакета "
    "(register-proxy.cmd от имени администратора).";
#else
const char kNoMarshallingAdvice[] =
    "Интерфейс IAddTags не зарегистрирован для 32-разрядных программ: сервер, видимо, 64-разрядный.\n"
    "Запустите 64-разрядную версию программы или зарегистрируйте заместитель из её пакета "
    "(register-proxy.cmd от имени администратора).";
#endif

}  // namespace

void CTarnelDlg::ReportConnectFailure(const ConnectResult& result)
{
    if (result.Ok()) return;
    const HResult hr = static_cast<HResult>(result.hr);
    if (result.failedStep != ConnectStep::CreateInstance) {
        MessageBox(ConnectFailureBox(result.failedStep));
        if (result.failedStep == ConnectStep::GetClassObject) MessageBox(ExplainConnectFailure(result.hr));
        return;
    }
    if (const char* name = CreateInstanceRefusalName(hr)) {
        MessageBox(name);
    } else {
        char text[100];
        std::snprintf(text, sizeof text, "Error %X", static_cast<unsigned>(result.hr));
        MessageBox(text);
        MessageBox(ConnectFailureBox(result.failedStep));
    }
    // The usual cause: no proxy/stub of this program's bitness beside a server of the other.
    // Windows reports it as E_NOINTERFACE, Wine as REGDB_E_CLASSNOTREG: whatever the code,
    // the registry says what is missing.
    if (!AddTagsMarshallingRegistered()) MessageBox(kNoMarshallingAdvice);
}

void CTarnelDlg::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        startup_trace::FirstPaint();
        return;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);

    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - iconWidth + 1) / 2;
    const int y = (rect.bottom - rect.top - iconHeight + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &ps);
}

HCURSOR CTarnelDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CTarnelDlg::OnDestroy()
{
    CDialog::OnDestroy();
    RemoveWindowFeatures();
    StopBackgroundSnapshot();
    DropConnection();
    // Balances only a CoInitialize that succeeded: uninitialising after a failed one would
    // take down an initialisation that belongs to someone else.
    m_com.Reset();
}

void CTarnelDlg::OnHelpKey()
{
    if (const int command = KeyCommand(CommandKey::F1, std::nullopt)) RunCommand(command);
}

// The guide at the main window's section (F1; the system menu's item opens it at its start).
void CTarnelDlg::OnHelpCommand() { ShowGuideFor(m_hWnd, GetTemplateId()); }
