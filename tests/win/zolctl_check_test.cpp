// zolctl check against the stand-in's simulated line: a device that answers, one absent,
// ones of another type, probes that fail, a server that dies during the check, a list that
// breaks off, one device, no devices, and the JSON read back; nothing written.
#include <filesystem>
#include <string>

#include "ServerFiles.h"
#include "StandinFixture.h"
#include "tests/support/JsonReader.h"
#include "zolctl_support.h"

namespace fs = std::filesystem;

namespace {

// Periods of 1 s; PM3F (type 1) at 3 and 5, the meter (type 7) at 9 and 12.
const char kTags[] =
    "1 3 14 10000000\n1 3 2 10000000\n1 5 14 10000000\n7 9 3 10000000\n7 12 3 10000000\n";
// 3 answers as PM3F; 9 answers as PM3F, not as the meter; 12 as a type no description has.
const char kLine[] = "3 1 0 PM3F v2\n9 1 0 PM3F\n12 57 0 box\n";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

JsonValue Json(const CtlRun& r)
{
    JsonValue v;
    std::string error;
    EXPECT_TRUE(CJsonReader::Parse(r.out, &v, &error)) << error << ": " << r.out;
    return v;
}

class ZolctlCheck : public ZolctlTest {
protected:
    void SetUp() override
    {
        ZolctlTest::SetUp();
        standin::Reset(kTags);
        standin::WriteStateFile("port.txt", "1 9600 8 0 0\n");
        standin::WriteStateFile("line.txt", kLine);
        standin::SetFaults("probe_timeout_ms 1\n");
    }
};

TEST_F(ZolctlCheck, EachDeviceOnceInAddressOrderWithTheCountsAndTheLoad)
{
    const CtlRun r = Ctl({L"check"});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(r.err, "");
    // 5 tags of two registers at 1 s on 9600 8N1: 35 ms each, 175 ms of every second.
    EXPECT_EQ(r.out, u8"PM3F(003): answers\n"
                     u8"PM3F(005): does not answer\n"
                     u8"Счётчик(009): at address 9 answers PM3F (type 1)\n"
                     u8"Счётчик(012): at address 12 answers type 57\n"
                     u8"check: 1 answer, 1 do not, 2 answer as another type, 0 failed\n"
                     u8"line load (estimate): 17.5 % of COM1 9600 8 none 1: 5.0 requests/s asked, about 28.6/s "
                     u8"carried at this mix\n"
                     u8"model: one request per tag and period; Modbus RTU frames (request 8 bytes, response 5 bytes "
                     u8"+ 2 per register, REAL and INT 2 registers); 3.5 characters of silence after each frame; 10 "
                     u8"ms device turnaround\n");
    // It changes nothing and journals nothing.
    EXPECT_EQ(standin::ReadStateFile("tags.txt").find("1 3 14 10000000"), 0u);
    EXPECT_TRUE(!fs::exists(History()) || fs::is_empty(History()));

    const CtlRun one = Ctl({L"check", L"--device", L"1", L"3"});
    EXPECT_EQ(one.code, 0) << one.err;
    EXPECT_EQ(one.out.substr(0, one.out.find("line load")),
              "PM3F(003): answers\ncheck: 1 answer, 0 do not, 0 answer as another type, 0 failed\n");

    const CtlRun missing = Ctl({L"check", L"--device", L"1", L"200"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_EQ(missing.err, "the server holds no tags of device type 1 address 200\n");
}

TEST_F(ZolctlCheck, JsonHoldsWhatTheLinesSay)
{
    const CtlRun r = Ctl({L"check", L"--format", L"json"});
    EXPECT_EQ(r.code, 1) << r.err;
    const JsonValue v = Json(r);
    ASSERT_EQ(v["devices"].items.size(), 4u);
    const JsonValue& other = v["devices"].items[2];
    EXPECT_EQ(other["type"].Int(), 7);
    EXPECT_EQ(other["address"].Int(), 9);
    EXPECT_EQ(other["name"].text, u8"Счётчик(009)");
    EXPECT_EQ(other["result"].text, "other-type");
    EXPECT_EQ(other["found_type"].Int(), 1);
    EXPECT_EQ(other["found_name"].text, "PM3F");
    EXPECT_EQ(other["code"].text, "0x00000000");
    EXPECT_EQ(v["devices"].items[0]["result"].text, "ok");
    EXPECT_EQ(v["devices"].items[0]["tags"].Int(), 2);
    EXPECT_EQ(v["devices"].items[1]["result"].text, "absent");
    EXPECT_EQ(v["devices"].items[1]["found_name"].kind, JsonValue::Kind::Null);
    EXPECT_EQ(v["devices"].items[3]["found_name"].text, "type 57");
    EXPECT_EQ(v["counts"]["ok"].Int(), 1);
    EXPECT_EQ(v["counts"]["absent"].Int(), 1);
    EXPECT_EQ(v["counts"]["other_type"].Int(), 2);
    EXPECT_EQ(v["counts"]["failed"].Int(), 0);
    EXPECT_TRUE(v["complete"].boolean);
    EXPECT_EQ(v["load"]["percent"].number, 17.5);
    EXPECT_TRUE(v["load"]["estimate"].boolean);
    EXPECT_FALSE(v["load"]["overloaded"].boolean);
    EXPECT_EQ(v["exit_code"].Int(), 1);
}

TEST_F(ZolctlCheck, FailedProbesADyingServerAndABrokenList)
{
    standin::SetFaults("probe_timeout_ms 1\nfail ProbeDevice E_ACCESSDENIED\n");
    CtlRun r = Ctl({L"check", L"--format", L"json"});
    EXPECT_EQ(r.code, 1) << r.err;
    JsonValue v = Json(r);
    EXPECT_EQ(v["counts"]["failed"].Int(), 4);
    EXPECT_EQ(v["devices"].items[0]["result"].text, "failed");
    EXPECT_EQ(v["devices"].items[0]["code"].text, "0x80070005");
    r = Ctl({L"check"});
    EXPECT_TRUE(Has(r.out, "PM3F(003): the probe failed: access denied (0x80070005)\n")) << r.out;

    // The second probe never returns: the first device's result, then exit code 3.
    standin::SetFaults("probe_timeout_ms 1\ndie ProbeDevice 2\n");
    r = Ctl({L"check"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out.rfind("PM3F(003): answers\nPM3F(005): the probe failed: ", 0), 0u) << r.out;
    EXPECT_TRUE(Has(r.err, "the server went away during the check: ")) << r.err;
    EXPECT_TRUE(Has(r.err, "2 devices were not checked\n")) << r.err;

    // A list that broke off after 3 tags: the devices read are checked, and said so.
    standin::SetFaults("probe_timeout_ms 1\nfail EnumTags E_FAIL after 3\n");
    r = Ctl({L"check", L"--format", L"json"});
    EXPECT_EQ(r.code, 3);
    v = Json(r);
    EXPECT_FALSE(v["complete"].boolean);
    EXPECT_EQ(v["devices"].items.size(), 2u);
    EXPECT_TRUE(Has(v["gap"].text, "ended on a failed call")) << v["gap"].text;
    EXPECT_TRUE(Has(r.err, "only the 2 devices read were checked")) << r.err;
    EXPECT_EQ(v["exit_code"].Int(), 3);
}

TEST_F(ZolctlCheck, NoDevicesNoServerAndAnOverloadedLine)
{
    standin::Reset("");
    CtlRun r = Ctl({L"check"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "no devices configured\n");
    r = Ctl({L"check", L"--format", L"json"});
    EXPECT_EQ(r.code, 0) << r.err;
    const JsonValue none = Json(r);
    EXPECT_TRUE(none["devices"].items.empty());
    EXPECT_EQ(none["counts"]["ok"].Int(), 0);
    EXPECT_EQ(none["exit_code"].Int(), 0);

    standin::SetFaults("class REGDB_E_CLASSNOTREG\n");
    r = Ctl({L"check"});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(Has(r.err, "cannot connect")) << r.err;

    // 20 two-register tags every 100 ms at 1200 baud: 210 ms each, 42 s of every second.
    std::string tags;
    for (int p = 1; p <= 20; ++p) tags += "1 3 " + std::to_string(p) + " 1000000\n";
    standin::Reset(tags + "7 9 3 600000000\n");
    standin::WriteStateFile("port.txt", "1 1200 8 0 0\n");
    standin::WriteStateFile("line.txt", kLine);
    standin::SetFaults("probe_timeout_ms 1\n");
    r = Ctl({L"check"});
    EXPECT_TRUE(Has(r.out, "over 100 %: the polling periods cannot be kept; asking most: PM3F(003) ")) << r.out;
    standin::WriteStateFile("port.txt", "1 9600 8 0 0\n");
}

}  // namespace

namespace {

class ZolctlReport : public ZolctlCheck {};

TEST_F(ZolctlReport, JsonHoldsTheDevicesTagsCheckAndLoad)
{
    CtlRun r = Ctl({L"report", L"--format", L"json", L"--check"});
    EXPECT_EQ(r.code, 0) << r.err;
    const JsonValue v = Json(r);
    EXPECT_EQ(v["port"].text, "COM1 9600 8 none 1");
    EXPECT_TRUE(v["complete"].boolean);
    ASSERT_EQ(v["devices"].items.size(), 4u);
    const JsonValue& pm = v["devices"].items[0];
    EXPECT_EQ(pm["name"].text, "PM3F(003)");
    EXPECT_EQ(pm["tag_count"].Int(), 2);
    EXPECT_EQ(pm["file"].text, "pm3f.dsc");
    EXPECT_EQ(pm["checksum"].text.size(), 10u) << pm["checksum"].text;
    EXPECT_EQ(pm["check"]["result"].text, "ok");
    EXPECT_EQ(pm["tags"].items[1]["name"].text, "PM3F(003).Frequency");
    EXPECT_EQ(pm["tags"].items[1]["data_type"].text, "REAL");
    EXPECT_EQ(pm["tags"].items[1]["area"].text, "INPT_REG");
    EXPECT_EQ(pm["tags"].items[1]["register"].Int(), 70);
    EXPECT_EQ(pm["tags"].items[1]["period_ms"].Int(), 1000);
    EXPECT_EQ(v["devices"].items[2]["check"]["result"].text, "other-type");
    EXPECT_EQ(v["devices"].items[3]["check"]["found_name"].text, u8"тип 57");
    EXPECT_EQ(v["totals"]["tags"].Int(), 5);
    EXPECT_EQ(v["load"]["percent"].text, "17.5");
    EXPECT_TRUE(v["journal"].items.empty());

    // Without --check there is no check; nothing was written anywhere.
    r = Ctl({L"report", L"--format", L"json"});
    EXPECT_FALSE(Json(r)["devices"].items[0].Has("check"));
    EXPECT_TRUE(!fs::exists(History()) || fs::is_empty(History()));
}

TEST_F(ZolctlReport, ThePageIsWrittenWholeOrNotAtAll)
{
    const fs::path page = Scratch("as-built.html");
    WriteFile(page, "old");
    CtlRun r = Ctl({L"report", L"-o", page.wstring()});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "report of 4 devices and 5 tags written to " + page.u8string() + "\n");
    const std::string html = ReadFile(page);
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find(u8"<td class=\"w\">Счётчик(009)</td>"), std::string::npos);
    EXPECT_NE(html.find(u8"Загрузка линии (оценка)"), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);

    const fs::path nowhere = Scratch("no-such-folder") / "r.html";
    r = Ctl({L"report", L"-o", nowhere.wstring()});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind("cannot write " + nowhere.u8string() + ": ", 0), 0u) << r.err;
    EXPECT_FALSE(fs::exists(nowhere));

    EXPECT_EQ(Ctl({L"report", L"--format", L"csv"}).code, 2);
    EXPECT_EQ(Ctl({L"tags", L"--format", L"html"}).code, 2);
    EXPECT_EQ(Ctl({L"report", L"--journal", L"x"}).code, 2);
}

}  // namespace
