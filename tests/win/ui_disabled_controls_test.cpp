// Controls disabled for a while: enabled again however the scope is left, at once with
// Restore (and not a second time when the scope then ends), or left disabled on request.
#include <windows.h>

#include <stdexcept>
#include <utility>

#include <gtest/gtest.h>

#include "ui/DisabledControls.h"

namespace {

HWND NewButton()
{
    return CreateWindowExW(0, L"BUTTON", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

}  // namespace

TEST(DisabledControls, EnabledAgainByRestoreReturnOrExceptionAndLeftDisabledOnRequest)
{
    HWND first = NewButton();
    HWND second = NewButton();
    ASSERT_TRUE(first != nullptr && second != nullptr);

    {
        CDisabledControls disabled({first, second});
        EXPECT_FALSE(IsWindowEnabled(first));
        EXPECT_FALSE(IsWindowEnabled(second));
        disabled.Restore();
        EXPECT_TRUE(IsWindowEnabled(first));
        EXPECT_TRUE(IsWindowEnabled(second));
        EnableWindow(first, FALSE);  // what the code does after Restore is its own
    }
    EXPECT_FALSE(IsWindowEnabled(first)) << "Restore is once: the scope's end enables nothing more";
    EnableWindow(first, TRUE);

    try {
        const CDisabledControls disabled({first, second});
        throw std::runtime_error("a handler's failure");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(IsWindowEnabled(first));
    EXPECT_TRUE(IsWindowEnabled(second));

    {
        CDisabledControls disabled({first});
        CDisabledControls moved(std::move(disabled));
        disabled.Restore();  // moved from: holds nothing
        EXPECT_FALSE(IsWindowEnabled(first));
        moved.LeaveDisabled();
    }
    EXPECT_FALSE(IsWindowEnabled(first)) << "left disabled for whatever enables it later";
    EXPECT_TRUE(IsWindowEnabled(second));

    DestroyWindow(first);
    DestroyWindow(second);
}
