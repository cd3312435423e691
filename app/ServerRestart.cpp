// The main window's "Применить": restart the server, wait for it, connect anew and
// rebuild the tree from the restarted server.
#include <cstdio>
#include <string>

#include "app/ServerChange.h"
#include "app/TarnelDlg.h"
#include "server/ServerErrors.h"

namespace {

// After the three seconds the server is given to restart, how much longer it may take.
constexpr int kRestartWaitMs = 30000;

}  // namespace

void CTarnelDlg::DiscardQueuedInput()
{
    MSG message;
    // An unfiltered look lets the system take the pending hardware input while the window
    // is still disabled, which drops it; what is left of input in the queue goes too.
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    while (PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
}

void CTarnelDlg::OnApply()
{
    // The control that has the keyboard focus gets it back once the tree is rebuilt.
    HWND focus = FocusedControl();
    // COM dispatches input while the call is out: keep the user out of the window from
    // before the call, or a click meanwhile would run its command after the restart.
    EnableWindow(FALSE);
    // The snapshot worker's connection goes with the server; a new one follows the restart.
    StopBackgroundSnapshot();
    HRESULT restartResult = S_OK;
    if (m_pAddTags != nullptr) {
        // Journaled like every change; there is nothing to undo.
        CServerChange change(*this, "Применить", false);
        if (!change.Ok()) {
            EnableWindow(TRUE);
            return;
        }
        restartResult = change.Server().RestartServer();
    }

    const std::string savedTitle = GetWindowText();
    SetWindowText("Перезапускается сервер");
    m_btnComPort.EnableWindow(FALSE);
    m_btnExit.EnableWindow(FALSE);
    m_btnApply.EnableWindow(FALSE);

    // Give the server three seconds to come back; the title counts them with dots.
    std::string title = GetWindowText();
    for (int second = 0; second < 3; ++second) {
        title += ".";
        SetWindowText(title);
        UpdateWindow();
        Sleep(1000);
    }

    // The connection from before the restart is dead or about to be: let it go before
    // storing the new one, so that no path keeps or releases it twice.
    if (m_pAddTags != nullptr) {
        m_pAddTags->Release();
        m_pAddTags = nullptr;
    }

    // A real server may take longer to come back (a service, a slow port): it gets up to
    // kRestartWaitMs more, the title counting on (one to three dots, a second each).
    IAddTags* pAddTags = nullptr;
    int dots = 0;
    const ReconnectResult again = ReconnectAfterRestart(kRestartWaitMs, 1000, [&] {
        dots = dots % 3 + 1;
        SetWindowText("Перезапускается сервер" + std::string(static_cast<std::size_t>(dots), '.'));
        UpdateWindow();
        return true;
    }, &pAddTags);
    ConnectResult result = again.connect;
    // Connected, but the server never answered: it is not there for us.
    if (result.Ok() && FAILED(again.answer)) result.failedStep = ConnectStep::GetClassObject;
    if (result.failedStep == ConnectStep::GetClassObject) {
        MessageBox("Невозможно подключиться к серверу");
        EndDialog(0);
        return;
    }
    if (!result.Ok()) {
        MessageBox("Недоступен интерфейс IAddTags для конфигурации");
        EndDialog(0);
        return;
    }
    m_pAddTags = pAddTags;

    // Clicks and keys given while the window was disabled wait in the queue (the COM calls
    // and the pauses dispatch no input) and would otherwise run their commands now.
    DiscardQueuedInput();
    m_btnComPort.EnableWindow(TRUE);
    m_btnExit.EnableWindow(TRUE);
    m_btnApply.EnableWindow(TRUE);
    EnableWindow(TRUE);
    SetForegroundWindow();
    SetWindowText(savedTitle);
    FillTree();
    StartBackgroundSnapshot();
    ReturnFocus(focus, m_Tree);

    // A server that ends before its answer reaches us fails the call with a disconnection
    // code although it did restart: only other failures are a refusal.
    if (FAILED(restartResult) && !IsConnectionLost(restartResult)) {
        // The server refused to restart: the configuration it works with may not be the
        // one just edited, and the user must not believe otherwise.
        char text[200];
        std::snprintf(text, sizeof text,
                      "Сервер не перезапустился (ошибка 0x%08X).\nНовая конфигурация может не действовать.",
                      static_cast<unsigned>(restartResult));
        MessageBox(text);
    }
}
