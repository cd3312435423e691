// CComRef: owns one reference to a COM object and releases it however its owner's scope
// ends (a return, an exception). Not copyable; moving hands the reference on.
#pragma once

#include <utility>

template <typename T>
class CComRef {
public:
    CComRef() = default;
    // Takes over a reference the caller holds (from CoCreateInstance, an out parameter).
    explicit CComRef(T* adopted) : m_p(adopted) {}
    // Adds a reference of its own to a pointer lent by someone else.
    static CComRef Share(T* lent)
    {
        if (lent != nullptr) lent->AddRef();
        return CComRef(lent);
    }
    ~CComRef() { Reset(); }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;
    CComRef(CComRef&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    CComRef& operator=(CComRef&& other) noexcept
    {
        if (this != &other) Reset(std::exchange(other.m_p, nullptr));
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For a call that hands out a reference: the old one goes first.
    T** Put()
    {
        Reset();
        return &m_p;
    }
    // Hands the reference over to the caller, who then releases it.
    T* Detach() { return std::exchange(m_p, nullptr); }
    // Releases the reference held (if any) and takes over adopted.
    void Reset(T* adopted = nullptr)
    {
        T* old = std::exchange(m_p, adopted);
        if (old != nullptr) old->Release();
    }

private:
    T* m_p = nullptr;
};
