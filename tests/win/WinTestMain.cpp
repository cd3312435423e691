// Entry of the window tests: the common controls, an application object (the dialogs'
// owner and the message boxes' title come from it), the stand-in server registered with
// this run's own state directory, and GoogleTest.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "standin_support.h"
#include "ui/App.h"

static CWinApp g_testApp;

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    g_testApp.m_hInstance = GetModuleHandleW(nullptr);
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(standin_test::NewStandinEnvironment());
    return RUN_ALL_TESTS();
}
