// CWinApp: the application object. The program has exactly one, a global of a class
// derived from CWinApp; AfxWinMain runs its InitInstance and, when that returns true,
// a message loop until WM_QUIT.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();

    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance() { return 0; }

    // The platform's help command (57670): the user's guide beside the program.
    virtual void OnHelp();

    // Remembers the registry key name under which settings would be stored. This program
    // stores none; the name is kept for the record.
    void SetRegistryKey(const char* company) { m_strRegistryKey = company ? company : ""; }
    const std::string& GetRegistryKey() const { return m_strRegistryKey; }

    std::string m_strAppName;
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;

private:
    std::string m_strRegistryKey;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// The resource module that holds the given resource (this program has one: the exe).
HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type);
// The title of message boxes without a caption of their own.
std::string AfxGetAppName();

// The application's message box: owned by the active window of the thread (or none),
// the application's name as title.
int AfxMessageBox(const std::string& text, UINT type = MB_OK);

// The program's entry: registers the common controls, runs the application object.
int AfxWinMain(HINSTANCE instance);
