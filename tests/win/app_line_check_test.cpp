// "Проверить связь" in the main window against the stand-in server's simulated line: every
// device from empty space's menu (one answering, one absent, one answering as another
// type, one as a type no description has), the counts and the load estimate, a double
// click and Enter selecting the device's node; one device from the keyboard with F1; a slow
// probe during which the dialog answers and Stop ends the check; a server that dies
// during the check; a server without tags.
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KeyInput.h"
#include "GuidePresent.h"
#include "MainWindowRun.h"
#include "MenuDriver.h"
#include "StandinFixture.h"
#include "TreeReader.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "res/resource.h"
#include "ui/Help.h"
#include "ui/Text.h"

namespace {

const char kPumpDescription[] =
    "DEVICE_DESCRIPTION\r\n"
    "Pump 3\r\n"
    "Flow 1 REAL R INPT_REG 0\r\n";

// Five REAL tags at 1 s: Meter(005) two, Meter(006), Pump(007), Meter(009).
const char kTags[] = "7 5 1 10000000\n7 5 2 10000000\n7 6 1 10000000\n3 7 1 10000000\n7 9 1 10000000\n";
// 5 answers as the meter, 6 not at all, 7 as a meter, 9 as a type no description has.
const char kLine[] = "5 7 0 Meter\n7 7 0 Meter\n9 57 0 box\n";

class LineCheckTest : public CWindowTest {
protected:
    void SetUp() override { SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"0"); }
    void PrepareLine(const std::string& tags, const std::string& faults)
    {
        Prepare(tags);
        m_descriptions.Write("pump.dsc", kPumpDescription);
        standin::WriteStateFile("port.txt", "1 9600 8 0 0\n");
        standin::WriteStateFile("line.txt", kLine);
        standin::SetFaults(faults);
    }
};

std::vector<std::string> ListLines(HWND list)
{
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        lines.push_back(Narrow(text.c_str()));
    }
    return lines;
}

struct Shown {
    std::string status, counts, load;
    std::vector<std::string> lines;
    bool stopEnabled = false;
};

Shown Read(HWND dialog)
{
    Shown shown;
    shown.status = ui_driver::ItemText(dialog, IDC_CHECK_STATUS);
    shown.counts = ui_driver::ItemText(dialog, IDC_CHECK_COUNTS);
    shown.load = ui_driver::ItemText(dialog, IDC_CHECK_LOAD);
    shown.lines = ListLines(GetDlgItem(dialog, IDC_CHECK_LIST));
    shown.stopEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_CHECK_STOP)) != FALSE;
    return shown;
}

bool StatusStarts(HWND dialog, const std::string& prefix)
{
    return ui_driver::ItemText(dialog, IDC_CHECK_STATUS).rfind(prefix, 0) == 0;
}

// A double click on the list's line as the mouse gives it: down, up, double click, up.
void DoubleClickLine(HWND dialog, int line)
{
    HWND list = GetDlgItem(dialog, IDC_CHECK_LIST);
    RECT rect = {};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&rect));
    const LPARAM at = MAKELPARAM(rect.left + 10, (rect.top + rect.bottom) / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
}

HTREEITEM Selected(HWND window)
{
    return reinterpret_cast<HTREEITEM>(SendMessageW(Tree(window), TVM_GETNEXTITEM, TVGN_CARET, 0));
}

TEST_F(LineCheckTest, EveryDeviceFromTheMenuWithCountsAndLoadThenDoubleClickAndEnterSelectTheNode)
{
    PrepareLine(kTags, "probe_timeout_ms 5\n");
    Shown done;
    bool clickedSelected = false, enterSelected = false, stayed = false;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Проверить связь")) return;
        HWND dialog = ui_driver::WaitForDialog("Проверка связи");
        if (dialog == nullptr) return;
        ui_driver::WaitFor([&] { return StatusStarts(dialog, "Проверка завершена"); }, 20000);
        done = Read(dialog);
        ui_driver::SaveScreenshot(dialog, "line-check-dialog");

        DoubleClickLine(dialog, 2);
        clickedSelected = ui_driver::WaitFor(
            [&] { return Selected(window) == FindTreeItem(Tree(window), {"Pump(007)"}); }, 5000);

        HWND list = GetDlgItem(dialog, IDC_CHECK_LIST);
        SetForegroundWindow(dialog);
        PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
        ui_driver::WaitFor([&] { return keys::FocusIn(dialog) == list; }, 3000);
        keys::Press({VK_END});  // the last line, Meter(009)
        keys::Press({VK_RETURN});
        enterSelected = ui_driver::WaitFor(
            [&] { return Selected(window) == FindTreeItem(Tree(window), {"Meter(009)"}); }, 5000);
        stayed = IsWindowVisible(dialog) != FALSE;
        ui_driver::PressButton(dialog, IDCANCEL);
        ui_driver::WaitUntilGone(dialog);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(done.lines, (std::vector<std::string>{
                              "Meter(005) — отвечает",
                              "Meter(006) — не отвечает",
                              "Pump(007) — по адресу 7 отвечает прибор Meter (тип 7)",
                              "Meter(009) — по адресу 9 отвечает прибор типа 57",
                          }));
    EXPECT_EQ(done.status, "Проверка завершена: проверено 4");
    EXPECT_EQ(done.counts, "Отвечают: 1    Не отвечают: 1    Другой прибор: 2    Ошибка опроса: 0");
    // 5 REAL tags at 1 s on 9600 8N1: 35 ms of the line each.
    EXPECT_EQ(done.load, "Загрузка линии (оценка): 17,5 %");
    EXPECT_FALSE(done.stopEnabled);
    EXPECT_TRUE(clickedSelected);
    EXPECT_TRUE(enterSelected);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(run.boxes.empty()) << run.boxes.front();
}

TEST_F(LineCheckTest, OneDeviceByShiftF10WithF1AndEsc)
{
    PrepareLine(kTags, "probe_timeout_ms 5\n");
    CGuidePresent guide;
    std::mutex mutex;
    std::vector<std::string> anchors;
    const DocumentOpener previous = SetDocumentOpener([&](HWND, const std::wstring&, const std::string& anchor) {
        std::lock_guard<std::mutex> lock(mutex);
        anchors.push_back(anchor);
        return true;
    });
    const auto opened = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return anchors.size();
    };
    Shown done;
    bool helped = false, closed = false;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        HWND tree = Tree(window);
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FindTreeItem(tree, {"Pump(007)"})));
        SetForegroundWindow(window);
        ui_driver::WaitFor([&] { return keys::FocusIn(window) == tree; }, 3000);
        keys::Press({VK_SHIFT, VK_F10});
        HWND menu = keys::WaitForPopupMenu();
        // Добавить тег, Добавить устройство, Удалить устройство, -, Изменить период...,
        // Копировать на адреса..., Экспорт тегов..., this
        if (menu == nullptr || !keys::ChooseWithKeys(menu, 7)) return;
        HWND dialog = ui_driver::WaitForDialog("Проверка связи");
        if (dialog == nullptr) return;
        ui_driver::WaitFor([&] { return StatusStarts(dialog, "Проверка завершена"); }, 20000);
        done = Read(dialog);
        SetForegroundWindow(dialog);
        helped = keys::PressUntil({VK_F1}, [&] { return opened() >= 1; }, 5000);
        keys::Press({VK_ESCAPE});
        closed = ui_driver::WaitUntilGone(dialog);
        ui_driver::PressButton(window, IDCANCEL);
    });
    SetDocumentOpener(previous);
    EXPECT_EQ(done.lines, std::vector<std::string>{"Pump(007) — по адресу 7 отвечает прибор Meter (тип 7)"});
    EXPECT_EQ(done.counts, "Отвечают: 0    Не отвечают: 0    Другой прибор: 1    Ошибка опроса: 0");
    // The estimate is of the device checked: one tag at 1 s.
    EXPECT_EQ(done.load, "Загрузка линии (оценка): 3,5 %");
    EXPECT_TRUE(helped);
    EXPECT_EQ(anchors, std::vector<std::string>{"line-check"});
    EXPECT_TRUE(closed);
    EXPECT_TRUE(run.boxes.empty());
}

TEST_F(LineCheckTest, TheDialogAnswersDuringASlowProbeAndStopEndsTheCheck)
{
    // Absent devices at 1, 2, 3, 4 whose probes take 1.5 s each; a tag each at 100 ms.
    PrepareLine("7 1 1 1000000\n7 2 1 1000000\n7 3 1 1000000\n7 4 1 1000000\n", "probe_timeout_ms 1500\n");
    Shown during, stopped;
    bool answered = false, windowAnswered = false, closed = false;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Проверить связь")) return;
        HWND dialog = ui_driver::WaitForDialog("Проверка связи");
        if (dialog == nullptr) return;
        ui_driver::WaitFor([&] { return StatusStarts(dialog, "Проверено 0 из 4"); }, 10000);
        // A probe is under way: the dialog's thread (the window's) answers at once.
        DWORD_PTR result = 0;
        answered = SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ui_driver::ResponseLimitMs(500),
                                       &result) != 0;
        windowAnswered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                             ui_driver::ResponseLimitMs(500), &result) != 0;
        during = Read(dialog);
        ui_driver::PressButton(dialog, IDC_CHECK_STOP);
        ui_driver::WaitFor([&] { return StatusStarts(dialog, "Проверка остановлена"); }, 20000);
        stopped = Read(dialog);
        ui_driver::PressButton(dialog, IDCANCEL);
        closed = ui_driver::WaitUntilGone(dialog);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_TRUE(answered);
    EXPECT_TRUE(windowAnswered);
    EXPECT_TRUE(during.stopEnabled);
    // Four REAL tags at 100 ms ask for 140 ms of every 100.
    EXPECT_EQ(during.load, "Загрузка линии (оценка): 140,0 % — периоды опроса не будут выдержаны");
    EXPECT_GE(stopped.lines.size(), 1u);
    EXPECT_LT(stopped.lines.size(), 4u);
    EXPECT_EQ(stopped.status, "Проверка остановлена: проверено " + std::to_string(stopped.lines.size()) + " из 4");
    EXPECT_EQ(stopped.lines.front(), "Meter(001) — не отвечает");
    EXPECT_FALSE(stopped.stopEnabled);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(run.boxes.empty());
}

TEST_F(LineCheckTest, AServerThatDiesDuringTheCheckAndOneWithoutTags)
{
    PrepareLine(kTags, "probe_timeout_ms 5\ndie ProbeDevice 2\n");
    Shown lost;
    bool closed = false;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Проверить связь")) return;
        HWND dialog = ui_driver::WaitForDialog("Проверка связи");
        if (dialog == nullptr) return;
        ui_driver::WaitFor([&] { return StatusStarts(dialog, "Проверка прервана"); }, 20000);
        lost = Read(dialog);
        ui_driver::PressButton(dialog, IDCANCEL);
        closed = ui_driver::WaitUntilGone(dialog);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(lost.status, "Проверка прервана: связь с сервером потеряна");
    ASSERT_EQ(lost.lines.size(), 2u);
    EXPECT_EQ(lost.lines[0], "Meter(005) — отвечает");
    EXPECT_EQ(lost.lines[1].rfind("Meter(006) — ошибка опроса: 0x8", 0), 0u) << lost.lines[1];
    EXPECT_TRUE(closed);
    (void)run;

    PrepareLine("", "probe_timeout_ms 5\n");
    Shown empty;
    RunMain([&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Проверить связь")) return;
        HWND dialog = ui_driver::WaitForDialog("Проверка связи");
        if (dialog == nullptr) return;
        ui_driver::WaitFor([&] { return StatusStarts(dialog, "Проверять нечего"); }, 20000);
        empty = Read(dialog);
        ui_driver::PressButton(dialog, IDCANCEL);
        ui_driver::WaitUntilGone(dialog);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(empty.status, "Проверять нечего: нет настроенных приборов");
    EXPECT_TRUE(empty.lines.empty());
}

}  // namespace
