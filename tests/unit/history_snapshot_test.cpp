// Snapshots: their text and first lines, writing only what differs from the newest, the
// retention, finding one by name, and the restore plan made from one.
#include <fstream>

#include "common/AtomicFile.h"
#include "history/RestorePlan.h"
#include "history/Snapshot.h"
#include "history_test_support.h"
#include "tagfile/TagFileReader.h"
#include "tree/RefreshPeriod.h"

namespace fs = std::filesystem;
using history_test::CFakePlatform;
using history_test::TempFolderTest;

namespace {

TagFileRecord Record(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::int64_t ms,
                     const std::string& name = "")
{
    TagFileRecord r;
    r.id = TagId{type, address, param};
    r.period = PeriodFromMs(ms);
    r.device = "Dev";
    r.name = name.empty() ? "Dev(" + std::to_string(address) + ").P" + std::to_string(param) : name;
    return r;
}

PortSettings Port(std::uint16_t port, std::uint32_t baud)
{
    return PortSettings{true, port, baud, 8, 0, 0};
}

const std::vector<TagFileRecord> kConfig = {Record(1, 5, 14, 2000), Record(1, 5, 2, 500),
                                            Record(2, 9, 1, 100, "Имя;с \"кавычками\"")};

}  // namespace

TEST(SnapshotText, IsATagFileWithTwoCommentLines)
{
    const std::string text = MakeSnapshotText(kConfig, Port(3, 19200), "zolctl 0.917.40", LocalTime{2026, 12, 8, 10, 25, 3, 180});
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(text.substr(3, text.find("device;") - 3),
              "# zolctl 0.917.40;2026-12-08T10:25:03+03:00;devices 2;tags 3\r\n# port COM3 19200 8 none 1\r\n");

    // Any tag file reader reads it back, names with separators and quotes included.
    const TagFileContent content = ReadTagFile(text);
    ASSERT_TRUE(content.readable);
    ASSERT_EQ(content.rows.size(), 3u);
    EXPECT_EQ(content.rows[2].name, "Имя;с \"кавычками\"");
    EXPECT_EQ(content.rows[0].period, PeriodFromMs(2000));

    SnapshotInfo info;
    ASSERT_TRUE(ReadSnapshotInfo(text, &info));
    EXPECT_EQ(info.program, "zolctl 0.917.40");
    EXPECT_EQ(info.time, "2026-12-08T10:25:03+03:00");
    EXPECT_EQ(info.devices, 2u);
    EXPECT_EQ(info.tags, 3u);
    EXPECT_EQ(info.port, Port(3, 19200));

    EXPECT_FALSE(ReadSnapshotInfo("device;address;type;param;name;period_ms\r\n", &info));
    // Without port settings there is no port line.
    const std::string noPort = MakeSnapshotText({}, PortSettings(), "zolcfg 0.917.1", LocalTime{});
    EXPECT_EQ(noPort.find("# port"), std::string::npos);
}

class SnapshotFolderTest : public TempFolderTest {
protected:
    CFakePlatform m_platform;
};

TEST_F(SnapshotFolderTest, WrittenOnlyWhenDifferentFromTheNewest)
{
    SnapshotResult r = WriteSnapshot(m_platform, m_folder, kConfig, Port(3, 19200), "zolctl 0.917.40");
    ASSERT_TRUE(r.written) << r.error;
    EXPECT_EQ(r.fileName, "20261208-102503-zolctl.csv");

    // The same content later, from another program: nothing new.
    m_platform.now.minute = 40;
    r = WriteSnapshot(m_platform, m_folder, kConfig, Port(3, 19200), "zolcfg 0.917.41");
    EXPECT_TRUE(r.unchanged);
    EXPECT_FALSE(r.written);
    EXPECT_EQ(r.fileName, "20261208-102503-zolctl.csv");

    // Another period, or other port settings: a new one.
    std::vector<TagFileRecord> changed = kConfig;
    changed[1].period = PeriodFromMs(501);
    r = WriteSnapshot(m_platform, m_folder, changed, Port(3, 19200), "zolcfg 0.917.41");
    ASSERT_TRUE(r.written);
    EXPECT_EQ(r.fileName, "20261208-104003-zolcfg.csv");
    r = WriteSnapshot(m_platform, m_folder, changed, Port(4, 19200), "zolcfg 0.917.41");
    ASSERT_TRUE(r.written);
    EXPECT_EQ(r.fileName, "20261208-104003-zolcfg-2.csv");  // the same second
    // Back to the first configuration: it differs from the newest, so it is written.
    r = WriteSnapshot(m_platform, m_folder, kConfig, Port(3, 19200), "zolcfg 0.917.41");
    ASSERT_TRUE(r.written);

    const std::vector<SnapshotInfo> list = ListSnapshots(m_folder);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].fileName, "20261208-102503-zolctl.csv");
    EXPECT_EQ(list[2].fileName, "20261208-104003-zolcfg-2.csv");  // after the first of its second
    EXPECT_EQ(list[3].fileName, "20261208-104003-zolcfg-3.csv");
    EXPECT_EQ(list[1].tags, 3u);
    EXPECT_EQ(list[2].port.port, 4);
}

TEST_F(SnapshotFolderTest, RetentionRemovesTheOldestFirst)
{
    fs::create_directories(m_folder);
    for (int i = 0; i < 205; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "20261208-%06d-zolctl.csv", i);
        std::ofstream(m_folder / name) << "# x\r\n" << std::string(1000, 'x');
    }
    std::ofstream(m_folder / "journal.csv") << "not a snapshot";
    std::ofstream(m_folder / "notes.csv") << "not one either";
    EXPECT_EQ(ApplySnapshotRetention(m_folder), 5u);
    std::vector<SnapshotInfo> list = ListSnapshots(m_folder);
    ASSERT_EQ(list.size(), 200u);
    EXPECT_EQ(list.front().fileName, "20261208-000005-zolctl.csv");
    EXPECT_TRUE(fs::exists(m_folder / "journal.csv"));
    EXPECT_TRUE(fs::exists(m_folder / "notes.csv"));

    // By size: 200 files of ~1 KB against 50 KB leave the newest 50 or fewer.
    ApplySnapshotRetention(m_folder, 200, 50 * 1000);
    list = ListSnapshots(m_folder);
    EXPECT_LE(list.size(), 50u);
    EXPECT_GE(list.size(), 49u);
    EXPECT_EQ(list.back().fileName, "20261208-000204-zolctl.csv");
    // The newest stays even when it alone is over the limit.
    ApplySnapshotRetention(m_folder, 200, 10);
    list = ListSnapshots(m_folder);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.back().fileName, "20261208-000204-zolctl.csv");
}

TEST_F(SnapshotFolderTest, WritingAppliesTheRetention)
{
    fs::create_directories(m_folder);
    for (int i = 0; i < 200; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "20251208-%06d-zolctl.csv", i);
        std::ofstream(m_folder / name) << "# x\r\n";
    }
    const SnapshotResult r = WriteSnapshot(m_platform, m_folder, kConfig, Port(3, 19200), "zolctl 0.917.40");
    ASSERT_TRUE(r.written);
    EXPECT_EQ(r.removed, 1u);
    EXPECT_FALSE(fs::exists(m_folder / "20251208-000000-zolctl.csv"));
    EXPECT_EQ(ListSnapshots(m_folder).size(), 200u);
}

TEST_F(SnapshotFolderTest, RetentionSparesTheSnapshotBeingRestoredAndTheNewOne)
{
    fs::create_directories(m_folder);
    for (int i = 0; i < 300; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "20271208-%06d-zolctl.csv", i);  // all newer than the clock's
        std::ofstream(m_folder / name) << "# x\r\n";
    }
    const fs::path restored = m_folder / "20271208-000000-zolctl.csv";
    const SnapshotResult r =
        WriteSnapshot(m_platform, m_folder, kConfig, Port(3, 19200), "zolctl 0.917.40", {restored});
    ASSERT_TRUE(r.written);
    EXPECT_TRUE(fs::exists(restored));
    EXPECT_TRUE(fs::exists(m_folder / r.fileName)) << r.fileName;  // the oldest by its name, yet kept
    EXPECT_EQ(ListSnapshots(m_folder).size(), 200u);
    EXPECT_EQ(r.removed, 101u);
}

TEST_F(SnapshotFolderTest, FoundByNameOrPath)
{
    const SnapshotResult r = WriteSnapshot(m_platform, m_folder, kConfig, Port(3, 19200), "zolctl 0.917.40");
    fs::path file;
    ASSERT_TRUE(FindSnapshot(m_folder, r.fileName, &file));
    EXPECT_EQ(file, m_folder / r.fileName);
    ASSERT_TRUE(FindSnapshot("/nonexistent", (m_folder / r.fileName).u8string(), &file));
    EXPECT_EQ(file, m_folder / r.fileName);
    EXPECT_FALSE(FindSnapshot(m_folder, "20200101-000000-zolctl.csv", &file));
}

TEST(RestorePlan, ReplaceSemanticsAndThePortChange)
{
    const std::string text = MakeSnapshotText(kConfig, Port(3, 19200), "zolctl 0.917.40", LocalTime{});
    // The server now: 1.5.14 changed, 1.5.2 deleted, 2.9.1 as it was, 4.4.4 added since.
    const std::vector<ServerTag> server = {{TagId{1, 5, 14}, PeriodFromMs(10), true},
                                           {TagId{2, 9, 1}, PeriodFromMs(100), true},
                                           {TagId{4, 4, 4}, PeriodFromMs(1), true}};
    RestorePlan r = MakeRestorePlan(text, server, Port(3, 19200));
    ASSERT_EQ(r.plan.add.size(), 1u);
    EXPECT_EQ(r.plan.add[0].id, (TagId{1, 5, 2}));
    EXPECT_EQ(r.plan.add[0].period, PeriodFromMs(500));
    ASSERT_EQ(r.plan.change.size(), 1u);
    EXPECT_EQ(r.plan.change[0].oldPeriod, PeriodFromMs(10));
    EXPECT_EQ(r.plan.unchanged.size(), 1u);
    ASSERT_EQ(r.plan.remove.size(), 1u);
    EXPECT_EQ(r.plan.remove[0].id, (TagId{4, 4, 4}));
    EXPECT_FALSE(r.portChanges);

    r = MakeRestorePlan(text, server, Port(1, 9600));
    EXPECT_TRUE(r.portChanges);
    EXPECT_EQ(r.port, Port(3, 19200));

    // A file that is no tag file plans nothing: above all, it deletes nothing.
    r = MakeRestorePlan("# zolctl;x;devices 1;tags 1\r\nno header here\r\n", server, Port(1, 9600));
    EXPECT_FALSE(r.file.readable);
    EXPECT_EQ(r.plan.Calls(), 0u);
}

TEST(RestorePlan, InvalidRowsBlockItAndTheTagsTheyNameAreNeverDeleted)
{
    std::vector<TagFileRecord> config = kConfig;
    config.push_back(Record(4, 4, 4, 7));
    std::string text = MakeSnapshotText(config, Port(3, 19200), "zolctl 0.917.40", LocalTime{});
    const std::size_t at = text.find(";Dev(4).P4;7\r\n");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 15, ";Dev(4).P4;1.5\r\n");  // not a whole number of milliseconds
    const std::vector<ServerTag> server = {{TagId{4, 4, 4}, PeriodFromMs(1), true},
                                           {TagId{5, 5, 5}, PeriodFromMs(1), true}};
    RestorePlan r = MakeRestorePlan(text, server, Port(3, 19200));
    EXPECT_EQ(r.file.invalidRows, 1u);
    EXPECT_TRUE(r.plan.blocked);
    r = MakeRestorePlan(text, server, Port(3, 19200), {}, true);
    EXPECT_FALSE(r.plan.blocked);
    ASSERT_EQ(r.plan.remove.size(), 1u);
    EXPECT_EQ(r.plan.remove[0].id, (TagId{5, 5, 5}));
}

namespace {

// The text without its line `index` (0: the first line), or with `extra` put there.
std::string EditLine(const std::string& text, std::size_t index, const std::string& extra = "")
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) start = text.find("\r\n", start) + 2;
    const std::size_t end = text.find("\r\n", start) + 2;
    return extra.empty() ? text.substr(0, start) + text.substr(end) : text.substr(0, start) + extra + text.substr(start);
}

}  // namespace

TEST(SnapshotDamage, RowsThatDoNotMatchTheFirstLineAreDamageAndPlanNothing)
{
    // 3 tags on 2 devices; lines: 0 counts, 1 port, 2 header, 3..5 rows.
    const std::string whole = MakeSnapshotText(kConfig, Port(3, 19200), "zolctl 0.917.40", LocalTime{});
    EXPECT_FALSE(FindSnapshotDamage(whole));
    const std::vector<ServerTag> server = {{TagId{1, 5, 14}, PeriodFromMs(2000), true},
                                           {TagId{7, 7, 7}, PeriodFromMs(1), true}};

    struct Case {
        const char* what;
        std::string text;
        SnapshotDamage::Kind kind;
        std::size_t header, rows;
        const char* described;
    };
    std::string cutAtLineEnd = whole;  // head -4: the first row only
    for (int i = 0; i < 2; ++i) cutAtLineEnd = EditLine(cutAtLineEnd, 4);
    std::string moved = whole;
    moved.replace(moved.find("Dev;5;1;2;"), 10, "Dev;6;1;2;");
    const Case cases[] = {
        {"cut at a line end", cutAtLineEnd, SnapshotDamage::Kind::Tags, 3, 1, "the header names 3 tags, the file holds 1"},
        {"the rows all gone", EditLine(EditLine(EditLine(whole, 5), 4), 3), SnapshotDamage::Kind::Tags, 3, 0,
         "the header names 3 tags, the file holds 0"},
        {"a row removed", EditLine(whole, 4), SnapshotDamage::Kind::Tags, 3, 2, "the header names 3 tags, the file holds 2"},
        {"a row added", EditLine(whole, 4, "Dev;5;1;3;x;10\r\n"), SnapshotDamage::Kind::Tags, 3, 4,
         "the header names 3 tags, the file holds 4"},
        {"a row moved to another device", moved,
         SnapshotDamage::Kind::Devices, 2, 3, "the header names 2 devices, the file holds 3"},
        {"cut inside the last period", whole.substr(0, whole.size() - 3), SnapshotDamage::Kind::CutInLine, 0, 0,
         "its last line is cut off"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SnapshotDamage damage = FindSnapshotDamage(c.text);
        EXPECT_EQ(damage.kind, c.kind);
        EXPECT_EQ(damage.header, c.header);
        EXPECT_EQ(damage.rows, c.rows);
        EXPECT_EQ(DescribeSnapshotDamage(damage), c.described);
        const RestorePlan r = MakeRestorePlan(c.text, server, Port(1, 9600));
        EXPECT_EQ(r.damage.kind, c.kind);
        EXPECT_EQ(r.plan.Calls(), 0u);  // above all, nothing deleted
        EXPECT_FALSE(r.portChanges);
    }

    // A row spoilt in place is an invalid row, not a damaged file: the plan blocks on it.
    std::string spoilt = whole;
    spoilt.replace(spoilt.find(";500\r\n"), 6, ";5.5\r\n");
    EXPECT_FALSE(FindSnapshotDamage(spoilt));
    // A tag file without counts (an export) is never damaged, with or without a last line end.
    EXPECT_FALSE(FindSnapshotDamage("device;address;type;param;name;period_ms\r\nDev;5;1;14;x;20"));
}

TEST_F(SnapshotFolderTest, AListingWithRowsGivesTheRowsCounts)
{
    const SnapshotResult r = WriteSnapshot(m_platform, m_folder, kConfig, Port(3, 19200), "zolctl 0.917.40");
    ASSERT_TRUE(r.written);
    std::string text;
    ASSERT_TRUE(ReadWholeFile(m_folder / r.fileName, &text));
    std::ofstream(m_folder / "20261208-000000-zolctl.csv", std::ios::binary) << EditLine(text, 4);
    std::ofstream(m_folder / "20261208-000001-zolctl.csv", std::ios::binary) << "";

    std::vector<SnapshotInfo> list = ListSnapshots(m_folder);  // the retention's: first lines only
    ASSERT_EQ(list.size(), 3u);
    EXPECT_FALSE(list[0].rowsRead);
    EXPECT_FALSE(FindSnapshotDamage(list[0]));

    list = ListSnapshots(m_folder, true);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].tags, 3u);
    EXPECT_EQ(list[0].rowTags, 2u);
    EXPECT_EQ(list[0].rowDevices, 2u);
    EXPECT_EQ(FindSnapshotDamage(list[0]).kind, SnapshotDamage::Kind::Tags);
    EXPECT_FALSE(list[1].readable);
    EXPECT_FALSE(FindSnapshotDamage(list[1]));
    EXPECT_EQ(list[2].rowTags, 3u);
    EXPECT_FALSE(FindSnapshotDamage(list[2]));
}
