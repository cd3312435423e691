// zolctl.exe against the stand-in server, under Wine or on Windows:
//
//   zolctl_bench.exe export [TAGS]   zolctl export of TAGS tags (default 50,000) against the
//                                    bare EnumTags walk over COM, and against the walk plus one
//                                    GetTagInfo per tag (what an export needs at the least)
//   zolctl_bench.exe import [ROWS]   zolctl import of ROWS rows into an empty server against
//                                    ROWS bare AddTag calls
//   zolctl_bench.exe journal [ROWS]  zolctl import of ROWS rows (default 10,000; half of them
//                                    on the server with another period) with the journal
//                                    against the same import with --no-journal
//   zolctl_bench.exe journal-calls [ROWS]  the same import's calls in one process, in steps of
//                                    100 rows taken in turn: RunImportPlan through the
//                                    journaled server (the before-values known from the
//                                    plan, as zolctl import knows them) against bare AddTag
//   zolctl_bench.exe undo [TAGS]     deleting a device of TAGS tags (default 5,000) through
//                                    the journaled server (GetTagInfo + DeleteTag a tag, a
//                                    journal line each) against bare DeleteTag calls, and
//                                    undoing it (CUndoStack) against bare AddTag calls and
//                                    against bare GetTagInfo + AddTag (the undo reads each tag)
//
//   zolctl_bench.exe check [DEVICES] the line check of DEVICES configured devices (default
//                                    100), each answering after 20 ms: CLineCheck over COM
//                                    against as many bare ProbeDevice calls in one process,
//                                    and the whole zolctl check process for comparison
//   zolctl_bench.exe report [TAGS]   zolctl report -o of TAGS tags (default 50,000) against
//                                    zolctl export of the same server: time and peak memory
//
// Every figure is from the client's process start (or the bare loop's connection) to its
// end, with the server not running at the start, so each includes one server start. The
// server runs with the no-save fault: it keeps changes in memory, otherwise each AddTag
// would rewrite its whole tags.txt. zolsrv.exe (beside this program) is registered with a
// state directory of its own under %TEMP%. Run: scripts/bench-wine.sh zolctl_bench ...
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/BenchProcess.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue/Checksum.h"
#include "history/History.h"
#include "search/LineCheck.h"
#include "server/win/ComTagServer.h"
#include "server/win/ServerConnection.h"
#include "tagfile/ImportRun.h"
#include "tagfile/TagNames.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kDeviceTypes = 250;

using bench::ExeDir;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Runs a program with its output into a file; returns its exit code.
int Run(const std::wstring& command, const fs::path& output = {})
{
    bench::RunOptions options;
    options.output = output;
    return bench::RunToEnd(command, options);
}

void WriteDescription(const fs::path& file, const std::string& text)
{
    unsigned char stored[4];
    WriteStoredChecksum(UpdateChecksum(0, text), stored);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(stored), 4);
    out << text;
}

// Descriptions of kDeviceTypes types; the tags (type, address, param) of the benchmark,
// one device per type, as tags.txt lines and as tag-file rows.
void Prepare(const fs::path& home, const fs::path& work, int tags, std::string* tagsTxt, std::string* csv)
{
    fs::create_directories(home);
    fs::create_directories(work);
    const int perDevice = (tags + kDeviceTypes - 1) / kDeviceTypes;
    std::ostringstream list, rows;
    rows << "device;address;type;param;name;period_ms\r\n";
    int written = 0;
    for (int type = 1; type <= kDeviceTypes; ++type) {
        const int address = type % 247 + 1;
        std::string text = "DEVICE_DESCRIPTION\nDevice" + std::to_string(type) + " " + std::to_string(type) + "\n";
        for (int p = 1; p <= perDevice; ++p) {
            text += "Group" + std::to_string((p - 1) / 10) + ".Value" + std::to_string(p) + " " + std::to_string(p) +
                    " REAL R HOLD_REG " + std::to_string(p * 2) + "\n";
            if (written < tags) {
                list << type << ' ' << address << ' ' << p << " 20000000\n";
                rows << "Device" << type << ';' << address << ';' << type << ';' << p << ";Device" << type << '('
                     << (address < 10 ? "00" : address < 100 ? "0" : "") << address << ").Group" << (p - 1) / 10
                     << ".Value" << p << ";2000\r\n";
                ++written;
            }
        }
        WriteDescription(work / ("device" + std::to_string(type) + ".dsc"), text);
    }
    *tagsTxt = list.str();
    *csv = rows.str();
}

void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits until the server of home has ended (its status file says so), at most 30 s.
void WaitForServerEnd(const fs::path& home)
{
    for (int i = 0; i < 300; ++i) {
        const std::string status = ReadText(home / "status.txt");
        if (status.empty() || status.find("state exited") != std::string::npos ||
            status.find("state died") != std::string::npos)
            return;
        Sleep(100);
    }
}

double BareWalk(bool withPeriods, int* count)
{
    const auto start = Clock::now();
    IAddTags* tags = nullptr;
    if (!ConnectAddTags(false, &tags).Ok()) return -1;
    ULONG cursor = 0, type = 0, address = 0, param = 0, r1 = 0, r2 = 0;
    *count = 0;
    do {
        if (SUCCEEDED(tags->EnumTags(&cursor, &type, &address, &param, &r1, &r2))) {
            ++*count;
            if (withPeriods) {
                ULONG low = 0, high = 0;
                tags->GetTagInfo(type, address, param, &low, &high);
            }
        }
    } while (cursor != 0);
    tags->Release();
    return Seconds(Clock::now() - start);
}

double BareAdds(const std::string& tagsTxt, int* count)
{
    const auto start = Clock::now();
    IAddTags* tags = nullptr;
    if (!ConnectAddTags(false, &tags).Ok()) return -1;
    std::istringstream in(tagsTxt);
    unsigned long type, address, param;
    long long period;
    *count = 0;
    while (in >> type >> address >> param >> period) {
        if (SUCCEEDED(tags->AddTag(type, address, param, period))) ++*count;
    }
    tags->Release();
    return Seconds(Clock::now() - start);
}

double TimeZolctl(const std::wstring& arguments, const fs::path& output, int* code)
{
    const std::wstring command = L"\"" + (ExeDir() / L"zolctl.exe").wstring() + L"\" " + arguments;
    const auto start = Clock::now();
    *code = Run(command, output);
    return Seconds(Clock::now() - start);
}

// The journal's cost on an import: the same zolctl import with and without the journal,
// twice each in the order A B B A, the server starting from the same tags every time.
void BenchJournal(const fs::path& root, const fs::path& home, const std::wstring& dsc, int rows, const std::string& tagsTxt,
                  const std::string& csv)
{
    // Every other tag on the server, with another period: half changes, half additions.
    std::istringstream in(tagsTxt);
    std::string line, half;
    for (int i = 0; std::getline(in, line); ++i) {
        if (i % 2 == 0) half += line.substr(0, line.rfind(' ')) + " 10000000\n";
    }
    WriteText(root / "in.csv", csv);
    const fs::path history = root / "history";
    const std::wstring import = L"import \"" + (root / "in.csv").wstring() + L"\"" + dsc;
    double with[2] = {}, without[2] = {};
    int code = 0;
    const fs::path log = root / "zolctl.txt";
    for (int round = 0; round < 4; ++round) {
        const bool journal = round == 0 || round == 3;
        WriteText(home / "tags.txt", half);
        const double t = TimeZolctl(import + (journal ? L" --history \"" + history.wstring() + L"\"" : L" --no-journal"),
                                    log, &code);
        WaitForServerEnd(home);
        (journal ? with : without)[round == 0 || round == 1 ? 0 : 1] = t;
        if (code != 0) std::printf("zolctl import exit code %d: %s\n", code, ReadText(log).c_str());
    }
    std::vector<JournalLine> lines;
    std::string error;
    ReadJournal(history, &lines, &error);
    std::printf("rows: %d (%d on the server before); journal lines: %zu; snapshots: %zu\n", rows, (rows + 1) / 2,
                lines.size(), ListSnapshots(history).size());
    std::printf("zolctl import with the journal: %.2f s and %.2f s\n", with[0], with[1]);
    std::printf("zolctl import --no-journal:     %.2f s and %.2f s\n", without[0], without[1]);
    std::printf("ratio, with / without the journal: %.3f\n", (with[0] + with[1]) / (without[0] + without[1]));
}

// Deleting one device through the journaled server and undoing it, against the bare calls,
// on one connection (the server keeps its tags in memory). The device's tags go in chunks,
// each chunk measured every way in turn (bare DeleteTag, bare AddTag, the journaled
// deletion as one step, its undo, bare GetTagInfo + DeleteTag, bare GetTagInfo + AddTag),
// so that a machine busy with other work weighs on every figure alike. The undo reads each
// tag before its call (another program may have changed it): its bare calls are the reads
// and the changes together.
void BenchUndo(const fs::path& root, const fs::path& home, int tags)
{
    const int kChunks = std::max(1, tags / 100);  // steps of 100 tags
    std::string text = "DEVICE_DESCRIPTION\nMeter 1\n", list;
    for (int p = 1; p <= tags; ++p) {
        text += "Group" + std::to_string((p - 1) / 100) + ".Value" + std::to_string(p) + " " + std::to_string(p) +
                " REAL R HOLD_REG " + std::to_string(p * 2) + "\n";
        list += "1 7 " + std::to_string(p) + " " + std::to_string(10000LL * (100 + p % 900)) + "\n";
    }
    const fs::path dsc = root / "undo-dsc";
    fs::create_directories(dsc);
    WriteDescription(dsc / "meter.dsc", text);
    std::ostringstream loaderLines;
    LoadDeviceCatalogue(dsc, loaderLines, g_DeviceCatalogue);
    WriteText(home / "tags.txt", list);

    IAddTags* pAddTags = nullptr;
    if (!ConnectAddTags(false, &pAddTags).Ok()) {
        std::printf("no connection\n");
        return;
    }
    CComTagServer com(pAddTags);
    std::vector<std::pair<ULONG, long long>> device;  // param, period
    {
        std::istringstream in(list);
        unsigned long type, address, param;
        long long period;
        while (in >> type >> address >> param >> period) device.emplace_back(param, period);
    }
    CJournal journal(SystemHistoryPlatform(), root / "history");
    std::string error;
    if (!journal.Open(&error)) std::printf("journal: %s\n", error.c_str());
    JournalContext context;
    context.program = "zolctl_bench";
    context.naming = CatalogueTagNames(UnnamedPartTexts());
    CJournaledServer server(com, &journal, context);
    CUndoStack stack;

    double bareDelete = 0, bareAdd = 0, bareReadDelete = 0, bareReadAdd = 0, journaledDelete = 0, undoTime = 0;
    std::size_t undone = 0;
    auto timed = [](double& total, const auto& work) {
        const auto start = Clock::now();
        work();
        total += Seconds(Clock::now() - start);
    };
    const std::size_t chunk = (device.size() + kChunks - 1) / kChunks;
    for (std::size_t from = 0; from < device.size(); from += chunk) {
        const std::size_t to = std::min(device.size(), from + chunk);
        timed(bareDelete, [&] { for (std::size_t i = from; i < to; ++i) pAddTags->DeleteTag(1, 7, device[i].first); });
        timed(bareAdd, [&] {
            for (std::size_t i = from; i < to; ++i) pAddTags->AddTag(1, 7, device[i].first, device[i].second);
        });
        timed(journaledDelete, [&] {
            server.BeginStep("delete device");
            for (std::size_t i = from; i < to; ++i) server.DeleteTag(1, 7, device[i].first);
            stack.Push(server.EndStep());
        });
        timed(undoTime, [&] { undone += stack.Undo(server, "undo: delete device").run.doneOrdinals.size(); });
        timed(bareReadDelete, [&] {
            for (std::size_t i = from; i < to; ++i) {
                ULONG low = 0, high = 0;
                pAddTags->GetTagInfo(1, 7, device[i].first, &low, &high);
                pAddTags->DeleteTag(1, 7, device[i].first);
            }
        });
        timed(bareReadAdd, [&] {
            for (std::size_t i = from; i < to; ++i) {
                ULONG low = 0, high = 0;
                pAddTags->GetTagInfo(1, 7, device[i].first, &low, &high);
                pAddTags->AddTag(1, 7, device[i].first, device[i].second);
            }
        });
    }
    // The journal's own cost: as many lines again, without the server.
    double appends = 0;
    timed(appends, [&] {
        for (std::size_t i = 0; i < 2 * device.size(); ++i) {
            JournalLine line;
            line.program = "zolctl_bench";
            line.action = "delete device";
            line.type = "1";
            line.address = "7";
            line.param = std::to_string(i);
            line.name = "Meter(007).Group1.Value" + std::to_string(i);
            line.before = "2000";
            line.result = "ok";
            journal.Append(line, &error);
        }
    });
    journal.Close();
    ULONG low = 0, high = 0;
    const bool back = SUCCEEDED(pAddTags->GetTagInfo(1, 7, device.back().first, &low, &high)) &&
                      JoinPeriod(low, high) == device.back().second;
    pAddTags->Release();
    std::vector<JournalLine> lines;
    ReadJournal(root / "history", &lines, &error);
    std::printf("tags: %d in %d chunks; journal lines: %zu; undone %zu calls; the last tag back with its period: %s\n",
                tags, kChunks, lines.size(), undone, back ? "yes" : "no");
    std::printf("bare DeleteTag calls: %.2f s\n", bareDelete);
    std::printf("bare GetTagInfo + DeleteTag calls: %.2f s\n", bareReadDelete);
    std::printf("bare AddTag calls: %.2f s\n", bareAdd);
    std::printf("bare GetTagInfo + AddTag calls: %.2f s\n", bareReadAdd);
    std::printf("journaled deletion (GetTagInfo + DeleteTag + two journal lines a tag): %.2f s\n", journaledDelete);
    std::printf("undo (GetTagInfo + AddTag + two journal lines a tag): %.2f s\n", undoTime);
    std::printf("journal lines alone: %.1f us a line\n", appends * 1e6 / (2 * device.size()));
    std::printf("ratio, journaled deletion / bare DeleteTag calls: %.3f\n", journaledDelete / bareDelete);
    std::printf("ratio, journaled deletion / bare GetTagInfo + DeleteTag calls: %.3f\n", journaledDelete / bareReadDelete);
    std::printf("ratio, undo / bare AddTag calls: %.3f\n", undoTime / bareAdd);
    std::printf("ratio, undo / bare GetTagInfo + AddTag calls: %.3f\n", undoTime / bareReadAdd);
}

// The journal's cost on the calls of an import, measured in one process: steps of 100 rows,
// each sent bare and then through the journaled server, so that the machine's other work
// weighs on both alike.
void BenchJournalCalls(const fs::path& root, const fs::path& home, const fs::path& work, const std::string& tagsTxt)
{
    WriteText(home / "tags.txt", tagsTxt);
    std::ostringstream loaderLines;
    LoadDeviceCatalogue(work, loaderLines, g_DeviceCatalogue);
    std::vector<TagId> ids;
    {
        std::istringstream in(tagsTxt);
        unsigned long type, address, param;
        long long period;
        while (in >> type >> address >> param >> period)
            ids.push_back(TagId{static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(address),
                                static_cast<std::uint32_t>(param)});
    }
    IAddTags* pAddTags = nullptr;
    if (!ConnectAddTags(false, &pAddTags).Ok()) {
        std::printf("no connection\n");
        return;
    }
    CComTagServer com(pAddTags);
    CJournal journal(SystemHistoryPlatform(), root / "history-calls");
    std::string error;
    if (!journal.Open(&error)) std::printf("journal: %s\n", error.c_str());
    JournalContext context;
    context.program = "zolctl_bench";
    context.naming = CatalogueTagNames(UnnamedPartTexts());
    CJournaledServer server(com, &journal, context);
    double bare = 0, journaled = 0;
    std::size_t changed = 0;
    for (std::size_t from = 0; from < ids.size(); from += 100) {
        const std::size_t to = std::min(ids.size(), from + 100);
        auto start = Clock::now();
        for (std::size_t i = from; i < to; ++i) pAddTags->AddTag(ids[i].type, ids[i].address, ids[i].param, 10000000);
        bare += Seconds(Clock::now() - start);
        // What an import knows after reading the server: each tag with its period.
        ImportPlan plan;
        std::vector<ServerTag> known;
        for (std::size_t i = from; i < to; ++i) {
            PlannedTag t;
            t.id = ids[i];
            t.period = 20000000;
            t.oldPeriod = 10000000;
            t.oldPeriodKnown = true;
            plan.change.push_back(t);
            known.push_back(ServerTag{ids[i], 10000000, true});
        }
        start = Clock::now();
        server.BeginStep("zolctl import");
        server.KnowTags(known, false);
        changed += RunImportPlan(plan, server).changed;
        server.EndStep();
        journaled += Seconds(Clock::now() - start);
    }
    journal.Close();
    pAddTags->Release();
    std::printf("rows: %zu; changed through the journaled server: %zu\n", ids.size(), changed);
    std::printf("bare AddTag calls: %.2f s\n", bare);
    std::printf("RunImportPlan through the journaled server: %.2f s\n", journaled);
    std::printf("ratio, with the journal / bare calls: %.3f\n", journaled / bare);
}

// Where a journal line's time goes: the clock, the lock, the write.
void BenchAppendParts(const fs::path& root, int n)
{
    fs::create_directories(root);
    CScopedHandle owned(CreateFileW((root / "parts.csv").c_str(), FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    const HANDLE file = owned.Get();
    const std::string line(120, 'x');
    double clock = 0, lock = 0, write = 0, append = 0;
    auto timed = [](double& total, const auto& work) {
        const auto start = Clock::now();
        work();
        total += Seconds(Clock::now() - start);
    };
    timed(clock, [&] { for (int i = 0; i < n; ++i) SystemHistoryPlatform().Now(); });
    timed(lock, [&] {
        for (int i = 0; i < n; ++i) {
            OVERLAPPED region{};
            region.OffsetHigh = 0x40000000;
            LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &region);
            UnlockFileEx(file, 0, 1, 0, &region);
        }
    });
    timed(write, [&] {
        for (int i = 0; i < n; ++i) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
    });
    owned.Reset();
    std::string error;
    std::unique_ptr<IAppendFile> journal = SystemHistoryPlatform().OpenAppend(root / "append.csv", &error);
    timed(append, [&] { for (int i = 0; i < n; ++i) journal->Append(line, &error); });
    std::printf("per line: clock %.1f us, a file lock taken and given back %.1f us, a bare write %.1f us, "
                "the journal's append (its lock and the write) %.1f us\n",
                clock * 1e6 / n, lock * 1e6 / n, write * 1e6 / n, append * 1e6 / n);
}

}  // namespace

// The line check's own cost: CLineCheck over the COM server against the bare probes, in
// turns A B B A on one connection each, the server already running.
class CNoHost final : public ILineCheckHost {
public:
    std::size_t checked = 0;
    void DispatchOneWaitingMessage() override {}
    void OnDeviceChecked(const LineCheckEntry&) override { ++checked; }
    void OnCheckFinished() override {}
};

void BenchCheck(const fs::path& root, const fs::path& home, const std::wstring& dsc, int devices)
{
    std::string tagsTxt, line;
    CConfiguredDevices configured;
    for (int a = 1; a <= devices; ++a) {
        const int address = (a - 1) % 247 + 1, type = (a - 1) / 247 + 1;
        tagsTxt += std::to_string(type) + " " + std::to_string(address) + " 1 20000000\n";
        line += std::to_string(address) + " " + std::to_string(type) + " 20 device\n";
        configured.AddTag(static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(address));
    }
    WriteText(home / "tags.txt", tagsTxt);
    WriteText(home / "line.txt", line);
    const std::vector<ConfiguredDevice> list = configured.Sorted();

    IAddTags* tags = nullptr;
    if (!ConnectAddTags(false, &tags).Ok()) return;
    CComTagServer server(tags);
    const auto bare = [&] {
        const auto start = Clock::now();
        for (const ConfiguredDevice& d : list) {
            unsigned char text[kProbeTextSize];
            LONG type = 0;
            tags->ProbeDevice(d.address, text, &type);
        }
        return Seconds(Clock::now() - start);
    };
    std::size_t checked = 0;
    const auto check = [&] {
        CNoHost host;
        CLineCheck lineCheck(server, host);
        const auto start = Clock::now();
        lineCheck.Check(list);
        checked = host.checked;
        return Seconds(Clock::now() - start);
    };
    const double bare1 = bare(), check1 = check(), check2 = check(), bare2 = bare();
    tags->Release();
    WaitForServerEnd(home);
    int code = 0;
    const double program = TimeZolctl(L"check" + dsc, root / "check.txt", &code);
    WaitForServerEnd(home);
    const double bareMean = (bare1 + bare2) / 2, checkMean = (check1 + check2) / 2;
    std::printf("devices: %d (checked %zu); zolctl check exit code %d\n", devices, checked, code);
    std::printf("bare ProbeDevice calls: %.3f s and %.3f s\n", bare1, bare2);
    std::printf("CLineCheck: %.3f s and %.3f s\n", check1, check2);
    std::printf("ratio, check / bare probes: %.3f\n", checkMean / bareMean);
    std::printf("zolctl check, process start to end (server start, list, port, probes): %.2f s\n", program);
}

// zolctl report -o against zolctl export of the same server, turns A B B A.
void BenchReport(const fs::path& root, const fs::path& home, const std::wstring& dsc, const std::string& tagsTxt)
{
    WriteText(home / "tags.txt", tagsTxt);
    const auto run = [&](const std::wstring& arguments, SIZE_T* peak) {
        const std::wstring command = L"\"" + (ExeDir() / L"zolctl.exe").wstring() + L"\" " + arguments;
        bench::RunOptions options;
        options.output = root / "zolctl.txt";
        options.peakMemory = peak;
        const auto start = Clock::now();
        const int code = bench::RunToEnd(command, options);
        const double seconds = Seconds(Clock::now() - start);
        WaitForServerEnd(home);
        if (code != 0) std::printf("exit code %d: %s\n", code, ReadText(root / "zolctl.txt").c_str());
        return seconds;
    };
    const std::wstring exportArgs = L"export \"" + (root / "out.csv").wstring() + L"\" --no-journal" + dsc;
    const std::wstring reportArgs = L"report --journal 0 -o \"" + (root / "out.html").wstring() + L"\"" + dsc;
    SIZE_T exportPeak1 = 0, exportPeak2 = 0, reportPeak1 = 0, reportPeak2 = 0;
    const double export1 = run(exportArgs, &exportPeak1);
    const double report1 = run(reportArgs, &reportPeak1);
    const double report2 = run(reportArgs, &reportPeak2);
    const double export2 = run(exportArgs, &exportPeak2);
    std::printf("zolctl export: %.2f s and %.2f s, peak private bytes %.1f and %.1f MB\n", export1, export2,
                exportPeak1 / 1048576.0, exportPeak2 / 1048576.0);
    std::printf("zolctl report: %.2f s and %.2f s, peak private bytes %.1f and %.1f MB, page %zu bytes\n", report1,
                report2, reportPeak1 / 1048576.0, reportPeak2 / 1048576.0, ReadText(root / "out.html").size());
    std::printf("ratio, report / export time: %.3f\n", (report1 + report2) / (export1 + export2));
    // Wine 8 gives no memory counters of another process: measure there with time -v.
    if (exportPeak1 + exportPeak2 == 0)
        std::printf("peak memory: not given by this system\n");
    else
        std::printf("ratio, report / export peak memory: %.3f\n",
                    static_cast<double>(reportPeak1 + reportPeak2) / static_cast<double>(exportPeak1 + exportPeak2));
}

int wmain(int argc, wchar_t** argv)
{
    const std::wstring mode = argc > 1 ? argv[1] : L"export";
    const int tags = argc > 2                                               ? _wtoi(argv[2])
                     : mode == L"journal" || mode == L"journal-calls" ? 10000
                     : mode == L"undo"                                 ? 5000
                     : mode == L"check"                                ? 100
                                                                       : 50000;
    if (CoInitialize(nullptr) < 0) return 2;

    const fs::path root = fs::temp_directory_path() / ("zolctl-bench-" + std::to_string(GetCurrentProcessId()));
    const fs::path home = root / "server", work = root / "work";
    std::string tagsTxt, csv;
    Prepare(home, work, tags, &tagsTxt, &csv);
    WriteText(home / "faults.txt", "no-save\n");
    const std::wstring server = L"\"" + (ExeDir() / L"zolsrv.exe").wstring() + L"\"";
    if (Run(server + L" /RegServer /home \"" + home.wstring() + L"\"") != 0) {
        std::fprintf(stderr, "zolsrv.exe /RegServer failed\n");
        return 1;
    }
    const std::wstring dsc = L" --dsc \"" + work.wstring() + L"\"";
    // The journal and snapshots of every zolctl run go below root, removed at the end.
    SetEnvironmentVariableW(L"ZOLCFG_HISTORY", (root / "history-default").c_str());
    const fs::path log = root / "zolctl.txt";
    int code = 0;

    if (mode == L"check") {
        BenchCheck(root, home, dsc, tags);
    } else if (mode == L"report") {
        BenchReport(root, home, dsc, tagsTxt);
    } else if (mode == L"parts") {
        BenchAppendParts(root, tags);
    } else if (mode == L"journal-calls") {
        BenchJournalCalls(root, home, work, tagsTxt);
    } else if (mode == L"journal") {
        BenchJournal(root, home, dsc, tags, tagsTxt, csv);
    } else if (mode == L"undo") {
        BenchUndo(root, home, tags);
    } else if (mode == L"export") {
        WriteText(home / "tags.txt", tagsTxt);
        int walked = 0, walkedWithPeriods = 0;
        const double walk1 = BareWalk(false, &walked);
        WaitForServerEnd(home);
        const double periods1 = BareWalk(true, &walkedWithPeriods);
        WaitForServerEnd(home);
        const double program = TimeZolctl(L"export \"" + (root / "out.csv").wstring() + L"\"" + dsc, log, &code);
        WaitForServerEnd(home);
        const double periods2 = BareWalk(true, &walkedWithPeriods);
        WaitForServerEnd(home);
        const double walk2 = BareWalk(false, &walked);
        WaitForServerEnd(home);
        const double walk = (walk1 + walk2) / 2, periods = (periods1 + periods2) / 2;
        const std::string written = ReadText(root / "out.csv");
        std::printf("tags: %d (walked %d); zolctl exit code %d, file %zu bytes\n", tags, walked, code, written.size());
        std::printf("bare EnumTags walk: %.2f s and %.2f s (%.0f calls/s)\n", walk1, walk2, walked / walk);
        std::printf("bare walk + GetTagInfo per tag: %.2f s and %.2f s\n", periods1, periods2);
        std::printf("zolctl export: %.2f s\n", program);
        std::printf("ratio, export / bare EnumTags walk: %.3f\n", program / walk);
        std::printf("ratio, export / bare walk + GetTagInfo: %.3f\n", program / periods);
    } else {
        WriteText(home / "tags.txt", "");
        WriteText(root / "in.csv", csv);
        int added = 0;
        const double adds1 = BareAdds(tagsTxt, &added);
        WaitForServerEnd(home);
        const double program = TimeZolctl(L"import \"" + (root / "in.csv").wstring() + L"\"" + dsc, log, &code);
        WaitForServerEnd(home);
        int added2 = 0;
        const double adds2 = BareAdds(tagsTxt, &added2);
        WaitForServerEnd(home);
        const double adds = (adds1 + adds2) / 2;
        const std::string report = ReadText(log);
        const std::size_t summary = report.rfind("added ");
        std::printf("rows: %d; bare AddTag calls accepted: %d and %d\n", tags, added, added2);
        std::printf("zolctl import: exit code %d, %s", code,
                    summary == std::string::npos ? "no report\n" : report.substr(summary).c_str());
        std::printf("bare AddTag calls: %.2f s and %.2f s (%.0f calls/s)\n", adds1, adds2, added / adds);
        std::printf("zolctl import: %.2f s\n", program);
        std::printf("ratio, import / bare AddTag calls: %.3f\n", program / adds);
    }

    std::error_code ignored;
    fs::remove_all(root, ignored);
    CoUninitialize();
    return 0;
}
