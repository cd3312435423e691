// CFillProgressWnd: "Чтение конфигурации сервера: N тегов" while the main window reads the
// server's tags, shown only when that takes longer than a second, refreshed at most ten
// times a second, centred where the main window is (or will be). Gone with the object.
#pragma once

#include <cstddef>
#include <cstdint>

#include "res/resource.h"
#include "tree/ProgressPacer.h"
#include "ui/Dialog.h"

class CFillProgressWnd : public CDialog {
public:
    explicit CFillProgressWnd(CWnd* mainWindow, std::uint64_t delayMs = 1000, std::uint64_t intervalMs = 100);
    ~CFillProgressWnd() override;

    // Called as the tags come in: shows or refreshes the window when it is time.
    void OnTags(std::size_t tags);

    // "Чтение конфигурации сервера: N тегов"
    static std::string Text(std::size_t tags);

private:
    void Show(std::size_t tags);

    CWnd* m_pMainWnd;
    CProgressPacer m_pacer;
};
