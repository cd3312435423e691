// The main window keeps the texts, keys and shape of its tree in the program beside the
// tree control, and Find reads that copy. After every command that changes the tree the
// copy must read exactly as the control does. Find with a character outside the system's
// code page finds nothing and says so with the text as typed.
#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FileDialogDriver.h"
#include "MainWindowRun.h"
#include "MenuDriver.h"
#include "ServerFiles.h"
#include "StandinFixture.h"
#include "TreeReader.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "res/resource.h"
#include "tree/TreeMirror.h"
#include "ui/Text.h"

namespace {

// The mirror read as the control is read by ReadTree: level, text and key of every node.
std::vector<TreeLine> MirrorLines(const CTreeMirror& mirror)
{
    std::vector<TreeLine> lines;
    const CTreeMirrorView view(mirror);
    for (TreeNode node = view.FirstChild(nullptr); node != nullptr;) {
        TreeLine line;
        for (TreeNode up = view.Parent(node); up != nullptr; up = view.Parent(up)) ++line.level;
        line.text = view.Text(node);
        line.key = view.Data(node);
        lines.push_back(line);
        TreeNode next = view.FirstChild(node);
        for (TreeNode up = node; next == nullptr && up != nullptr; up = view.Parent(up)) next = view.NextSibling(up);
        node = next;
    }
    return lines;
}

// Waits until the command chosen last has ended: its window's thread has taken a message
// posted after it (while a command waits on the server, COM's wait answers only sent
// messages, so a posted one is taken once the command is over, or has reached a box or a
// dialog of its own) and the window is enabled with no box open.
void WaitForTheCommandToEnd(HWND window) { ui_driver::WaitUntilBack(window, 30000); }

// Empty when the mirror and the control hold the same nodes in the same order; otherwise
// both trees. Read once the command has ended, between the window's commands.
std::string MirrorDifference(HWND window, const CTarnelDlg& dlg, const char* step)
{
    WaitForTheCommandToEnd(window);
    const std::vector<TreeLine> control = ReadTree(Tree(window));
    const std::vector<TreeLine> mirror = MirrorLines(dlg.m_TreeMirror);
    if (control == mirror && !control.empty()) return "";
    return std::string("after ") + step + ":\ncontrol\n" + DescribeTree(control) + "mirror\n" + DescribeTree(mirror);
}

bool ImportFile(HWND window, const std::filesystem::path& path)
{
    if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Импорт тегов...")) return false;
    if (file_dialog::Choose("Импорт тегов", path) == "(no file dialog)") return false;
    HWND preview = ui_driver::WaitForWindow([](HWND w) { return GetDlgItem(w, IDC_IMPORT_COUNTS) != nullptr; }, 15000);
    if (preview == nullptr) return false;
    ui_driver::PressButton(preview, IDOK);
    ui_driver::WaitUntilGone(preview, 60000);
    ui_driver::WaitUntilBack(window);
    return true;
}

std::string SelectedText(HWND tree)
{
    const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    wchar_t text[256] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 256;
    if (item) SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return Narrow(text);
}

class TreeMirrorTest : public CWindowTest {
protected:
    void SetUp() override { Prepare("7 5 1 20000000\n7 5 4 20000000\n7 6 2 20000000\n7 6 3 20000000\n"); }
};

TEST_F(TreeMirrorTest, ReadsAsTheControlAfterEveryCommandThatChangesTheTree)
{
    const std::filesystem::path csv = std::filesystem::current_path() / "mirror-import.csv";
    std::ofstream(csv, std::ios::binary) << "device;address;type;param;name;period_ms\r\n"
                                            "Meter;5;7;2;Meter(005).Phase.A;2000\r\n"
                                            "Meter;8;7;3;Meter(008).Phase.B;2000\r\n";
    std::vector<std::string> differences;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg& dlg) {
        const auto check = [&](const char* step) {
            const std::string difference = MirrorDifference(window, dlg, step);
            if (!difference.empty()) differences.push_back(difference);
        };
        check("fill");

        ui_driver::PressButton(window, IDC_ADD_DEVICE);
        if (HWND add = ui_driver::WaitForDialog("Добавление устройства")) {
            SelectCombo(add, IDC_DEVICE_TYPE, "Meter");
            SetText(add, IDC_NET_ADDRESS, "20");
            ui_driver::PressButton(add, IDOK);
            ui_driver::WaitUntilGone(add);
        }
        check("add device");

        if (ChooseFromMenu(window, PointOf(window, {"Meter(020)"}), "Добавить тег")) {
            if (HWND tags = ui_driver::WaitForDialog("Добавление тега для устройства ")) {
                HWND tree = GetDlgItem(tags, IDC_PARAM_TREE);
                SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FindTreeItem(tree, {"Meter(020)"})));
                ui_driver::PressButton(tags, IDOK);
                if (HWND box = ui_driver::WaitForMessageBox(10000)) ui_driver::WaitUntilGone(box, 10000);
                ui_driver::PressButton(tags, IDCANCEL);
                ui_driver::WaitUntilGone(tags);
            }
        }
        check("add tags");

        ChooseFromMenu(window, PointOf(window, {"Meter(020)", "Voltage"}), "Удалить тег");
        check("delete tag");
        ChooseFromMenu(window, PointOf(window, {"Meter(020)", "Phase"}), "Удалить теги");
        check("delete group");
        ChooseFromMenu(window, PointOf(window, {"Meter(006)"}), "Удалить устройство");
        check("delete device");

        ImportFile(window, csv);
        check("import");

        ui_driver::PressButton(window, IDC_APPLY);
        ui_driver::WaitFor([&] { return StoredTitle(window) == "Перезапускается сервер..."; }, 10000);
        ui_driver::WaitFor([&] { return StoredTitle(window) == kMainTitle && IsWindowEnabled(window); }, 20000);
        ui_driver::WaitFor([&] { return SendMessageW(Tree(window), TVM_GETCOUNT, 0, 0) > 0; }, 10000);
        check("restart");
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_TRUE(run.shown);
    for (const std::string& difference : differences) ADD_FAILURE() << difference;
    // The commands did their work: the server holds what the tree showed.
    EXPECT_EQ(ServerTags(), Sorted({"7 20 4 20000000", "7 5 1 20000000", "7 5 2 20000000", "7 5 4 20000000",
                                    "7 8 3 20000000"}));
}

TEST_F(TreeMirrorTest, FindWithACharacterOutsideTheCodePageFindsNothingAndShowsTheTextAsTyped)
{
    std::string selectedBefore, selectedAfter;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        HWND tree = Tree(window);
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FindTreeItem(tree, {"Meter(006)"})));
        selectedBefore = SelectedText(tree);
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(tree), "Найти...")) return;
        HWND dialog = ui_driver::WaitForDialog("Найти");
        if (dialog == nullptr) return;
        // Neither may become "?" or a look-alike letter ("a" for "\u00E4") and match a node.
        for (const wchar_t* query : {L"\u65E5", L"Me\u00E4ter", L"M\u00E9ter"}) {
            SetDlgItemTextW(dialog, IDC_FIND_TEXT, query);
            ui_driver::PressButton(dialog, IDOK);
            ui_driver::WaitUntilBack(dialog);
        }
        selectedAfter = SelectedText(tree);
        ui_driver::PressButton(dialog, IDCANCEL);
        ui_driver::WaitUntilGone(dialog);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(selectedBefore, "Meter(006)");
    EXPECT_EQ(selectedAfter, "Meter(006)");
    EXPECT_EQ(run.wideBoxes, (std::vector<std::wstring>{Widen("Не найдено: «") + L"\u65E5" + Widen("»"),
                                                         Widen("Не найдено: «") + L"Me\u00E4ter" + Widen("»"),
                                                         Widen("Не найдено: «") + L"M\u00E9ter" + Widen("»")}));
}

}  // namespace
