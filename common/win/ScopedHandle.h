// CScopedHandle: owns one Win32 kernel handle (a thread, an event, a file, a process, a
// mapping) and closes it however its owner's scope ends. Not copyable; moving hands the
// handle on. CreateFile's INVALID_HANDLE_VALUE is taken as no handle, so one test of the
// owner serves every function that makes handles.
#pragma once

#include <windows.h>

class CScopedHandle {
public:
    CScopedHandle() = default;
    explicit CScopedHandle(HANDLE adopted) : m_h(Owned(adopted)) {}
    ~CScopedHandle() { Reset(); }
    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;
    CScopedHandle(CScopedHandle&& other) noexcept : m_h(other.Release()) {}
    CScopedHandle& operator=(CScopedHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    HANDLE Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

    // Closes the handle held, then holds `adopted`.
    void Reset(HANDLE adopted = nullptr)
    {
        if (m_h != nullptr) CloseHandle(m_h);
        m_h = Owned(adopted);
    }
    // Hands the handle to the caller, who closes it.
    HANDLE Release()
    {
        HANDLE handle = m_h;
        m_h = nullptr;
        return handle;
    }
    // For a function that returns a handle through an out parameter (DuplicateHandle).
    HANDLE* Put()
    {
        Reset();
        return &m_h;
    }

private:
    static HANDLE Owned(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }

    HANDLE m_h = nullptr;
};
