// The main window's "Применить": restart the server, wait for it, connect anew and
// rebuild the tree from the restarted server. The same waiting and connecting repairs a
// connection that another program's restart of the server took away.
#include <string>

#include "app/ServerChange.h"
#include "app/ServerLink.h"
#include "app/TarnelDlg.h"
#include "server/ComRef.h"
#include "server/ServerErrors.h"
#include "ui/BusyWindow.h"
#include "ui/DisabledControls.h"
#include "ui/Text.h"

namespace {

// After the three seconds the server is given to restart, how much longer it may take.
constexpr int kRestartWaitMs = 30000;

const char kRestartTitle[] = "Перезапускается сервер";
const char kReconnectTitle[] = "Подключение к серверу";

}  // namespace

ITagServer& CTarnelDlg::Server() { return m_pLink->Server(); }

HResult CTarnelDlg::ConnectionLost() const { return m_pLink ? m_pLink->Lost() : kS_OK; }

void CTarnelDlg::TakeConnection(CComRef<IAddTags> addTags)
{
    DropConnection();
    m_pAddTags = std::move(addTags);
    if (m_pAddTags) m_pLink = std::make_unique<CServerLink>(m_pAddTags.Get());
}

void CTarnelDlg::DropConnection()
{
    // The connection from before is dead or about to be: let it go before storing a new
    // one, so that no path keeps or releases it twice.
    m_pLink.reset();
    m_pAddTags.Reset();
}

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

bool CTarnelDlg::ConnectAgain(const std::string& text)
{
    DropConnection();
    // A real server may take longer to come back (a service, a slow port): it gets up to
    // kRestartWaitMs, the title counting on (one to three dots, a second each).
    CComRef<IAddTags> addTags;
    int dots = 0;
    const ReconnectResult again = ReconnectAfterRestart(kRestartWaitMs, 1000, [&] {
        dots = dots % 3 + 1;
        SetWindowText(text + std::string(static_cast<std::size_t>(dots), '.'));
        UpdateWindow();
        return true;
    }, addTags.Put());
    ConnectResult result = again.connect;
    // Connected, but the server never answered: it is not there for us.
    if (result.Ok() && FAILED(again.answer)) result.failedStep = ConnectStep::GetClassObject;
    if (!result.Ok()) {
        MessageBox(result.failedStep == ConnectStep::GetClassObject ? "Невозможно подключиться к серверу"
                                                                    : "Недоступен интерфейс IAddTags для конфигурации");
        EndDialog(0);
        return false;
    }
    TakeConnection(std::move(addTags));
    return true;
}

void CTarnelDlg::TellConnectionLost(HResult lost)
{
    MessageBox(BoxLines("Связь с сервером была потеряна (ошибка " + HResultText(lost) +
                        "): сервер перезапущен или остановлен другой программой.\n"
                        "Дерево построено заново по конфигурации сервера. Повторите то, что ещё нужно."));
}

void CTarnelDlg::RecoverLostConnection()
{
    const HResult lost = ConnectionLost();
    HWND focus = FocusedControl();
    CBusyWindow busy(*this, CBusyWindow::KeepCursor);
    // The snapshot worker's connection went with the server too.
    StopBackgroundSnapshot();
    const std::string savedTitle = GetWindowText();
    if (!ConnectAgain(kReconnectTitle)) return;
    DiscardQueuedInput();
    busy.End();
    SetWindowText(savedTitle);
    FillTree();
    StartBackgroundSnapshot();
    ReturnFocus(focus, m_Tree);
    TellConnectionLost(lost);
}

void CTarnelDlg::OnApply()
{
    // The control that has the keyboard focus gets it back once the tree is rebuilt.
    HWND focus = FocusedControl();
    // COM dispatches input while the call is out; the dispatch keeps the user out of the
    // window from before the call, or a click meanwhile would run its command after the restart.
    // The snapshot worker's connection goes with the server; a new one follows the restart.
    StopBackgroundSnapshot();
    const std::string savedTitle = GetWindowText();

    // A connection that another program's restart took away would carry the restart
    // nowhere: one read shows it, and the restart then goes over a new connection.
    HResult lostBefore = kS_OK;
    if (m_pAddTags) {
        std::uint16_t port = 0;
        std::uint32_t baudRate = 0;
        std::uint8_t dataBits = 0, stopBits = 0, parity = 0;
        const HResult probe = Server().GetComSettings(&port, &baudRate, &dataBits, &stopBits, &parity);
        if (IsConnectionLost(probe)) {
            lostBefore = probe;
            if (!ConnectAgain(kReconnectTitle)) return;
        }
    }

    HRESULT restartResult = S_OK;
    if (m_pAddTags) {
        // Journaled like every change; there is nothing to undo.
        CServerChange change(*this, "Применить", false);
        if (!change.Ok()) return;
        restartResult = change.Server().RestartServer();
    }

    SetWindowText(kRestartTitle);
    CDisabledControls buttons({m_btnComPort.m_hWnd, m_btnExit.m_hWnd, m_btnApply.m_hWnd});

    // Give the server three seconds to come back; the title counts them with dots.
    std::string title = GetWindowText();
    for (int second = 0; second < 3; ++second) {
        title += ".";
        SetWindowText(title);
        UpdateWindow();
        Sleep(1000);
    }

    if (!ConnectAgain(kRestartTitle)) {
        buttons.LeaveDisabled();  // the window is ending
        return;
    }

    // Clicks and keys given while the window was disabled wait in the queue (the COM calls
    // and the pauses dispatch no input) and would otherwise run their commands now: they go
    // before the buttons take input again.
    DiscardQueuedInput();
    buttons.Restore();
    SetForegroundWindow();
    SetWindowText(savedTitle);
    FillTree();
    StartBackgroundSnapshot();
    ReturnFocus(focus, m_Tree);

    if (lostBefore != kS_OK) TellConnectionLost(lostBefore);
    // A server that ends before its answer reaches us fails the call with a disconnection
    // code although it did restart: only other failures are a refusal.
    if (FAILED(restartResult) && !IsConnectionLost(restartResult)) {
        // The server refused to restart: the configuration it works with may not be the
        // one just edited, and the user must not believe otherwise.
        MessageBox(RefusalText("Сервер не перезапустился", restartResult, "Новая конфигурация может не действовать."));
    }
}
