// Snapshots whose name or first line holds a number too large for any counter: they are
// listed (their counts unknown), sorted sensibly, and never end the program that lists them.
#include <fstream>

#include "history/Snapshot.h"
#include "history_test_support.h"

namespace fs = std::filesystem;
using history_test::CFakePlatform;
using history_test::TempFolderTest;

namespace {

constexpr char kHead[] = "\xEF\xBB\xBF# zolctl 0.917.40;2026-12-01T10:00:00+03:00;devices 1;tags 1\r\n";
constexpr char kBody[] = "device;address;type;param;name;period_ms\r\nDev;5;1;14;Dev(005).P14;2000\r\n";

class SnapshotNamesTest : public TempFolderTest {
protected:
    void Put(const std::string& name, const std::string& text)
    {
        fs::create_directories(m_folder);
        std::ofstream(m_folder / name, std::ios::binary) << text;
    }
    CFakePlatform m_platform;
};

}  // namespace

TEST(SnapshotInfoHeader, CountsPastAnyCounterAreNotACountedHeader)
{
    SnapshotInfo info;
    for (const char* head : {"# zolctl;2026-12-01T10:00:00+03:00;devices 1;tags 99999999999999999999999\r\n",
                             "# zolctl;2026-12-01T10:00:00+03:00;devices 18446744073709551616;tags 1\r\n",
                             "# zolctl;2026-12-01T10:00:00+03:00;devices -1;tags 1\r\n",
                             "# zolctl;2026-12-01T10:00:00+03:00;devices ;tags 1\r\n"}) {
        info = SnapshotInfo();
        EXPECT_FALSE(ReadSnapshotInfo(head, &info)) << head;
        EXPECT_FALSE(info.counted) << head;
    }
    ASSERT_TRUE(ReadSnapshotInfo("# zolctl;t;devices 0000000000000000000000002;tags 18446744073709551615\r\n", &info));
    EXPECT_EQ(info.devices, 2u);
    EXPECT_EQ(info.tags, static_cast<std::size_t>(18446744073709551615ull));
}

TEST_F(SnapshotNamesTest, OddNamesAndHeadersAreListedNotFatal)
{
    Put("20261201-100000-zolctl-99999999999.csv", std::string(kHead) + kBody);
    Put("20261201-100000-zolctl-2.csv", std::string(kHead) + kBody);
    Put("20261201-100000-zolctl.csv", std::string(kHead) + kBody);
    Put("20261201-090000-zolcfg.csv",
        "\xEF\xBB\xBF# zolcfg;2026-12-01T09:00:00+03:00;devices 1;tags 99999999999999999999999\r\n" +
            std::string(kBody));
    Put("20261201-090000-zolcfg-99999999999999999999999999999.csv", std::string(kHead) + kBody);

    std::vector<SnapshotInfo> list;
    ASSERT_NO_THROW(list = ListSnapshots(m_folder));
    ASSERT_EQ(list.size(), 5u);
    // Within one second the plain name comes first, a number past any written one last.
    EXPECT_EQ(list[0].fileName, "20261201-090000-zolcfg.csv");
    EXPECT_FALSE(list[0].counted);
    EXPECT_EQ(list[0].program, "");
    EXPECT_EQ(list[1].fileName, "20261201-090000-zolcfg-99999999999999999999999999999.csv");
    EXPECT_TRUE(list[1].counted);
    EXPECT_EQ(list[2].fileName, "20261201-100000-zolctl.csv");
    EXPECT_EQ(list[3].fileName, "20261201-100000-zolctl-2.csv");
    EXPECT_EQ(list[4].fileName, "20261201-100000-zolctl-99999999999.csv");
    EXPECT_EQ(list[4].tags, 1u);

    // Writing the next snapshot lists the folder too: it still writes, and the retention
    // still counts the odd files.
    SnapshotResult written;
    ASSERT_NO_THROW(written = WriteSnapshot(m_platform, m_folder, {}, PortSettings(), "zolcfg 0.917.1"));
    EXPECT_TRUE(written.written) << written.error;
    EXPECT_EQ(ApplySnapshotRetention(m_folder, 2), 4u);
    EXPECT_EQ(ListSnapshots(m_folder).size(), 2u);
}
