// Owners of Windows resources, one class per kind, each freeing its resource with the one
// function that frees that kind however its owner's scope ends (a return, an exception):
//   CScopedHandle    a kernel handle (a thread, an event, a file,    CloseHandle
//                    a process, a mapping); CreateFile's
//                    INVALID_HANDLE_VALUE is taken as no handle, so
//                    one test of the owner serves every function
//                    that makes handles
//   CScopedKey       an open registry key                         RegCloseKey
//   CScopedLibrary   a loaded module                              FreeLibrary
//   CScopedHook      a hook set with SetWindowsHookEx             UnhookWindowsHookEx
//   CLocalMemory<T>  memory the system allocated for the caller   LocalFree
//                    (FormatMessage's text, CommandLineToArgvW's array)
// Not copyable; moving hands the resource on; Release hands it to the caller; Put serves a
// function that returns it through an out parameter.
#pragma once

#include <windows.h>

#include <utility>

template <typename Kind>
class CScopedResource {
public:
    using Type = typename Kind::Type;

    CScopedResource() = default;
    explicit CScopedResource(Type adopted) : m_r(Kind::Owned(adopted)) {}
    ~CScopedResource() { Reset(); }
    CScopedResource(const CScopedResource&) = delete;
    CScopedResource& operator=(const CScopedResource&) = delete;
    CScopedResource(CScopedResource&& other) noexcept : m_r(other.Release()) {}
    CScopedResource& operator=(CScopedResource&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Type Get() const { return m_r; }
    explicit operator bool() const { return m_r != nullptr; }

    // Frees the resource held, then holds `adopted`. The owner lets go of the old one before
    // freeing it, so that code the freeing runs never sees it still held.
    void Reset(Type adopted = nullptr)
    {
        const Type old = std::exchange(m_r, Kind::Owned(adopted));
        if (old != nullptr) Kind::Free(old);
    }
    // Hands the resource to the caller, who frees it.
    Type Release() { return std::exchange(m_r, nullptr); }
    // For a function that returns the resource through an out parameter (RegOpenKeyEx).
    Type* Put()
    {
        Reset();
        return &m_r;
    }

private:
    Type m_r = nullptr;
};

// A kind's value that stands for no resource is null; Owned maps any other such value to it.
template <typename T>
struct NullIsNone {
    using Type = T;
    static T Owned(T value) { return value; }
};

struct KernelHandleKind {
    using Type = HANDLE;
    static HANDLE Owned(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }
    static void Free(HANDLE h) { CloseHandle(h); }
};

struct RegistryKeyKind : NullIsNone<HKEY> {
    static void Free(HKEY key) { RegCloseKey(key); }
};

struct LibraryKind : NullIsNone<HMODULE> {
    static void Free(HMODULE module) { FreeLibrary(module); }
};

struct HookKind : NullIsNone<HHOOK> {
    static void Free(HHOOK hook) { UnhookWindowsHookEx(hook); }
};

template <typename T>
struct LocalMemoryKind : NullIsNone<T*> {
    static void Free(T* memory) { LocalFree(memory); }
};

using CScopedHandle = CScopedResource<KernelHandleKind>;
using CScopedKey = CScopedResource<RegistryKeyKind>;
using CScopedLibrary = CScopedResource<LibraryKind>;
using CScopedHook = CScopedResource<HookKind>;
template <typename T>
using CLocalMemory = CScopedResource<LocalMemoryKind<T>>;
