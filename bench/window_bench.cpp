// Timings of the main window's commands for large configurations, under Wine or on
// Windows, each against the same work done without the window in the same run:
//
//   window_bench.exe find [TAGS]     Find over the tree of TAGS tags (default 50,000: about
//                                    55,000 nodes) in the window: its mirror, then the control
//   window_bench.exe export [TAGS]   "Экспорт тегов..." of TAGS tags (default 50,000) through
//                                    the window, against zolctl.exe export (a process: start,
//                                    descriptions, connection, export) and the tag-file core's
//                                    export run in this process over COM
//   window_bench.exe import [ROWS]   "Импорт тегов..." of ROWS rows (default 5,000) through the
//                                    window, against zolctl.exe import and the core's import
//                                    in this process, with the longest time the preview window
//                                    took to answer
//   window_bench.exe copy [PARAMS] [ADDRESSES]   "Копировать на адреса..." of a device of
//                                    PARAMS parameters (default 200) to ADDRESSES addresses
//                                    (default 100) through the window, without and with the
//                                    journal, against the bare AddTag calls it makes, with the
//                                    longest time the main window took to answer meanwhile;
//                                    then a copy stopped with the progress window's "Стоп"
//
// The server runs with the no-save fault (changes stay in memory and are gone when it ends,
// so each run starts from the same tags).
//
// The file dialogs, the preview and the message boxes are driven from a second thread; the
// window's time runs from the file dialog's OK to its closing message.
// Run it under Wine with scripts/bench-wine.sh window_bench ...
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchProcess.h"
#include "UiDriver.h"
#include "app/TarnelDlg.h"
#include "catalogue/Catalogue.h"
#include "catalogue/Checksum.h"
#include "catalogue/TagName.h"
#include "common/AtomicFile.h"
#include "res/resource.h"
#include "server/win/ComTagServer.h"
#include "tagfile/ImportPlan.h"
#include "tagfile/ImportRun.h"
#include "tagfile/ServerTags.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagFileWriter.h"
#include "tagfile/TagNames.h"
#include "tagfile/TextEncoding.h"
#include "tree/ConfigTree.h"
#include "tree/TreeFind.h"
#include "ui/App.h"
#include "ui/Text.h"
#include "ui/TreeViewModel.h"
#include "words/TagNameWords.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

CWinApp g_app;
constexpr int kDeviceTypes = 250;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

using bench::ExeDir;

// tags tags over kDeviceTypes types (address = type % 247 + 1), parameters grouped ten to a
// group, described straight into the catalogue.
void Describe(int tags)
{
    const int perDevice = (tags + kDeviceTypes - 1) / kDeviceTypes;
    for (int type = 1; type <= kDeviceTypes; ++type) {
        CDevice device;
        device.m_nTypeCode = type;
        device.m_strName = "Device" + std::to_string(type);
        for (int p = 1; p <= perDevice; ++p) {
            CParameter parameter;
            parameter.m_nNumber = p;
            parameter.m_strName = "Group" + std::to_string((p - 1) / 10) + ".Value" + std::to_string(p);
            device.m_Parameters.AddHead(parameter);
        }
        g_DeviceCatalogue.AddHead(device);
    }
}

// The catalogue's devices as description files, for zolctl.
void WriteDescriptions(const fs::path& dir)
{
    fs::create_directories(dir);
    for (const CDevice& device : g_DeviceCatalogue) {
        std::string text = "DEVICE_DESCRIPTION\n" + device.m_strName + " " + std::to_string(device.m_nTypeCode) + "\n";
        for (const CParameter& p : device.m_Parameters)
            text += p.m_strName + " " + std::to_string(p.m_nNumber) + " REAL R HOLD_REG 0\n";
        unsigned char stored[4];
        WriteStoredChecksum(UpdateChecksum(0, text), stored);
        std::ofstream out(dir / ("device" + std::to_string(device.m_nTypeCode) + ".dsc"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(stored), 4);
        out << text;
    }
}

// zolctl.exe with the arguments, from its start to its end; -1 when it failed.
double TimeZolctl(const std::wstring& arguments)
{
    const std::wstring line = L"\"" + (ExeDir() / L"zolctl.exe").wstring() + L"\" " + arguments;
    bench::RunOptions options;
    options.limitMs = 900000;
    options.creationFlags = CREATE_NO_WINDOW;
    const auto start = Clock::now();
    const int code = bench::RunToEnd(line, options);
    const double seconds = Seconds(Clock::now() - start);
    return code == 0 ? seconds : -1;
}

std::string TagsText(int tags)
{
    const int perDevice = (tags + kDeviceTypes - 1) / kDeviceTypes;
    std::string text;
    int written = 0;
    for (int type = 1; type <= kDeviceTypes && written < tags; ++type)
        for (int p = 1; p <= perDevice && written < tags; ++p, ++written)
            text += std::to_string(type) + " " + std::to_string(type % 247 + 1) + " " + std::to_string(p) + " 20000000\n";
    return text;
}

bool RegisterServer(const fs::path& home, const std::string& tags)
{
    fs::create_directories(home);
    std::ofstream(home / "tags.txt", std::ios::binary | std::ios::trunc) << tags;
    std::ofstream(home / "faults.txt", std::ios::trunc) << "no-save\n";
    return bench::RegisterStandin(home);
}

// An in-process server holding the tags in order, for filling the control quickly.
class CListServer final : public ITagServer {
public:
    explicit CListServer(int tags)
    {
        const int perDevice = (tags + kDeviceTypes - 1) / kDeviceTypes;
        for (int type = 1; type <= kDeviceTypes && static_cast<int>(m_tags.size()) < tags; ++type)
            for (int p = 1; p <= perDevice && static_cast<int>(m_tags.size()) < tags; ++p)
                m_tags.push_back({static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(type % 247 + 1),
                                  static_cast<std::uint32_t>(p)});
    }
    HResult AddTag(std::uint32_t, std::uint32_t, std::uint32_t, std::int64_t) override { return kE_FAIL; }
    HResult DeleteTag(std::uint32_t, std::uint32_t, std::uint32_t) override { return kE_FAIL; }
    HResult RestartServer() override { return kE_FAIL; }
    HResult GetComSettings(std::uint16_t*, std::uint32_t*, std::uint8_t*, std::uint8_t*, std::uint8_t*) override { return kE_FAIL; }
    HResult SetComSettings(std::uint16_t, std::uint32_t, std::uint8_t, std::uint8_t, std::uint8_t) override { return kE_FAIL; }
    HResult EnumTags(std::uint32_t* cursor, std::uint32_t* type, std::uint32_t* address, std::uint32_t* param,
                     std::uint32_t* r1, std::uint32_t* r2) override
    {
        const TagId& t = m_tags[*cursor];
        *type = t.type;
        *address = t.address;
        *param = t.param;
        *r1 = *r2 = 0;
        *cursor = *cursor + 1 < m_tags.size() ? *cursor + 1 : 0;
        return kS_OK;
    }
    HResult GetTagInfo(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t*, std::uint32_t*) override { return kE_FAIL; }
    HResult ProbeDevice(std::uint32_t, unsigned char*, std::int32_t*) override { return kE_FAIL; }

private:
    std::vector<TagId> m_tags;
};

// The main window without a server: its tree filled from CListServer, then timed finds.
class CFindWindow : public CTarnelDlg {
public:
    explicit CFindWindow(int tags) : m_nTags(tags) {}

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        CTreeViewModel tree = TreeModel();
        CListServer server(m_nTags);
        const auto fillStart = Clock::now();
        ::FillTree(tree, server, [](int a, int t, int p) { return FormatTagName(a, t, p); }, FillOptions{InsertAt::Last});
        const double fill = Seconds(Clock::now() - fillStart);
        const UINT nodes = m_Tree.GetCount();

        for (int run = 0; run < 3; ++run) {
            // Nothing matches: every node is looked at, from the first one round to it.
            m_Tree.SelectItem(m_Tree.GetRootItem());
            auto start = Clock::now();
            const bool found = FindNext(Widen("\xED\xE5\xF2 \xF2\xE0\xEA\xEE\xE3\xEE"));
            const double none = Seconds(Clock::now() - start);
            // The last tag of all, by its full name, from the first node.
            m_Tree.SelectItem(m_Tree.GetRootItem());
            start = Clock::now();
            char last[32];
            std::snprintf(last, sizeof last, "Device%d(%03d).Group", kDeviceTypes, kDeviceTypes % 247 + 1);
            const bool foundLast = FindNext(Widen(last));
            const double toLast = Seconds(Clock::now() - start);
            std::printf("find over %u nodes in the window: nothing found in %.3f s%s; a tag of the last device in "
                        "%.3f s%s (fill took %.2f s)\n",
                        nodes, none, found ? " (found?!)" : "", toLast, foundLast ? "" : " (not found?!)", fill);
        }
        PostMessage(WM_COMMAND, IDCANCEL);
        return TRUE;
    }

private:
    int m_nTags;
};

const int kFileNameField = 1152;
const int kFileNameCombo = 1148;

// Types path into the file dialog titled title and confirms; returns the moment of OK.
Clock::time_point ChooseFile(const std::string& title, const fs::path& path)
{
    HWND dialog = ui_driver::WaitForWindow(
        [&](HWND w) {
            return ui_driver::Text(w) == title &&
                   (GetDlgItem(w, kFileNameField) != nullptr || GetDlgItem(w, kFileNameCombo) != nullptr);
        },
        30000);
    if (dialog == nullptr) return Clock::now();
    HWND field = GetDlgItem(dialog, kFileNameField);
    if (field == nullptr) field = GetDlgItem(dialog, kFileNameCombo);
    Sleep(300);
    SetWindowTextW(field, path.wstring().c_str());
    const auto pressed = Clock::now();
    ui_driver::PressButton(dialog, IDOK);
    return pressed;
}

// Waits for the closing message box; returns when it appeared and its text.
Clock::time_point AnswerBox(std::string* text)
{
    HWND box = ui_driver::WaitForWindow([](HWND w) { return ui_driver::IsMessageBox(w); }, 900000);
    const auto shown = Clock::now();
    if (box != nullptr) {
        *text = ui_driver::MessageBoxText(box);
        ui_driver::PressButton(box, IDOK);
        ui_driver::WaitUntilGone(box, 5000);
    }
    return shown;
}

class CCommandWindow : public CTarnelDlg {
public:
    explicit CCommandWindow(int command) : m_nCommand(command) {}

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CTarnelDlg::OnInitDialog();
        m_hCurrentItem = nullptr;
        PostMessage(WM_COMMAND, static_cast<WPARAM>(m_nCommand));
        return result;
    }

private:
    int m_nCommand;
};

double CoreExport(const fs::path& file, std::size_t* count)
{
    const auto start = Clock::now();
    IAddTags* tags = nullptr;
    if (!ConnectAddTags(false, &tags).Ok()) return -1;
    CComTagServer server(tags);
    const ServerTagList list = ReadServerTags(server);
    const std::string content = WriteTagFile(MakeTagFileRecords(list.tags, CatalogueTagNames(UnnamedPartWords())), TagFileFormat{});
    std::string error;
    WriteFileAtomic(file, content, &error);
    tags->Release();
    *count = list.tags.size();
    return Seconds(Clock::now() - start);
}

// The bare calls of a copy: one AddTag per parameter and address, nothing else.
double BareCopyCalls(int params, int addresses)
{
    IAddTags* tags = nullptr;
    if (!ConnectAddTags(false, &tags).Ok()) return -1;
    CComTagServer server(tags);
    const auto start = Clock::now();
    for (int a = 2; a <= addresses + 1; ++a)
        for (int p = 1; p <= params; ++p)
            server.AddTag(1, static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(p), 10000000);
    const double seconds = Seconds(Clock::now() - start);
    tags->Release();
    return seconds;
}

// The main window with the copy command posted on its one device once it is up.
class CCopyWindow : public CTarnelDlg {
protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CTarnelDlg::OnInitDialog();
        m_hCurrentItem = m_Tree.GetRootItem();
        PostMessage(WM_COMMAND, static_cast<WPARAM>(ID_COPY_DEVICE));
        return result;
    }
};

struct CopyTiming {
    double seconds = -1;    // from the command to the dialog, and from "Копировать" to the closing message
    double worstAnswerMs = 0;
    std::string box;
    double stopMs = -1;     // with stopAfter: from "Стоп" to the progress window gone
};

// One copy through the window to "2-N+1". A question (a journal that cannot be written) is
// answered Yes. With stopAfter, "Стоп" is pressed once the progress shows that many calls.
CopyTiming WindowCopy(int addresses, std::size_t stopAfter = 0)
{
    CopyTiming timing;
    CCopyWindow dlg;
    ui_driver::CScript driver([&] {
        HWND main = ui_driver::WaitForDialog("\xCA\xEE\xED\xF4\xE8\xE3\xF3\xF0\xE0\xF2\xEE\xF0", 60000);
        const auto commanded = Clock::now();
        HWND dialog = nullptr;
        ui_driver::WaitFor(
            [&] {
                for (HWND w : ui_driver::TopLevelWindows()) {
                    if (!IsWindowVisible(w)) continue;
                    if (ui_driver::IsMessageBox(w) && GetDlgItem(w, IDYES) != nullptr) ui_driver::PressButton(w, IDYES);
                    if (GetDlgItem(w, IDC_COPY_ADDRESSES) != nullptr) dialog = w;
                }
                return dialog != nullptr;
            },
            300000);
        if (dialog == nullptr || main == nullptr) return;
        const auto shown = Clock::now();
        SetWindowTextW(GetDlgItem(dialog, IDC_COPY_ADDRESSES), (L"2-" + std::to_wstring(addresses + 1)).c_str());
        ui_driver::WaitFor([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }, 30000);
        const auto run = Clock::now();
        ui_driver::PressButton(dialog, IDOK);
        std::atomic<bool> done{false};
        ui_driver::CScript pinger([&] {
            while (!done) {
                const auto sent = Clock::now();
                DWORD_PTR ignored = 0;
                SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
                const double ms = 1000 * Seconds(Clock::now() - sent);
                if (ms > timing.worstAnswerMs) timing.worstAnswerMs = ms;
                Sleep(5);
            }
        });
        if (stopAfter != 0) {
            HWND progress = ui_driver::WaitForWindow(
                [](HWND w) { return GetDlgItem(w, IDC_STEP_PROGRESS_STOP) != nullptr; }, 60000);
            if (progress != nullptr) {
                ui_driver::WaitFor(
                    [&] {
                        const std::string text = ui_driver::ItemText(progress, IDC_STEP_PROGRESS_TEXT);
                        std::size_t done = 0;
                        std::sscanf(text.c_str() + (text.find(' ') == std::string::npos ? 0 : text.find(' ')), "%zu",
                                    &done);
                        return done >= stopAfter;
                    },
                    120000);
                const auto pressed = Clock::now();
                ui_driver::PressButton(progress, IDC_STEP_PROGRESS_STOP);
                ui_driver::WaitUntilGone(progress, 60000);
                timing.stopMs = 1000 * Seconds(Clock::now() - pressed);
            }
        }
        const auto ended = AnswerBox(&timing.box);
        done = true;
        pinger.Join();
        timing.seconds = Seconds(shown - commanded) + Seconds(ended - run);
        PostMessageW(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    });
    dlg.DoModal();
    return timing;
}

double CoreImport(const fs::path& file, std::size_t* added)
{
    const auto start = Clock::now();
    std::string bytes;
    ReadWholeFile(file, &bytes);
    const TagNames naming = CatalogueTagNames(UnnamedPartWords());
    TagFileReadOptions options;
    options.naming = &naming;
    const TagFileContent content = ReadTagFile(bytes, options);
    IAddTags* tags = nullptr;
    if (!ConnectAddTags(false, &tags).Ok()) return -1;
    CComTagServer server(tags);
    const CTagIdSet inFile(content.rows);
    ServerTagsOptions serverOptions;
    serverOptions.wantPeriod = [&](const TagId& id) { return inFile.Contains(id); };
    const ServerTagList list = ReadServerTags(server, serverOptions);
    const ImportReport report = RunImportPlan(MakeImportPlan(content.rows, list.tags, false), server);
    tags->Release();
    *added = report.added;
    return Seconds(Clock::now() - start);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const std::wstring mode = argc > 1 ? argv[1] : L"find";
    const int count = argc > 2 ? _wtoi(argv[2]) : (mode == L"import" ? 5000 : mode == L"copy" ? 200 : 50000);

    if (mode == L"find") {
        Describe(count);
        CFindWindow dlg(count);
        dlg.DoModal();
        return 0;
    }

    if (CoInitialize(nullptr) < 0) return 2;
    const fs::path root = fs::temp_directory_path() / ("zolcfg-window-bench-" + std::to_string(GetCurrentProcessId()));
    const fs::path home = root / "server";
    fs::create_directories(root);
    if (mode == L"copy") {
        // One device type of count parameters; the source at address 1.
        const int addresses = argc > 3 ? _wtoi(argv[3]) : 100;
        CDevice device;
        device.m_nTypeCode = 1;
        device.m_strName = "Meter";
        std::string tags;
        for (int p = 1; p <= count; ++p) {
            CParameter parameter;
            parameter.m_nNumber = p;
            parameter.m_strName = "Group" + std::to_string((p - 1) / 10) + ".Value" + std::to_string(p);
            device.m_Parameters.AddHead(parameter);
            tags += "1 1 " + std::to_string(p) + " 10000000\n";
        }
        g_DeviceCatalogue.AddHead(device);
        if (!RegisterServer(home, tags)) return 1;
        SetEnvironmentVariableW(L"ZOLCFG_SNAPSHOTS", L"0");
        // Without the journal: its folder would have to be made under a file; the question is
        // answered Yes.
        std::ofstream(root / "a-file") << "x";
        const std::wstring noHistory = (root / "a-file" / "history").wstring();
        const std::wstring history = (root / "history").wstring();

        // Interleaved, so that a machine whose load changes meanwhile weighs on every kind alike.
        const auto withoutJournal = [&] {
            SetEnvironmentVariableW(L"ZOLCFG_HISTORY", noHistory.c_str());
            return WindowCopy(addresses);
        };
        const auto withJournal = [&] {
            SetEnvironmentVariableW(L"ZOLCFG_HISTORY", history.c_str());
            return WindowCopy(addresses);
        };
        double bare[3];
        CopyTiming without[2], with[2];
        bare[0] = BareCopyCalls(count, addresses);
        Sleep(2000);  // the server ends and forgets the calls (no-save)
        without[0] = withoutJournal();
        Sleep(2000);
        with[0] = withJournal();
        Sleep(2000);
        bare[1] = BareCopyCalls(count, addresses);
        Sleep(2000);
        with[1] = withJournal();
        Sleep(2000);
        without[1] = withoutJournal();
        Sleep(2000);
        bare[2] = BareCopyCalls(count, addresses);
        Sleep(2000);
        const CopyTiming stopped = WindowCopy(addresses, static_cast<std::size_t>(count) * addresses / 4);
        const double bareMean = (bare[0] + bare[1] + bare[2]) / 3;
        const int calls = count * addresses;
        std::printf("copy of %d parameters to %d addresses (%d AddTag calls): bare calls %.2f s, %.2f s, %.2f s; "
                    "window without the journal %.2f s and %.2f s, with it %.2f s and %.2f s\n",
                    count, addresses, calls, bare[0], bare[1], bare[2], without[0].seconds, without[1].seconds,
                    with[0].seconds, with[1].seconds);
        std::printf("window's messages: %s | %s\n", Cp1251ToUtf8(without[0].box).c_str(),
                    Cp1251ToUtf8(with[0].box).c_str());
        std::printf("ratio, window / bare calls: without the journal %.3f, with it %.3f; longest answer of the "
                    "main window: %.1f ms without the journal, %.1f ms with it\n",
                    (without[0].seconds + without[1].seconds) / (2 * bareMean),
                    (with[0].seconds + with[1].seconds) / (2 * bareMean),
                    std::max(without[0].worstAnswerMs, without[1].worstAnswerMs),
                    std::max(with[0].worstAnswerMs, with[1].worstAnswerMs));
        std::printf("stopped at a quarter: the progress window gone %.0f ms after Stop; message: %s\n", stopped.stopMs,
                    Cp1251ToUtf8(stopped.box).c_str());
        Sleep(1000);
        std::error_code ignored;
        fs::remove_all(root, ignored);
        CoUninitialize();
        return 0;
    }
    Describe(mode == L"import" ? kDeviceTypes * ((count + kDeviceTypes - 1) / kDeviceTypes) : count);

    if (mode == L"export") {
        if (!RegisterServer(home, TagsText(count))) return 1;
        std::size_t coreCount = 0;
        const double coreBefore = CoreExport(root / "core.csv", &coreCount);
        Sleep(1500);
        double window = 0;
        std::string box;
        {
            CCommandWindow dlg(ID_EXPORT_TAGS);
            ui_driver::CScript driver([&] {
                const auto pressed = ChooseFile("\xDD\xEA\xF1\xEF\xEE\xF0\xF2 \xF2\xE5\xE3\xEE\xE2", root / "window.csv");
                window = Seconds(AnswerBox(&box) - pressed);
                PostMessageW(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
            });
            dlg.DoModal();
        }
        Sleep(1500);
        const double coreAfter = CoreExport(root / "core.csv", &coreCount);
        Sleep(1500);
        WriteDescriptions(root / "dsc");
        const double zolctl = TimeZolctl(L"export \"" + (root / "zolctl.csv").wstring() + L"\" --dsc \"" +
                                         (root / "dsc").wstring() + L"\"");
        std::string a, b, c;
        ReadWholeFile(root / "core.csv", &a);
        ReadWholeFile(root / "window.csv", &b);
        ReadWholeFile(root / "zolctl.csv", &c);
        std::printf("export of %zu tags: window %.2f s; zolctl.exe %.2f s; core in-process over COM %.2f s and %.2f s "
                    "(%s)\n", coreCount, window, zolctl, coreBefore, coreAfter,
                    a == b && b == c ? "the same file" : "FILES DIFFER");
        std::printf("ratio, window / zolctl.exe: %.3f; window / core in-process: %.3f\n", window / zolctl,
                    window / ((coreBefore + coreAfter) / 2));
    } else if (mode == L"import") {
        std::string rows = "address;type;param;period_ms\r\n";
        for (int i = 0; i < count; ++i)
            rows += std::to_string(i % 200 + 1) + ";" + std::to_string(i / 200 % kDeviceTypes + 1) + ";" +
                    std::to_string(i / 200 / kDeviceTypes + 1) + ";1000\r\n";
        std::ofstream(root / "rows.csv", std::ios::binary) << rows;

        if (!RegisterServer(home, "1 1 1 20000000\n")) return 1;
        std::size_t added = 0;
        const double coreBefore = CoreImport(root / "rows.csv", &added);
        Sleep(2000);  // the server ends and forgets the import (no-save)

        double window = 0;
        double worstAnswerMs = 0;
        std::string box;
        {
            CCommandWindow dlg(ID_IMPORT_TAGS);
            ui_driver::CScript driver([&] {
                const auto pressed = ChooseFile("\xC8\xEC\xEF\xEE\xF0\xF2 \xF2\xE5\xE3\xEE\xE2", root / "rows.csv");
                HWND preview = ui_driver::WaitForWindow(
                    [](HWND w) { return GetDlgItem(w, IDC_IMPORT_COUNTS) != nullptr; }, 300000);
                const auto shown = Clock::now();
                const auto run = Clock::now();
                ui_driver::PressButton(preview, IDOK);
                std::atomic<bool> done{false};
                ui_driver::CScript pinger([&] {
                    while (!done && IsWindow(preview)) {
                        const auto sent = Clock::now();
                        DWORD_PTR ignored = 0;
                        SendMessageTimeoutW(preview, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
                        const double ms = 1000 * Seconds(Clock::now() - sent);
                        if (IsWindow(preview) && ms > worstAnswerMs) worstAnswerMs = ms;
                        Sleep(5);
                    }
                });
                const auto ended = AnswerBox(&box);
                done = true;
                pinger.Join();
                window = Seconds(shown - pressed) + Seconds(ended - run);
                PostMessageW(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
            });
            dlg.DoModal();
        }
        Sleep(2000);
        const double coreAfter = CoreImport(root / "rows.csv", &added);
        Sleep(2000);
        WriteDescriptions(root / "dsc");
        const double zolctl = TimeZolctl(L"import \"" + (root / "rows.csv").wstring() + L"\" --yes --dsc \"" +
                                         (root / "dsc").wstring() + L"\"");
        std::printf("import of %d rows: window %.2f s; zolctl.exe %.2f s; core in-process over COM %.2f s and %.2f s "
                    "(%zu added)\n", count, window, zolctl, coreBefore, coreAfter, added);
        std::printf("window's message: %s\n", box.c_str());
        std::printf("ratio, window / zolctl.exe: %.3f; window / core in-process: %.3f; longest answer of the "
                    "preview window: %.1f ms\n", window / zolctl, window / ((coreBefore + coreAfter) / 2),
                    worstAnswerMs);
    }
    Sleep(1000);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    CoUninitialize();
    return 0;
}
