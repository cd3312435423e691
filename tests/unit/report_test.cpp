#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/Catalogue.h"
#include "report/ConfigReport.h"
#include "report/ReportHtml.h"
#include "report/ReportJson.h"
#include "tests/support/JsonReader.h"
#include "tree/RefreshPeriod.h"

namespace {

const char kHostile[] = "<script>alert('x')</script>&\"";

ServerTag Tag(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::int64_t ms)
{
    ServerTag t;
    t.id = TagId{type, address, param};
    t.period = PeriodFromMs(ms);
    t.periodKnown = true;
    return t;
}

ReportWords Words()
{
    ReportWords w;
    w.title = "Report";
    w.tagsOf = "Tags of {device}";
    w.checkOther = "answers {name} (type {type})";
    w.checkFailed = "failed {code}";
    w.loadLine = "{percent} % ({asked}/{carried})";
    w.loadOverloaded = "over: {devices}";
    w.totalsDevices = "{n} devices";
    w.totalsTags = "{n} tags";
    w.gap = "not whole: {gap}";
    return w;
}

// A catalogue whose device and parameter names are hostile, a server list, a check and a
// journal line that are too.
struct HostileReport {
    ServerTagList list;
    std::vector<LineCheckEntry> check;
    ConfigReport report;

    HostileReport()
    {
        FreeDeviceCatalogue();
        CDevice device;
        device.m_nTypeCode = 20;
        device.m_strName = kHostile;
        device.m_Parameters.AddTail(CParameter("</td><img src=x onerror=alert(1)>", kAccessRead, kTypeReal,
                                               kMemoryInputRegister, 70));
        device.m_Parameters.GetTail().m_nNumber = 14;
        g_DeviceCatalogue.AddHead(device);

        list.tags = {Tag(20, 3, 14, 1000), Tag(20, 3, 15, 500), Tag(9, 1, 1, 0)};
        LineCheckEntry e;
        e.device = ConfiguredDevice{20, 3, 2};
        e.result = LineCheckResult::OtherType;
        e.foundType = 20;
        check.push_back(e);

        ConfigReportSources sources;
        sources.computer = "PC<1>";
        sources.dateTime = "2026-12-09 23:00";
        sources.version = "0.917.1";
        sources.port.known = true;
        sources.port.port = 1;
        sources.port.baudRate = 9600;
        sources.port.dataBits = 8;
        sources.list = &list;
        sources.check = &check;
        JournalLine line;
        line.action = "add";
        line.name = std::string("<b>\x01") + "\xFF";
        sources.journal = {JournalLine(), line};
        sources.journalCount = 1;
        report = BuildConfigReport(sources);
    }
    ~HostileReport() { FreeDeviceCatalogue(); }
};

TEST(Report, EscapingLeavesNoMarkupOfTheNames)
{
    EXPECT_EQ(EscapeHtml(kHostile), "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&amp;&quot;");
    EXPECT_EQ(EscapeHtml("\xD0\xA1\xD1\x87\xD1\x91\xD1\x82"), "\xD0\xA1\xD1\x87\xD1\x91\xD1\x82");  // Cyrillic kept
    EXPECT_EQ(EscapeHtml(std::string("a\0b", 3)), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(EscapeHtml("\xC0\xBC"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // an over-long '<' is no '<'
    EXPECT_EQ(EscapeHtml("\xE2\x82"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // cut short

    HostileReport h;
    const std::string page = WriteReportHtml(h.report, Words());
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_EQ(page.find('\x01'), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&amp;&quot;(003)"), std::string::npos);
    EXPECT_NE(page.find("PC&lt;1&gt;"), std::string::npos);
    // Every element the page opens is one of the writer's own.
    for (std::size_t at = page.find('<'); at != std::string::npos; at = page.find('<', at + 1)) {
        const std::string tag = page.substr(at + 1, page.find_first_of(" >", at + 1) - at - 1);
        static const std::vector<std::string> own = {"!DOCTYPE", "html", "head", "meta", "title", "style", "body",
                                                     "h1", "h2", "p", "table", "colgroup", "col", "thead", "tbody", "tr", "th", "td"};
        const std::string name = tag[0] == '/' ? tag.substr(1) : tag;
        EXPECT_NE(std::find(own.begin(), own.end(), name), own.end()) << tag;
    }
}

TEST(Report, ModelAndJsonReadBack)
{
    HostileReport h;
    ASSERT_EQ(h.report.devices.size(), 2u);
    const ReportDevice& d = h.report.devices[1];  // by address: 9(001) first
    EXPECT_EQ(d.name, std::string(kHostile) + "(003)");
    ASSERT_EQ(d.tags.size(), 2u);
    EXPECT_EQ(d.tags[0].dataType, "REAL");
    EXPECT_EQ(d.tags[0].area, "INPT_REG");
    EXPECT_EQ(d.tags[0].registerAddress, 70);
    EXPECT_EQ(d.tags[0].access, "R");
    EXPECT_EQ(d.tags[1].dataType, "");  // undescribed
    EXPECT_EQ(h.report.devices[0].name, "Type 9(001)");
    EXPECT_TRUE(d.checked);
    EXPECT_FALSE(h.report.devices[0].checked);
    EXPECT_EQ(h.report.tags, 3u);
    ASSERT_EQ(h.report.journal.size(), 1u);  // the last line only
    EXPECT_EQ(h.report.journal[0].action, "add");

    JsonValue v;
    std::string error;
    const std::string text = WriteReportJson(h.report);
    ASSERT_TRUE(CJsonReader::Parse(text, &v, &error)) << error << text;
    EXPECT_EQ(v["computer"].text, "PC<1>");
    EXPECT_EQ(v["port"].text, "COM1 9600 8 none 1");
    ASSERT_EQ(v["devices"].items.size(), 2u);
    const JsonValue& jd = v["devices"].items[1];
    EXPECT_EQ(jd["name"].text, std::string(kHostile) + "(003)");
    EXPECT_EQ(jd["tag_count"].Int(), 2);
    EXPECT_EQ(jd["check"]["result"].text, "other-type");
    EXPECT_EQ(jd["tags"].items[0]["name"].text, std::string(kHostile) + "(003).</td><img src=x onerror=alert(1)>");
    EXPECT_EQ(jd["tags"].items[0]["period_ms"].Int(), 1000);
    EXPECT_EQ(jd["tags"].items[1]["register"].kind, JsonValue::Kind::Null);
    EXPECT_EQ(v["devices"].items[0]["check"].kind, JsonValue::Kind::Null);
    EXPECT_EQ(v["totals"]["tags"].Int(), 3);
    EXPECT_EQ(v["counts"]["other_type"].Int(), 1);
    // 9600 8N1: 1/s of 35 ms and 2/s of 33 ms (one register): 101 ms of a second.
    EXPECT_EQ(v["load"]["percent"].text, "10.1");
    EXPECT_EQ(v["journal"].items.size(), 1u);
    EXPECT_EQ(v["journal"].items[0]["name"].text, "<b>\x01\xEF\xBF\xBD");

    // The page writes the load in its words' decimals; the JSON keeps the point.
    ReportWords words = Words();
    EXPECT_NE(WriteReportHtml(h.report, words).find("10.1 % ("), std::string::npos);
    words.decimalMark = ",";
    EXPECT_NE(WriteReportHtml(h.report, words).find("10,1 % ("), std::string::npos);
}

}  // namespace
