// zolctl's commands other than the tag files, as a user runs them, against the stand-in
// server: results on standard output, errors on standard error, the exit codes.
#include <windows.h>

#include <cstdio>
#include <thread>

#include <algorithm>
#include <functional>
#include <map>
#include <string>

#include "ServerFiles.h"
#include "StandinFixture.h"
#include "ctl/CtlCommandTable.h"
#include "server/ConnectFailure.h"
#include "zolctl_support.h"

namespace fs = std::filesystem;

namespace {

const char kTags[] = "1 5 14 20000000\n1 5 2 10000\n7 12 3 0\n";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ZolctlCommands : public ZolctlTest {};

TEST_F(ZolctlCommands, HelpVersionAndUsageErrors)
{
    CtlRun r = RunCtl({L"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(Has(r.out, "usage: zolctl COMMAND [OPTIONS]")) << r.out;
    EXPECT_TRUE(Has(r.out, "delete-device TYPE ADDRESS"));
    // The general help ends naming the guide beside zolctl.exe.
    const size_t guide = r.out.find("\nuser's guide (Russian): ");
    ASSERT_NE(guide, std::string::npos) << r.out;
    std::string guidePath = r.out.substr(guide + 25);
    guidePath = guidePath.substr(0, guidePath.find_first_of("\r\n"));
    const std::string tail = "\\bin\\guide\\index.html";  // beside zolctl.exe, in the build's bin
    EXPECT_TRUE(guidePath.size() > tail.size() &&
                guidePath.compare(guidePath.size() - tail.size(), tail.size(), tail) == 0)
        << guidePath;
    EXPECT_TRUE(Has(guidePath, ":\\")) << guidePath;  // a full path
    r = RunCtl({L"import", L"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(Has(r.out, "usage: zolctl import FILE")) << r.out;
    r = RunCtl({L"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("zolctl 0.917.", 0), 0u) << r.out;  // the journal's program column (below)

    const struct {
        std::vector<std::wstring> args;
        const char* error;
    } bad[] = {
        {{}, "zolctl: no command given\n"},
        {{L"frobnicate"}, "zolctl: unknown command 'frobnicate'\n"},
        // Misspelt, whatever follows it: never an error about the rest, nor a help text.
        {{L"expor", L"a.csv", L"--format", L"xml"}, "zolctl: unknown command 'expor'\n"},
        {{L"delet", L"1", L"", L"--bogus"}, "zolctl: unknown command 'delet'\n"},
        {{L"--dsc", L".", L"tag", L"--help"}, "zolctl: unknown command 'tag'\n"},
        {{L"add", L"0", L"5", L"14", L"1000"}, "zolctl: TYPE must be 1..255\n"},
        {{L"add", L"1", L"248", L"14", L"1000"}, "zolctl: ADDRESS must be 1..247\n"},
        {{L"add", L"1", L"5", L"65535", L"1000"}, "zolctl: PARAM must be 1..65534\n"},
        {{L"add", L"1", L"5", L"14", L"1.5"}, "zolctl: PERIOD_MS must be a whole number of milliseconds 0..86400000\n"},
        {{L"delete", L"1", L"5"}, "zolctl: too few arguments\n"},
        {{L"tags", L"--dry-run"}, "zolctl: tags does not take --dry-run\n"},
        {{L"tags", L"--format", L"xml"}, "zolctl: --format takes csv or json\n"},
        {{L"export"}, "zolctl: too few arguments\n"},
        {{L"port", L"set", L"COM1", L"9600", L"8", L"odd", L"3"}, "zolctl: STOPBITS must be 1, 1.5 or 2\n"},
        {{L"port", L"set", L"COMX", L"9600", L"8", L"odd", L"1"}, "zolctl: PORT must be COMn, n (1..65535) or none\n"},
        {{L"search", L"0", L"10"}, "zolctl: FROM and TO must be addresses 1..255\n"},
        {{L"search", L"32", L"1"}, "zolctl: FROM must not be greater than TO\n"},
        {{L"", L"1", L"5", L"14", L"500"}, "zolctl: argument 1 is empty\n"},
        {{L"add", L"1", L"5", L"", L"500"}, "zolctl: argument 4 is empty\n"},
        {{L"tags", L"--dsc", L"Z:\\no\\such\\dir"}, "zolctl: --dsc Z:\\no\\such\\dir: no such directory\n"},
    };
    for (const auto& b : bad) {
        r = RunCtl(b.args);
        EXPECT_EQ(r.code, 2) << b.error;
        EXPECT_EQ(r.err.substr(0, std::string(b.error).size()), b.error);
        EXPECT_TRUE(Has(r.err, "usage: zolctl") || Has(r.err, "no such directory")) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(ServerTags(), std::vector<std::string>{}) << "nothing reached the server";
}

// Every row of the table reaches its own handler: each command run once, and what it did
// is what only that command does. A row without a case here fails the test.
TEST_F(ZolctlCommands, EveryRowReachesItsOwnHandler)
{
    standin::Reset(kTags);
    standin::WriteStateFile("port.txt", "3 19200 7 2 1\n");
    standin::WriteStateFile("line.txt", "3 1 0 PM3F v2.1\n");
    standin::SetFaults("probe_timeout_ms 1\nfail RestartServer E_ACCESSDENIED\n");
    const std::filesystem::path file = Scratch("one.csv");
    WriteFile(file, "device;address;type;param;name;period_ms\nPM3F;6;1;14;PM3F(006).Frequency;500\n");
    const std::wstring exported = Scratch("exported.csv").wstring();
    const std::string version = RunCtl({L"--version"}).out;

    struct Case {
        std::vector<std::wstring> args;
        std::function<void(const CtlRun&)> check;
    };
    const std::map<std::string, Case> cases = {
        {"tags", {{L"tags"}, [](const CtlRun& r) {
             EXPECT_EQ(r.out.rfind("device;address;type;param;name;period_ms\n", 0), 0u) << r.out;
         }}},
        {"export", {{L"export", exported}, [&](const CtlRun& r) {
             EXPECT_EQ(r.err, "exported 3 tags to " + fs::path(exported).u8string() + "\n");
         }}},
        {"import", {{L"import", file.wstring(), L"--dry-run"}, [](const CtlRun& r) {
             EXPECT_EQ(r.out, "add;6;1;14;PM3F(006).Frequency;500\nplan: add 1, change 0, unchanged 0, delete 0\n");
         }}},
        {"add", {{L"add", L"1", L"6", L"14", L"500"}, [](const CtlRun& r) {
             EXPECT_EQ(r.err, "added tag type 1 address 6 param 14 PM3F(006).Frequency\n");
         }}},
        {"delete", {{L"delete", L"1", L"6", L"14"}, [](const CtlRun& r) {
             EXPECT_EQ(r.err, "deleted tag type 1 address 6 param 14\n");
         }}},
        {"delete-device", {{L"delete-device", L"7", L"12"}, [](const CtlRun& r) {
             EXPECT_EQ(r.err, "deleted 1 tags, refused 0\n");
         }}},
        {"period", {{L"period", L"1", L"5", L"14"}, [](const CtlRun& r) { EXPECT_EQ(r.out, "2000\n"); }}},
        {"port", {{L"port"}, [](const CtlRun& r) { EXPECT_EQ(r.out, "COM3 19200 7 odd 2\n"); }}},
        {"ports", {{L"ports"}, [](const CtlRun& r) {
             EXPECT_EQ(r.err, "");
             for (std::size_t start = 0; start < r.out.size(); start = r.out.find('\n', start) + 1)
                 EXPECT_EQ(r.out.compare(start, 3, "COM"), 0) << r.out;
             EXPECT_FALSE(Has(r.out, " 19200 ")) << "the server's port settings";
         }}},
        {"search", {{L"search", L"1", L"5"}, [](const CtlRun& r) { EXPECT_EQ(r.out, "3;1;PM3F;PM3F v2.1\n"); }}},
        {"restart", {{L"restart"}, [](const CtlRun& r) {
             EXPECT_EQ(r.err, "the server refused to restart: access denied (0x80070005)\n");
         }}},
        {"journal", {{L"journal"}, [&](const CtlRun& r) {
             EXPECT_EQ(r.out.rfind("time;user;computer;program;action;", 0), 0u) << r.out;
             // The program column of the lines just written is what --version says.
             EXPECT_TRUE(Has(r.out, ";" + version.substr(0, version.size() - 1) + ";zolctl add;")) << version << r.out;
         }}},
        {"history", {{L"history"}, [&](const CtlRun& r) {
             EXPECT_TRUE(Has(r.out, "-zolctl.csv;")) << "export's snapshot: " << r.out;
         }}},
        {"snapshot", {{L"snapshot"}, [](const CtlRun& r) {
             EXPECT_TRUE(r.out.size() > 5 && r.out.compare(r.out.size() - 5, 5, ".csv\n") == 0) << r.out;
             EXPECT_FALSE(Has(r.out, ";")) << r.out;
         }}},
        {"restore", {{L"restore", L"nosuch.csv"}, [](const CtlRun& r) {
             EXPECT_EQ(r.err.rfind("no snapshot nosuch.csv in ", 0), 0u) << r.err;
         }}},
        {"copy-device", {{L"copy-device", L"1", L"5", L"--to", L"9", L"--dry-run"}, [](const CtlRun& r) {
             EXPECT_TRUE(Has(r.out, "add;9;1;14;PM3F(009).")) << r.out;
             EXPECT_TRUE(Has(r.err, "dry run: nothing was sent\n")) << r.err;
         }}},
        {"diff", {{L"diff", file.wstring()}, [](const CtlRun& r) {
             EXPECT_TRUE(Has(r.out, "+ PM3F(006).Frequency 500\n")) << r.out;
             EXPECT_TRUE(Has(r.out, "\ndiff as import: 1 to add, 0 to change, ")) << r.out;
         }}},
        {"report", {{L"report", L"--format", L"json", L"--journal", L"0"}, [](const CtlRun& r) {
             EXPECT_EQ(r.out.rfind("{\"computer\":", 0), 0u) << r.out;
             EXPECT_TRUE(Has(r.out, "\"journal\":[]")) << r.out;
         }}},
        {"check", {{L"check", L"--device", L"1", L"5"}, [](const CtlRun& r) {
             EXPECT_EQ(r.out.rfind("PM3F(005): does not answer\ncheck: 0 answer, 1 do not, ", 0), 0u) << r.out;
         }}},
    };
    EXPECT_EQ(cases.size(), CtlCommands().size());
    for (const CtlCommand& row : CtlCommands()) {
        SCOPED_TRACE(row.name);
        const auto found = cases.find(row.name);
        ASSERT_NE(found, cases.end()) << "a row without its case";
        const CtlRun r = Ctl(found->second.args);
        found->second.check(r);
    }
}

TEST_F(ZolctlCommands, TagsListsTheServerInItsOrderAsCsvOrJson)
{
    standin::Reset(kTags);
    CtlRun r = Ctl({L"tags"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, u8"device;address;type;param;name;period_ms\n"
                     u8"PM3F;5;1;2;PM3F(005).Voltage.A;1\n"
                     u8"PM3F;5;1;14;PM3F(005).Frequency;2000\n"
                     u8"Счётчик;12;7;3;Счётчик(012).Энергия.Сумма;0\n");
    EXPECT_EQ(r.err, "");

    r = Ctl({L"tags", L"--format", L"json", L"--verbose"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(Has(r.out, u8"{\"device\":\"Счётчик\",\"address\":12,\"type\":7,\"param\":3,"
                           u8"\"name\":\"Счётчик(012).Энергия.Сумма\",\"period_ms\":0}\n]\n"))
        << r.out;
    EXPECT_TRUE(Has(r.err, "Reading config file 'meter.dsc'")) << "--verbose shows the loader";
}

TEST_F(ZolctlCommands, ConnectionFailuresSayWhichStepAndExit3)
{
    standin::SetFaults("class REGDB_E_CLASSNOTREG\n");
    CtlRun r = Ctl({L"tags"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "cannot connect: class not registered (0x80040154)\n");
    EXPECT_EQ(r.out, "");

    standin::WaitUntilServerGone();  // the refusing server ends a second after it refused
    standin::SetFaults("instance E_NOINTERFACE\n");
    r = RunCtl({L"add", L"1", L"5", L"14", L"1000"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "cannot connect: the server refused IAddTags: interface not supported (0x80004002)\n");
}

// The same retry as the window's and the search worker's: a server that is ending is tried
// again for a moment, a plain refusal is reported after one attempt.
TEST_F(ZolctlCommands, AnEndingServerIsTriedAgainARefusalIsNot)
{
    standin::SetFaults("class E_FAIL\n");
    size_t before = standin::ClassRefusalsLogged();
    CtlRun r = Ctl({L"tags"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(standin::ClassRefusalsLogged() - before, 1u);

    standin::SetFaults("class 0x80080008\n");
    before = standin::ClassRefusalsLogged();
    const ULONGLONG start = GetTickCount64();
    r = Ctl({L"tags"});
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "cannot connect: the server is stopping (0x80080008)\n");
    EXPECT_GE(standin::ClassRefusalsLogged() - before, 2u);
    EXPECT_GE(took, static_cast<ULONGLONG>(kEndingServerRetries * kEndingServerPauseMs));
}

TEST_F(ZolctlCommands, SingleTagCommandsAndTheirRefusals)
{
    standin::Reset(kTags);
    standin::SetFaults("fail AddTag E_INVALIDARG 1 9 14\n");
    CtlRun r = Ctl({L"add", L"1", L"6", L"14", L"500"});
    EXPECT_EQ(r.code, 0) << r.err;
    r = RunCtl({L"add", L"1", L"9", L"14", L"500"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "refused: add tag type 1 address 9 param 14: invalid argument (0x80070057)\n");

    r = RunCtl({L"period", L"1", L"5", L"14"});
    EXPECT_EQ(r.out, "2000\n");
    EXPECT_EQ(RunCtl({L"period", L"1", L"5", L"14", L"86400000"}).code, 0);
    r = RunCtl({L"period", L"1", L"5", L"99", L"100"});
    EXPECT_EQ(r.code, 1) << "a period is set only on an existing tag";
    EXPECT_EQ(r.err, "cannot read the period of tag type 1 address 5 param 99: not found (0x80070490)\n");

    EXPECT_EQ(RunCtl({L"delete", L"7", L"12", L"3"}).code, 0);
    r = RunCtl({L"delete", L"7", L"12", L"3"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "refused: delete tag type 7 address 12 param 3: not found (0x80070490)\n");
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 5 14 864000000000", "1 5 2 10000", "1 6 14 5000000"}));

    r = RunCtl({L"delete-device", L"1", L"5"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "deleted 2 tags, refused 0\n");
    EXPECT_EQ(ServerTags(), std::vector<std::string>{"1 6 14 5000000"});
    EXPECT_EQ(RunCtl({L"delete-device", L"1", L"5"}).code, 1) << "no such device";
}

TEST_F(ZolctlCommands, PortPrintsAndSetsTheSettings)
{
    standin::WriteStateFile("port.txt", "3 19200 7 2 1\n");
    CtlRun r = RunCtl({L"port"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "COM3 19200 7 odd 2\n");
    r = RunCtl({L"port", L"set", L"none", L"115200", L"8", L"space", L"1.5"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(PortRecord(), "0 115200 8 1 4");
    EXPECT_EQ(RunCtl({L"port"}).out, "none 115200 8 space 1.5\n");

    // A dry run says whether the settings would change, and sends and journals nothing.
    const std::string journal = RunCtl({L"journal"}).out;
    r = RunCtl({L"port", L"set", L"COM2", L"115200", L"8", L"space", L"1.5", L"--dry-run", L"--format", L"json"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "\"changed\":false,\"would_change\":true")) << r.out;
    EXPECT_EQ(r.err, "port none 115200 8 space 1.5 -> COM2 115200 8 space 1.5\n");
    r = RunCtl({L"port", L"set", L"none", L"115200", L"8", L"space", L"1.5", L"--dry-run", L"--format", L"json"});
    EXPECT_TRUE(Has(r.out, "\"changed\":false,\"would_change\":false")) << r.out;
    EXPECT_EQ(PortRecord(), "0 115200 8 1 4");
    EXPECT_EQ(RunCtl({L"journal"}).out, journal) << "a dry run journals nothing";

    standin::SetFaults("fail SetComSettings E_ACCESSDENIED\n");
    r = RunCtl({L"port", L"set", L"4", L"9600", L"8", L"none", L"1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "refused: port settings: access denied (0x80070005)\n");
    EXPECT_EQ(PortRecord(), "0 115200 8 1 4");

    r = RunCtl({L"ports"});
    EXPECT_EQ(r.code, 0) << r.err;
    for (std::size_t start = 0; start < r.out.size(); start = r.out.find('\n', start) + 1)
        EXPECT_EQ(r.out.compare(start, 3, "COM"), 0) << r.out;
}

TEST_F(ZolctlCommands, SearchPrintsEachDeviceFoundAndStopsWhenTheServerDies)
{
    standin::WriteStateFile("line.txt", "3 1 0 PM3F v2.1; serial 17\n9 7 0 meter\n12 200 0 unknown box\n");
    standin::SetFaults("probe_timeout_ms 1\n");
    CtlRun r = Ctl({L"search", L"1", L"15"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, u8"3;1;PM3F;PM3F v2.1; serial 17\n9;7;Счётчик;meter\n12;200;;unknown box\n");

    standin::SetFaults("probe_timeout_ms 1\ndie ProbeDevice 5\n");
    r = Ctl({L"search", L"1", L"20"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, u8"3;1;PM3F;PM3F v2.1; serial 17\n");
    EXPECT_TRUE(Has(r.err, "the server went away during the search")) << r.err;
}

// Text from a server or a file never reaches the terminal raw: ESC and the other controls
// are shown as \x1B; the line ends of the messages stay.
TEST_F(ZolctlCommands, ControlCharactersFromServersAndFilesAreShownEscaped)
{
    standin::WriteStateFile("line.txt", "3 1 0 PM3F\x1B]0;owned\x07 v2\x1B[2J\n");
    standin::SetFaults("probe_timeout_ms 1\n");
    CtlRun r = Ctl({L"search", L"1", L"5"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "3;1;PM3F;PM3F\\x1B]0;owned\\x07 v2\\x1B[2J\n");
    standin::ClearFaults();

    standin::Reset(kTags);
    WriteFile(Scratch("hostile.csv"), "device;address;type;param;name;period_ms\r\n"
                                      "PM3F;5;1;14;PM3F(005).Fr\x1B[31mq;2000\r\n"
                                      "PM3F;5;\x1B[2J;2;x;10\r\n");
    for (const std::wstring& command : {std::wstring(L"import"), std::wstring(L"diff")}) {
        SCOPED_TRACE(std::string(command.begin(), command.end()));
        std::vector<std::wstring> args{command, Scratch("hostile.csv").wstring()};
        if (command == L"import") args.push_back(L"--dry-run");
        r = Ctl(args);
        EXPECT_NE(r.code, 0);
        EXPECT_TRUE(Has(r.err, ":2: warning: name 'PM3F(005).Fr\\x1B[31mq' differs")) << r.err;
        EXPECT_TRUE(Has(r.err, ":3: type '\\x1B[2J' is not a number")) << r.err;
        EXPECT_EQ(r.err.find('\x1B'), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find('\x1B'), std::string::npos) << r.out;
    }
}

TEST_F(ZolctlCommands, RestartWaitsForTheServerOrGivesUp)
{
    standin::Reset(kTags);
    CtlRun r = RunCtl({L"restart"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "the server answered again after ")) << r.out;
    EXPECT_EQ(ServerTags().size(), 3u);

    standin::SetFaults("no-restart\n");
    r = RunCtl({L"restart", L"--timeout", L"3"});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(Has(r.err, "the server did not come back within 3 s (cannot connect: server execution failed (0x80080005))"))
        << r.err;
    standin::ClearFaults();  // the next connection forgets the restart
}

// A real server may take seconds to come back: zolctl keeps trying (the window's routine).
TEST_F(ZolctlCommands, RestartWaitsForAServerThatComesBackLate)
{
    standin::Reset(kTags);
    // A server still running from an earlier restart under the fault forgets it now.
    ASSERT_EQ(Ctl({L"tags"}).code, 0);
    ASSERT_TRUE(standin::WaitUntilServerGone());
    standin::SetFaults("no-restart\n");
    // The server comes back 4 s after the restart (a stimulus, not a wait for a result):
    // later than the given three seconds, so zolctl must go on trying.
    std::thread comesBack([] {
        Sleep(4000);
        standin::ClearFaults();
    });
    const CtlRun r = RunCtl({L"restart", L"--timeout", L"30"});
    comesBack.join();
    EXPECT_EQ(r.code, 0) << r.err;
    double seconds = 0;
    EXPECT_EQ(std::sscanf(r.out.c_str(), "the server answered again after %lf s", &seconds), 1) << r.out;
    EXPECT_GE(seconds, 2.0);  // the fault went some seconds after the restart
    EXPECT_EQ(ServerTags().size(), 3u);
}

TEST_F(ZolctlCommands, AnEndlessTagListIsCutAsTheMainWindowCutsIt)
{
    standin::Reset(kTags);
    standin::SetFaults("enum-endless\n");
    const CtlRun r = Ctl({L"tags"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "the server did not end its tag list (a tag came round a second time): the walk was stopped after 3 tags\n");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4) << r.out;
}

// A result cut short must never pass for a whole one: every write is checked.
TEST_F(ZolctlCommands, OutputThatCannotBeWrittenIsReportedOnceAndFails)
{
    standin::Reset(kTags);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    // The Linux side's full device, as "zolctl tags > /dev/full" gives it.
    HANDLE full = CreateFileW(L"Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(full, INVALID_HANDLE_VALUE);
    CtlRun r = RunCtlInto({L"tags", L"--dsc", Dsc()}, full, nullptr);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "zolctl: cannot write standard output: the disk is full\n");
    r = RunCtlInto({L"--help"}, full, nullptr);
    EXPECT_EQ(r.code, 1);

    // Standard error on the full device: the export is done, its report lost.
    r = RunCtlInto({L"export", Scratch("out.csv").wstring(), L"--dsc", Dsc()}, nullptr, full);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    const std::string exported = ReadFile(Scratch("out.csv"));
    EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), 4) << exported;
    CloseHandle(full);

    // A reader that closed its end before zolctl wrote.
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    CloseHandle(readEnd);
    r = RunCtlInto({L"tags", L"--dsc", Dsc()}, writeEnd, nullptr);
    CloseHandle(writeEnd);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "zolctl: cannot write standard output: the reading end was closed\n");
}

}  // namespace
