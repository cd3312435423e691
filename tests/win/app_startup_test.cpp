// The main window's start-up against the stand-in server through real COM: every way the
// connection can fail, the successful start, and the ways the window closes.
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ModalRun.h"
#include "StandinFixture.h"
#include "UiDriver.h"
#include "app/TarnelDlg.h"
#include "res/resource.h"
#include "server/win/ServerConnection.h"
#include "standin_support.h"

namespace {

const char kTitle[] = "Конфигуратор ZOL-OPC-Server версия 0.917 от 17.04.2012";

struct StartOutcome {
    INT_PTR result = 0;
    std::vector<std::string> boxes;
    std::string title;  // the main window's title while it was shown ("" if it never showed)
};

// Runs the main window; when it shows, closeAction (run on the driver thread with the
// window's handle) closes it. Without one the window must not show at all.
StartOutcome RunMainWindow(const std::function<void(HWND)>& closeAction = nullptr)
{
    StartOutcome outcome;
    CTarnelDlg dlg;
    const ModalRun run = RunModal(dlg, "Конфигуратор ZOL-OPC-Server версия", [&](HWND window) {
        outcome.title = ui_driver::Text(window);
        if (closeAction) closeAction(window);
    });
    outcome.result = run.result;
    outcome.boxes = run.boxes;
    EXPECT_EQ(dlg.m_pAddTags.Get(), nullptr) << "the connection must be released when the window closes";
    return outcome;
}

class StartupTest : public testing::Test {
protected:
    void SetUp() override
    {
        // These tests start the server one right after another, each ending it at once: the
        // next start waits (in Reset) until no process of the server runs any more, so that
        // COM cannot hand out the class object of one that is ending.
        standin::Reset("1 5 1 20000000\n");
    }
    void TearDown() override
    {
        standin::ClearFaults();
        EXPECT_TRUE(standin::WaitUntilServerGone()) << "the server still holds objects or runs";
    }
};

struct ClassRefusal {
    const char* hresult;
    const char* explanation;  // the second box
};

class ClassRefusalTest : public StartupTest, public testing::WithParamInterface<ClassRefusal> {};

// The given box, then one that says what the code means: the user can act on it.
TEST_P(ClassRefusalTest, TheGivenBoxThenTheCodeInWords)
{
    standin::SetFaults(std::string("class ") + GetParam().hresult + "\n");
    const size_t before = standin::ClassRefusalsLogged();
    const StartOutcome outcome = RunMainWindow();
    EXPECT_EQ(outcome.boxes, (std::vector<std::string>{"Can't connect to OPC-server", GetParam().explanation}));
    EXPECT_EQ(outcome.title, "");
    EXPECT_EQ(standin::ClassRefusalsLogged() - before, 1u) << "a refusal of this kind is final: one attempt";
}

// A server on its way out answers CO_E_SERVER_STOPPING: the window tries again for a moment,
// as zolctl and the search worker do, before it gives the boxes.
TEST_F(StartupTest, AnEndingServerIsTriedAgainBeforeTheBoxes)
{
    standin::SetFaults("class 0x80080008\n");
    const size_t before = standin::ClassRefusalsLogged();
    const ULONGLONG start = GetTickCount64();
    const StartOutcome outcome = RunMainWindow();
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_EQ(outcome.boxes, (std::vector<std::string>{"Can't connect to OPC-server",
                                                       "Код ошибки 0x80080008: сервер завершает работу."}));
    EXPECT_GE(standin::ClassRefusalsLogged() - before, 2u);
    EXPECT_GE(took, static_cast<ULONGLONG>(kEndingServerRetries * kEndingServerPauseMs));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ClassRefusalTest,
    testing::Values(
        ClassRefusal{"0x80004005", "Код ошибки 0x80004005."},
        ClassRefusal{"0x80070005", "Код ошибки 0x80070005: доступ запрещён: сервер работает от имени другого "
                                   "пользователя или с правами администратора."},
        ClassRefusal{"0x80080005", "Код ошибки 0x80080005: сервер не удалось запустить."},
        ClassRefusal{"0x8000401E", "Код ошибки 0x8000401E: истекло время ожидания: сервер не ответил вовремя."}));

struct RefusalCase {
    const char* hresult;
    std::vector<std::string> boxes;
};

class InstanceRefusalTest : public StartupTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(InstanceRefusalTest, ShowsTheBoxesOfItsCodeAndEnds)
{
    standin::SetFaults(std::string("instance ") + GetParam().hresult + "\n");
    const StartOutcome outcome = RunMainWindow();
    EXPECT_EQ(outcome.boxes, GetParam().boxes);
}

INSTANTIATE_TEST_SUITE_P(
    KnownAndUnknownCodes, InstanceRefusalTest,
    // The server itself refusing the interface: the proxy/stub is registered, so no advice follows.
    testing::Values(RefusalCase{"0x80004002", {"E_NOINTERFACE"}}, RefusalCase{"0x8000FFFF", {"E_UNEXPECTED"}},
                    RefusalCase{"0x80040110", {"E_NOAGGREGATION"}}, RefusalCase{"0x8007000E", {"E_OUTOFMEMORY"}},
                    RefusalCase{"0x80070057", {"E_INVALIDARG"}},
                    RefusalCase{"0x80004005", {"Error 80004005", "Server does not support IAddTags"}},
                    RefusalCase{"0x8004D00A", {"Error 8004D00A", "Server does not support IAddTags"}}));

TEST_F(StartupTest, SuccessfulStartShowsTitleAndControlsThenEscapeEnds)
{
    HWND shown = nullptr;
    std::map<int, std::string> texts;
    const StartOutcome outcome = RunMainWindow([&](HWND window) {
        shown = window;
        for (int id : {IDC_COM_PORT, IDC_ADD_DEVICE, IDC_APPLY, IDCANCEL})
            texts[id] = ui_driver::ItemText(window, id);
        texts[IDC_CONFIG_TREE] = ui_driver::ClassName(GetDlgItem(window, IDC_CONFIG_TREE));
        ui_driver::SaveScreenshot(window, "main-window");
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(outcome.boxes, std::vector<std::string>{});
    EXPECT_EQ(outcome.title, kTitle);
    EXPECT_EQ(outcome.result, IDCANCEL);
    EXPECT_EQ(texts[IDC_COM_PORT], "&C\xCE\xCC-\xEF\xEE\xF0\xF2");  // Latin C, Cyrillic О and М
    EXPECT_EQ(texts[IDC_ADD_DEVICE], "&Добавить устройство");
    EXPECT_EQ(texts[IDC_APPLY], "&Применить");
    EXPECT_EQ(texts[IDCANCEL], "&Выход");
    EXPECT_EQ(texts[IDC_CONFIG_TREE], "SysTreeView32");
}

TEST_F(StartupTest, SystemMenuCloseEnds)
{
    const StartOutcome outcome =
        RunMainWindow([](HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_EQ(outcome.title, kTitle);
    EXPECT_EQ(outcome.result, IDCANCEL);
}

TEST_F(StartupTest, NeitherEnterNorTheOkCommandEndsTheProgram)
{
    bool openAfterEnter = false, openAfterOk = false;
    const StartOutcome outcome = RunMainWindow([&](HWND window) {
        HWND tree = GetDlgItem(window, IDC_CONFIG_TREE);
        PostMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tree), TRUE);
        PostMessageW(tree, WM_KEYDOWN, VK_RETURN, 0);  // on a device node: nothing to do
        ui_driver::Settle(window);
        openAfterEnter = IsWindowVisible(window) != FALSE;
        // The OK command the dialog manager sends for Enter when no push button has the focus.
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        ui_driver::Settle(window);
        openAfterOk = IsWindowVisible(window) != FALSE;
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(outcome.title, kTitle);
    EXPECT_TRUE(openAfterEnter);
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(outcome.result, IDCANCEL);
}

// The minimised paint, run on the window's own thread through a subclass: the window gets
// the minimised style bit (all that IsIconic reads) and is painted at once, before its thread
// reads the display's events again. Wine's X11 driver compares the style with the X window's
// state whenever it reads them, and finding a minimised window that X shows as normal it
// restores it; asked from another thread, the bit could be gone before the paint.
struct MinimisedPaintProbe {
    WNDPROC original = nullptr;
    UINT message = 0;
    bool iconicBefore = false, iconicAfter = false, validated = false;
    int iconBackgrounds = 0;  // WM_ICONERASEBKGND: the paint that draws the icon sends it
};
MinimisedPaintProbe* g_minimisedPaint = nullptr;

LRESULT CALLBACK MinimisedPaintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MinimisedPaintProbe& probe = *g_minimisedPaint;
    if (message == WM_ICONERASEBKGND) ++probe.iconBackgrounds;
    if (message != probe.message) return CallWindowProcW(probe.original, window, message, wParam, lParam);
    SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) | WS_MINIMIZE);
    probe.iconicBefore = IsIconic(window) != FALSE;
    probe.iconBackgrounds = 0;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT update = {};
    probe.validated = GetUpdateRect(window, &update, FALSE) == FALSE;
    probe.iconicAfter = IsIconic(window) != FALSE;
    return 0;
}

// What the program does for its minimised window: the icon it hands out for dragging and
// as the window's icon, and its paint, which draws the icon instead of the dialog and
// validates the window. Whether and when a window shows as minimised is the display driver's
// say (Wine's X11 driver, and with Managed=Y the window manager, of which a bare X server has
// none), and the system-menu command does nothing while the window is disabled: so the icons
// are asked for directly, and the paint is tried with the minimised style bit set by the test.
TEST_F(StartupTest, MinimisedWindowHandsOutItsIconAndPaintsIt)
{
    LRESULT dragIcon = 0, bigIcon = 0, smallIcon = 0;
    MinimisedPaintProbe probe;
    probe.message = RegisterWindowMessageW(L"zol-test-minimised-paint");
    g_minimisedPaint = &probe;
    RunMainWindow([&](HWND window) {
        dragIcon = SendMessageW(window, WM_QUERYDRAGICON, 0, 0);
        bigIcon = SendMessageW(window, WM_GETICON, ICON_BIG, 0);
        smallIcon = SendMessageW(window, WM_GETICON, ICON_SMALL, 0);
        probe.original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MinimisedPaintProc)));
        SendMessageW(window, probe.message, 0, 0);
        ui_driver::SaveScreenshot(window, "main-window-minimised-paint");
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(probe.original));
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    g_minimisedPaint = nullptr;
    EXPECT_NE(dragIcon, 0);
    EXPECT_EQ(dragIcon, bigIcon);
    EXPECT_EQ(dragIcon, smallIcon);
    EXPECT_EQ(dragIcon, reinterpret_cast<LRESULT>(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))))
        << "the program's own icon";
    EXPECT_TRUE(probe.iconicBefore);
    EXPECT_TRUE(probe.iconicAfter) << "nothing may restore the window during its paint";
    EXPECT_GE(probe.iconBackgrounds, 1) << "the minimised paint erases the icon's background";
    EXPECT_TRUE(probe.validated) << "a paint that does not validate would be asked for again and again";
}

}  // namespace

// Runs last: unregistering the class proves the "not registered" path, then the
// registration is restored for whatever runs next.
TEST(StartupUnregistered, ServerNotRegisteredShowsTheGivenBoxAndWhy)
{
    standin::Reset();
    ASSERT_EQ(standin::Unregister(), 0);
    const StartOutcome outcome = RunMainWindow();
    const int reRegistered = standin::Register();
#ifdef _WIN64
    const char* explanation =
        "Код ошибки 0x80040154: класс сервера не зарегистрирован: сервер не установлен для 64-разрядных программ.";
#else
    const char* explanation =
        "Код ошибки 0x80040154: класс сервера не зарегистрирован: сервер не установлен для 32-разрядных программ.";
#endif
    EXPECT_EQ(outcome.boxes, (std::vector<std::string>{"Can't connect to OPC-server", explanation}));
    EXPECT_EQ(outcome.title, "");
    EXPECT_EQ(reRegistered, 0);
}

// Calls DllRegisterServer or DllUnregisterServer of the proxy/stub DLL beside the test.
static HRESULT CallProxyDll(const char* entry)
{
    HMODULE dll = LoadLibraryW((standin_test::BinDir() + L"\\zolps.dll").c_str());
    if (!dll) return HRESULT_FROM_WIN32(GetLastError());
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto fn = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll, entry)));
    const HRESULT hr = fn ? fn() : E_FAIL;
    FreeLibrary(dll);
    return hr;
}

// What a user meets with a client of one bitness beside a server of the other: IAddTags has
// no proxy/stub registered for the client's bitness. The code's box stays as it was; a
// second one says what to do.
TEST(StartupProxyStubMissing, ShowsTheCodeThenWhatToDo)
{
    standin::Reset("1 5 1 20000000\n");
    ASSERT_TRUE(AddTagsMarshallingRegistered());
    ASSERT_EQ(CallProxyDll("DllUnregisterServer"), S_OK);
    const bool registeredWithout = AddTagsMarshallingRegistered();
    const StartOutcome outcome = RunMainWindow();
    EXPECT_EQ(CallProxyDll("DllRegisterServer"), S_OK);
    EXPECT_TRUE(AddTagsMarshallingRegistered());
    EXPECT_TRUE(standin::WaitUntilServerGone());

    EXPECT_FALSE(registeredWithout);
    ASSERT_EQ(outcome.boxes.size(), 2u) << ::testing::PrintToString(outcome.boxes);
    EXPECT_EQ(outcome.boxes[0], "E_NOINTERFACE");
    const std::string otherBuild = sizeof(void*) == 8 ? "32-разрядную версию" : "64-разрядную версию";
    EXPECT_NE(outcome.boxes[1].find(otherBuild), std::string::npos) << outcome.boxes[1];
    EXPECT_NE(outcome.boxes[1].find("register-proxy.cmd"), std::string::npos) << outcome.boxes[1];
    EXPECT_EQ(outcome.title, "");
}

// A 64-bit client beside a 32-bit server under Wine: the missing proxy/stub shows as another
// code (REGDB_E_CLASSNOTREG). The advice follows the code's boxes all the same.
TEST(StartupProxyStubMissing, AnyRefusalCodeIsFollowedByWhatToDo)
{
    standin::Reset("1 5 1 20000000\n");
    standin::SetFaults("instance 0x80040154\n");
    ASSERT_EQ(CallProxyDll("DllUnregisterServer"), S_OK);
    const StartOutcome outcome = RunMainWindow();
    EXPECT_EQ(CallProxyDll("DllRegisterServer"), S_OK);
    standin::ClearFaults();
    EXPECT_TRUE(standin::WaitUntilServerGone());

    ASSERT_EQ(outcome.boxes.size(), 3u) << ::testing::PrintToString(outcome.boxes);
    EXPECT_EQ(outcome.boxes[0], "Error 80040154");
    EXPECT_EQ(outcome.boxes[1], "Server does not support IAddTags");
    EXPECT_NE(outcome.boxes[2].find("register-proxy.cmd"), std::string::npos) << outcome.boxes[2];
}
