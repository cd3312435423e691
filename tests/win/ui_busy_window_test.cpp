// The busy guard: the window is out of reach while the guard lives and takes input again
// however the scope is left, an exception included (the dialog procedure catches a
// handler's exception, and a window left disabled then would take no input for good).
#include <windows.h>

#include <stdexcept>

#include <gtest/gtest.h>

#include "ui/BusyWindow.h"

TEST(BusyWindow, DisabledWhileHeldEnabledAgainAfterEndReturnOrException)
{
    CWnd window(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr));
    ASSERT_NE(window.GetSafeHwnd(), nullptr);

    {
        CBusyWindow busy(window);
        EXPECT_FALSE(IsWindowEnabled(window));
        busy.End();
        EXPECT_TRUE(IsWindowEnabled(window));
        EnableWindow(window, FALSE);  // what the command does after End is its own
    }
    EXPECT_FALSE(IsWindowEnabled(window)) << "End is once: the scope's end enables nothing more";
    EnableWindow(window, TRUE);

    const auto leaveEarly = [&](bool early) {
        CBusyWindow busy(window, CBusyWindow::KeepCursor);
        if (early) return false;
        return IsWindowEnabled(window) == FALSE;
    };
    EXPECT_TRUE(leaveEarly(false));
    EXPECT_FALSE(leaveEarly(true));
    EXPECT_TRUE(IsWindowEnabled(window));

    try {
        CBusyWindow busy(window);
        throw std::runtime_error("a handler's failure");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(IsWindowEnabled(window));
    DestroyWindow(window.Detach());
}
