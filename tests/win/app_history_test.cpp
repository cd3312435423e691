// The change journal in the main window: undo and redo through the real menus and keys,
// the question when the journal cannot be written, the background snapshot and restoring
// a snapshot through the history dialog, against the stand-in server through real COM.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "BoxAnswerer.h"
#include "KeyInput.h"
#include "MainWindowRun.h"
#include "MenuDriver.h"
#include "ServerFiles.h"
#include "StandinFixture.h"
#include "standin_support.h"
#include "TreeReader.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "app/SnapshotThread.h"
#include "common/AtomicFile.h"
#include "history/History.h"
#include "res/resource.h"
#include "tree/TagKey.h"
#include "tagfile/TextEncoding.h"
#include "ui/Text.h"
#include "zolctl_support.h"

namespace {

namespace fs = std::filesystem;

// The server's own format of tags.txt, so that "byte-identical" compares like with like.
const char kTagsHeader[] = "# type address param period(100ns)\n";

// A box's text without the blank each of its lines ends with (so that the box's measure
// covers the widest line as drawn); a line without one is a failure.
std::string Unblanked(std::string box)
{
    EXPECT_FALSE(box.empty());
    EXPECT_EQ(box.empty() ? '\0' : box.back(), ' ') << box;
    if (!box.empty()) box.pop_back();
    for (std::size_t at = 0; (at = box.find('\n', at)) != std::string::npos; ++at) {
        EXPECT_TRUE(at > 0 && box[at - 1] == ' ') << box;
        if (at > 0 && box[at - 1] == ' ') box.erase(--at, 1);
    }
    return box;
}

// The answerer of the window run now (RunWindow), for scripts that count its boxes.
CBoxAnswerer* g_pAnswerer = nullptr;

// The main window run modally with the questions answered as asked.
MainRun RunWindow(bool answerYes, const std::function<void(HWND window, CTarnelDlg& dlg)>& script)
{
    MainRun run;
    CBoxAnswerer::SetQuestionRule([answerYes](const std::string&) { return answerYes ? IDYES : IDNO; });
    CBoxAnswerer answerer;
    g_pAnswerer = &answerer;
    CTarnelDlg dlg;
    std::atomic<bool> ended{false};
    {
        ui_driver::CScript driver([&] {
            HWND window = nullptr;
            ui_driver::WaitFor(
                [&] { return ended || (window = ui_driver::WaitForDialog("Конфигуратор ZOL-OPC-Server версия", 50)); });
            if (window == nullptr) return;
            run.shown = true;
            script(window, dlg);
            if (!ui_driver::WaitUntilGone(window, 30000)) {
                ADD_FAILURE() << "the script left the main window open";
                PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            }
        });
        run.result = dlg.DoModal();
        ended = true;
    }
    ui_driver::DrainQuitMessage();
    answerer.Stop();
    g_pAnswerer = nullptr;
    CBoxAnswerer::SetQuestionRule(nullptr);
    run.boxes = answerer.Texts();
    return run;
}

void PressKeys(HWND window, const std::vector<WORD>& keys)
{
    SetForegroundWindow(window);
    SetFocus(Tree(window));
    keys::Press(keys);
}

struct MenuLine {
    std::string text;
    bool enabled = true;
    bool operator==(const MenuLine& o) const { return text == o.text && enabled == o.enabled; }
};

std::ostream& operator<<(std::ostream& out, const MenuLine& line)
{
    return out << '"' << line.text << '"' << (line.enabled ? "" : " (disabled)");
}

#ifndef MN_GETHMENU
#define MN_GETHMENU 0x01E1
#endif

// The items after the last separator of the menu at the point, with their state.
std::vector<MenuLine> LastMenuGroup(HWND window, POINT point)
{
    std::vector<MenuLine> lines;
    HWND menuWindow = OpenContextMenu(window, point);
    if (menuWindow == nullptr) return {MenuLine{"(no menu)", false}};
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    const int count = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (state & MF_SEPARATOR) {
            lines.clear();
            continue;
        }
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        lines.push_back({Narrow(text), (state & (MF_GRAYED | MF_DISABLED)) == 0});
    }
    DismissMenu(menuWindow);
    return lines;
}

using Rows = ui_driver::Rows;
using ui_driver::ListRows;

bool HasNode(HWND window, const std::vector<std::string>& path) { return FindTreeItem(Tree(window), path) != nullptr; }

std::string Utf8(const char* cp1251) { return Cp1251ToUtf8(cp1251); }

// "Импорт тегов..." on empty space, the file named in the open dialog: the import preview
// (null when a step did not come).
HWND OpenImportPreview(HWND window, const fs::path& file)
{
    if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Импорт тегов...")) return nullptr;
    // The open dialog: its file-name field is edt1 (1152) or the combo cmb13 (1148).
    HWND open = ui_driver::WaitForWindow(
        [](HWND w) {
            return ui_driver::Text(w) == "Импорт тегов" &&
                   (GetDlgItem(w, 1152) != nullptr || GetDlgItem(w, 1148) != nullptr);
        },
        10000);
    if (open == nullptr) return nullptr;
    ui_driver::Settle(open);
    HWND field = GetDlgItem(open, 1152);
    if (field == nullptr) field = GetDlgItem(open, 1148);
    SetWindowTextW(field, file.wstring().c_str());
    ui_driver::PressButton(open, IDOK);
    ui_driver::WaitUntilGone(open, 10000);
    return ui_driver::WaitForWindow(
        [](HWND w) { return ui_driver::Text(w) == "Импорт тегов" && GetDlgItem(w, IDC_IMPORT_STOP) != nullptr; });
}

// "Импорт тегов..." on empty space, the file named in the open dialog, the preview's
// "Импортировать" pressed; false when a window did not come.
bool ImportThroughTheWindow(HWND window, const fs::path& file)
{
    HWND preview = OpenImportPreview(window, file);
    if (preview == nullptr) return false;
    ui_driver::PressButton(preview, IDOK);
    ui_driver::WaitUntilGone(preview);
    return true;
}

// While a preview waits, another program (zolctl, with the descriptions in dsc) sets the
// period of Meter(005).Voltage to 4000 ms; then OK in the preview, the server awaited until
// it holds `held` (*confirmed: what it holds then), the dialog below closed (when given),
// then Ctrl+Z: what the server holds after it.
std::vector<std::string> ConfirmThenUndo(HWND window, HWND preview, HWND below, const std::wstring& dsc,
                                         const std::vector<std::string>& held, std::vector<std::string>* confirmed)
{
    EXPECT_EQ(RunCtl({L"period", L"7", L"5", L"1", L"4000", L"--dsc", dsc}).code, 0);
    ui_driver::PressButton(preview, IDOK);
    ui_driver::WaitUntilGone(preview);
    ui_driver::WaitFor([&] { return ServerTags() == held; }, 5000);
    ui_driver::WaitUntilBack(below != nullptr ? below : window);  // the count's message
    *confirmed = ServerTags();
    if (below != nullptr) {
        ui_driver::PressButton(below, IDCANCEL);
        ui_driver::WaitUntilGone(below);
    }
    PressKeys(window, {VK_CONTROL, 'Z'});
    ui_driver::WaitFor([&] { return ServerTags() != *confirmed; }, 5000);
    ui_driver::WaitUntilBack(window);
    return ServerTags();
}

// A snapshot in the folder holding Meter(005).Voltage at 2000 ms.
void WriteVoltageSnapshot(const fs::path& history)
{
    fs::create_directories(history);
    TagFileRecord voltage;
    voltage.id = TagId{7, 5, 1};
    voltage.period = 20000000;
    voltage.device = "Meter";
    voltage.name = "Meter(005).Voltage";
    std::ofstream(history / "20261201-100000-zolcfg.csv", std::ios::binary)
        << MakeSnapshotText({voltage}, PortSettings(), "zolcfg 0.917.1", LocalTime{2026, 12, 1, 10, 0, 0, 180});
}

class HistoryTest : public CWindowTest {
protected:
    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        m_history = fs::temp_directory_path() / (std::string("zolcfg-history-") + info->name());
        std::error_code ec;
        fs::remove_all(m_history, ec);
        wchar_t saved[1024] = {};
        m_hadHistory = GetEnvironmentVariableW(L"ZOLCFG_HISTORY", saved, 1024) > 0;
        m_savedHistory = saved;
        SetEnvironmentVariableW(L"ZOLCFG_HISTORY", m_history.wstring().c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"ZOLCFG_HISTORY", m_hadHistory ? m_savedHistory.c_str() : nullptr);
        SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"0");
        CWindowTest::TearDown();
    }

    std::vector<JournalLine> Journal() const
    {
        std::vector<JournalLine> lines;
        std::string error;
        EXPECT_TRUE(ReadJournal(m_history, &lines, &error)) << error;
        return lines;
    }
    // The journal's lines of one action: "name before after result" each.
    std::vector<std::string> LinesOf(const char* action) const
    {
        std::vector<std::string> out;
        for (const JournalLine& l : Journal())
            if (l.action == Utf8(action)) out.push_back(l.name + " " + l.before + " " + l.after + " " + l.result);
        return out;
    }

    fs::path m_history;
    bool m_hadHistory = false;
    std::wstring m_savedHistory;
};

// ---------------------------------------------------------------------------------------

TEST_F(HistoryTest, DeleteDeviceThenCtrlZRestoresTheServerByteForByteAndCtrlYDeletesAgain)
{
    // A device whose tags have periods of their own, beside another device.
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n7 5 2 30000000\n7 5 3 15000000\n7 5 4 1234560000\n"
                                       "7 6 1 20000000\n");
    const std::string before = standin::ReadStateFile("tags.txt");
    std::string afterDelete, afterUndo, afterRedo;
    std::vector<TreeLine> treeBefore, treeAfterUndo;
    std::vector<MenuLine> menuAtStart, menuAfterDelete, menuAfterUndo, deviceMenu;
    bool deleted = false, undone = false, redone = false;
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg&) {
        menuAtStart = LastMenuGroup(window, EmptyTreeScreenPoint(Tree(window)));
        PointOf(window, {"Meter(005)", "Phase", "A"});  // opens the branch, as a user would
        treeBefore = ReadTree(Tree(window));
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Удалить устройство")) return;
        deleted = ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(005)"}); }, 10000);
        afterDelete = standin::ReadStateFile("tags.txt");
        menuAfterDelete = LastMenuGroup(window, EmptyTreeScreenPoint(Tree(window)));
        HWND menu = OpenContextMenu(window, PointOf(window, {"Meter(006)"}));
        if (menu) {
            ui_driver::SaveScreenshot(menu, "context-menu-undo");
            DismissMenu(menu);
        }
        deviceMenu = LastMenuGroup(window, PointOf(window, {"Meter(006)"}));

        PressKeys(window, {VK_CONTROL, 'Z'});
        undone = ui_driver::WaitFor([&] { return HasNode(window, {"Meter(005)"}); }, 10000);
        ui_driver::WaitUntilBack(window);
        afterUndo = standin::ReadStateFile("tags.txt");
        PointOf(window, {"Meter(005)", "Phase", "A"});
        treeAfterUndo = ReadTree(Tree(window));
        menuAfterUndo = LastMenuGroup(window, EmptyTreeScreenPoint(Tree(window)));

        PressKeys(window, {VK_CONTROL, 'Y'});
        redone = ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(005)"}); }, 10000);
        ui_driver::WaitUntilBack(window);
        afterRedo = standin::ReadStateFile("tags.txt");
        ui_driver::PressButton(window, IDCANCEL);
    });
    ASSERT_TRUE(deleted && undone && redone) << deleted << undone << redone;
    EXPECT_TRUE(run.boxes.empty()) << run.boxes.front();
    EXPECT_EQ(menuAtStart, (std::vector<MenuLine>{{"Отменить", false}, {"Вернуть", false}, {"История изменений...", true}}));
    EXPECT_EQ(menuAfterDelete, (std::vector<MenuLine>{{"Отменить: Удалить устройство", true},
                                                      {"Вернуть", false},
                                                      {"История изменений...", true}}));
    EXPECT_EQ(deviceMenu, (std::vector<MenuLine>{{"Отменить: Удалить устройство", true}, {"Вернуть", false}}));
    EXPECT_EQ(menuAfterUndo, (std::vector<MenuLine>{{"Отменить", false},
                                                    {"Вернуть: Удалить устройство", true},
                                                    {"История изменений...", true}}));
    EXPECT_NE(afterDelete, before);
    EXPECT_EQ(afterUndo, before);
    EXPECT_EQ(afterRedo, afterDelete);
    // The nodes came back under their names with the same keys.
    EXPECT_EQ(treeAfterUndo, treeBefore) << DescribeTree(treeAfterUndo) << "\n--\n" << DescribeTree(treeBefore);

    // Every call journaled with what was there before and after.
    const std::vector<std::string> deletions{"Meter(005).Voltage 2000  ok", "Meter(005).Phase.A 3000  ok",
                                             "Meter(005).Phase.B 1500  ok", "Meter(005).Deep.Er.Name 123456  ok"};
    std::vector<std::string> got = LinesOf("Удалить устройство");
    std::sort(got.begin(), got.end());
    std::vector<std::string> want = deletions;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
    std::vector<std::string> undoLines = LinesOf("Отменить: Удалить устройство");
    std::sort(undoLines.begin(), undoLines.end());
    EXPECT_EQ(undoLines, (std::vector<std::string>{"Meter(005).Deep.Er.Name  123456 ok", "Meter(005).Phase.A  3000 ok",
                                                   "Meter(005).Phase.B  1500 ok", "Meter(005).Voltage  2000 ok"}));
    EXPECT_EQ(LinesOf("Вернуть: Удалить устройство").size(), 4u);
    for (const JournalLine& l : Journal()) EXPECT_EQ(l.program.rfind("zolcfg 0.917.", 0), 0u) << l.program;
}

TEST_F(HistoryTest, UndoOfAnImportAndOfABranchPeriod)
{
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n7 5 2 20000000\n");
    const std::string before = standin::ReadStateFile("tags.txt");
    const fs::path file = m_descriptions.Path() / "rows.csv";
    {
        std::ofstream out(file, std::ios::binary);
        out << "device;address;type;param;name;period_ms\r\n"
               "Meter;5;7;1;Meter(005).Voltage;5000\r\n"
               "Meter;6;7;3;Meter(006).Phase.B;700\r\n";
    }
    std::vector<std::string> afterImport, afterImportUndo, afterPeriod, afterPeriodUndo;
    bool importedShown = false, importUndoneShown = false;
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg&) {
        if (!ImportThroughTheWindow(window, file)) return;
        importedShown = ui_driver::WaitFor([&] { return HasNode(window, {"Meter(006)"}); }, 5000);
        afterImport = ServerTags();

        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Отменить: Импорт тегов")) return;
        importUndoneShown = ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(006)"}); }, 5000);
        ui_driver::WaitUntilBack(window);
        afterImportUndo = ServerTags();

        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Изменить период...")) return;
        HWND period = ui_driver::WaitForDialog("Период обновления тегов: ");
        if (period == nullptr) return;
        SetText(period, IDC_PERIOD_EDIT, "900");
        ui_driver::PressButton(period, IDOK);
        ui_driver::WaitUntilGone(period);
        ui_driver::WaitFor([&] { return ServerTags() == std::vector<std::string>{"7 5 1 9000000", "7 5 2 9000000"}; },
                           5000);
        afterPeriod = ServerTags();
        ui_driver::WaitUntilBack(window);  // the count's message box
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Отменить: Изменить период")) return;
        ui_driver::WaitFor([&] { return ServerTags() == afterImportUndo; }, 5000);
        ui_driver::WaitUntilBack(window);
        afterPeriodUndo = ServerTags();
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_TRUE(importedShown);
    EXPECT_TRUE(importUndoneShown);
    EXPECT_EQ(afterImport, (std::vector<std::string>{"7 5 1 50000000", "7 5 2 20000000", "7 6 3 7000000"}));
    EXPECT_EQ(afterImportUndo, (std::vector<std::string>{"7 5 1 20000000", "7 5 2 20000000"}));
    EXPECT_EQ(afterPeriod, (std::vector<std::string>{"7 5 1 9000000", "7 5 2 9000000"}));
    EXPECT_EQ(afterPeriodUndo, afterImportUndo);
    EXPECT_EQ(standin::ReadStateFile("tags.txt"), before);
    // The import's change was journaled with the period read before the import.
    std::vector<std::string> imported = LinesOf("Импорт тегов");
    std::sort(imported.begin(), imported.end());
    EXPECT_EQ(imported, (std::vector<std::string>{"Meter(005).Voltage 2000 5000 ok", "Meter(006).Phase.B  700 ok"}));
    EXPECT_EQ(LinesOf("Отменить: Изменить период").size(), 2u);
}

TEST_F(HistoryTest, AnUndoTheServerPartlyRefusesIsReportedOnceAndStaysUndoable)
{
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n7 5 2 30000000\n7 5 3 15000000\n");
    const std::string before = standin::ReadStateFile("tags.txt");
    // The server reads its faults as it starts: it refuses to add back one tag.
    standin::SetFaults("fail AddTag 0x80004005 7 5 2\n");
    std::vector<std::string> afterRefusedUndo;
    std::vector<MenuLine> menuAfterRefusal;
    bool phaseAShown = true, voltageShown = false, finallyShown = false;
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Удалить устройство")) return;
        ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(005)"}); }, 10000);
        PressKeys(window, {VK_CONTROL, 'Z'});
        ui_driver::WaitFor([&] { return HasNode(window, {"Meter(005)"}); }, 10000);
        ui_driver::WaitUntilBack(window);  // the refusal's message
        afterRefusedUndo = ServerTags();
        voltageShown = HasNode(window, {"Meter(005)", "Voltage"});
        phaseAShown = HasNode(window, {"Meter(005)", "Phase", "A"});
        menuAfterRefusal = LastMenuGroup(window, EmptyTreeScreenPoint(Tree(window)));
        // Without the fault, after a restart, the rest of the step is undone.
        standin::ClearFaults();
        ui_driver::PressButton(window, IDC_APPLY);
        ui_driver::WaitFor([&] { return StoredTitle(window) != kMainTitle; }, 10000);
        ui_driver::WaitFor([&] { return StoredTitle(window) == kMainTitle && IsWindowEnabled(window); }, 20000);
        ui_driver::WaitUntilBack(window);
        PressKeys(window, {VK_CONTROL, 'Z'});
        finallyShown = ui_driver::WaitFor([&] { return HasNode(window, {"Meter(005)", "Phase", "A"}); }, 10000);
        ui_driver::WaitUntilBack(window);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(afterRefusedUndo, (std::vector<std::string>{"7 5 1 20000000", "7 5 3 15000000"}));
    EXPECT_TRUE(voltageShown);
    EXPECT_FALSE(phaseAShown);
    EXPECT_EQ(menuAfterRefusal, (std::vector<MenuLine>{{"Отменить: Удалить устройство", true},
                                                       {"Вернуть: Удалить устройство", true},
                                                       {"История изменений...", true}}));
    ASSERT_FALSE(run.boxes.empty());
    EXPECT_EQ(Unblanked(run.boxes.front()), "Сервер отказал в 1 из 3 вызовов (первая ошибка 0x80004005).\n"
                                 "Остальное можно отменить снова: «Удалить устройство».");
    EXPECT_EQ(run.boxes.size(), 1u);
    EXPECT_TRUE(finallyShown);
    EXPECT_EQ(standin::ReadStateFile("tags.txt"), before);
    // The refused call is in the journal with its code.
    EXPECT_EQ(LinesOf("Отменить: Удалить устройство").size(), 4u);
    bool refusalJournaled = false;
    for (const std::string& line : LinesOf("Отменить: Удалить устройство"))
        refusalJournaled |= line.rfind("Meter(005).Phase.A ", 0) == 0 && line.size() > 11 &&
                            line.substr(line.size() - 11) == " 0x80004005";
    EXPECT_TRUE(refusalJournaled);
}

TEST_F(HistoryTest, AJournalThatCannotBeWrittenIsAskedAboutOnceAndNoChangesNothing)
{
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n7 5 2 30000000\n");
    const std::string before = standin::ReadStateFile("tags.txt");
    // The history folder would have to be made inside a file.
    const fs::path blocker = m_descriptions.Path() / "blocker";
    { std::ofstream(blocker) << "a file"; }
    SetEnvironmentVariableW(L"ZOLCFG_HISTORY", (blocker / "history").wstring().c_str());
    bool stillThere = false;
    const MainRun refused = RunWindow(false, [&](HWND window, CTarnelDlg&) {
        ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Voltage"}), "Удалить тег");
        ui_driver::WaitUntilBack(window);  // the question answered No
        stillThere = HasNode(window, {"Meter(005)", "Voltage"});
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_TRUE(stillThere);
    EXPECT_EQ(standin::ReadStateFile("tags.txt"), before);
    ASSERT_EQ(refused.boxes.size(), 1u);
    // The folder on lines of its own, broken after a backslash so that the box need not
    // cut it; the reason in Russian.
    const std::string folder = Narrow((blocker / "history").wstring());
    // Every line ends in a blank, so that the box's measure covers the line as drawn.
    std::string box = refused.boxes[0];
    ASSERT_FALSE(box.empty());
    EXPECT_EQ(box.back(), ' ');
    EXPECT_EQ(box.find("\n"), box.find(" \n") + 1) << box;
    for (std::size_t at; (at = box.find(" \n")) != std::string::npos;) box.erase(at, 1);
    box.pop_back();
    const std::string head = "Журнал изменений не может быть записан в папку\n";
    const std::string tail = "\nПричина: путь проходит через файл blocker.\nИзменять конфигурацию без журнала?";
    ASSERT_EQ(box.rfind(head, 0), 0u) << box;
    ASSERT_GT(box.size(), head.size() + tail.size());
    EXPECT_EQ(box.substr(box.size() - tail.size()), tail) << box;
    std::string shownFolder = box.substr(head.size(), box.size() - head.size() - tail.size());
    for (std::size_t start = 0, end; start <= shownFolder.size(); start = end + 1) {
        end = shownFolder.find('\n', start);
        if (end == std::string::npos) end = shownFolder.size();
        EXPECT_LE(end - start, 60u) << shownFolder;
    }
    shownFolder.erase(std::remove(shownFolder.begin(), shownFolder.end(), '\n'), shownFolder.end());
    EXPECT_EQ(shownFolder, folder);

    // Yes: the change is made, and the next command does not ask again.
    ASSERT_TRUE(standin::WaitUntilServerGone());
    const MainRun accepted = RunWindow(true, [&](HWND window, CTarnelDlg&) {
        ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Voltage"}), "Удалить тег");
        ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(005)", "Voltage"}); }, 5000);
        ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Phase", "A"}), "Удалить тег");
        ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(005)"}); }, 5000);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(accepted.boxes.size(), 1u);
    EXPECT_EQ(ServerTags(), std::vector<std::string>{});
}

TEST_F(HistoryTest, BackgroundSnapshotOnceAndRestoreThroughTheHistoryDialog)
{
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n7 5 2 30000000\n7 6 1 15000000\n");
    const std::vector<std::string> original = ServerTags();
    SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"1");
    // Two starts of an unchanged configuration: one snapshot.
    bool firstDone = false, secondDone = false;
    RunWindow(true, [&](HWND window, CTarnelDlg& dlg) {
        // The snapshot starts once the window has painted.
        ui_driver::WaitFor([&] { return dlg.m_pSnapshot != nullptr; }, 10000);
        firstDone = dlg.m_pSnapshot && dlg.m_pSnapshot->Wait(20000) && dlg.m_pSnapshot->m_Result.written;
        ui_driver::PressButton(window, IDCANCEL);
    });
    ASSERT_TRUE(standin::WaitUntilServerGone());
    std::vector<std::vector<std::string>> snapshotRows, journalRows;
    std::string previewCounts, previewTitle;
    bool restored = false;
    std::string secondResult = "no snapshot started";
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg& dlg) {
        ui_driver::WaitFor([&] { return dlg.m_pSnapshot != nullptr; }, 10000);
        secondDone = dlg.m_pSnapshot && dlg.m_pSnapshot->Wait(20000) && dlg.m_pSnapshot->m_Result.unchanged;
        if (dlg.m_pSnapshot)
            secondResult = std::string("read ") + (dlg.m_pSnapshot->m_bRead ? "yes" : "no") + ", written " +
                           (dlg.m_pSnapshot->m_Result.written ? "yes" : "no") + ", file " +
                           dlg.m_pSnapshot->m_Result.fileName + ", error " + dlg.m_pSnapshot->m_Result.error;
        // Changes after the snapshot: one by the window, one by another program.
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(006)"}), "Удалить устройство")) return;
        ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(006)"}); }, 5000);
        const CtlRun added = RunCtl({L"add", L"7", L"5", L"4", L"500", L"--dsc", m_descriptions.Path().wstring()});
        EXPECT_EQ(added.code, 0) << added.err;

        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "История изменений...")) return;
        HWND history = ui_driver::WaitForDialog("История изменений");
        if (history == nullptr) return;
        ui_driver::Settle(history);
        snapshotRows = ListRows(GetDlgItem(history, IDC_HISTORY_SNAPSHOTS));
        journalRows = ListRows(GetDlgItem(history, IDC_HISTORY_JOURNAL));
        ui_driver::SaveScreenshot(history, "history-dialog");
        ui_driver::PressButton(history, IDC_HISTORY_RESTORE);
        HWND preview = ui_driver::WaitForDialog("Восстановление конфигурации");
        if (preview == nullptr) return;
        ui_driver::Settle(preview);
        previewTitle = ui_driver::Text(preview);
        previewCounts = ui_driver::ItemText(preview, IDC_IMPORT_COUNTS);
        ui_driver::SaveScreenshot(preview, "restore-preview");
        ui_driver::PressButton(preview, IDOK);  // the deletion's question is answered Yes
        ui_driver::WaitUntilGone(preview);
        restored = ui_driver::WaitFor([&] { return HasNode(window, {"Meter(006)"}); }, 10000);
        ui_driver::WaitUntilBack(history);
        ui_driver::PressButton(history, IDCANCEL);
        ui_driver::WaitUntilGone(history);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_TRUE(firstDone);
    EXPECT_TRUE(secondDone) << secondResult;
    EXPECT_TRUE(restored);
    EXPECT_EQ(ServerTags(), original);
    ASSERT_EQ(snapshotRows.size(), 1u);
    EXPECT_EQ(snapshotRows[0][1].rfind("zolcfg 0.917.", 0), 0u);
    EXPECT_EQ(snapshotRows[0][2], "2");  // devices
    EXPECT_EQ(snapshotRows[0][3], "3");  // tags
    // The journal below, newest first: the window's deletion after the snapshot.
    bool deletionShown = false;
    for (const auto& row : journalRows) deletionShown |= row[3] == "Удалить устройство" && row[4] == "Meter(006).Voltage";
    EXPECT_TRUE(deletionShown);
    for (size_t i = 1; i < journalRows.size(); ++i) EXPECT_GE(journalRows[i - 1][0], journalRows[i][0]);
    EXPECT_EQ(previewCounts, "Добавить: 1    Изменить период: 0    Удалить: 1    Без изменений: 2\n"
                             "Неверных строк: 0    Предупреждений: 0");
    ASSERT_GE(run.boxes.size(), 2u);
    EXPECT_EQ(run.boxes[0], "С сервера будут удалены теги: 1.\nВосстановить конфигурацию?");
    EXPECT_EQ(run.boxes[1], "Восстановление: добавлено 1, изменён период 0, удалено 1, без изменений 2, отказано 0.");
    EXPECT_EQ(LinesOf("Восстановить снимок").size(), 2u);
    EXPECT_EQ(ListSnapshots(m_history).size(), 1u);
}

TEST_F(HistoryTest, ALongUndoShowsItsProgressAndStopLeavesTheRestUndoable)
{
    // 150 tags of one device; every AddTag takes 20 ms, so that Stop comes half-way.
    std::string parameters, tags = kTagsHeader;
    for (int p = 10; p < 160; ++p) {
        parameters += "Extra" + std::to_string(p) + " " + std::to_string(p) + " INT R INPT_REG " + std::to_string(p) + "\r\n";
        tags += "7 5 " + std::to_string(p) + " " + std::to_string(10000 * (p + 100)) + "\n";
    }
    Prepare(tags, parameters);
    const std::string before = standin::ReadStateFile("tags.txt");
    standin::SetFaults("slow AddTag 20\n");
    std::string progressTitle, progressText;
    size_t afterStop = 0;
    bool stoppedHalfWay = false, finished = false;
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Удалить устройство")) return;
        ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(005)"}); }, 20000);
        PressKeys(window, {VK_CONTROL, 'Z'});
        HWND progress = ui_driver::WaitForDialog("Отмена действия", 10000);
        if (progress == nullptr) return;
        ui_driver::WaitFor([&] { return ui_driver::ItemText(progress, IDC_STEP_PROGRESS_TEXT).rfind("Выполнено ", 0) == 0; },
                           5000);
        progressTitle = ui_driver::Text(progress);
        progressText = ui_driver::ItemText(progress, IDC_STEP_PROGRESS_TEXT);
        ui_driver::SaveScreenshot(progress, "undo-progress");
        ui_driver::PressButton(progress, IDC_STEP_PROGRESS_STOP);
        ui_driver::WaitUntilGone(progress, 10000);
        ui_driver::WaitUntilBack(window);  // the message
        afterStop = ServerTags().size();
        stoppedHalfWay = afterStop > 0 && afterStop < 150 && HasNode(window, {"Meter(005)"});
        PressKeys(window, {VK_CONTROL, 'Z'});
        progress = ui_driver::WaitForDialog("Отмена действия", 10000);
        if (progress) ui_driver::WaitUntilGone(progress, 30000);
        finished = ui_driver::WaitFor([&] { return ServerTags().size() == 150; }, 10000);
        ui_driver::WaitUntilBack(window);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(progressTitle, "Отмена действия");
    EXPECT_EQ(progressText.rfind("Выполнено ", 0), 0u) << progressText;
    EXPECT_TRUE(stoppedHalfWay) << afterStop;
    EXPECT_TRUE(finished);
    EXPECT_EQ(standin::ReadStateFile("tags.txt"), before);
    ASSERT_GE(run.boxes.size(), 1u);
    EXPECT_EQ(Unblanked(run.boxes[0]), "Отмена остановлена: выполнено " + std::to_string(afterStop) +
                                " из 150 вызовов.\nОстальное можно отменить снова: «Удалить устройство».");
    EXPECT_EQ(run.boxes.size(), 1u);
}

TEST_F(HistoryTest, UndoOfTagsAddedInTheDialogOfAnEditedPeriodAndOfThePortSettings)
{
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n");
    standin::WriteStateFile("port.txt", "1 9600 8 0 0\n");
    const std::string tagsBefore = standin::ReadStateFile("tags.txt");
    const std::string portBefore = PortRecord();
    std::vector<std::string> afterAdd, afterAddUndo, afterEdit;
    std::string portAfterSet, portAfterUndo;
    std::vector<MenuLine> menuAfterPort;
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg&) {
        // "Добавить тег" on the device, the group Phase: two tags in one press.
        HWND menu = OpenContextMenu(window, PointOf(window, {"Meter(005)"}));
        if (menu == nullptr) return;
        ChooseMenuItem(menu, 0);
        HWND dialog = ui_driver::WaitForDialog("Добавление тега для устройства ");
        if (dialog == nullptr) return;
        HWND tree = GetDlgItem(dialog, IDC_PARAM_TREE);
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FindTreeItem(tree, {"Meter(005)", "Phase"})));
        ui_driver::PressButton(dialog, IDOK);
        ui_driver::WaitFor([&] { return ServerTags().size() == 3; }, 5000);
        ui_driver::WaitUntilBack(dialog);  // "Тэг(и) добавлены"
        ui_driver::PressButton(dialog, IDCANCEL);
        ui_driver::WaitUntilGone(dialog);
        afterAdd = ServerTags();
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Отменить: Добавить тег")) return;
        ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(005)", "Phase"}); }, 5000);
        afterAddUndo = ServerTags();

        // A period: "Редактировать", then Ctrl+Z.
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Voltage"}), "Редактировать")) return;
        HWND edit = ui_driver::WaitForDialog("Редактирование тега ");
        if (edit == nullptr) return;
        SetText(edit, IDC_PERIOD_EDIT, "5000");
        ui_driver::PressButton(edit, IDOK);
        ui_driver::WaitUntilGone(edit);
        ui_driver::WaitFor([&] { return ServerTags() != afterAddUndo; }, 5000);
        afterEdit = ServerTags();
        PressKeys(window, {VK_CONTROL, 'Z'});
        ui_driver::WaitFor([&] { return ServerTags() == afterAddUndo; }, 5000);

        // The port settings, then their undo from the menu.
        ui_driver::PressButton(window, IDC_COM_PORT);
        HWND port = ui_driver::WaitForDialog("Настройки СОМ-порта");
        if (port == nullptr) return;
        SelectCombo(port, 1002, "19200");
        SelectCombo(port, 1004, "Odd");
        ui_driver::PressButton(port, IDOK);
        ui_driver::WaitUntilGone(port);
        ui_driver::WaitFor([&] { return PortRecord() != portBefore; }, 5000);
        portAfterSet = PortRecord();
        // The server holds the settings before the command has journaled them and ended: a
        // right click meanwhile would be dropped, as any input during the calls is.
        ui_driver::WaitUntilBack(window);
        menuAfterPort = LastMenuGroup(window, EmptyTreeScreenPoint(Tree(window)));
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Отменить: Настройки COM-порта")) return;
        ui_driver::WaitFor([&] { return PortRecord() == portBefore; }, 5000);
        portAfterUndo = PortRecord();
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(afterAdd, (std::vector<std::string>{"7 5 1 20000000", "7 5 2 20000000", "7 5 3 20000000"}));
    EXPECT_EQ(run.boxes, std::vector<std::string>{"Тэг(и) добавлены"});
    EXPECT_EQ(afterAddUndo, (std::vector<std::string>{"7 5 1 20000000"}));
    EXPECT_EQ(afterEdit, (std::vector<std::string>{"7 5 1 50000000"}));
    EXPECT_NE(portAfterSet, portBefore);
    EXPECT_EQ(portAfterUndo, portBefore);
    EXPECT_EQ(menuAfterPort, (std::vector<MenuLine>{{"Отменить: Настройки COM-порта", true},
                                                    {"Вернуть", false},
                                                    {"История изменений...", true}}));
    EXPECT_EQ(standin::ReadStateFile("tags.txt"), tagsBefore);
    EXPECT_EQ(LinesOf("Добавить тег").size(), 2u);
    EXPECT_EQ(LinesOf("Редактировать"), std::vector<std::string>{"Meter(005).Voltage 2000 5000 ok"});
    const std::vector<std::string> portLines = LinesOf("Настройки COM-порта");
    ASSERT_EQ(portLines.size(), 1u);
    EXPECT_EQ(portLines[0].rfind(" COM1 9600 8 none 1 COM1 19200 8 odd 1 ok"), 0u) << portLines[0];
}

TEST_F(HistoryTest, UndoAndRedoLeaveWhatAnotherProgramChangedAndSaySo)
{
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n7 5 2 30000000\n");
    const std::wstring dsc = m_descriptions.Path().wstring();
    std::vector<std::string> afterUndo, afterRedo;
    bool voltageShown = false, undoStillOffered = false;
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Voltage"}), "Удалить тег")) return;
        ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(005)", "Voltage"}); }, 5000);
        // Another engineer adds the tag again with a period of his own.
        EXPECT_EQ(RunCtl({L"add", L"7", L"5", L"1", L"7000", L"--dsc", dsc}).code, 0);
        PressKeys(window, {VK_CONTROL, 'Z'});
        voltageShown = ui_driver::WaitFor([&] { return HasNode(window, {"Meter(005)", "Voltage"}); }, 5000);
        ui_driver::WaitUntilBack(window);  // the message
        afterUndo = ServerTags();
        const std::vector<MenuLine> menu = LastMenuGroup(window, EmptyTreeScreenPoint(Tree(window)));
        undoStillOffered = !menu.empty() && menu[0] == MenuLine{"Отменить: Удалить тег", true};

        // Redo: the device deleted, undone, then another program changes one of its periods.
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Удалить устройство")) return;
        ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(005)"}); }, 5000);
        PressKeys(window, {VK_CONTROL, 'Z'});
        ui_driver::WaitFor([&] { return ServerTags().size() == 2; }, 5000);
        ui_driver::WaitUntilBack(window);
        EXPECT_EQ(RunCtl({L"period", L"7", L"5", L"2", L"4000", L"--dsc", dsc}).code, 0);
        PressKeys(window, {VK_CONTROL, 'Y'});
        ui_driver::WaitFor([&] { return ServerTags().size() == 1; }, 5000);
        ui_driver::WaitUntilBack(window);
        afterRedo = ServerTags();
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(afterUndo, (std::vector<std::string>{"7 5 1 70000000", "7 5 2 30000000"}));
    EXPECT_TRUE(voltageShown);
    EXPECT_TRUE(undoStillOffered);
    EXPECT_EQ(afterRedo, (std::vector<std::string>{"7 5 2 40000000"}));
    ASSERT_EQ(run.boxes.size(), 2u);
    EXPECT_EQ(Unblanked(run.boxes[0]), "Изменены другой программой, не отменены: 1 (первый: Meter(005).Voltage).\n"
                            "Остальное можно отменить снова: «Удалить тег».");
    EXPECT_EQ(Unblanked(run.boxes[1]), "Изменены другой программой, не возвращены: 1 (первый: Meter(005).Phase.A).\n"
                            "Остальное можно вернуть снова: «Удалить устройство».");
    // No line for a call not made; the lines of the calls made hold what was read.
    EXPECT_TRUE(LinesOf("Отменить: Удалить тег").empty());
    EXPECT_EQ(LinesOf("Вернуть: Удалить устройство"), std::vector<std::string>{"Meter(005).Voltage 7000  ok"});
}

TEST_F(HistoryTest, TheEditDialogJournalsThePeriodItReplacedNotTheOneItShowed)
{
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n");
    const std::wstring dsc = m_descriptions.Path().wstring();
    std::string shown;
    std::vector<std::string> afterUndo;
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Voltage"}), "Редактировать")) return;
        HWND edit = ui_driver::WaitForDialog("Редактирование тега ");
        if (edit == nullptr) return;
        shown = ui_driver::ItemText(edit, IDC_PERIOD_EDIT);
        // Meanwhile another program changes the period.
        EXPECT_EQ(RunCtl({L"period", L"7", L"5", L"1", L"4000", L"--dsc", dsc}).code, 0);
        SetText(edit, IDC_PERIOD_EDIT, "5000");
        ui_driver::PressButton(edit, IDOK);
        ui_driver::WaitUntilGone(edit);
        ui_driver::WaitFor([&] { return ServerTags() == std::vector<std::string>{"7 5 1 50000000"}; }, 5000);
        ui_driver::WaitUntilBack(window);
        PressKeys(window, {VK_CONTROL, 'Z'});
        ui_driver::WaitFor([&] { return ServerTags() != std::vector<std::string>{"7 5 1 50000000"}; }, 5000);
        ui_driver::WaitUntilBack(window);
        afterUndo = ServerTags();
        ui_driver::PressButton(window, IDCANCEL);
    });
    shown.erase(std::remove(shown.begin(), shown.end(), ','), shown.end());  // "2,000"
    EXPECT_EQ(shown, "2000");
    EXPECT_EQ(afterUndo, std::vector<std::string>{"7 5 1 40000000"});
    EXPECT_EQ(LinesOf("Редактировать"), std::vector<std::string>{"Meter(005).Voltage 4000 5000 ok"});
    EXPECT_EQ(LinesOf("Отменить: Редактировать"), std::vector<std::string>{"Meter(005).Voltage 5000 4000 ok"});
    EXPECT_TRUE(run.boxes.empty()) << run.boxes.front();
}

TEST_F(HistoryTest, UndoOfAnEditThatChangedNothingStillLeavesAnotherProgramsChange)
{
    // The edit dialog applied the period it showed: the step's call changed nothing, yet
    // undo checks it, finds another program's period, leaves it and says so.
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n");
    const std::wstring dsc = m_descriptions.Path().wstring();
    std::vector<MenuLine> menuAfterUndo;
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Voltage"}), "Редактировать")) return;
        HWND edit = ui_driver::WaitForDialog("Редактирование тега ");
        if (edit == nullptr) return;
        ui_driver::PressButton(edit, IDOK);
        ui_driver::WaitUntilGone(edit);
        ui_driver::WaitFor([&] { return LinesOf("Редактировать").size() == 1; }, 5000);
        EXPECT_EQ(RunCtl({L"period", L"7", L"5", L"1", L"4000", L"--dsc", dsc}).code, 0);
        PressKeys(window, {VK_CONTROL, 'Z'});
        // The report's box comes and is answered.
        const auto boxShown = [] {
            for (HWND w : ui_driver::TopLevelWindows())
                if (IsWindowVisible(w) && ui_driver::IsMessageBox(w)) return true;
            return false;
        };
        ui_driver::WaitFor(boxShown, 10000);
        ui_driver::WaitFor([&] { return !boxShown(); }, 10000);
        menuAfterUndo = LastMenuGroup(window, EmptyTreeScreenPoint(Tree(window)));
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(ServerTags(), std::vector<std::string>{"7 5 1 40000000"});
    EXPECT_EQ(LinesOf("Редактировать"), std::vector<std::string>{"Meter(005).Voltage 2000 2000 ok"});
    EXPECT_TRUE(LinesOf("Отменить: Редактировать").empty());
    ASSERT_EQ(run.boxes.size(), 1u);  // and none when the window closed
    EXPECT_EQ(Unblanked(run.boxes[0]), "Изменены другой программой, не отменены: 1 (первый: Meter(005).Voltage).\n"
                                       "Остальное можно отменить снова: «Редактировать».");
    EXPECT_EQ(menuAfterUndo, (std::vector<MenuLine>{{"Отменить: Редактировать", true},
                                                    {"Вернуть", false},
                                                    {"История изменений...", true}}));
}

TEST_F(HistoryTest, AnImportConfirmedAfterAnotherProgramsChangeJournalsWhatItReplaced)
{
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n");
    const std::wstring dsc = m_descriptions.Path().wstring();
    const fs::path file = m_descriptions.Path() / "rows.csv";
    {
        std::ofstream out(file, std::ios::binary);
        out << "device;address;type;param;name;period_ms\r\nMeter;5;7;1;Meter(005).Voltage;5000\r\n";
    }
    std::vector<std::string> afterImport, afterUndo;
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg&) {
        HWND preview = OpenImportPreview(window, file);
        if (preview == nullptr) return;
        afterUndo = ConfirmThenUndo(window, preview, nullptr, dsc, {"7 5 1 50000000"}, &afterImport);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(afterImport, std::vector<std::string>{"7 5 1 50000000"});
    EXPECT_EQ(afterUndo, std::vector<std::string>{"7 5 1 40000000"});
    EXPECT_EQ(LinesOf("Импорт тегов"), std::vector<std::string>{"Meter(005).Voltage 4000 5000 ok"});
}

TEST_F(HistoryTest, TheHistoryDialogMarksASnapshotNoRestoreCouldReadAsUnreadable)
{
    SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"0");
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n");
    fs::create_directories(m_history);
    const std::string text = "device;address;type;param;name;period_ms\r\nMeter;5;7;1;;2000\r\nMeter;6;7;1;;2000\r\n";
    std::string utf16;  // UTF-16LE, as a spreadsheet's "Unicode text" saves it
    for (char c : text) utf16 += std::string{c, '\0'};
    { std::ofstream(m_history / "20261201-100000-zolcfg.csv", std::ios::binary); }  // 0 bytes
    { std::ofstream(m_history / "20261201-110000-zolcfg.csv", std::ios::binary) << utf16; }  // no byte-order mark
    { std::ofstream(m_history / "20261201-120000-zolcfg.csv", std::ios::binary) << "\xFF\xFE" << utf16; }
    std::vector<std::vector<std::string>> rows;
    RunWindow(true, [&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "История изменений...")) return;
        HWND history = ui_driver::WaitForDialog("История изменений");
        if (history == nullptr) return;
        ui_driver::Settle(history);
        rows = ListRows(GetDlgItem(history, IDC_HISTORY_SNAPSHOTS));
        ui_driver::SaveScreenshot(history, "history-dialog-unreadable");
        ui_driver::PressButton(history, IDCANCEL);
        ui_driver::WaitUntilGone(history);
        ui_driver::PressButton(window, IDCANCEL);
    });
    ASSERT_EQ(rows.size(), 3u);  // newest first
    EXPECT_EQ(rows[0], (std::vector<std::string>{"2026-12-01 12:00:00", "", "2", "2"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"2026-12-01 11:00:00", "файл не читается", "", ""}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"2026-12-01 10:00:00", "файл не читается", "", ""}));
}

TEST_F(HistoryTest, ASnapshotWhoseRowsDoNotMatchItsFirstLineIsMarkedAndItsRestoreRefused)
{
    // Two tags on two devices, one written whole, one with its last row cut away at a line
    // end: the dialog marks the cut one with the counts its rows give, and restoring it
    // sends nothing (with replace, the missing tag would be deleted).
    SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"0");
    Prepare(std::string(kTagsHeader) + "7 5 1 30000000\n7 6 1 30000000\n");
    fs::create_directories(m_history);
    std::vector<TagFileRecord> records(2);
    records[0].id = TagId{7, 5, 1};
    records[1].id = TagId{7, 6, 1};
    for (TagFileRecord& r : records) {
        r.period = 20000000;
        r.device = "Meter";
        r.name = "Meter(00" + std::to_string(r.id.address) + ").Voltage";
    }
    const std::string whole =
        MakeSnapshotText(records, PortSettings(), "zolcfg 0.917.1", LocalTime{2026, 12, 1, 10, 0, 0, 180});
    const std::string later =
        MakeSnapshotText(records, PortSettings(), "zolcfg 0.917.1", LocalTime{2026, 12, 1, 11, 0, 0, 180});
    const std::string cut = later.substr(0, later.rfind("Meter;6;"));
    std::ofstream(m_history / "20261201-100000-zolcfg.csv", std::ios::binary) << whole;
    std::ofstream(m_history / "20261201-110000-zolcfg.csv", std::ios::binary) << cut;
    std::vector<std::vector<std::string>> rows;
    bool previewShown = true;
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "История изменений...")) return;
        HWND history = ui_driver::WaitForDialog("История изменений");
        if (history == nullptr) return;
        HWND list = GetDlgItem(history, IDC_HISTORY_SNAPSHOTS);
        ui_driver::WaitFor([&] { return ListRows(list).size() == 2; }, 5000);
        rows = ListRows(list);
        ui_driver::SaveScreenshot(history, "history-dialog-damaged");
        ui_driver::PressButton(history, IDC_HISTORY_RESTORE);  // the newest, the cut one, is selected
        previewShown = ui_driver::WaitForDialog("Восстановление конфигурации", 3000) != nullptr;
        ui_driver::PressButton(history, IDCANCEL);
        ui_driver::WaitUntilGone(history);
        ui_driver::PressButton(window, IDCANCEL);
    });
    ASSERT_EQ(rows.size(), 2u);  // newest first
    EXPECT_EQ(rows[0], (std::vector<std::string>{"2026-12-01 11:00:00", "файл повреждён", "1", "1"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"2026-12-01 10:00:00", "zolcfg 0.917.1", "2", "2"}));
    EXPECT_FALSE(previewShown);
    EXPECT_EQ(run.boxes, std::vector<std::string>{"Файл 20261201-110000-zolcfg.csv повреждён: в заголовке тегов 2, в "
                                                  "файле 1.\nНа сервер ничего не отправлено."});
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"7 5 1 30000000", "7 6 1 30000000"}));
    EXPECT_TRUE(LinesOf("Восстановить снимок").empty());
}

TEST_F(HistoryTest, ARestoreConfirmedAfterAnotherProgramsChangeJournalsWhatItReplaced)
{
    SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"0");
    Prepare(std::string(kTagsHeader) + "7 5 1 30000000\n");
    const std::wstring dsc = m_descriptions.Path().wstring();
    fs::create_directories(m_history);
    WriteVoltageSnapshot(m_history);
    std::vector<std::string> afterRestore, afterUndo;
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "История изменений...")) return;
        HWND history = ui_driver::WaitForDialog("История изменений");
        if (history == nullptr) return;
        ui_driver::Settle(history);
        ui_driver::PressButton(history, IDC_HISTORY_RESTORE);
        HWND preview = ui_driver::WaitForDialog("Восстановление конфигурации");
        if (preview == nullptr) return;
        afterUndo = ConfirmThenUndo(window, preview, history, dsc, {"7 5 1 20000000"}, &afterRestore);
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(afterRestore, std::vector<std::string>{"7 5 1 20000000"});
    EXPECT_EQ(afterUndo, std::vector<std::string>{"7 5 1 40000000"});
    EXPECT_EQ(LinesOf("Восстановить снимок"), std::vector<std::string>{"Meter(005).Voltage 4000 2000 ok"});
}

struct WindowOfProcess {
    DWORD process;
    std::string prefix;
    HWND found = nullptr;
};

// EnumWindows' callback: a plain function, as a lambda is no stdcall one in a 32-bit build.
BOOL CALLBACK MatchWindowOfProcess(HWND window, LPARAM param)
{
    auto* s = reinterpret_cast<WindowOfProcess*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != s->process || !IsWindowVisible(window)) return TRUE;
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    if (Narrow(title).rfind(s->prefix, 0) != 0) return TRUE;
    s->found = window;
    return FALSE;
}

// A visible top-level window of another process whose title starts with the prefix.
HWND WaitForWindowOf(DWORD process, const std::string& titlePrefix, int timeoutMs = 15000)
{
    WindowOfProcess search{process, titlePrefix};
    ui_driver::WaitFor(
        [&] {
            EnumWindows(MatchWindowOfProcess, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

// zolcfg.exe itself killed while a restore's call is under way: the journal names that
// call, written ahead of it, and a reader shows it as unknown.
TEST_F(HistoryTest, AWindowKilledDuringARestoreLeavesThatCallInTheJournal)
{
    SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"0");
    Prepare(std::string(kTagsHeader));
    fs::create_directories(m_history);
    WriteVoltageSnapshot(m_history);
    // The call takes 4 s, then the server ends inside it by itself (a server left with a
    // killed client's reference would outlive the test).
    standin::SetFaults("slow AddTag " + std::to_string(ui_driver::ResponseLimitMs(4000)) + "\ndie AddTag\n");
    std::wstring command = L"\"" + standin_test::BinDir() + L"\\zolcfg.exe\"";
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               m_descriptions.Path().c_str(), &si, &pi));
    bool pending = false;
    HWND window = WaitForWindowOf(pi.dwProcessId, "Конфигуратор ZOL-OPC-Server версия", 30000);
    if (window != nullptr) {
        // Posted commands wait in the queue until the window's or dialog's loop takes them.
        PostMessageW(window, WM_COMMAND, ID_HISTORY, 0);
        HWND history = WaitForWindowOf(pi.dwProcessId, "История изменений");
        if (history != nullptr) {
            ui_driver::PressButton(history, IDC_HISTORY_RESTORE);
            HWND preview = WaitForWindowOf(pi.dwProcessId, "Восстановление конфигурации");
            if (preview != nullptr) {
                ui_driver::PressButton(preview, IDOK);
                pending = ui_driver::WaitFor(
                    [&] {
                        std::ifstream in(m_history / "journal.csv", std::ios::binary);
                        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                        return text.find(";pending\r\n") != std::string::npos;
                    },
                    3000);
            }
        }
    }
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, ui_driver::ResponseLimitMs(10000));
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_TRUE(standin::WaitUntilServerGone());
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(pending);
    EXPECT_EQ(LinesOf("Восстановить снимок"),
              std::vector<std::string>{"Meter(005).Voltage  2000 unknown: the program ended during the call"});
}

}  // namespace

TEST_F(HistoryTest, SnapshotsWithNumbersPastAnyCounterDoNotEndTheWindow)
{
    // The background snapshot lists the history folder a moment after start: a name or a
    // first line with a number no counter holds is listed, and the window goes on.
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n");
    fs::create_directories(m_history);
    const std::string body = "device;address;type;param;name;period_ms\r\nMeter;5;7;1;Meter(005).Voltage;2000\r\n";
    std::ofstream(m_history / "20261201-100000-zolctl-99999999999.csv", std::ios::binary)
        << "\xEF\xBB\xBF# zolctl 0.917.1;2026-12-01T10:00:00+03:00;devices 1;tags 1\r\n" << body;
    std::ofstream(m_history / "20261201-090000-zolctl.csv", std::ios::binary)
        << "\xEF\xBB\xBF# zolctl 0.917.1;2026-12-01T09:00:00+03:00;devices 1;tags 99999999999999999999999\r\n"
        << body;
    SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"1");
    bool written = false, aliveAfterSnapshot = false;
    std::size_t rows = 0;
    RunWindow(true, [&](HWND window, CTarnelDlg& dlg) {
        ui_driver::WaitFor([&] { return dlg.m_pSnapshot != nullptr; }, 10000);
        written = dlg.m_pSnapshot && dlg.m_pSnapshot->Wait(ui_driver::ResponseLimitMs(20000)) &&
                  dlg.m_pSnapshot->m_Result.written;
        // The window has taken the snapshot's end once it is back: it must still be there.
        ui_driver::WaitUntilBack(window);
        aliveAfterSnapshot = IsWindow(window) && IsWindowVisible(window);
        if (ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "История изменений...")) {
            if (HWND history = ui_driver::WaitForDialog("История изменений")) {
                ui_driver::Settle(history);
                rows = ListRows(GetDlgItem(history, IDC_HISTORY_SNAPSHOTS)).size();
                ui_driver::PressButton(history, IDCANCEL);
                ui_driver::WaitUntilGone(history);
            }
        }
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_TRUE(written);
    EXPECT_TRUE(aliveAfterSnapshot);
    EXPECT_EQ(rows, 3u);
    EXPECT_EQ(ListSnapshots(m_history).size(), 3u);
}

TEST_F(HistoryTest, TheBackgroundSnapshotNamesUndescribedTagsAsTheTreeDoes)
{
    // An undescribed parameter and a type no description has: the snapshot's names are the
    // tree's, as zolctl's are.
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n7 5 9999 20000000\n57 5 1 10000000\n57 5 2 10000000\n");
    SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"1");
    bool written = false;
    std::string file;
    RunWindow(true, [&](HWND window, CTarnelDlg& dlg) {
        ui_driver::WaitFor([&] { return dlg.m_pSnapshot != nullptr; }, 10000);
        written = dlg.m_pSnapshot && dlg.m_pSnapshot->Wait(20000) && dlg.m_pSnapshot->m_Result.written;
        if (written) file = dlg.m_pSnapshot->m_Result.fileName;
        ui_driver::PressButton(window, IDCANCEL);
    });
    ASSERT_TRUE(written);
    std::string text;
    ASSERT_TRUE(ReadWholeFile(m_history / fs::u8path(file), &text));
    for (const char* row : {u8"Meter;5;7;9999;Meter(005).Параметр 9999;2000\r\n", u8";5;57;1;Тип 57(005).Параметр 1;1000\r\n",
                            u8";5;57;2;Тип 57(005).Параметр 2;1000\r\n"})
        EXPECT_NE(text.find(row), std::string::npos) << row << "\n" << text;
}

TEST_F(HistoryTest, ATagListThatBreaksOffHalfWayIsNoSnapshot)
{
    // A server whose EnumTags fails after the first tag: the window shows what came, and its
    // background snapshot keeps nothing (a restore of half the configuration would delete
    // the other half).
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n7 5 2 30000000\n7 6 1 15000000\n");
    standin::SetFaults("fail EnumTags 0x80004005 after 1\n");
    SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"1");
    bool finished = false, read = true, written = true;
    RunWindow(true, [&](HWND window, CTarnelDlg& dlg) {
        ui_driver::WaitFor([&] { return dlg.m_pSnapshot != nullptr; }, 10000);
        if (dlg.m_pSnapshot) {
            finished = dlg.m_pSnapshot->Wait(ui_driver::ResponseLimitMs(20000));
            read = dlg.m_pSnapshot->m_bRead;
            written = dlg.m_pSnapshot->m_Result.written;
        }
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_TRUE(finished);
    EXPECT_FALSE(read);
    EXPECT_FALSE(written);
    EXPECT_EQ(ListSnapshots(m_history).size(), 0u);
}

TEST_F(HistoryTest, AnImportOverABrokenOffListAsksTheBeforeValuesOfTheTagsItMissed)
{
    // The list breaks off after 7 5 1: 7 5 2 is on the server but not in it. The import
    // changes its period; the journal must hold the period it had (asked of the server), so
    // that undo sets it back instead of deleting the tag.
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n7 5 2 20000000\n");
    const std::string before = standin::ReadStateFile("tags.txt");
    standin::SetFaults("fail EnumTags 0x80004005 after 1\n");
    const fs::path file = m_descriptions.Path() / "rows.csv";
    {
        std::ofstream out(file, std::ios::binary);
        out << "device;address;type;param;name;period_ms\r\n"
               "Meter;5;7;2;Meter(005).Phase.A;5000\r\n";
    }
    std::vector<std::string> afterImport, afterUndo;
    RunWindow(true, [&](HWND window, CTarnelDlg&) {
        if (!ImportThroughTheWindow(window, file)) return;
        ui_driver::WaitFor([&] { return ServerTags() != std::vector<std::string>{"7 5 1 20000000", "7 5 2 20000000"}; },
                           5000);
        ui_driver::WaitUntilBack(window);
        afterImport = ServerTags();
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Отменить: Импорт тегов")) return;
        ui_driver::WaitFor([&] { return ServerTags() != afterImport; }, 5000);
        ui_driver::WaitUntilBack(window);
        afterUndo = ServerTags();
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(afterImport, (std::vector<std::string>{"7 5 1 20000000", "7 5 2 50000000"}));
    EXPECT_EQ(LinesOf("Импорт тегов"), (std::vector<std::string>{"Meter(005).Phase.A 2000 5000 ok"}));
    EXPECT_EQ(afterUndo, (std::vector<std::string>{"7 5 1 20000000", "7 5 2 20000000"}));
    EXPECT_EQ(standin::ReadStateFile("tags.txt"), before);
}

// ---------------------------------------------------------------------------------------
// Another program restarts the server under the window: each command then finds its
// connection gone, the window connects anew, shows what the server holds and says so once.

namespace {

// The tags the tree shows, as "type address param", sorted.
std::vector<std::string> TreeTagIds(HWND window)
{
    std::vector<std::string> ids;
    for (const TreeLine& line : ReadTree(Tree(window))) {
        const TagKey key = static_cast<TagKey>(line.key);
        if (GetNodeKind(key) != NodeKind::Tag) continue;
        ids.push_back(std::to_string(TagKeyTypeCode(key)) + " " + std::to_string(TagKeyAddress(key)) + " " +
                      std::to_string(TagKeyParam(key)));
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<std::string> ServerTagIds()
{
    std::vector<std::string> ids;
    for (const std::string& tag : ServerTags()) ids.push_back(tag.substr(0, tag.rfind(' ')));
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool MessageBoxShown()
{
    for (HWND w : ui_driver::TopLevelWindows())
        if (IsWindowVisible(w) && ui_driver::IsMessageBox(w)) return true;
    return false;
}

const char kLostText[] = "Связь с сервером была потеряна (ошибка 0x800706BA): сервер перезапущен или остановлен "
                         "другой программой.\nДерево построено заново по конфигурации сервера. Повторите то, что ещё нужно.";

}  // namespace

TEST_F(HistoryTest, EveryCommandAfterAnotherProgramRestartedTheServerReconnectsAndSaysSoOnce)
{
    Prepare(std::string(kTagsHeader) + "7 5 1 20000000\n7 5 2 30000000\n7 6 1 20000000\n");
    standin::WriteStateFile("port.txt", "1 9600 8 0 0\n");
    const std::wstring dsc = m_descriptions.Path().wstring();
    struct Step {
        std::string name;
        std::size_t boxes = 0;
        bool treeIsServer = false;
    };
    std::vector<Step> steps;
    std::vector<std::string> serverBeforeUndo;
    const MainRun run = RunWindow(true, [&](HWND window, CTarnelDlg& dlg) {
        // After the restart, the command; then its one box waited for, answered and gone.
        const auto step = [&](const std::string& name, const std::function<void()>& command) {
            EXPECT_EQ(RunCtl({L"restart", L"--timeout", L"20", L"--dsc", dsc}).code, 0) << name;
            command();
            g_pAnswerer->WaitForCount(steps.size() + 1, 60000);
            ui_driver::WaitFor([] { return !MessageBoxShown(); }, 10000);
            ui_driver::WaitUntilBack(window);
            steps.push_back(Step{name, g_pAnswerer->Texts().size(), TreeTagIds(window) == ServerTagIds()});
        };
        step("delete", [&] { ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Voltage"}), "Удалить тег"); });
        step("edit", [&] { ChooseFromMenu(window, PointOf(window, {"Meter(005)", "Voltage"}), "Редактировать"); });
        step("add", [&] {
            if (!ChooseFromMenu(window, PointOf(window, {"Meter(006)"}), "Добавить тег")) return;
            HWND dialog = ui_driver::WaitForDialog("Добавление тега для устройства ");
            if (dialog == nullptr) return;
            HWND tree = GetDlgItem(dialog, IDC_PARAM_TREE);
            SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET,
                         reinterpret_cast<LPARAM>(FindTreeItem(tree, {"Meter(006)", "Phase"})));
            ui_driver::PressButton(dialog, IDOK);
        });
        step("port", [&] { ui_driver::PressButton(window, IDC_COM_PORT); });

        // A step to undo, made on the repaired connection; then the restart and Ctrl+Z.
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(006)", "Voltage"}), "Удалить тег")) return;
        ui_driver::WaitFor([&] { return !HasNode(window, {"Meter(006)", "Voltage"}); }, 10000);
        ui_driver::WaitUntilBack(window);
        serverBeforeUndo = ServerTags();
        step("undo", [&] { PressKeys(window, {VK_CONTROL, 'Z'}); });
        step("apply", [&] { ui_driver::PressButton(window, IDC_APPLY); });
        (void)dlg;
        ui_driver::PressButton(window, IDCANCEL);
    });
    ASSERT_EQ(steps.size(), 6u);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].boxes, i + 1) << steps[i].name;  // one message each
        EXPECT_TRUE(steps[i].treeIsServer) << steps[i].name;
    }
    ASSERT_EQ(run.boxes.size(), 6u);
    for (const std::string& box : run.boxes) EXPECT_EQ(Unblanked(box), kLostText);

    // Nothing the server did not get: the tags are as at the start but the one deleted on
    // the repaired connection, which the undo after the restart did not bring back.
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"7 5 1 20000000", "7 5 2 30000000"}));
    EXPECT_EQ(ServerTags(), serverBeforeUndo);
    EXPECT_EQ(PortRecord().rfind("1 9600 8 0 0", 0), 0u) << PortRecord();
    EXPECT_EQ(LinesOf("Удалить тег"), std::vector<std::string>{"Meter(006).Voltage 2000  ok"});
    EXPECT_TRUE(LinesOf("Редактировать").empty());
    EXPECT_TRUE(LinesOf("Настройки COM-порта").empty());
    EXPECT_TRUE(LinesOf("Отменить: Удалить тег").empty());
    for (const std::string& line : LinesOf("Добавить тег"))  // a call sent on the dead connection failed
        EXPECT_EQ(line.substr(line.size() - 10), "0x800706BA") << line;
    // The restart asked for went to the restarted server, once.
    const std::vector<std::string> apply = LinesOf("Применить");
    ASSERT_EQ(apply.size(), 1u);
}
