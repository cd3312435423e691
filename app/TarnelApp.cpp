#include "app/TarnelApp.h"

#include "app/TarnelDlg.h"

BOOL CTarnelApp::InitInstance()
{
    CWinApp::InitInstance();
    SetRegistryKey("Local AppWizard-Generated Applications");

    CTarnelDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;

    // The dialog has closed: end the program instead of running a message loop.
    return FALSE;
}
