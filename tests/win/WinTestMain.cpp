// Entry of the window tests: the common controls, an application object (the dialogs'
// owner and the message boxes' title come from it), the stand-in server registered with
// this run's own state directory, and GoogleTest.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include <gtest/gtest.h>

#include "standin_support.h"
#include "ui/App.h"

static CWinApp g_testApp;

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    g_testApp.m_hInstance = GetModuleHandleW(nullptr);
    // The change journal of this run goes to a folder of its own, and the window takes no
    // background snapshots unless a test asks (they would add calls to every test's count).
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring history = std::wstring(temp) + L"zolcfg-test-history-" + std::to_wstring(GetCurrentProcessId());
    SetEnvironmentVariableW(L"ZOLCFG_HISTORY", history.c_str());
    SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"0");
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(standin_test::NewStandinEnvironment());
    return RUN_ALL_TESTS();
}
