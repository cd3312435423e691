// Export and import of tag files in the main window, through the real menus, the standard
// file dialogs and the preview dialog, against the stand-in server.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BoxAnswerer.h"
#include "FileDialogDriver.h"
#include "MainWindowRun.h"
#include "MenuDriver.h"
#include "ServerFiles.h"
#include "StandinFixture.h"
#include "TreeReader.h"
#include "UiDriver.h"
#include "WindowTest.h"
#include "zolctl_support.h"
#include "res/resource.h"
#include "tree/TagKey.h"
#include "ui/Text.h"

namespace {

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string Today()
{
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    char date[16];
    std::strftime(date, sizeof date, "%Y%m%d", &local);
    return date;
}

// Windows-1251 text as UTF-8, for files written in UTF-8.
std::string Utf8(const std::string& text) { return NarrowUtf8(Widen(text)); }

std::vector<std::string> ListBoxLines(HWND list)
{
    std::vector<std::string> lines;
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        lines.push_back(Narrow(text.c_str()));
    }
    return lines;
}

void ExpandAll(HWND tree, HTREEITEM parent = TVI_ROOT)
{
    HTREEITEM child = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, parent == TVI_ROOT ? TVGN_ROOT : TVGN_CHILD, reinterpret_cast<LPARAM>(parent == TVI_ROOT ? nullptr : parent)));
    for (; child != nullptr;
         child = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)))) {
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(child));
        ExpandAll(tree, child);
    }
}

class TagFileTest : public CWindowTest {
protected:
    std::filesystem::path File(const std::string& name) const { return m_descriptions.Path() / name; }
};

// ---------------------------------------------------------------------------------------
// Export

TEST_F(TagFileTest, ExportOfEveryTagAndOfOneDeviceAndAFileThatCannotBeWritten)
{
    Prepare("7 5 1 20000000\n7 5 2 30000000\n7 6 3 15000000\n");
    const std::filesystem::path all = File("all.csv");
    const std::filesystem::path one = File("one.csv");
    const std::filesystem::path locked = File("locked.csv");
    WriteFile(locked, "kept as it was\r\n");
    // Another program holds the file open and shares it with nobody.
    HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::string offeredAll, offeredOne;
    std::vector<std::string> boxes;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Экспорт тегов...")) return;
        offeredAll = file_dialog::Choose("Экспорт тегов", all);
        ui_driver::WaitFor([&] { return std::filesystem::exists(all); }, 10000);
        ui_driver::WaitUntilBack(window);
        if (!ChooseFromMenu(window, PointOf(window, {"Meter(005)"}), "Экспорт тегов...")) return;
        offeredOne = file_dialog::Choose("Экспорт тегов", one);
        ui_driver::WaitFor([&] { return std::filesystem::exists(one); }, 10000);
        ui_driver::WaitUntilBack(window);
        // A file held open by another program: confirm the replacement, then the write must
        // fail cleanly.
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Экспорт тегов...")) return;
        file_dialog::Choose("Экспорт тегов", locked, true);  // the replace question answered Yes
        ui_driver::WaitUntilBack(window);  // the refusal's box answered
        ui_driver::PressButton(window, IDCANCEL);
    });
    // The same files as zolctl export writes, byte for byte.
    const std::wstring dsc = m_descriptions.Path().wstring();
    const CtlRun ctlAll = RunCtl({L"export", File("ctl-all.csv").wstring(), L"--dsc", dsc});
    const CtlRun ctlOne = RunCtl({L"export", File("ctl-one.csv").wstring(), L"--device", L"7", L"5", L"--dsc", dsc});
    EXPECT_EQ(ctlAll.code, 0) << ctlAll.err;
    EXPECT_EQ(ctlOne.code, 0) << ctlOne.err;
    EXPECT_EQ(ReadFile(all), ReadFile(File("ctl-all.csv")));
    EXPECT_EQ(ReadFile(one), ReadFile(File("ctl-one.csv")));
    EXPECT_TRUE(standin::WaitUntilServerGone());
    const std::string header = "\xEF\xBB\xBF" "device;address;type;param;name;period_ms\r\n";
    EXPECT_EQ(ReadFile(all), header + "Meter;5;7;1;Meter(005).Voltage;2000\r\n"
                                      "Meter;5;7;2;Meter(005).Phase.A;3000\r\n"
                                      "Meter;6;7;3;Meter(006).Phase.B;1500\r\n");
    EXPECT_EQ(ReadFile(one), header + "Meter;5;7;1;Meter(005).Voltage;2000\r\n"
                                      "Meter;5;7;2;Meter(005).Phase.A;3000\r\n");
    EXPECT_EQ(offeredAll, "zolcfg-tags-" + Today() + ".csv");
    EXPECT_EQ(offeredOne, "zolcfg-tags-" + Today() + "-Meter(005).csv");
    CloseHandle(holder);
    EXPECT_EQ(ReadFile(locked), "kept as it was\r\n");
    // Nothing half-written beside it either.
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_descriptions.Path()))
        if (entry.path().extension() != ".dsc") ++files;
    EXPECT_EQ(files, 5u);  // all, one, locked and zolctl's two
    ASSERT_GE(run.boxes.size(), 3u);
    EXPECT_EQ(run.boxes[0], "Экспортировано тегов: 3 в файл all.csv");
    EXPECT_EQ(run.boxes[1], "Экспортировано тегов: 2 в файл one.csv");
    EXPECT_EQ(run.boxes.back().rfind("Не удалось записать файл locked.csv: ", 0), 0u) << run.boxes.back();
    // Said in the window's own words, none of the file system's English.
    EXPECT_EQ(run.boxes.back().find("cannot"), std::string::npos) << run.boxes.back();
}

// A server whose tag list fails from the first call looks empty: the window starts as with
// an empty server, but its export names the failure and replaces a file of tags only when
// the user says so.
TEST_F(TagFileTest, AFailingTagListReplacesAnExportOfTagsOnlyWhenTheUserSaysSo)
{
    Prepare("7 5 1 20000000\n7 5 2 30000000\n7 6 3 15000000\n");
    standin::SetFaults("fail EnumTags 0x80004005\n");
    const std::filesystem::path prev = File("prev.csv");
    const std::string good = "\xEF\xBB\xBF" "device;address;type;param;name;period_ms\r\n"
                             "Meter;5;7;1;Meter(005).Voltage;2000\r\n"
                             "Meter;5;7;2;Meter(005).Phase.A;3000\r\n"
                             "Meter;6;7;3;Meter(006).Phase.B;1500\r\n";
    WriteFile(prev, good);
    std::atomic<int> asked{0};
    CBoxAnswerer::SetQuestionRule([&](const std::string& text) {
        if (text.find("Заменить файл пустым списком?") == std::string::npos) return IDYES;  // the file dialog's
        if (asked == 0) ui_driver::SaveScreenshot(ui_driver::WaitForMessageBox(1000), "export-empty-question");
        return ++asked == 1 ? IDNO : IDYES;
    });
    std::string afterNo;
    std::size_t treeItems = 99;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        treeItems = static_cast<std::size_t>(SendMessageW(Tree(window), TVM_GETCOUNT, 0, 0));
        for (int round = 1; round <= 2; ++round) {
            if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Экспорт тегов...")) break;
            file_dialog::Choose("Экспорт тегов", prev);
            ui_driver::WaitFor([&] { return asked >= round; }, 10000);
            ui_driver::WaitUntilBack(window);
            if (round == 1) afterNo = ReadFile(prev);
        }
        ui_driver::PressButton(window, IDCANCEL);
    });
    CBoxAnswerer::SetQuestionRule(nullptr);

    EXPECT_EQ(treeItems, 0u);
    EXPECT_EQ(afterNo, good);
    EXPECT_EQ(ReadFile(prev), "\xEF\xBB\xBF" "device;address;type;param;name;period_ms\r\n");
    std::vector<std::string> ours;  // the window's boxes, not the file dialog's
    for (const std::string& box : run.boxes)
        if (box.find("тегов") != std::string::npos) ours.push_back(box);
    ASSERT_EQ(ours.size(), 3u) << ::testing::PrintToString(run.boxes);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(ours[i].rfind("В файле prev.csv тегов: 3, с сервера прочитано тегов: 0.", 0), 0u) << ours[i];
        EXPECT_NE(ours[i].find("ошибкой 0x80004005"), std::string::npos) << ours[i];
    }
    EXPECT_EQ(ours[2].rfind("Экспортировано тегов: 0 в файл prev.csv", 0), 0u) << ours[2];
    EXPECT_NE(ours[2].find("Список тегов сервера закончился ошибкой 0x80004005"), std::string::npos) << ours[2];
}

// ---------------------------------------------------------------------------------------
// Import

// Good, changed and invalid rows, a warning with Cyrillic; the same rows in UTF-8 and in
// Windows-1251. An hour is 36,000,000,000 server units: the period's high half is sent too.
const char kImportRows[] =
    "device;address;type;param;name;period_ms\r\n"
    "Meter;5;7;1;Meter(005).Voltage;2000\r\n"
    "Meter;5;7;2;Meter(005).Phase.A;4000\r\n"
    "Meter;5;7;3;Meter(005).Phase.B;3600000\r\n"
    "Meter;6;7;4;Meter(006).Deep.Er.Name;1000\r\n"
    "Meter;5;7;abc;Meter(005).X;1000\r\n"
    "Счётчик;5;7;4;Meter(005).Deep.Er.Name;1000\r\n";

struct Preview {
    std::string counts;
    std::vector<std::string> issues;
};

// Opens the import of path and, in its preview, does act (press Import or Close).
Preview ImportThroughPreview(HWND window, const std::filesystem::path& path, int button, const char* screenshot)
{
    Preview preview;
    if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Импорт тегов...")) return preview;
    file_dialog::Choose("Импорт тегов", path);
    HWND dialog = ui_driver::WaitForWindow(
        [](HWND w) { return GetDlgItem(w, IDC_IMPORT_COUNTS) != nullptr; }, 15000);
    if (dialog == nullptr) return preview;
    preview.counts = ui_driver::ItemText(dialog, IDC_IMPORT_COUNTS);
    preview.issues = ListBoxLines(GetDlgItem(dialog, IDC_IMPORT_ISSUES));
    if (screenshot) ui_driver::SaveScreenshot(dialog, screenshot);
    ui_driver::PressButton(dialog, button);
    ui_driver::WaitUntilGone(dialog, 60000);
    ui_driver::WaitUntilBack(window);
    return preview;
}

TEST_F(TagFileTest, ImportOfGoodChangedAndInvalidRowsInEitherEncoding)
{
    Prepare("7 5 1 20000000\n7 5 2 30000000\n");
    WriteFile(File("utf8.csv"), "\xEF\xBB\xBF" + Utf8(kImportRows));
    WriteFile(File("cp1251.csv"), kImportRows);
    Preview utf8, cp1251;
    std::vector<std::string> afterClose;
    std::vector<TreeLine> tree;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        cp1251 = ImportThroughPreview(window, File("cp1251.csv"), IDCANCEL, nullptr);
        afterClose = ServerTags();
        utf8 = ImportThroughPreview(window, File("utf8.csv"), IDOK, "import-preview-dialog");
        ui_driver::WaitFor([] { return ServerTags().size() == 5; }, 10000);
        ui_driver::WaitUntilBack(window);
        ExpandAll(Tree(window));
        tree = ReadTree(Tree(window));
        ui_driver::PressButton(window, IDCANCEL);
    });
    const std::string counts = "Добавить: 3    Изменить период: 1    Без изменений: 1\r\n"
                               "Неверных строк: 1    Предупреждений: 1";
    EXPECT_EQ(Digits(utf8.counts), Digits(counts)) << utf8.counts;
    EXPECT_EQ(utf8.counts.substr(0, 10), "Добавить: ");
    const std::vector<std::string> issues{
        "строка 6: параметр «abc» - не число от 1 до 65534",
        "строка 7: предупреждение: прибор «Счётчик» не совпадает с описанием «Meter»"};
    EXPECT_EQ(utf8.issues, issues);
    EXPECT_EQ(cp1251.issues, issues);
    EXPECT_EQ(cp1251.counts, utf8.counts);
    EXPECT_EQ(afterClose, Sorted({"7 5 1 20000000", "7 5 2 30000000"}));  // Close sends nothing
    EXPECT_EQ(ServerTags(), Sorted({"7 5 1 20000000", "7 5 2 40000000", "7 5 3 36000000000", "7 5 4 10000000",
                                    "7 6 4 10000000"}));
    EXPECT_EQ(run.boxes, (std::vector<std::string>{
                             "Импорт: добавлено 3, изменён период 1, без изменений 1, отказано 0, неверных строк 1."}));
    std::vector<std::string> shown;
    for (const TreeLine& line : tree) shown.push_back(std::string(line.level * 2, ' ') + line.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"Meter(005)", "  Deep", "    Er", "      Name", "  Phase", "    A",
                                               "    B", "  Voltage", "Meter(006)", "  Deep", "    Er", "      Name"}))
        << DescribeTree(tree);
}

TEST_F(TagFileTest, RefusedRowsAreReportedAndStayOutOfTheTree)
{
    Prepare("7 5 1 20000000\n");
    WriteFile(File("tags.csv"), "address;type;param;period_ms\r\n5;7;2;1000\r\n6;7;1;1000\r\n");
    standin::SetFaults("fail AddTag 0x80004005\n");
    std::vector<TreeLine> before, after;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        before = ReadTree(Tree(window));
        ImportThroughPreview(window, File("tags.csv"), IDOK, nullptr);
        after = ReadTree(Tree(window));
        ui_driver::PressButton(window, IDCANCEL);
    });
    EXPECT_EQ(after, before) << DescribeTree(after);
    EXPECT_EQ(ServerTags(), Sorted({"7 5 1 20000000"}));
    EXPECT_EQ(run.boxes, (std::vector<std::string>{
                             "Импорт: добавлено 0, изменён период 0, без изменений 0, отказано 2, неверных строк 0.\n"
                             "Сервер отказал в 2 тегах (первая ошибка 0x80004005)."}));
}

// 5,000 rows, each call slowed: Stop ends the run; what was sent stays and is reported, the
// tree shows exactly those tags, and the window answers all the while.
TEST_F(TagFileTest, StopDuringAnImportOfFiveThousandRows)
{
    std::string parameters;
    for (int p = 5; p <= 5000; ++p) parameters += "P" + std::to_string(p) + " " + std::to_string(p) + " INT R RAM 0\r\n";
    Prepare("", parameters);
    std::string rows = "address;type;param;period_ms\r\n";
    for (int p = 1; p <= 5000; ++p) rows += "10;7;" + std::to_string(p) + ";1000\r\n";
    WriteFile(File("many.csv"), rows);
    standin::SetFaults("slow AddTag 2\n");

    std::string counts;
    double worstAnswerMs = 0;
    ui_driver::CIdleAnswerer idle;
    size_t treeTags = 0;
    const MainRun run = RunMain([&](HWND window, CTarnelDlg&) {
        if (!ChooseFromMenu(window, EmptyTreeScreenPoint(Tree(window)), "Импорт тегов...")) return;
        file_dialog::Choose("Импорт тегов", File("many.csv"));
        HWND dialog = ui_driver::WaitForWindow([](HWND w) { return GetDlgItem(w, IDC_IMPORT_COUNTS) != nullptr; },
                                               30000);
        if (dialog == nullptr) return;
        counts = ui_driver::ItemText(dialog, IDC_IMPORT_COUNTS);
        ui_driver::PressButton(dialog, IDOK);
        HWND bar = GetDlgItem(dialog, IDC_IMPORT_PROGRESS);
        // The window answers while the calls run: the longest wait for an answer, asked every
        // 10 ms for 1.5 s and at least until the bar has moved.
        const auto start = std::chrono::steady_clock::now();
        const auto giveUp = start + std::chrono::milliseconds(ui_driver::ResponseLimitMs(15000));
        const auto position = [bar] { return static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)); };
        while ((std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1500) || position() == 0) &&
               std::chrono::steady_clock::now() < giveUp) {
            worstAnswerMs = std::max(worstAnswerMs, ui_driver::AnswerMs(dialog));
            idle.AnswerMs();
            Sleep(10);  // one question every 10 ms while the import runs
        }
        ui_driver::SaveScreenshot(dialog, "import-running");
        EXPECT_GT(position(), 0);
        ui_driver::PressButton(dialog, IDC_IMPORT_STOP);
        ui_driver::WaitUntilGone(dialog, 20000);
        ui_driver::WaitUntilBack(window);  // the stop's box answered
        for (const TreeLine& line : ReadTree(Tree(window)))
            if (GetNodeKind(line.key) == NodeKind::Tag) ++treeTags;
        ui_driver::PressButton(window, IDCANCEL);
    });
    std::printf("longest answer of the preview window during the import: %.1f ms, of an idle thread: %.1f ms\n",
                worstAnswerMs, idle.WorstMs());
    EXPECT_EQ(Digits(counts), "50000000");  // 5000 to add, nothing else
    const size_t sent = ServerTags().size();
    EXPECT_GT(sent, 0u);
    EXPECT_LT(sent, 5000u);
    EXPECT_EQ(treeTags, sent);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0], "Импорт: добавлено " + std::to_string(sent) +
                                ", изменён период 0, без изменений 0, отказано 0, неверных строк 0.\n"
                                "Импорт остановлен: не отправлено " + std::to_string(5000 - sent) + " тегов.");
    EXPECT_LT(worstAnswerMs, ui_driver::ResponseLimitMs(1000) + idle.WorstMs());
}

}  // namespace
