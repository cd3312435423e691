// The owner of a kernel handle: it closes the handle once, however its scope is left, and
// not at all once it has handed the handle on; a failed CreateFile is held as no handle.
#include <windows.h>

#include <stdexcept>
#include <utility>

#include <gtest/gtest.h>

#include "common/win/Owners.h"

namespace {

bool IsOpen(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

HANDLE NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

}  // namespace

TEST(ScopedHandle, ClosesWhenTheScopeEndsByReturnOrException)
{
    HANDLE raw = NewEvent();
    ASSERT_NE(raw, nullptr);
    {
        const CScopedHandle owner(raw);
        EXPECT_TRUE(IsOpen(raw));
    }
    EXPECT_FALSE(IsOpen(raw));

    raw = NewEvent();
    ASSERT_NE(raw, nullptr);
    EXPECT_THROW(
        {
            const CScopedHandle owner(raw);
            throw std::runtime_error("the command failed");
        },
        std::runtime_error);
    EXPECT_FALSE(IsOpen(raw));
}

TEST(ScopedHandle, ResetPutMoveAndReleaseHandTheHandleOnExactlyOnce)
{
    HANDLE first = NewEvent();
    HANDLE second = NewEvent();
    ASSERT_TRUE(first != nullptr && second != nullptr);
    CScopedHandle owner(first);
    owner.Reset(second);
    EXPECT_FALSE(IsOpen(first)) << "Reset closes what it held";
    EXPECT_EQ(owner.Get(), second);

    CScopedHandle moved(std::move(owner));
    EXPECT_FALSE(owner);
    EXPECT_EQ(moved.Get(), second);

    HANDLE handedOn = moved.Release();
    EXPECT_FALSE(moved);
    EXPECT_TRUE(IsOpen(handedOn)) << "a released handle is the caller's";

    CScopedHandle target(NewEvent());
    HANDLE old = target.Get();
    HANDLE* slot = target.Put();
    EXPECT_FALSE(IsOpen(old)) << "Put closes what it held before the call fills it";
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), handedOn, GetCurrentProcess(), slot, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    EXPECT_TRUE(IsOpen(target.Get()));
    CloseHandle(handedOn);
}

TEST(ScopedHandle, AFailedCreateFileIsNoHandle)
{
    const CScopedHandle file(CreateFileW(L"Z:\\no such folder\\no such file", GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_FALSE(file);
    EXPECT_EQ(file.Get(), nullptr);
}
