// zolctl's journal, snapshots and restore against the stand-in server: a line per change
// with the values before and after, refusals in the journal, no change without a journal,
// snapshots taken and listed, a restore that brings tags.txt back byte for byte, a dry run
// that writes nothing, a killed zolctl's call in the journal, and two programs appending
// to one journal at once.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "ServerFiles.h"
#include "StandinFixture.h"
#include "history/Journal.h"
#include "history/Snapshot.h"
#include "standin_support.h"
#include "zolctl_support.h"

namespace fs = std::filesystem;

namespace {

const char kTags[] = "1 5 14 20000000\n1 5 2 10000\n7 12 3 0\n";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ZolctlHistory : public ZolctlTest {
protected:
    std::vector<JournalLine> Journal()
    {
        std::vector<JournalLine> lines;
        std::string error;
        EXPECT_TRUE(ReadJournal(History(), &lines, &error)) << error;
        return lines;
    }
    // "action|type address param|name|before|after|result" of a line.
    static std::string Brief(const JournalLine& l)
    {
        return l.action + "|" + l.type + " " + l.address + " " + l.param + "|" + l.name + "|" + l.before + "|" +
               l.after + "|" + l.result;
    }
};

TEST_F(ZolctlHistory, EveryChangingCommandWritesItsLinesWithBeforeAndAfter)
{
    standin::Reset(kTags);
    EXPECT_EQ(Ctl({L"add", L"1", L"5", L"14", L"500"}).code, 0);         // a period changed
    EXPECT_EQ(Ctl({L"add", L"1", L"6", L"14", L"100"}).code, 0);         // a tag added
    EXPECT_EQ(Ctl({L"period", L"7", L"12", L"3", L"250"}).code, 0);
    EXPECT_EQ(Ctl({L"delete", L"1", L"5", L"2"}).code, 0);
    EXPECT_EQ(Ctl({L"port", L"set", L"COM3", L"19200", L"8", L"odd", L"1"}).code, 0);
    CtlRun r = Ctl({L"delete-device", L"1", L"5"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Ctl({L"tags"}).code, 0);  // reads only: no line

    const std::vector<JournalLine> lines = Journal();
    std::vector<std::string> brief;
    for (const JournalLine& l : lines) brief.push_back(Brief(l));
    EXPECT_EQ(brief, (std::vector<std::string>{
                         "zolctl add|1 5 14|PM3F(005).Frequency|2000|500|ok",
                         "zolctl add|1 6 14|PM3F(006).Frequency||100|ok",
                         u8"zolctl period|7 12 3|Счётчик(012).Энергия.Сумма|0|250|ok",
                         "zolctl delete|1 5 2|PM3F(005).Voltage.A|1||ok",
                         "zolctl port|  ||COM1 9600 8 none 1|COM3 19200 8 odd 1|ok",
                         "zolctl delete-device|1 5 14|PM3F(005).Frequency|500||ok",
                     }));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].program.rfind("zolctl 0.917.", 0), 0u) << lines[0].program;
    EXPECT_EQ(lines[0].time.size(), 25u) << lines[0].time;  // 2026-12-08T10:25:03+03:00
    EXPECT_FALSE(lines[0].user.empty());
    EXPECT_FALSE(lines[0].computer.empty());

    // The file itself: the tag files' CSV.
    const std::string file = ReadFile(History() / "journal.csv");
    EXPECT_EQ(file.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_TRUE(Has(file, ";PM3F(005).Frequency;2000;500;ok\r\n")) << file;

    // zolctl journal prints it; --since and --format.
    r = Ctl({L"journal"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 78), "time;user;computer;program;action;type;address;param;name;before;after;result\n");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 7);
    r = Ctl({L"journal", L"--since", L"2999-01-01", L"--format", L"json"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "[]\n");
    r = Ctl({L"journal", L"--since", L"2000-01-01T00:00", L"--format", L"json"});
    EXPECT_TRUE(Has(r.out, "\"action\":\"zolctl delete\",\"type\":\"1\",\"address\":\"5\",\"param\":\"2\"")) << r.out;
    r = Ctl({L"journal", L"--since", L"yesterday"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(Has(r.err, "--since takes YYYY-MM-DD")) << r.err;
}

TEST_F(ZolctlHistory, ARefusedCallIsJournaledAsRefused)
{
    standin::Reset(kTags);
    standin::SetFaults("fail DeleteTag E_ACCESSDENIED 1 5 14\n");
    const CtlRun r = Ctl({L"delete", L"1", L"5", L"14"});
    EXPECT_EQ(r.code, 1);
    const std::vector<JournalLine> lines = Journal();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Brief(lines[0]), "zolctl delete|1 5 14|PM3F(005).Frequency|2000|2000|0x80070005");
}

TEST_F(ZolctlHistory, NoChangeWithoutAJournalUnlessNoJournal)
{
    standin::Reset(kTags);
    WriteFile(Scratch("file"), "in the way");
    const std::wstring blocked = Scratch("file").wstring() + L"\\history";
    const std::string before = standin::ReadStateFile("tags.txt");
    const std::string portBefore = PortRecord();
    for (const std::vector<std::wstring>& command :
         {std::vector<std::wstring>{L"delete", L"1", L"5", L"14"}, {L"delete-device", L"1", L"5"},
          {L"add", L"1", L"5", L"3", L"100"}, {L"port", L"set", L"COM3", L"19200", L"8", L"odd", L"1"},
          {L"restart"}}) {
        std::vector<std::wstring> args = command;
        args.push_back(L"--history");
        args.push_back(blocked);
        const CtlRun r = Ctl(args);
        EXPECT_EQ(r.code, 1) << r.err;
        EXPECT_TRUE(Has(r.err, "the journal cannot be written")) << r.err;
        EXPECT_TRUE(Has(r.err, "nothing was changed")) << r.err;
    }
    EXPECT_EQ(standin::ReadStateFile("tags.txt"), before);
    EXPECT_EQ(PortRecord(), portBefore);

    CtlRun r = Ctl({L"delete", L"1", L"5", L"14", L"--history", blocked, L"--no-journal"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 5 2 10000", "7 12 3 0"}));
    // Nothing went to the default folder either.
    EXPECT_FALSE(fs::exists(History()));
}

TEST_F(ZolctlHistory, SnapshotHistoryAndRestoreBringTheServerBack)
{
    standin::Reset(kTags);
    ASSERT_EQ(Ctl({L"port", L"set", L"COM2", L"9600", L"8", L"none", L"1"}).code, 0);
    // tags.txt as the server writes it.
    ASSERT_EQ(Ctl({L"add", L"7", L"12", L"3", L"1"}).code, 0);
    ASSERT_EQ(Ctl({L"add", L"7", L"12", L"3", L"0"}).code, 0);
    const std::string tagsBefore = standin::ReadStateFile("tags.txt");
    const std::string portBefore = PortRecord();
    CtlRun r = Ctl({L"snapshot"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string name = r.out.substr(0, r.out.size() - 1);
    const std::wstring wname(name.begin(), name.end());  // ASCII
    EXPECT_EQ(name.size(), 26u) << name;  // 20261208-102503-zolctl.csv
    EXPECT_EQ(name.substr(15), "-zolctl.csv");
    EXPECT_TRUE(Has(ReadFile(History() / name), "PM3F;5;1;14;PM3F(005).Frequency;2000\r\n"));

    r = Ctl({L"snapshot"});  // nothing changed
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, name + "\n");
    EXPECT_TRUE(Has(r.err, "nothing was written")) << r.err;

    r = Ctl({L"history"});
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_EQ(r.out.substr(0, name.size() + 1), name + ";");
    EXPECT_TRUE(Has(r.out, ";zolctl 0.917.")) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 5), ";2;3\n") << r.out;

    // Changes: a device gone, a period changed, a tag added, other port settings.
    ASSERT_EQ(Ctl({L"delete-device", L"1", L"5"}).code, 0);
    ASSERT_EQ(Ctl({L"period", L"7", L"12", L"3", L"40"}).code, 0);
    ASSERT_EQ(Ctl({L"add", L"1", L"9", L"14", L"70"}).code, 0);
    ASSERT_EQ(Ctl({L"port", L"set", L"COM5", L"115200", L"7", L"even", L"2"}).code, 0);

    r = Ctl({L"restore", wname, L"--dry-run"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "add;5;1;2;PM3F(005).Voltage.A;1\n"
              "add;5;1;14;PM3F(005).Frequency;2000\n"
              u8"change;12;7;3;Счётчик(012).Энергия.Сумма;0;40\n"
              "delete;9;1;14;PM3F(009).Frequency\n"
              "plan: add 2, change 1, unchanged 0, delete 1\n"
              "port;COM2 9600 8 none 1;COM5 115200 7 even 2\n");
    EXPECT_EQ(r.err, "dry run: nothing was sent\n");

    r = Ctl({L"restore", wname});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "1 tags would be deleted: nothing was done")) << r.err;
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 9 14 700000", "7 12 3 400000"}));

    r = Ctl({L"restore", wname, L"--yes"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "added 2, changed 1, deleted 1, unchanged 0, refused 0, invalid rows 0\n")) << r.out;
    EXPECT_EQ(standin::ReadStateFile("tags.txt"), tagsBefore);
    EXPECT_EQ(PortRecord(), portBefore);

    // The configuration before the restore was kept, and the restore journaled.
    r = Ctl({L"history"});
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;
    const std::vector<JournalLine> lines = Journal();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines.back().action, "zolctl restore");
    EXPECT_EQ(lines.back().before, "COM5 115200 7 even 2");
    EXPECT_EQ(lines.back().after, "COM2 9600 8 none 1");

    // A path works as well as a name; an unknown name is an error.
    r = Ctl({L"restore", (History() / name).wstring(), L"--dry-run"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "plan: add 0, change 0, unchanged 3, delete 0\n")) << r.out;
    r = Ctl({L"restore", L"20000101-000000-zolctl.csv"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "no snapshot 20000101-000000-zolctl.csv")) << r.err;
}

TEST_F(ZolctlHistory, ExportAndImportKeepASnapshotWhenTheConfigurationChanged)
{
    standin::Reset(kTags);
    ASSERT_EQ(Ctl({L"export", Scratch("all.csv").wstring(), L"--no-journal"}).code, 0);
    EXPECT_TRUE(ListSnapshots(History()).empty());
    ASSERT_EQ(Ctl({L"export", Scratch("all.csv").wstring()}).code, 0);
    EXPECT_EQ(ListSnapshots(History()).size(), 1u);
    ASSERT_EQ(Ctl({L"export", Scratch("again.csv").wstring()}).code, 0);
    EXPECT_EQ(ListSnapshots(History()).size(), 1u);  // the same configuration

    WriteFile(Scratch("new.csv"), "device;address;type;param;name;period_ms\r\n;5;1;14;;100\r\n;9;1;2;;5\r\n");
    CtlRun r = Ctl({L"import", Scratch("new.csv").wstring()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ListSnapshots(History()).size(), 1u);  // read before the import: as exported
    const std::vector<JournalLine> lines = Journal();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Brief(lines[0]), "zolctl import|1 9 2|PM3F(009).Voltage.A||5|ok");
    EXPECT_EQ(Brief(lines[1]), "zolctl import|1 5 14|PM3F(005).Frequency|2000|100|ok");
    ASSERT_EQ(Ctl({L"export", Scratch("after.csv").wstring()}).code, 0);
    EXPECT_EQ(ListSnapshots(History()).size(), 2u);
}

TEST_F(ZolctlHistory, ADryRunWritesNothingAndRetentionSparesTheSnapshotBeingRestored)
{
    standin::Reset(kTags);
    CtlRun r = Ctl({L"snapshot"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string snapshot = ReadFile(History() / r.out.substr(0, r.out.size() - 1));
    fs::remove(History() / r.out.substr(0, r.out.size() - 1));
    // 300 snapshots of this configuration, older than today: retention keeps 200.
    for (int i = 0; i < 300; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "20250101-%06d-zolctl.csv", i);
        WriteFile(History() / name, snapshot);
    }
    const std::wstring oldest = L"20250101-000000-zolctl.csv";
    ASSERT_EQ(Ctl({L"delete", L"1", L"5", L"2", L"--no-journal"}).code, 0);

    r = Ctl({L"restore", oldest, L"--dry-run"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "dry run: nothing was sent\n");
    EXPECT_EQ(ListSnapshots(History()).size(), 300u);
    EXPECT_FALSE(fs::exists(History() / "journal.csv"));

    r = Ctl({L"restore", oldest, L"--yes"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "added 1, changed 0, deleted 0")) << r.out;
    const std::vector<SnapshotInfo> kept = ListSnapshots(History());
    EXPECT_EQ(kept.size(), 200u);
    EXPECT_TRUE(fs::exists(History() / oldest));
    // The configuration before the restore, written just now, is kept too.
    ASSERT_FALSE(kept.empty());
    EXPECT_NE(kept.back().fileName.rfind("20250101-", 0), 0u) << kept.back().fileName;
}

TEST_F(ZolctlHistory, AZolctlKilledDuringItsCallLeavesThatCallInTheJournal)
{
    standin::Reset(kTags);
    // The call takes 4 s; then the server ends inside it, as a server dies (a server that
    // kept the dead client's reference would outlive the test).
    standin::SetFaults("slow AddTag " + std::to_string(standin_test::ScaledMs(4000)) + "\ndie AddTag\n");
    std::wstring command = L"\"" + standin_test::BinDir() + L"\\zolctl.exe\" add 1 5 14 500 --dsc \"" + Dsc() + L"\"";
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    // Killed once the call is under way: its line is written ahead of it.
    const bool pending =
        standin_test::WaitUntil([&] { return Has(ReadFile(History() / "journal.csv"), ";pending\r\n"); }, 15000);
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, standin_test::ScaledMs(10000));
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_TRUE(standin::WaitUntilServerGone());
    ASSERT_TRUE(pending);
    const std::vector<JournalLine> lines = Journal();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Brief(lines[0]), "zolctl add|1 5 14|PM3F(005).Frequency|2000|500|unknown: the program ended during the call");
    standin::ClearFaults();
    const CtlRun r = Ctl({L"journal"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(Has(r.out, ";2000;500;unknown: the program ended during the call\n")) << r.out;
}

TEST_F(ZolctlHistory, AHistoryFolderThatCannotExistOrADayThatDoesNotIsAnError)
{
    WriteFile(Scratch("file"), "in the way");
    for (const std::wstring& folder : {Scratch("file").wstring(), Scratch("file").wstring() + L"\\history"}) {
        for (const wchar_t* command : {L"journal", L"history"}) {
            const CtlRun r = Ctl({command, L"--history", folder});
            EXPECT_EQ(r.code, 1) << r.err;
            EXPECT_TRUE(Has(r.err, "is a file, not a folder")) << r.err;
            EXPECT_EQ(r.out, "");
        }
    }
    // A drive that does not exist (Wine maps C: and Z: only).
    CtlRun r = Ctl({L"journal", L"--history", L"Q:\\zolcfg\\history"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "the drive Q: does not exist")) << r.err;
    r = Ctl({L"delete", L"1", L"5", L"14", L"--history", L"Q:\\zolcfg\\history"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "the drive Q: does not exist")) << r.err;
    // A folder not made yet is an empty journal.
    r = Ctl({L"journal", L"--history", Scratch("new").wstring()});
    EXPECT_EQ(r.code, 0) << r.err;

    r = Ctl({L"journal", L"--since", L"2026-02-31"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(Has(r.err, "--since takes YYYY-MM-DD")) << r.err;
}

// Names a spreadsheet would run as formulas: an apostrophe before them in the journal and
// in an export; zolctl journal shows them as they are, and import takes either form.
TEST_F(ZolctlHistory, FormulaLookingNamesAreMarkedForSpreadsheetsAndReadBack)
{
    WriteDescription("calc.dsc", "DEVICE_DESCRIPTION\n=Calc 9\n+Sum 1 INT R INPT_REG 0\n@Mean 2 INT R INPT_REG 2\n");
    standin::Reset();
    ASSERT_EQ(Ctl({L"add", L"9", L"5", L"1", L"100"}).code, 0);
    ASSERT_EQ(Ctl({L"add", L"9", L"5", L"2", L"200"}).code, 0);
    const std::string file = ReadFile(History() / "journal.csv");
    EXPECT_TRUE(Has(file, ";zolctl add;9;5;1;'=Calc(005).+Sum;;100;ok\r\n")) << file;
    CtlRun r = Ctl({L"journal"});
    EXPECT_TRUE(Has(r.out, ";zolctl add;9;5;1;=Calc(005).+Sum;;100;ok\n")) << r.out;

    ASSERT_EQ(Ctl({L"export", Scratch("calc.csv").wstring()}).code, 0);
    const std::string exported = ReadFile(Scratch("calc.csv"));
    EXPECT_TRUE(Has(exported, "'=Calc;5;9;1;'=Calc(005).+Sum;100\r\n")) << exported;
    // Both forms read back as the descriptions' names, even with --strict.
    WriteFile(Scratch("bare.csv"), "device;address;type;param;name;period_ms\n=Calc;5;9;2;=Calc(005).@Mean;300\n");
    for (const char* name : {"calc.csv", "bare.csv"}) {
        r = Ctl({L"import", Scratch(name).wstring(), L"--strict"});
        EXPECT_EQ(r.code, 0) << name << ": " << r.err;
        EXPECT_EQ(r.err, "") << name;
    }
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"9 5 1 1000000", "9 5 2 3000000"}));
}

// Two programs appending 10,000 lines each to one journal at once, through the Windows
// append primitive: every line arrives whole and in its program's order.
TEST_F(ZolctlHistory, TwoProgramsAppendingAtOnceLoseNoLine)
{
    constexpr int kLines = 10000;
    // Both start writing on one signal, once both are ready.
    const HANDLE go = CreateEventW(nullptr, TRUE, FALSE, L"Local\\zolcfg-append-go");
    HANDLE ready[2] = {CreateEventW(nullptr, TRUE, FALSE, L"Local\\zolcfg-append-ready-a"),
                       CreateEventW(nullptr, TRUE, FALSE, L"Local\\zolcfg-append-ready-b")};
    ASSERT_TRUE(go && ready[0] && ready[1]);
    PROCESS_INFORMATION processes[2] = {};
    for (int p = 0; p < 2; ++p) {
        std::wstring command = L"\"" + standin_test::BinDir() + L"\\zoljournalappend.exe\" \"" +
                               History().wstring() + L"\" " + (p ? L"b" : L"a") + L" " + std::to_wstring(kLines);
        std::vector<wchar_t> line(command.begin(), command.end());
        line.push_back(L'\0');
        STARTUPINFOW si{};
        si.cb = sizeof si;
        ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                                   &processes[p]));
    }
    EXPECT_EQ(WaitForMultipleObjects(2, ready, TRUE, 60000), WAIT_OBJECT_0);
    SetEvent(go);
    for (PROCESS_INFORMATION& pi : processes) {
        // Well inside the part's time limit, so that a writer stuck on the lock fails here.
        if (WaitForSingleObject(pi.hProcess, standin_test::ScaledMs(120000)) != WAIT_OBJECT_0) {
            for (PROCESS_INFORMATION& each : processes) TerminateProcess(each.hProcess, 98);
            ADD_FAILURE() << "an appender did not finish in 120 s";
        }
        DWORD code = 99;
        GetExitCodeProcess(pi.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    const std::string text = ReadFile(History() / "journal.csv");
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF"), 0u);
    const std::vector<JournalLine> lines = ReadJournalLines(text);
    ASSERT_EQ(lines.size(), 2u * kLines);
    for (HANDLE h : {go, ready[0], ready[1]}) CloseHandle(h);
    int next[2] = {0, 0}, switches = 0, last = -1;
    for (const JournalLine& l : lines) {
        const int p = l.name[0] == 'b';
        switches += last >= 0 && p != last;
        last = p;
        ASSERT_EQ(l.name, std::string(1, "ab"[p]) + " line " + std::to_string(next[p]));
        ASSERT_EQ(l.action, std::string(40 + next[p] % 150, "ab"[p]));
        ASSERT_EQ(l.result, "ok");
        ++next[p];
    }
    // They did write at the same time: their lines alternate in the file.
    EXPECT_GE(switches, 2);
}

}  // namespace

TEST_F(ZolctlHistory, SnapshotsWithNumbersPastAnyCounterAreListedNotFatal)
{
    // A name whose number and a first line whose counts no counter holds: zolctl history
    // lists them (the counts left empty) and a new snapshot is still written beside them.
    standin::Reset(kTags);
    fs::create_directories(History());
    const std::string body = "device;address;type;param;name;period_ms\r\nPM3F;5;1;14;PM3F(005).Frequency;2000\r\n";
    WriteFile(History() / "20261201-100000-zolctl-99999999999.csv",
              "\xEF\xBB\xBF# zolctl 0.917.1;2026-12-01T10:00:00+03:00;devices 1;tags 1\r\n" + body);
    WriteFile(History() / "20261201-090000-zolctl.csv",
              "\xEF\xBB\xBF# zolctl 0.917.1;2026-12-01T09:00:00+03:00;devices 1;tags 99999999999999999999999\r\n" +
                  body);
    CtlRun r = Ctl({L"history"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "20261201-090000-zolctl.csv;;;;\n"
                     "20261201-100000-zolctl-99999999999.csv;2026-12-01T10:00:00+03:00;zolctl 0.917.1;1;1\n");
    r = Ctl({L"snapshot"});
    EXPECT_EQ(r.code, 0) << r.err;
    r = Ctl({L"history"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << r.out;
}

TEST_F(ZolctlHistory, AListThatBreaksOffIsNeverASnapshotNorTheBaseOfAReplace)
{
    standin::Reset(kTags);
    ASSERT_EQ(Ctl({L"snapshot"}).code, 0);
    standin::SetFaults("fail EnumTags 0x80004005 after 1\n");
    CtlRun r = Ctl({L"snapshot"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "the server's tag list ended on a failed call (")) << r.err;
    EXPECT_TRUE(Has(r.err, "no snapshot was kept")) << r.err;

    WriteFile(Scratch("one.csv"), "device;address;type;param;name;period_ms\r\nPM3F;5;1;14;x;2000\r\n");
    r = Ctl({L"import", Scratch("one.csv").wstring(), L"--replace", L"--yes"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "the server's tag list ended on a failed call (")) << r.err;
    EXPECT_TRUE(Has(r.err, "nothing was imported")) << r.err;
    standin::SetFaults("");
    EXPECT_EQ(ServerTags().size(), 3u);
    r = Ctl({L"history"});
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
}

TEST_F(ZolctlHistory, ASnapshotWhoseRowsDoNotMatchItsFirstLineIsRefusedAndMarked)
{
    // A snapshot cut at a line end, with a row removed or a row added: a restore would
    // delete what is missing, so it is refused before anything is asked of the server, and
    // the history lists the counts its rows give, marked.
    standin::Reset(kTags);
    CtlRun r = Ctl({L"snapshot"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string whole = ReadFile(History() / r.out.substr(0, r.out.size() - 1));
    fs::remove(History() / r.out.substr(0, r.out.size() - 1));
    const std::size_t rows = whole.find("\r\n", whole.find("device;address")) + 2;  // the first row's start
    const std::size_t second = whole.find("\r\n", rows) + 2, third = whole.find("\r\n", second) + 2;
    ASSERT_EQ(whole.find("\r\n", third) + 2, whole.size());  // three rows
    struct Case {
        const char* name;
        std::string text;
        const char* told;
        const char* listed;
    };
    const Case cases[] = {
        {"20261201-100000-zolctl.csv", whole.substr(0, second), "the header names 3 tags, the file holds 1", ";1;1;damaged"},
        {"20261201-100001-zolctl.csv", whole.substr(0, second) + whole.substr(third), "the header names 3 tags, the file holds 2",
         ";2;2;damaged"},
        {"20261201-100002-zolctl.csv", whole + "PM3F;9;1;14;PM3F(009).Frequency;5\r\n", "the header names 3 tags, the file holds 4",
         ";3;4;damaged"},
    };
    ASSERT_EQ(Ctl({L"delete", L"1", L"5", L"2", L"--no-journal"}).code, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(History() / c.name, c.text);
        const std::wstring wname(c.name, c.name + std::strlen(c.name));
        for (const wchar_t* more : {L"--dry-run", L"--yes"}) {
            r = Ctl({L"restore", wname, more});
            EXPECT_EQ(r.code, 1);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, std::string(c.name) + ": " + c.told + ": it is damaged\n");
        }
    }
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 5 14 20000000", "7 12 3 0"}));
    EXPECT_FALSE(fs::exists(History() / "journal.csv"));

    r = Ctl({L"history"});
    EXPECT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << r.out;
    std::size_t at = 0;
    for (const Case& c : cases) {
        const std::string line = r.out.substr(at, r.out.find('\n', at) - at);
        at = r.out.find('\n', at) + 1;
        EXPECT_EQ(line.substr(0, std::strlen(c.name)), c.name) << line;
        EXPECT_TRUE(line.size() > std::strlen(c.listed) &&
                    line.compare(line.size() - std::strlen(c.listed), std::string::npos, c.listed) == 0)
            << line;
    }
    // The whole one restores.
    WriteFile(History() / "20261201-100003-zolctl.csv", whole);
    r = Ctl({L"restore", L"20261201-100003-zolctl.csv", L"--yes"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ServerTags().size(), 3u);
}

TEST_F(ZolctlHistory, UndescribedTagsAreNamedAsTheTreeNamesThemByEveryWriterAndOlderNamesAreRead)
{
    // Type 9 has no description, parameter 9999 of PM3F none: every writer names them as
    // the window's tree does, no two alike.
    standin::Reset("9 7 1 15000000\n9 7 2 16000000\n1 5 9999 10000\n");
    const std::string one = u8";7;9;1;Тип 9(007).Параметр 1;1500";
    const std::string two = u8";7;9;2;Тип 9(007).Параметр 2;1600";
    const std::string param = u8"PM3F;5;1;9999;PM3F(005).Параметр 9999;1";
    CtlRun r = Ctl({L"tags"});
    ASSERT_EQ(r.code, 0) << r.err;
    for (const std::string& row : {one, two, param}) EXPECT_TRUE(Has(r.out, row + "\n")) << r.out;

    ASSERT_EQ(Ctl({L"export", Scratch("all.csv").wstring()}).code, 0);
    const std::string exported = ReadFile(Scratch("all.csv"));
    for (const std::string& row : {one, two, param}) EXPECT_TRUE(Has(exported, row + "\r\n")) << exported;
    const std::vector<SnapshotInfo> snapshots = ListSnapshots(History());
    ASSERT_EQ(snapshots.size(), 1u);
    const std::string snapshot = ReadFile(snapshots[0].path);
    for (const std::string& row : {one, two, param}) EXPECT_TRUE(Has(snapshot, row + "\r\n")) << snapshot;

    ASSERT_EQ(Ctl({L"period", L"9", L"7", L"2", L"1700"}).code, 0);
    const std::vector<JournalLine> lines = Journal();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].name, u8"Тип 9(007).Параметр 2");

    // A file written before: its names are read without a word, --strict included, and a
    // snapshot written before restores.
    WriteFile(Scratch("old.csv"), "device;address;type;param;name;period_ms\r\n;7;9;1;(007).;1500\r\n"
                                  ";7;9;2;(007).;1600\r\nPM3F;5;1;9999;PM3F(005).;2\r\n");
    r = Ctl({L"import", Scratch("old.csv").wstring(), L"--strict"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_FALSE(Has(r.err, "differs")) << r.err;
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 5 9999 20000", "9 7 1 15000000", "9 7 2 16000000"}));
    WriteFile(History() / "20261201-100000-zolctl.csv",
              "\xEF\xBB\xBF# zolctl 0.917.1;2026-12-01T10:00:00+03:00;devices 2;tags 3\r\n"
              "device;address;type;param;name;period_ms\r\n;7;9;1;(007).;1500\r\n;7;9;2;(007).;1800\r\n"
              "PM3F;5;1;9999;PM3F(005).;1\r\n");
    r = Ctl({L"restore", L"20261201-100000-zolctl.csv", L"--yes"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_FALSE(Has(r.err, "differs")) << r.err;
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 5 9999 10000", "9 7 1 15000000", "9 7 2 18000000"}));
}
