// The owners of Windows resources other than kernel handles, and of a thread's COM
// initialisation: each frees its resource once, however its scope is left, and not at all
// once it has handed the resource on; a COM initialisation that failed is never balanced.
#include <windows.h>
#include <objbase.h>

#include <stdexcept>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "common/win/Owners.h"
#include "server/win/ComInitialization.h"

namespace {

HKEY OpenSoftwareKey()
{
    HKEY key = nullptr;
    return RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key) == ERROR_SUCCESS ? key : nullptr;
}

bool IsOpen(HKEY key)
{
    DWORD subkeys = 0;
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}

// Counts the CBT notifications of this thread's windows that reach the hook.
thread_local int t_nHookCalls = 0;

LRESULT CALLBACK CountCalls(int code, WPARAM wParam, LPARAM lParam)
{
    ++t_nHookCalls;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MakeAndDestroyWindow()
{
    DestroyWindow(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr));
}

// Runs body on a thread of its own, whose COM initialisation is the test's alone.
template <typename Body>
void OnFreshThread(Body body)
{
    std::thread(body).join();
}

}  // namespace

TEST(ScopedKey, ClosesOnceHoweverTheScopeEndsAndNotAfterHandingOn)
{
    HKEY raw = OpenSoftwareKey();
    ASSERT_NE(raw, nullptr);
    EXPECT_THROW(
        {
            const CScopedKey key(raw);
            EXPECT_TRUE(IsOpen(raw));
            throw std::runtime_error("the read failed");
        },
        std::runtime_error);
    EXPECT_FALSE(IsOpen(raw));

    CScopedKey first(OpenSoftwareKey());
    ASSERT_TRUE(first);
    CScopedKey moved(std::move(first));
    EXPECT_FALSE(first);
    HKEY handedOn = moved.Release();
    EXPECT_FALSE(moved);
    EXPECT_TRUE(IsOpen(handedOn)) << "a released key is the caller's";

    CScopedKey target(handedOn);
    HKEY* slot = target.Put();
    EXPECT_FALSE(IsOpen(handedOn)) << "Put closes what it held before the call fills it";
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, slot), ERROR_SUCCESS);
    EXPECT_TRUE(IsOpen(target.Get()));
}

TEST(ScopedHook, UnhookedWhenTheScopeEndsOrTheHookResetsItself)
{
    t_nHookCalls = 0;
    HHOOK raw = nullptr;
    {
        const CScopedHook hook(SetWindowsHookExW(WH_CBT, CountCalls, nullptr, GetCurrentThreadId()));
        ASSERT_TRUE(hook);
        raw = hook.Get();
        MakeAndDestroyWindow();
        EXPECT_GT(t_nHookCalls, 0);
    }
    const int calls = t_nHookCalls;
    MakeAndDestroyWindow();
    EXPECT_EQ(t_nHookCalls, calls) << "the hook still runs after its owner ended";
    EXPECT_FALSE(UnhookWindowsHookEx(raw)) << "the owner did not unhook";

    CScopedHook hook(SetWindowsHookExW(WH_CBT, CountCalls, nullptr, GetCurrentThreadId()));
    hook.Reset();  // as the message box's hook ends itself once the box is open
    EXPECT_FALSE(hook);
    const int before = t_nHookCalls;
    MakeAndDestroyWindow();
    EXPECT_EQ(t_nHookCalls, before);
}

TEST(ScopedLibrary, FreesTheModuleItLoaded)
{
    const wchar_t name[] = L"msimg32.dll";
    ASSERT_EQ(GetModuleHandleW(name), nullptr) << "the test needs a DLL the program has not loaded";
    {
        const CScopedLibrary library(LoadLibraryW(name));
        ASSERT_TRUE(library);
        EXPECT_EQ(GetModuleHandleW(name), library.Get());
    }
    EXPECT_EQ(GetModuleHandleW(name), nullptr);

    CScopedLibrary library(LoadLibraryW(name));
    HMODULE handedOn = library.Release();
    EXPECT_EQ(GetModuleHandleW(name), handedOn) << "a released module stays loaded";
    FreeLibrary(handedOn);
}

TEST(ComInitialization, AFailedInitialisationIsNeverBalancedAndEverySuccessfulOneIs)
{
    OnFreshThread([] {
        {
            const CComInitialization sta(COINIT_APARTMENTTHREADED);
            EXPECT_EQ(sta.Result(), S_OK);
            EXPECT_TRUE(sta);
            {
                const CComInitialization other(COINIT_MULTITHREADED);
                EXPECT_EQ(other.Result(), RPC_E_CHANGED_MODE);
                EXPECT_FALSE(other);
            }
            // Had the failed one been balanced, the thread would have left its apartment.
            const CComInitialization again(COINIT_APARTMENTTHREADED);
            EXPECT_EQ(again.Result(), S_FALSE) << "the thread lost its initialisation";
            EXPECT_TRUE(again) << "S_FALSE is a success that must be balanced too";
        }
        // Both balanced: the thread is out of COM and may choose another apartment model.
        const CComInitialization mta(COINIT_MULTITHREADED);
        EXPECT_EQ(mta.Result(), S_OK) << "an initialisation was left unbalanced";
    });
}

TEST(ComInitialization, AdoptedAndMovedInitialisationsAreBalancedOnce)
{
    OnFreshThread([] {
        {
            CComInitialization owner;
            EXPECT_FALSE(owner);
            ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);  // as the connection makes it
            owner.Reset(true);
            CComInitialization moved(std::move(owner));
            EXPECT_FALSE(owner);
            EXPECT_TRUE(moved);
        }
        const CComInitialization mta(COINIT_MULTITHREADED);
        EXPECT_EQ(mta.Result(), S_OK) << "the adopted initialisation was not balanced";
    });
    OnFreshThread([] {
        {
            CComInitialization moved;
            {
                CComInitialization owner(COINIT_APARTMENTTHREADED);
                moved = std::move(owner);
            }
            // The moved-from owner ended without balancing: the thread is still initialised.
            const CComInitialization again(COINIT_APARTMENTTHREADED);
            EXPECT_EQ(again.Result(), S_FALSE);
        }
        const CComInitialization mta(COINIT_MULTITHREADED);
        EXPECT_EQ(mta.Result(), S_OK);
    });
}
