#include "MainWindowRun.h"

#include "BoxAnswerer.h"
#include "UiDriver.h"
#include "ui/Text.h"

MainRun RunMain(const std::function<void(HWND window, CTarnelDlg& dlg)>& script)
{
    MainRun run;
    CBoxAnswerer answerer;
    CTarnelDlg dlg;
    ui_driver::CScript driver([&] {
        HWND window = ui_driver::WaitForDialog("Конфигуратор ZOL-OPC-Server версия");
        if (window == nullptr) return;
        run.shown = true;
        script(window, dlg);
    });
    run.result = dlg.DoModal();
    driver.Join();
    ui_driver::DrainQuitMessage();
    answerer.Stop();
    run.boxes = answerer.Texts();
    return run;
}

std::string StoredTitle(HWND window)
{
    wchar_t title[256] = {};
    InternalGetWindowText(window, title, 256);
    return Narrow(title);
}
