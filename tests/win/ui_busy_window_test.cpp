// The busy guard: the window is out of reach while the guard lives and takes input again
// however the scope is left, an exception included (the dialog procedure catches a
// handler's exception, and a window left disabled then would take no input for good).
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BoxAnswerer.h"
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

namespace {

HWND NewShownWindow()
{
    return CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

// The dispatch holds a long command's window and the handler may hold it again: the window
// takes input once the outer hold ends. A window a modal dialog had disabled before (a
// command run from that dialog) is that dialog's to enable.
TEST(BusyWindow, NestedHoldsEndWithTheOuterAndAModalsDisabledOwnerIsLeftToIt)
{
    CWnd window(NewShownWindow());
    ASSERT_NE(window.GetSafeHwnd(), nullptr);
    {
        CBusyWindow outer(window, CBusyWindow::KeepCursor);
        {
            CBusyWindow inner(window);
            EXPECT_TRUE(CBusyWindow::IsHeld(window));
        }
        EXPECT_FALSE(IsWindowEnabled(window)) << "the inner hold's end must not free the window";
    }
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_FALSE(CBusyWindow::IsHeld(window));

    EnableWindow(window, FALSE);  // as a modal dialog over it does
    {
        CBusyWindow busy(window);
        const CLentWindow lent(window);
        EXPECT_FALSE(IsWindowEnabled(window)) << "a window the modal disabled is not lent";
    }
    EXPECT_FALSE(IsWindowEnabled(window));
    EnableWindow(window, TRUE);
    DestroyWindow(window.Detach());
}

// A box shown while the window is held gets the window for its time: the box disables and
// enables its owner as every modal does, so the owner is the active window again when the
// box has closed, and it stays out of reach until the hold ends.
TEST(BusyWindow, ABoxOverAHeldWindowGivesTheActivationBackAndTheHoldStays)
{
    CWnd window(NewShownWindow());
    ASSERT_NE(window.GetSafeHwnd(), nullptr);
    SetActiveWindow(window);
    ASSERT_EQ(GetActiveWindow(), window.GetSafeHwnd());
    {
        CBusyWindow busy(window, CBusyWindow::KeepCursor);
        CBoxAnswerer answerer;
        window.MessageBox(std::string("the command's refusal"));
        answerer.Stop();
        EXPECT_EQ(answerer.Texts(), std::vector<std::string>{"the command's refusal"});
        EXPECT_EQ(GetActiveWindow(), window.GetSafeHwnd()) << "the activation went elsewhere";
        EXPECT_FALSE(IsWindowEnabled(window)) << "the box ended the hold";
    }
    EXPECT_TRUE(IsWindowEnabled(window));
    DestroyWindow(window.Detach());
}
