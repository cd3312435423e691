// CDisabledControls: controls kept disabled for a while within one scope (buttons while a
// command waits for the server). Disables them on construction and enables them again, in
// the order given, when Restore() is called or the scope ends, however it ends: a return,
// an exception. Where the controls must stay disabled past the scope (the window is ending,
// or a message that comes later enables them), LeaveDisabled() says so. Not copyable;
// moving hands the controls on.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <utility>
#include <vector>

class CDisabledControls {
public:
    explicit CDisabledControls(std::initializer_list<HWND> controls) : m_controls(controls)
    {
        for (HWND control : m_controls) ::EnableWindow(control, FALSE);
    }
    ~CDisabledControls() { Restore(); }
    CDisabledControls(const CDisabledControls&) = delete;
    CDisabledControls& operator=(const CDisabledControls&) = delete;
    CDisabledControls(CDisabledControls&& other) noexcept : m_controls(std::exchange(other.m_controls, {})) {}
    CDisabledControls& operator=(CDisabledControls&& other) noexcept
    {
        if (this != &other) {
            Restore();
            m_controls = std::exchange(other.m_controls, {});
        }
        return *this;
    }

    // Enables the controls now (once; the end of the scope then does nothing).
    void Restore()
    {
        for (HWND control : std::exchange(m_controls, {})) ::EnableWindow(control, TRUE);
    }
    // The controls stay disabled; whatever enables them again is elsewhere.
    void LeaveDisabled() { m_controls.clear(); }

private:
    std::vector<HWND> m_controls;
};
