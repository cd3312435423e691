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
    std::string text = MakeSnapshotText(kConfig, Port(3, 19200), "zolctl 0.917.40", LocalTime{});
    text += "Dev;4;4;4;Dev(4).P4;1.5\r\n";  // not a whole number of milliseconds
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
