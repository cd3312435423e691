// CProgressWnd: a small window of our own that counts what a long operation of the main
// window has done ("Чтение конфигурации сервера: N тегов"). It shows only when the
// operation takes longer than a delay (a second), is refreshed at most ten times a second,
// sits centred where the main window is (or will be), and is gone with the object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "res/resource.h"
#include "tree/ProgressPacer.h"
#include "ui/Dialog.h"

class CProgressWnd : public CDialog {
public:
    using TextOf = std::function<std::string(std::size_t count)>;

    CProgressWnd(CWnd* mainWindow, TextOf text, std::uint64_t delayMs = 1000, std::uint64_t intervalMs = 100);
    ~CProgressWnd() override;

    // Called as the operation goes on: shows or refreshes the window when it is time.
    void OnCount(std::size_t count);

    // "Чтение конфигурации сервера: N тегов"
    static std::string FillText(std::size_t tags);

protected:
    // Takes no keyboard focus: the window only counts, and the main window keeps the focus.
    BOOL OnInitDialog() override;

private:
    void Show(std::size_t count);

    CWnd* m_pMainWnd;
    TextOf m_text;
    CProgressPacer m_pacer;
};
