// The main window against server states the descriptions do not explain and against a
// server that fails in the connection: every tag a node of its own, tags no key can carry
// left alone, a lost tag list reported, a restart that ends the server inside the call.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KeyInput.h"
#include "MainWindowRun.h"
#include "MenuDriver.h"
#include "ServerFiles.h"
#include "StandinFixture.h"
#include "TreeReader.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "res/resource.h"
#include "tree/TagKey.h"

namespace {

// Meter (type 7) knows parameters 1..4; type 57 is described nowhere; 9998 and 9999 are
// parameters Meter does not describe; 65535 reads as a group in a key.
const char kUnexplainedTags[] =
    "7 5 1 20000000\n"
    "7 5 9998 20000000\n"
    "7 5 9999 30000000\n"
    "57 5 1 10000000\n"
    "57 5 2 10000000\n"
    "7 6 65535 10000000\n";

std::vector<std::string> Shown(const std::vector<TreeLine>& lines)
{
    std::vector<std::string> out;
    for (const TreeLine& l : lines) {
        char key[16];
        std::snprintf(key, sizeof key, " %08X", static_cast<unsigned>(l.key));
        out.push_back(std::string(l.level * 2, ' ') + l.text + key);
    }
    return out;
}

void ExpandAll(HWND tree)
{
    for (const TreeLine& line : ReadTree(tree)) {
        if (line.level != 0) continue;
        HTREEITEM item = FindTreeItem(tree, {line.text});
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }
}

class ServerStateTest : public CWindowTest {
protected:
    void SetUp() override { Prepare(kUnexplainedTags); }
};

TEST_F(ServerStateTest, UnexplainedTagsEachGetAVisibleNodeOfTheirOwn)
{
    std::vector<TreeLine> lines;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        ExpandAll(Tree(window));
        lines = ReadTree(Tree(window));
        ui_driver::SaveScreenshot(window, "main-window-unexplained-tags");
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(Shown(lines), (std::vector<std::string>{
                                "Meter(005) 05070000",
                                "  Voltage 05070001",
                                "  Параметр 9998 0507270E",
                                "  Параметр 9999 0507270F",
                                "Тип 57(005) 05390000",
                                "  Параметр 1 05390001",
                                "  Параметр 2 05390002",
                            }));
    EXPECT_EQ(run.boxes, (std::vector<std::string>{
                             "Тегов с номерами вне допустимых пределов на сервере: 1.\n"
                             "Они не показаны и остаются на сервере без изменений."}));
}

TEST_F(ServerStateTest, CommandsOnUnexplainedNodesActOnExactlyTheirTags)
{
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        ExpandAll(Tree(window));
        // One of two undescribed parameters: only that tag goes.
        EXPECT_TRUE(ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Параметр 9999"}), "Удалить тег"));
        ui_driver::WaitUntilBack(window);
        EXPECT_EQ(ServerTags(), Sorted({"7 5 1 20000000", "7 5 9998 20000000", "57 5 1 10000000",
                                        "57 5 2 10000000", "7 6 65535 10000000"}));
        // The unknown device with its two tags.
        EXPECT_TRUE(ChooseFromMenu(window, PointOf(window, {"Тип 57(005)"}), "Удалить устройство"));
        ui_driver::WaitUntilBack(window);
        EXPECT_EQ(ServerTags(), Sorted({"7 5 1 20000000", "7 5 9998 20000000", "7 6 65535 10000000"}));
        EXPECT_EQ(Shown(ReadTree(Tree(window))),
                  (std::vector<std::string>{"Meter(005) 05070000", "  Voltage 05070001", "  Параметр 9998 0507270E"}));
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(run.boxes.size(), 1u);  // the note on the uncarried tag at start-up, nothing else
}

TEST_F(ServerStateTest, TagListLostInTheConnectionIsReported)
{
    struct Case {
        const char* faults;
        bool exactCode;  // the code is the one the fault names
    };
    for (const Case& c : {Case{"fail EnumTags 0x800706BE\n", true}, Case{"die EnumTags\n", false}}) {
        SCOPED_TRACE(c.faults);
        standin::Reset(kUnexplainedTags);
        standin::SetFaults(c.faults);
        std::vector<TreeLine> lines;
        const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
            lines = ReadTree(Tree(window));
            ui_driver::PressButton(window, IDCANCEL);
        });
        EXPECT_TRUE(lines.empty());
        ASSERT_EQ(run.boxes.size(), 1u);
        const std::string prefix = "Не удалось прочитать список тегов (ошибка 0x";
        EXPECT_EQ(run.boxes[0].substr(0, prefix.size()), prefix) << run.boxes[0];
        if (c.exactCode) {
            EXPECT_EQ(run.boxes[0], prefix + "800706BE).");
        }
    }
    // A server's own failure on the first call still means "no tags", silently.
    standin::Reset(kUnexplainedTags);
    standin::SetFaults("fail EnumTags 0x80004005\n");
    const MainRun quiet = RunMain([](HWND window, CTarnelDlg&) { ui_driver::PressButton(window, IDCANCEL); });
    EXPECT_EQ(quiet.boxes, std::vector<std::string>{});
}

// Waits for the restart to end with the window enabled and its title back.
void WaitForRestart(HWND window)
{
    ui_driver::WaitFor([&] { return !IsWindowEnabled(window); }, 10000);
    ui_driver::WaitFor([&] { return IsWindowEnabled(window) && StoredTitle(window) == kMainTitle; }, 30000);
    ui_driver::WaitUntilBack(window);
}

TEST(RestartTest, ServerEndingInsideTheRestartIsNotARefusal)
{
    CDescriptionDir descriptions;
    descriptions.Write("meter.dsc", kMeterDescription);
    for (const char* faults : {"restart-dies\n", "fail RestartServer 0x800706BE\n"}) {
        SCOPED_TRACE(faults);
        standin::Reset("7 5 1 20000000\n");
        standin::SetFaults(faults);
        std::vector<TreeLine> after;
        const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
            standin::ClearFaults();  // the server after the restart plays none
            ui_driver::PressButton(window, IDC_APPLY);
            WaitForRestart(window);
            after = ReadTree(Tree(window));
            ui_driver::PressButton(window, IDCANCEL);
        });
        EXPECT_EQ(run.boxes, std::vector<std::string>{});
        EXPECT_EQ(after.size(), 2u) << DescribeTree(after);  // Meter(005) and its Voltage
        EXPECT_EQ(run.result, IDCANCEL);
    }
    standin::Reset();
    standin::WaitUntilServerGone();
}

TEST(RestartTest, InputDuringASlowRestartCallIsNotCarriedOut)
{
    CDescriptionDir descriptions;
    descriptions.Write("meter.dsc", kMeterDescription);
    standin::Reset("7 5 1 20000000\n");
    // The call lasts 3 s of this machine's time: the checks below happen well inside it.
    standin::SetFaults("slow RestartServer " + std::to_string(ui_driver::ResponseLimitMs(3000)) + "\n");
    bool disabledDuringCall = false;
    bool comPortDialogOpened = false;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        ui_driver::PressButton(window, IDC_APPLY);
        // Inside the slow call: the window is disabled, the title has not changed yet.
        ui_driver::WaitFor([&] { return !IsWindowEnabled(window); }, 1000);
        disabledDuringCall = !IsWindowEnabled(window) && StoredTitle(window) == kMainTitle;
        // A real mouse click on the COM-port button, through the system's input queue.
        RECT rect;
        GetWindowRect(GetDlgItem(window, IDC_COM_PORT), &rect);
        SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        INPUT clicks[2] = {};
        clicks[0].type = clicks[1].type = INPUT_MOUSE;
        clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, clicks, sizeof(INPUT));
        WaitForRestart(window);
        // The click has been taken (or dropped) once a key sent after it has been taken.
        keys::WaitUntilInputTaken();
        ui_driver::WaitUntilBack(window);
        HWND comPort = ui_driver::WaitForDialog("Настройки", 0);
        comPortDialogOpened = comPort != nullptr;
        if (comPort != nullptr) {
            ui_driver::PressButton(comPort, IDCANCEL);
            ui_driver::WaitUntilGone(comPort);
        }
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_TRUE(disabledDuringCall);
    EXPECT_FALSE(comPortDialogOpened);
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    standin::Reset();
    standin::WaitUntilServerGone();
}

}  // namespace
