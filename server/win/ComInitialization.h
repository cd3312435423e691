// CComInitialization: one successful initialisation of COM on the calling thread, balanced
// by CoUninitialize however its owner's scope ends, and only when the initialisation
// succeeded: uninitialising after a failed one (another apartment model already chosen)
// would take down an initialisation that belongs to someone else. S_FALSE (already
// initialised in the same model) counts as success and is balanced too, as COM requires.
// COM's initialisation belongs to a thread: the owner ends on the thread that made it, and
// whatever COM objects that thread holds are released before it ends. Not copyable; moving
// hands the initialisation on.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

class CComInitialization {
public:
    CComInitialization() = default;
    // Initialises COM on this thread with the given apartment model.
    explicit CComInitialization(DWORD model) : m_hr(CoInitializeEx(nullptr, model)), m_held(SUCCEEDED(m_hr)) {}
    ~CComInitialization() { Reset(); }
    CComInitialization(const CComInitialization&) = delete;
    CComInitialization& operator=(const CComInitialization&) = delete;
    CComInitialization(CComInitialization&& other) noexcept
        : m_hr(other.m_hr), m_held(std::exchange(other.m_held, false))
    {
    }
    CComInitialization& operator=(CComInitialization&& other) noexcept
    {
        if (this != &other) {
            Reset(std::exchange(other.m_held, false));
            m_hr = other.m_hr;
        }
        return *this;
    }

    // What CoInitializeEx returned (S_OK for an owner that made no call).
    HRESULT Result() const { return m_hr; }
    // True while the owner holds an initialisation it must balance.
    bool Held() const { return m_held; }
    explicit operator bool() const { return m_held; }

    // Balances the initialisation held (if any), then holds one made elsewhere when
    // `adopted` (ConnectResult::comInitialized: the connection sequence's own).
    void Reset(bool adopted = false)
    {
        if (std::exchange(m_held, adopted)) CoUninitialize();
    }

private:
    HRESULT m_hr = S_OK;
    bool m_held = false;
};
