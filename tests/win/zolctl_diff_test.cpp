// zolctl diff and the JSON results against the stand-in server: a file the server holds,
// files that differ in each way, one device, a snapshot's port, a list that breaks off,
// invalid rows; nothing written by a diff; and the JSON documents read back with a JSON
// reader holding what the text reports say.
#include <filesystem>
#include <string>

#include "ServerFiles.h"
#include "StandinFixture.h"
#include "standin_support.h"
#include "tests/support/JsonReader.h"
#include "zolctl_support.h"

namespace fs = std::filesystem;

namespace {

const char kTags[] = "1 5 14 20000000\n1 5 2 10000\n7 12 3 0\n";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

JsonValue Json(const CtlRun& r)
{
    JsonValue v;
    std::string error;
    EXPECT_TRUE(CJsonReader::Parse(r.out, &v, &error)) << error << ": " << r.out;
    return v;
}

class ZolctlDiff : public ZolctlTest {
protected:
    // The server's port settings outlive a test: each starts and ends with the default ones.
    void SetUp() override
    {
        ZolctlTest::SetUp();
        SetDefaultPort();
    }
    void TearDown() override
    {
        SetDefaultPort();
        ZolctlTest::TearDown();
    }
    void SetDefaultPort()
    {
        standin::ClearFaults();
        ASSERT_EQ(Ctl({L"port", L"set", L"COM1", L"9600", L"8", L"none", L"1", L"--no-journal"}).code, 0);
    }
    std::wstring File(const std::string& name) { return Scratch(name).wstring(); }
    // The history folder holds nothing: no journal line, no snapshot.
    bool HistoryEmpty()
    {
        std::error_code ec;
        return !fs::exists(History(), ec) || fs::is_empty(History(), ec);
    }
};

const char kDiffering[] =
    "device;address;type;param;name;period_ms\r\n"
    "PM3F;5;1;14;PM3F(005).Frequency;1000\r\n"    // 2000 on the server
    "PM3F;6;1;14;PM3F(006).Frequency;250\r\n"     // not on the server
    u8"Счётчик;12;7;3;Счётчик(012).Энергия.Сумма;0\r\n";  // the same; 1 5 2 only on the server

TEST_F(ZolctlDiff, AFileTheServerHoldsIsTheSameAndOneThatDiffersShowsEachDifference)
{
    standin::Reset(kTags);
    ASSERT_EQ(Ctl({L"export", File("all.csv"), L"--no-journal"}).code, 0);
    CtlRun r = Ctl({L"diff", File("all.csv")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "diff as import: 0 to add, 0 to change, 0 to delete, 3 the same\n");
    EXPECT_EQ(r.err, "");

    WriteFile(Scratch("differ.csv"), kDiffering);
    r = Ctl({L"diff", File("differ.csv")});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(r.out,
              "+ PM3F(006).Frequency 250\n"
              "~ PM3F(005).Frequency 2000 -> 1000\n"
              "- PM3F(005).Voltage.A 1\n"
              "diff as import: 1 to add, 1 to change, 1 to delete, 1 the same\n");

    // One device: the others' differences are not shown.
    r = Ctl({L"diff", File("differ.csv"), L"--device", L"7", L"12"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "diff as import: 0 to add, 0 to change, 0 to delete, 1 the same\n");
    r = Ctl({L"diff", File("differ.csv"), L"--device", L"1", L"6"});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(r.out, "+ PM3F(006).Frequency 250\ndiff as import: 1 to add, 0 to change, 0 to delete, 0 the same\n");

    // The JSON holds the same.
    r = Ctl({L"diff", File("differ.csv"), L"--format", L"json"});
    EXPECT_EQ(r.code, 1) << r.err;
    const JsonValue v = Json(r);
    EXPECT_FALSE(v["changed"].boolean);
    EXPECT_TRUE(v["would_change"].boolean);
    ASSERT_EQ(v["add"].items.size(), 1u);
    EXPECT_EQ(v["add"].items[0]["name"].text, "PM3F(006).Frequency");
    EXPECT_EQ(v["add"].items[0]["address"].Int(), 6);
    EXPECT_EQ(v["add"].items[0]["period_ms"].Int(), 250);
    ASSERT_EQ(v["change"].items.size(), 1u);
    EXPECT_EQ(v["change"].items[0]["old_period_ms"].Int(), 2000);
    EXPECT_EQ(v["change"].items[0]["period_ms"].Int(), 1000);
    ASSERT_EQ(v["delete"].items.size(), 1u);
    EXPECT_EQ(v["delete"].items[0]["name"].text, "PM3F(005).Voltage.A");
    EXPECT_EQ(v["counts"]["to_add"].Int(), 1);
    EXPECT_EQ(v["counts"]["to_change"].Int(), 1);
    EXPECT_EQ(v["counts"]["to_delete"].Int(), 1);
    EXPECT_EQ(v["counts"]["same"].Int(), 1);
    EXPECT_EQ(v["port"].kind, JsonValue::Kind::Null);

    // Nothing was sent or written by any of them.
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 5 14 20000000", "1 5 2 10000", "7 12 3 0"}));
    EXPECT_TRUE(HistoryEmpty());
}

// Tags another client put where an import never adds one (param 65535, a period of 7
// units): exported with their values and a warning, the export compared and imported back
// as the same, named, deleted; a row the server no longer holds so stays invalid.
TEST_F(ZolctlDiff, TagsAnImportNeverAddsAreExportedComparedNamedAndDeleted)
{
    standin::Reset("1 5 14 20000000\n1 50 65535 10000000\n1 51 1 7\n");
    CtlRun r = Ctl({L"export", File("odd.csv"), L"--no-journal"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "warning: tag type 1 address 51 param 1: period 0.0007 ms is not a whole number")) << r.err;
    EXPECT_TRUE(Has(r.err, "warning: tag type 1 address 50 param 65535: param 65535 is outside 1..65534")) << r.err;
    const std::string written = ReadFile(Scratch("odd.csv"));
    EXPECT_TRUE(Has(written, u8";50;1;65535;PM3F(050).Параметр 65535;1000\r\n")) << written;
    EXPECT_TRUE(Has(written, u8";51;1;1;PM3F(051).Параметр 1;0.0007\r\n")) << written;

    r = Ctl({L"diff", File("odd.csv")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "diff as import: 0 to add, 0 to change, 0 to delete, 3 the same\n");
    EXPECT_EQ(r.err, "");
    r = Ctl({L"import", File("odd.csv"), L"--replace", L"--yes", L"--no-journal"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "added 0, changed 0, deleted 0, unchanged 3, refused 0, invalid rows 0\n")) << r.out;
    EXPECT_EQ(ServerTags(), Sorted({"1 5 14 20000000", "1 50 65535 10000000", "1 51 1 7"}));

    // Named by any number the interface carries; set only within what an import sends.
    r = Ctl({L"period", L"1", L"51", L"1"});
    EXPECT_EQ(r.out, "0.0007\n");
    r = Ctl({L"period", L"1", L"50", L"65535"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "1000\n");
    r = Ctl({L"period", L"1", L"50", L"65535", L"500"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "zolctl: PARAM must be 1..65534");
    r = Ctl({L"delete", L"1", L"50", L"65536"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "zolctl: PARAM must be 0..65535");
    // Param 0 reaches the server, which answers for itself (the stand-in holds none).
    r = Ctl({L"delete", L"1", L"50", L"0", L"--no-journal"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "refused: delete tag type 1 address 50 param 0: invalid argument (0x80070057)\n");
    r = Ctl({L"delete", L"1", L"50", L"65535"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ServerTags(), Sorted({"1 5 14 20000000", "1 51 1 7"}));

    // The rows of tags the server no longer holds so are refused, and nothing is compared.
    standin::Reset("1 5 14 20000000\n1 51 1 8\n");
    r = Ctl({L"diff", File("odd.csv")});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    const std::string f = Scratch("odd.csv").u8string();
    EXPECT_EQ(r.err, f + ":3: param '65535' is not a number from 1 to 65534; the server does not hold this tag "
                         "with this period, and an import never adds it nor sets it\n" +
                         f + ":4: period_ms '0.0007' is not a whole number of milliseconds from 0 to 86400000; "
                         "the server does not hold this tag with this period, and an import never adds it nor sets "
                         "it\n2 invalid rows: nothing was compared\n");
}

TEST_F(ZolctlDiff, ASnapshotComparesThePortSettingsToo)
{
    standin::Reset(kTags);
    CtlRun r = Ctl({L"snapshot"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string name = r.out.substr(0, r.out.size() - 1);
    ASSERT_EQ(Ctl({L"port", L"set", L"COM3", L"19200", L"8", L"odd", L"1", L"--no-journal"}).code, 0);
    ASSERT_EQ(Ctl({L"delete", L"7", L"12", L"3", L"--no-journal"}).code, 0);
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(History())) files += e.is_regular_file() ? 1 : 0;

    r = Ctl({L"diff", std::wstring(name.begin(), name.end())});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(r.out, u8"+ Счётчик(012).Энергия.Сумма 0\n"
                     u8"~ port COM3 19200 8 odd 1 -> COM1 9600 8 none 1\n"
                     u8"diff as restore: 1 to add, 0 to change, 0 to delete, 2 the same\n");
    r = Ctl({L"diff", (History() / name).wstring(), L"--format", L"json"});
    EXPECT_EQ(r.code, 1) << r.err;
    const JsonValue v = Json(r);
    EXPECT_EQ(v["port"]["server"].text, "COM3 19200 8 odd 1");
    EXPECT_EQ(v["port"]["file"].text, "COM1 9600 8 none 1");
    ASSERT_EQ(v["add"].items.size(), 1u);
    EXPECT_EQ(v["add"].items[0]["name"].text, u8"Счётчик(012).Энергия.Сумма");

    // Only the port differs: still a difference.
    ASSERT_EQ(Ctl({L"add", L"7", L"12", L"3", L"0", L"--no-journal"}).code, 0);
    r = Ctl({L"diff", std::wstring(name.begin(), name.end())});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(r.out, "~ port COM3 19200 8 odd 1 -> COM1 9600 8 none 1\n"
                     "diff as restore: 0 to add, 0 to change, 0 to delete, 3 the same\n");
    std::size_t after = 0;
    for (const auto& e : fs::directory_iterator(History())) after += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(after, files);  // no journal, no snapshot
    EXPECT_EQ(PortRecord().substr(0, 2), "3 ");

    // The restore's JSON: a dry run would change the port; the restore changes it; then
    // diff finds nothing.
    r = Ctl({L"restore", std::wstring(name.begin(), name.end()), L"--dry-run", L"--format", L"json"});
    EXPECT_EQ(r.code, 0) << r.err;
    JsonValue restored = Json(r);
    EXPECT_FALSE(restored["changed"].boolean);
    EXPECT_TRUE(restored["would_change"].boolean);
    EXPECT_TRUE(Has(r.err, "port;COM1 9600 8 none 1;COM3 19200 8 odd 1\n")) << r.err;
    r = Ctl({L"restore", std::wstring(name.begin(), name.end()), L"--yes", L"--format", L"json"});
    EXPECT_EQ(r.code, 0) << r.err;
    restored = Json(r);
    EXPECT_TRUE(restored["changed"].boolean);
    EXPECT_TRUE(restored["port_changed"].boolean);
    EXPECT_EQ(restored["counts"]["unchanged"].Int(), 3);
    EXPECT_EQ(restored["counts"]["added"].Int(), 0);
    r = Ctl({L"diff", std::wstring(name.begin(), name.end())});
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out, "diff as restore: 0 to add, 0 to change, 0 to delete, 3 the same\n");

    // The same snapshot saved elsewhere is a tag file: what import would do, which never
    // sets the port. Else a dry run of a rollout would find the port to change every time.
    ASSERT_EQ(Ctl({L"port", L"set", L"COM3", L"19200", L"8", L"odd", L"1", L"--no-journal"}).code, 0);
    const fs::path copy = Scratch("site.csv");
    fs::copy_file(History() / name, copy, fs::copy_options::overwrite_existing);
    r = Ctl({L"diff", copy.wstring(), L"--format", L"json"});
    EXPECT_EQ(r.code, 0) << r.out;
    const JsonValue asImport = Json(r);
    EXPECT_EQ(asImport["as"].text, "import");
    EXPECT_FALSE(asImport["would_change"].boolean);
    EXPECT_EQ(asImport["port"].kind, JsonValue::Kind::Null) << r.out;
    r = Ctl({L"diff", std::wstring(name.begin(), name.end()), L"--format", L"json"});
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_EQ(Json(r)["as"].text, "restore");
}

TEST_F(ZolctlDiff, AListThatBreaksOffInvalidRowsAndNoServerAreNoDiff)
{
    standin::Reset(kTags);
    WriteFile(Scratch("differ.csv"), kDiffering);
    standin::SetFaults("fail EnumTags 0x80004005 after 1\n");
    CtlRun r = Ctl({L"diff", File("differ.csv")});
    EXPECT_EQ(r.code, 3) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(Has(r.err, "the server's tag list ended on a failed call (")) << r.err;
    EXPECT_TRUE(Has(r.err, "nothing was compared")) << r.err;
    r = Ctl({L"diff", File("differ.csv"), L"--format", L"json"});
    EXPECT_EQ(r.code, 3);
    JsonValue v = Json(r);  // the document all the same, with no difference in it
    EXPECT_EQ(v["exit_code"].Int(), 3);
    EXPECT_TRUE(Has(v["error"].text, "nothing was compared")) << r.out;
    EXPECT_FALSE(v["would_change"].boolean);
    EXPECT_EQ(v["add"].items.size(), 0u);
    EXPECT_EQ(v["counts"]["same"].Int(), 0);
    standin::ClearFaults();

    WriteFile(Scratch("bad.csv"), "address;type;param;period_ms\n5;1;14;2000\n5;1;x;10\n");
    r = Ctl({L"diff", File("bad.csv")});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(Has(r.err, "bad.csv:3: ")) << r.err;
    EXPECT_TRUE(Has(r.err, "1 invalid rows: nothing was compared")) << r.err;

    r = Ctl({L"diff", File("missing.csv")});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "cannot read " + Scratch("missing.csv").u8string() + ": no such file or snapshot\n");
    EXPECT_EQ(Ctl({L"diff"}).code, 2);
    EXPECT_EQ(Ctl({L"diff", File("differ.csv"), L"--replace"}).code, 2);
    EXPECT_TRUE(HistoryEmpty());
}

TEST_F(ZolctlDiff, ImportsJsonSaysWhetherTheServerChangedAndHoldsTheRefusals)
{
    standin::Reset(kTags);
    WriteFile(Scratch("differ.csv"), kDiffering);
    // A dry run: nothing changed, but it would.
    CtlRun r = Ctl({L"import", File("differ.csv"), L"--replace", L"--dry-run", L"--format", L"json"});
    EXPECT_EQ(r.code, 0) << r.err;
    JsonValue v = Json(r);
    EXPECT_FALSE(v["changed"].boolean);
    EXPECT_TRUE(v["would_change"].boolean);
    EXPECT_TRUE(Has(r.err, "plan: add 1, change 1, unchanged 1, delete 1\n")) << r.err;  // the people's report

    r = Ctl({L"import", File("differ.csv"), L"--replace", L"--yes", L"--format", L"json"});
    EXPECT_EQ(r.code, 0) << r.err;
    v = Json(r);
    EXPECT_TRUE(v["changed"].boolean);
    EXPECT_FALSE(v.Has("would_change"));
    EXPECT_EQ(v["counts"]["added"].Int(), 1);
    EXPECT_EQ(v["counts"]["changed"].Int(), 1);
    EXPECT_EQ(v["counts"]["deleted"].Int(), 1);
    EXPECT_EQ(v["counts"]["unchanged"].Int(), 1);
    EXPECT_EQ(v["counts"]["refused"].Int(), 0);
    EXPECT_EQ(v["exit_code"].Int(), 0);
    EXPECT_TRUE(Has(r.err, "added 1, changed 1, deleted 1, unchanged 1, refused 0, invalid rows 0\n")) << r.err;

    // Again: the server holds the file, nothing changes; diff agrees.
    r = Ctl({L"import", File("differ.csv"), L"--replace", L"--yes", L"--format", L"json"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_FALSE(Json(r)["changed"].boolean);
    EXPECT_EQ(Json(r)["counts"]["unchanged"].Int(), 3);
    r = Ctl({L"import", File("differ.csv"), L"--replace", L"--dry-run", L"--format", L"json"});
    EXPECT_FALSE(Json(r)["would_change"].boolean);
    EXPECT_EQ(Ctl({L"diff", File("differ.csv")}).code, 0);

    // A refusal, with its code; an invalid row counted.
    WriteFile(Scratch("more.csv"), "address;type;param;period_ms\n7;1;14;100\n8;1;14;100\n9;1;x;1\n");
    standin::SetFaults("fail AddTag E_INVALIDARG 1 7 14\n");
    r = Ctl({L"import", File("more.csv"), L"--format", L"json"});
    EXPECT_EQ(r.code, 1);
    v = Json(r);
    EXPECT_TRUE(v["changed"].boolean);
    EXPECT_EQ(v["counts"]["added"].Int(), 1);
    EXPECT_EQ(v["counts"]["refused"].Int(), 1);
    EXPECT_EQ(v["counts"]["invalid"].Int(), 1);
    EXPECT_EQ(v["exit_code"].Int(), 1);
    ASSERT_EQ(v["refusals"].items.size(), 1u);
    const JsonValue& refusal = v["refusals"].items[0];
    EXPECT_EQ(refusal["action"].text, "add");
    EXPECT_EQ(refusal["address"].Int(), 7);
    EXPECT_EQ(refusal["name"].text, "PM3F(007).Frequency");
    EXPECT_EQ(refusal["line"].Int(), 2);
    EXPECT_EQ(refusal["code"].text, "0x80070057");
    EXPECT_TRUE(Has(r.err, "refused: add tag type 1 address 7 param 14")) << r.err;
}

TEST_F(ZolctlDiff, TheSingleChangesAnswerJsonToo)
{
    standin::Reset(kTags);
    const auto changed = [&](std::vector<std::wstring> args, int code) {
        args.push_back(L"--format");
        args.push_back(L"json");
        const CtlRun r = Ctl(args);
        EXPECT_EQ(r.code, code) << r.err;
        const JsonValue v = Json(r);
        EXPECT_EQ(v["exit_code"].Int(), code);
        return v;
    };
    JsonValue v = changed({L"add", L"1", L"6", L"14", L"100"}, 0);
    EXPECT_TRUE(v["changed"].boolean);
    EXPECT_EQ(v["counts"]["added"].Int(), 1);
    v = changed({L"add", L"1", L"6", L"14", L"100"}, 0);
    EXPECT_FALSE(v["changed"].boolean);
    EXPECT_EQ(v["counts"]["unchanged"].Int(), 1);
    v = changed({L"period", L"1", L"6", L"14", L"200"}, 0);
    EXPECT_TRUE(v["changed"].boolean);
    EXPECT_EQ(v["counts"]["changed"].Int(), 1);
    v = changed({L"period", L"1", L"6", L"14", L"200"}, 0);
    EXPECT_FALSE(v["changed"].boolean);
    v = changed({L"delete", L"1", L"6", L"14"}, 0);
    EXPECT_TRUE(v["changed"].boolean);
    EXPECT_EQ(v["counts"]["deleted"].Int(), 1);
    v = changed({L"port", L"set", L"COM5", L"38400", L"8", L"even", L"2"}, 0);
    EXPECT_TRUE(v["changed"].boolean);
    v = changed({L"port", L"set", L"COM5", L"38400", L"8", L"even", L"2"}, 0);
    EXPECT_FALSE(v["changed"].boolean);
    standin::SetFaults("fail DeleteTag E_INVALIDARG 1 5 2\n");
    v = changed({L"delete-device", L"1", L"5"}, 1);
    EXPECT_TRUE(v["changed"].boolean);
    EXPECT_EQ(v["counts"]["deleted"].Int(), 1);
    ASSERT_EQ(v["refusals"].items.size(), 1u);
    EXPECT_EQ(v["refusals"].items[0]["action"].text, "delete");
    EXPECT_EQ(v["refusals"].items[0]["param"].Int(), 2);
    EXPECT_EQ(v["refusals"].items[0]["code"].text, "0x80070057");
    standin::ClearFaults();

    // Reading is text only.
    EXPECT_EQ(Ctl({L"period", L"7", L"12", L"3", L"--format", L"json"}).code, 2);
    EXPECT_EQ(Ctl({L"port", L"--format", L"json"}).code, 2);
}

// With --format json every exit code answers with the one document, its "exit_code" and,
// unless it is 0 or diff's 1, the "error" people read on standard error; a format the
// command does not offer is a usage error.
TEST_F(ZolctlDiff, EveryExitCodeAnswersWithTheDocumentAndItsError)
{
    standin::Reset(kTags);
    const auto document = [&](std::vector<std::wstring> args, int code) {
        args.push_back(L"--format");
        args.push_back(L"json");
        const CtlRun r = Ctl(args);
        EXPECT_EQ(r.code, code) << r.err;
        JsonValue v = Json(r);
        EXPECT_EQ(v["exit_code"].Int(), code) << r.out;
        EXPECT_FALSE(v["changed"].boolean);
        EXPECT_TRUE(v.Has("error")) << r.out;
        if (code == 0 || (code == 1 && args[0] == L"diff"))
            EXPECT_EQ(v["error"].kind, JsonValue::Kind::Null) << r.out;
        else
            EXPECT_TRUE(!v["error"].text.empty() && Has(r.err, v["error"].text.substr(0, 20))) << r.out << r.err;
        return v;
    };
    WriteFile(Scratch("differ.csv"), kDiffering);
    WriteFile(Scratch("bad.csv"), "address;type;param;period_ms\n5;1;14;2000\n5;1;x;10\n");
    fs::create_directories(Scratch("dir.csv"));

    JsonValue v = document({L"diff", File("differ.csv")}, 1);
    EXPECT_TRUE(v["would_change"].boolean);
    v = document({L"diff", File("missing.csv")}, 2);
    EXPECT_EQ(v["error"].text, "cannot read " + Scratch("missing.csv").u8string() + ": no such file or snapshot");
    EXPECT_EQ(v["counts"]["to_add"].Int(), 0);
    EXPECT_EQ(v["port"].kind, JsonValue::Kind::Null);
    v = document({L"diff", File("dir.csv")}, 2);
    EXPECT_EQ(v["error"].text, "cannot read " + Scratch("dir.csv").u8string() + ": it is a folder");
    v = document({L"diff", File("bad.csv")}, 2);
    EXPECT_EQ(v["error"].text, "1 invalid rows: nothing was compared");
    v = document({L"diff"}, 2);  // a usage error
    EXPECT_EQ(v["error"].text, "zolctl: too few arguments");
    v = document({L"diff", File("differ.csv"), L"--yes"}, 2);
    EXPECT_EQ(v["error"].text, "zolctl: diff does not take --yes");

    // The commands that change the server: the error beside the counts.
    v = document({L"add", L"0", L"5", L"14", L"100"}, 2);
    EXPECT_EQ(v["error"].text, "zolctl: TYPE must be 1..255");
    EXPECT_EQ(v["counts"]["added"].Int(), 0);
    v = document({L"import", File("dir.csv")}, 2);
    EXPECT_EQ(v["error"].text, "cannot read " + Scratch("dir.csv").u8string() + ": it is a folder");
    v = document({L"period", L"7", L"12", L"3"}, 2);
    EXPECT_EQ(v["error"].text, "zolctl: --format json is for setting; the value is printed as text");
    standin::SetFaults("fail AddTag E_INVALIDARG 1 5 14\n");
    v = document({L"add", L"1", L"5", L"14", L"100", L"--no-journal"}, 1);
    EXPECT_EQ(v["error"].text, "refused: add tag type 1 address 5 param 14: invalid argument (0x80070057)");
    standin::SetFaults("fail EnumTags 0x80004005 after 1\n");
    v = document({L"import", File("differ.csv"), L"--replace", L"--yes"}, 1);
    EXPECT_TRUE(Has(v["error"].text, "nothing was imported")) << v["error"].text;
    standin::ClearFaults();

    // An unreadable file is a usage error for import as for diff, and says why.
    for (const char* command : {"import", "diff"}) {
        SCOPED_TRACE(command);
        const std::wstring name(command, command + std::string(command).size());
        CtlRun r = Ctl({name, File("dir.csv")});
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, "cannot read " + Scratch("dir.csv").u8string() + ": it is a folder\n");
        EXPECT_EQ(r.out, "");
    }

    // A format the command does not offer: refused, not text with exit 0.
    for (const std::vector<std::wstring>& args :
         {std::vector<std::wstring>{L"diff", File("differ.csv"), L"--format", L"csv"},
          {L"restart", L"--format", L"csv"}}) {
        const CtlRun r = Ctl(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(Has(r.err, " takes --format json only\n")) << r.err;
    }
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 5 14 20000000", "1 5 2 10000", "7 12 3 0"}));
}

// restart and copy-device answer --format json too: their report lines go to standard error.
TEST_F(ZolctlDiff, RestartAndCopyDeviceAnswerJson)
{
    standin::Reset(kTags);
    CtlRun r = Ctl({L"copy-device", L"1", L"5", L"--to", L"6", L"--dry-run", L"--format", L"json"});
    EXPECT_EQ(r.code, 0) << r.err;
    JsonValue v = Json(r);
    EXPECT_FALSE(v["changed"].boolean);
    EXPECT_TRUE(v["would_change"].boolean);
    EXPECT_TRUE(Has(r.err, "plan: add 2, change 0, unchanged 0, delete 0\n")) << r.err;
    r = Ctl({L"copy-device", L"1", L"5", L"--to", L"6", L"--format", L"json"});
    EXPECT_EQ(r.code, 0) << r.err;
    v = Json(r);
    EXPECT_TRUE(v["changed"].boolean);
    EXPECT_EQ(v["counts"]["added"].Int(), 2);
    EXPECT_EQ(v["exit_code"].Int(), 0);
    EXPECT_TRUE(v.Has("error"));
    EXPECT_EQ(v["error"].kind, JsonValue::Kind::Null);
    r = Ctl({L"copy-device", L"1", L"5", L"--to", L"12", L"--format", L"json"});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_TRUE(Has(Json(r)["error"].text, "refused: address 12: the server holds another device there")) << r.out;

    r = Ctl({L"restart", L"--format", L"json"});
    EXPECT_EQ(r.code, 0) << r.err;
    v = Json(r);
    EXPECT_TRUE(v["changed"].boolean);
    EXPECT_EQ(v["exit_code"].Int(), 0);
    EXPECT_EQ(v["refusals"].items.size(), 0u);
    EXPECT_TRUE(Has(r.err, "the server answered again after ")) << r.err;
    EXPECT_EQ(ServerTags().size(), 5u);
}

}  // namespace
