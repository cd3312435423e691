// zolctl copy-device against the stand-in server: the dry run's plan that writes nothing,
// the copy with its snapshot and journal, a refused call, refused addresses and the
// usage errors of a list that is not addresses.
#include <filesystem>
#include <string>
#include <vector>

#include "ServerFiles.h"
#include "StandinFixture.h"
#include "history/History.h"
#include "zolctl_support.h"

namespace {

namespace fs = std::filesystem;

// PM3F at 5 (Voltage.A 1 ms, Frequency 2000 ms); at 6 PM3F's Voltage.A with 500 ms; the
// Cyrillic meter (type 7) at 7.
const char kTags[] = "1 5 14 20000000\n1 5 2 10000\n1 6 2 5000000\n7 7 3 0\n";

class ZolctlCopyDevice : public ZolctlTest {
protected:
    std::vector<JournalLine> Journal()
    {
        std::vector<JournalLine> lines;
        std::string error;
        EXPECT_TRUE(ReadJournal(History(), &lines, &error)) << error;
        return lines;
    }
};

const char kPlan[] =
    u8"add;6;1;14;PM3F(006).Frequency;2000\n"
    u8"add;8;1;2;PM3F(008).Voltage.A;1\n"
    u8"add;8;1;14;PM3F(008).Frequency;2000\n"
    u8"change;6;1;2;PM3F(006).Voltage.A;1;500\n"
    u8"plan: add 3, change 1, unchanged 0, delete 0\n";

const char kRefusedAddresses[] =
    u8"refused: address 5: the device's own address\n"
    u8"refused: address 7: the server holds another device there, Счётчик(007) (type 7); nothing is sent for it\n";

TEST_F(ZolctlCopyDevice, ADryRunPrintsThePlanAndTheRefusedAddressesAndWritesNothing)
{
    standin::Reset(kTags);
    const std::vector<std::string> before = ServerTags();
    const CtlRun r = Ctl({L"copy-device", L"1", L"5", L"--to", L"5-8", L"--dry-run"});
    EXPECT_EQ(r.code, 1) << r.err;  // addresses were refused
    EXPECT_EQ(r.out, kPlan);
    EXPECT_EQ(r.err, std::string(kRefusedAddresses) + "dry run: nothing was sent\n");
    EXPECT_EQ(ServerTags(), before);
    EXPECT_FALSE(fs::exists(History() / "journal.csv"));
    EXPECT_TRUE(ListSnapshots(History()).empty());
}

TEST_F(ZolctlCopyDevice, TheCopyKeepsASnapshotFirstAndJournalsEachCall)
{
    standin::Reset(kTags);
    const CtlRun r = Ctl({L"copy-device", L"1", L"5", L"--to", L"6 8"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, std::string(kPlan) + "added 3, changed 1, deleted 0, unchanged 0, refused 0, invalid rows 0\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ServerTags(), Sorted({"1 5 14 20000000", "1 5 2 10000", "1 6 14 20000000", "1 6 2 10000",
                                    "1 8 14 20000000", "1 8 2 10000", "7 7 3 0"}));

    // The snapshot holds the server as it was before the copy.
    const std::vector<SnapshotInfo> snapshots = ListSnapshots(History());
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots[0].tags, 4u);
    const std::vector<JournalLine> lines = Journal();
    ASSERT_EQ(lines.size(), 4u);
    for (const JournalLine& line : lines) {
        EXPECT_EQ(line.action, "zolctl copy-device");
        EXPECT_EQ(line.result, "ok");
    }
    EXPECT_EQ(lines[3].name, "PM3F(006).Voltage.A");
    EXPECT_EQ(lines[3].before, "500");
    EXPECT_EQ(lines[3].after, "1");

    // Again: everything is there, nothing is sent.
    const CtlRun again = Ctl({L"copy-device", L"1", L"5", L"--to", L"6,8"});
    EXPECT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(again.out, "plan: add 0, change 0, unchanged 4, delete 0\n"
                         "added 0, changed 0, deleted 0, unchanged 4, refused 0, invalid rows 0\n");
    EXPECT_EQ(Journal().size(), 4u);
}

TEST_F(ZolctlCopyDevice, ARefusedCallAndARefusedAddressLeaveTheRestDoneAndExit1)
{
    standin::Reset(kTags);
    standin::SetFaults("fail AddTag 0x80070057 1 8 14\n");
    const CtlRun r = Ctl({L"copy-device", L"1", L"5", L"--to", L"5-8", L"--no-journal"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, std::string(kPlan) + "added 2, changed 1, deleted 0, unchanged 0, refused 1, invalid rows 0\n");
    EXPECT_EQ(r.err, std::string(kRefusedAddresses) +
                         "refused: add tag type 1 address 8 param 14: invalid argument (0x80070057)\n");
    EXPECT_EQ(ServerTags(), Sorted({"1 5 14 20000000", "1 5 2 10000", "1 6 14 20000000", "1 6 2 10000",
                                    "1 8 2 10000", "7 7 3 0"}));
    EXPECT_FALSE(fs::exists(History() / "journal.csv"));
}

// Tags another client put at the source that an import refuses (param 65535, a period of
// 7 units) are refused by the copy too, with the import's reason: never copied, exit 1.
TEST_F(ZolctlCopyDevice, ASourceTagAnImportRefusesIsNotCopied)
{
    standin::Reset("1 42 65535 20000000\n1 43 1 7\n1 43 14 20000000\n");
    CtlRun r = Ctl({L"copy-device", L"1", L"42", L"--to", L"50", L"--no-journal"});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(r.err,
              "refused: tag type 1 address 42 param 65535: param '65535' is not a number from 1 to 65534; it is not "
              "copied\n");
    EXPECT_EQ(r.out, "plan: add 0, change 0, unchanged 0, delete 0\n"
                     "added 0, changed 0, deleted 0, unchanged 0, refused 0, invalid rows 0\n");

    r = Ctl({L"copy-device", L"1", L"43", L"--to", L"51"});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(r.err,
              "refused: tag type 1 address 43 param 1: period_ms '0.0007' is not a whole number of milliseconds from 0 "
              "to 86400000; it is not copied\n");
    EXPECT_EQ(r.out, "add;51;1;14;PM3F(051).Frequency;2000\n"
                     "plan: add 1, change 0, unchanged 0, delete 0\n"
                     "added 1, changed 0, deleted 0, unchanged 0, refused 0, invalid rows 0\n");
    EXPECT_EQ(ServerTags(), Sorted({"1 42 65535 20000000", "1 43 1 7", "1 43 14 20000000", "1 51 14 20000000"}));
    ASSERT_EQ(Journal().size(), 1u);

    r = Ctl({L"copy-device", L"1", L"43", L"--to", L"52", L"--dry-run"});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_TRUE(r.err.find("it is not copied\ndry run: nothing was sent\n") != std::string::npos) << r.err;
}

TEST_F(ZolctlCopyDevice, ASourceWithoutTagsAndListsThatAreNotAddresses)
{
    standin::Reset(kTags);
    const std::vector<std::string> before = ServerTags();
    CtlRun r = Ctl({L"copy-device", L"1", L"9", L"--to", L"10"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "no tags at type 1 address 9\n");
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(ListSnapshots(History()).empty());

    for (const wchar_t* list : {L"6-300", L"6,x", L"20-6", L""}) {
        r = Ctl({L"copy-device", L"1", L"5", L"--to", list});
        EXPECT_EQ(r.code, 2) << r.err;
        EXPECT_EQ(r.err.rfind("zolctl: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("usage: zolctl copy-device"), std::string::npos) << r.err;
    }
    r = Ctl({L"copy-device", L"1", L"5", L"--to", L"6-300"});
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "zolctl: --to: '6-300': an address outside 1..247");
    EXPECT_EQ(ServerTags(), before);
    EXPECT_TRUE(Journal().empty());

    // No connection: exit 3, nothing planned.
    standin::SetFaults("class REGDB_E_CLASSNOTREG\n");
    r = Ctl({L"copy-device", L"1", L"5", L"--to", L"6", L"--no-journal"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, "");
    standin::WaitUntilServerGone();
}

}  // namespace
