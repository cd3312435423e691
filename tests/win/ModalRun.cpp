#include "ModalRun.h"

#include <atomic>

#include <gtest/gtest.h>

#include "BoxAnswerer.h"
#include "UiDriver.h"
#include "ui/Dialog.h"

ModalRun RunModal(CDialog& dlg, const std::string& titlePrefix, const std::function<void(HWND)>& script,
                  int closeWithinMs)
{
    ModalRun run;
    std::atomic<bool> ended{false};
    CBoxAnswerer answerer;
    ui_driver::CScript driver([&] {
        // Wait for the window, but not beyond the end of a dialog that never showed it.
        HWND window = nullptr;
        ui_driver::WaitFor([&] { return ended || (window = ui_driver::WaitForDialog(titlePrefix, 50)) != nullptr; });
        if (window == nullptr) return;
        run.shown = true;
        script(window);
        if (!ui_driver::WaitUntilGone(window, closeWithinMs)) {
            ADD_FAILURE() << "the script left \"" << titlePrefix << "\" open";
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        }
    });
    run.result = dlg.DoModal();
    ended = true;
    driver.Join();
    ui_driver::DrainQuitMessage();
    answerer.Stop();
    run.boxes = answerer.Texts();
    run.wideBoxes = answerer.WideTexts();
    return run;
}
