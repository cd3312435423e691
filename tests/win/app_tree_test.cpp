// The main window's configuration tree and the server restart, against the stand-in
// server through real COM.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MainWindowRun.h"
#include "StandinFixture.h"
#include "TreeReader.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "res/resource.h"
#include "standin_support.h"
#include "tree/TagKey.h"

namespace {

const char kInitialTags[] =
    "7 5 1 20000000\n"
    "7 5 2 20000000\n"
    "7 5 3 20000000\n"
    "7 5 4 20000000\n"
    "7 6 1 10000000\n"
    "9 3 1 10000000\n";

TreeLine Line(int level, const std::string& text, std::uint32_t address, std::uint32_t type, std::uint32_t part)
{
    TreeLine line;
    line.level = level;
    line.text = text;
    line.key = MakeTagKey(address, type, part);
    return line;
}

class TreeTest : public CWindowTest {
protected:
    void SetUp() override { Prepare(kInitialTags); }
};

TEST_F(TreeTest, FilledTreeShowsTheServersTagsSortedAndCollapsed)
{
    std::vector<TreeLine> lines;
    bool sorted = false;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        HWND tree = GetDlgItem(window, IDC_CONFIG_TREE);
        lines = ReadTree(tree);
        sorted = SiblingsSorted(tree);
        ui_driver::SaveScreenshot(window, "main-window-tree");
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(run.boxes, std::vector<std::string>{});

    // The unknown type 9 and its parameter show under stand-in names.
    std::vector<TreeLine> expected = {
        Line(0, "Тип 9(003)", 3, 9, 0),  Line(1, "Параметр 1", 3, 9, 1),
        Line(0, "Meter(005)", 5, 7, 0),  Line(1, "Deep", 5, 7, kGroupParamPart),
        Line(2, "Er", 5, 7, kGroupParamPart), Line(3, "Name", 5, 7, 4),
        Line(1, "Phase", 5, 7, kGroupParamPart), Line(2, "A", 5, 7, 2), Line(2, "B", 5, 7, 3),
        Line(1, "Voltage", 5, 7, 1),     Line(0, "Meter(006)", 6, 7, 0), Line(1, "Voltage", 6, 7, 1),
    };
    // Compare as sets of lines under their parents; the order is checked separately.
    auto sortedCopy = [](std::vector<TreeLine> v) {
        std::vector<std::string> out;
        std::string path[8];
        for (const TreeLine& l : v) {
            path[l.level] = l.text;
            std::string full;
            for (int i = 0; i <= l.level; ++i) full += path[i] + "/";
            out.push_back(full + std::to_string(l.key));
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ(sortedCopy(lines), sortedCopy(expected)) << DescribeTree(lines);
    EXPECT_TRUE(sorted) << DescribeTree(lines);
    for (const TreeLine& line : lines) EXPECT_FALSE(line.expanded) << line.text;
}

TEST_F(TreeTest, RestartShowsTheNewSetAndRestoresTheWindow)
{
    std::vector<std::string> titles;
    std::vector<TreeLine> after;
    bool buttonsDisabledDuringRestart = false;
    bool enabledAfter = false;
    std::string firstPid;
    std::string secondPid;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        firstPid = std::to_string(standin::ServerPid());
        standin::WriteStateFile("tags.txt", "7 8 2 20000000\n");
        ui_driver::PressButton(window, IDC_APPLY);
        ui_driver::WaitFor(
            [&] {
                const std::string title = StoredTitle(window);
                if (titles.empty() || titles.back() != title) titles.push_back(title);
                if (!IsWindowEnabled(window) && !IsWindowEnabled(GetDlgItem(window, IDC_APPLY)) &&
                    !IsWindowEnabled(GetDlgItem(window, IDC_COM_PORT)) &&
                    !IsWindowEnabled(GetDlgItem(window, IDCANCEL)))
                    buttonsDisabledDuringRestart = true;
                return titles.size() > 1 && title == kMainTitle;
            },
            20000);
        ui_driver::WaitUntilBack(window);
        enabledAfter = IsWindowEnabled(window) && IsWindowEnabled(GetDlgItem(window, IDC_APPLY)) &&
                       IsWindowEnabled(GetDlgItem(window, IDC_COM_PORT)) &&
                       IsWindowEnabled(GetDlgItem(window, IDCANCEL));
        after = ReadTree(GetDlgItem(window, IDC_CONFIG_TREE));
        secondPid = std::to_string(standin::ServerPid());
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    const std::vector<std::string> expectedTitles = {kMainTitle, "Перезапускается сервер.",
                                                     "Перезапускается сервер..",
                                                     "Перезапускается сервер...", kMainTitle};
    // The plain "Перезапускается сервер" stands only for an instant before the first dot.
    std::vector<std::string> seen;
    for (const std::string& t : titles)
        if (t != "Перезапускается сервер") seen.push_back(t);
    EXPECT_EQ(seen, expectedTitles);
    EXPECT_TRUE(buttonsDisabledDuringRestart);
    EXPECT_TRUE(enabledAfter);
    EXPECT_NE(firstPid, secondPid) << "a new server process must answer after the restart";
    const std::vector<TreeLine> expected = {Line(0, "Meter(008)", 8, 7, 0), Line(1, "Phase", 8, 7, kGroupParamPart),
                                            Line(2, "A", 8, 7, 2)};
    EXPECT_EQ(after, expected) << DescribeTree(after);
}

TEST_F(TreeTest, ServerGoneAfterRestartEndsTheProgram)
{
    standin::SetFaults("no-restart\n");
    DWORD pressed = 0, gone = 0;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        ui_driver::PressButton(window, IDC_APPLY);
        pressed = GetTickCount();
        ui_driver::WaitUntilGone(window, 60000);
        gone = GetTickCount();
    });
    EXPECT_TRUE(run.shown);
    EXPECT_EQ(run.boxes, std::vector<std::string>{"Невозможно подключиться к серверу"});
    EXPECT_EQ(run.result, 0);
    // The three given seconds, then up to 30 more of trying before the message.
    EXPECT_GE(gone - pressed, 32000u);
}

// A real server can take longer than three seconds to come back (a service, a slow port):
// the window keeps trying, its title counting on, and rebuilds the tree once it answers.
TEST_F(TreeTest, ServerBackLateAfterRestartRebuildsTheTree)
{
    std::vector<std::string> titles;
    std::vector<TreeLine> after;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        // Faults are read at each new connection: one more makes the running server refuse
        // what follows its restart.
        standin::SetFaults("no-restart\n");
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        IAddTags* reader = nullptr;
        EXPECT_EQ(standin_test::Connect(&reader), S_OK);
        if (reader != nullptr) reader->Release();
        CoUninitialize();
        ui_driver::PressButton(window, IDC_APPLY);
        bool back = false;
        ui_driver::WaitFor(
            [&] {
                const std::string title = StoredTitle(window);
                if (titles.empty() || titles.back() != title) titles.push_back(title);
                // The server comes back once the window has gone on trying past the given
                // three seconds: "..." followed by "." again.
                const auto threeDots = std::find(titles.begin(), titles.end(), "Перезапускается сервер...");
                if (!back && threeDots != titles.end() &&
                    std::find(threeDots, titles.end(), "Перезапускается сервер.") != titles.end()) {
                    standin::ClearFaults();
                    back = true;
                }
                return titles.size() > 1 && title == kMainTitle;
            },
            40000);
        ui_driver::WaitUntilBack(window);
        after = ReadTree(GetDlgItem(window, IDC_CONFIG_TREE));
        ui_driver::PressButton(window, IDCANCEL);
    });
    standin::ClearFaults();
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    ASSERT_FALSE(titles.empty());
    EXPECT_EQ(titles.back(), kMainTitle);
    // The dots went on after the given three: "..." was followed by "." again.
    const auto threeDots = std::find(titles.begin(), titles.end(), "Перезапускается сервер...");
    ASSERT_NE(threeDots, titles.end());
    EXPECT_NE(std::find(threeDots, titles.end(), "Перезапускается сервер."), titles.end());
    EXPECT_EQ(after.size(), 12u) << DescribeTree(after);
    EXPECT_EQ(run.result, IDCANCEL);
}

TEST_F(TreeTest, InterfaceRefusedAfterRestartEndsTheProgram)
{
    const MainRun run = RunMain([](HWND window, CTarnelDlg&) {
        // Read by the next connection only: the one after the restart.
        standin::SetFaults("instance 0x80004002\n");
        ui_driver::PressButton(window, IDC_APPLY);
        ui_driver::WaitUntilGone(window, 60000);  // three seconds, then 30 of trying
    });
    EXPECT_EQ(run.boxes, std::vector<std::string>{"Недоступен интерфейс IAddTags для конфигурации"});
    EXPECT_EQ(run.result, 0);
}

TEST_F(TreeTest, RefusedRestartIsReportedAfterTheTreeIsRebuilt)
{
    standin::SetFaults("fail RestartServer 0x80004005\n");
    std::vector<TreeLine> after;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        ui_driver::PressButton(window, IDC_APPLY);
        ui_driver::WaitFor([&] { return ui_driver::WaitForMessageBox(100) != nullptr || !IsWindow(window); }, 20000);
        ui_driver::WaitUntilBack(window);
        after = ReadTree(GetDlgItem(window, IDC_CONFIG_TREE));
        ui_driver::PressButton(window, IDCANCEL);
    });
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0],
              "Сервер не перезапустился (ошибка 0x80004005).\nНовая конфигурация может не действовать.");
    EXPECT_EQ(after.size(), 12u) << DescribeTree(after);
    EXPECT_EQ(run.result, IDCANCEL);
}

TEST_F(TreeTest, EndlessTagListIsCutAndReported)
{
    standin::SetFaults("enum-endless\n");
    std::vector<TreeLine> lines;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        lines = ReadTree(GetDlgItem(window, IDC_CONFIG_TREE));
        // The window stays usable: Escape still closes it.
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0],
              "Сервер не завершил список тегов: тег был выдан повторно.\n"
              "Чтение списка остановлено, показано тегов: 6.");
    EXPECT_EQ(lines.size(), 12u) << DescribeTree(lines);
    EXPECT_EQ(run.result, IDCANCEL);
}

TEST_F(TreeTest, NoTagsLeavesTheTreeEmpty)
{
    standin::WriteStateFile("tags.txt", "");
    std::vector<TreeLine> lines{TreeLine{}};
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        lines = ReadTree(GetDlgItem(window, IDC_CONFIG_TREE));
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(run.boxes, std::vector<std::string>{});
    EXPECT_TRUE(lines.empty()) << DescribeTree(lines);
}

}  // namespace
