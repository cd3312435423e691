#include "ui/App.h"

#include <commctrl.h>

#include "ui/BusyWindow.h"
#include "ui/Help.h"
#include "ui/Text.h"
#include "ui/Wnd.h"

namespace {
CWinApp* g_pApp = nullptr;

// The name the program's message boxes carry when the application object gives none.
const char kDefaultAppName[] = "Конфигуратор ZOL-OPC-Server";
}  // namespace

CWinApp::CWinApp(const char* appName) : m_strAppName(appName ? appName : kDefaultAppName)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

void CWinApp::OnHelp() { ShowGuide(GetActiveWindow(), std::string()); }

int CWinApp::Run()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return ExitInstance();
}

CWinApp* AfxGetApp() { return g_pApp; }

HINSTANCE AfxGetInstanceHandle()
{
    if (g_pApp && g_pApp->m_hInstance) return g_pApp->m_hInstance;
    return GetModuleHandleW(nullptr);
}

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

HINSTANCE AfxFindResourceHandle(LPCWSTR, LPCWSTR) { return AfxGetResourceHandle(); }

std::string AfxGetAppName() { return g_pApp ? g_pApp->m_strAppName : std::string(kDefaultAppName); }

int AfxMessageBox(const std::string& text, UINT type)
{
    HWND owner = GetActiveWindow();
    const CLentWindow lent(owner);
    return MessageBoxW(owner, Widen(text).c_str(), Widen(AfxGetAppName()).c_str(), type);
}

int AfxWinMain(HINSTANCE instance)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_UPDOWN_CLASS |
                                                          ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    CWinApp* app = AfxGetApp();
    if (app == nullptr) return 1;
    app->m_hInstance = instance;
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
