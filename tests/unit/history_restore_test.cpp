// Restoring a snapshot through the journaled server: the base it stands on (only a whole
// list), the calls and the port settings, refusals, and a journal that stops the run.
#include "FakeTagServer.h"
#include "common/AtomicFile.h"
#include "history/Restore.h"
#include "history/Snapshot.h"
#include "history_test_support.h"
#include "tree/RefreshPeriod.h"

using history_test::CFakePlatform;
using Tag = CFakeTagServer::Tag;

namespace {

TagFileRecord Record(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::int64_t ms)
{
    TagFileRecord r;
    r.id = TagId{type, address, param};
    r.period = PeriodFromMs(ms);
    r.device = "Dev";
    r.name = "Dev(" + std::to_string(address) + ").P" + std::to_string(param);
    return r;
}

const PortSettings kCom3{true, 3, 19200, 8, 0, 0};

// The snapshot: 1.5.1 at 1000 ms, 1.5.2 at 500 ms, 2.9.1 at 100 ms, on COM3 19200.
std::string SnapshotBytes()
{
    return MakeSnapshotText({Record(1, 5, 1, 1000), Record(1, 5, 2, 500), Record(2, 9, 1, 100)}, kCom3,
                            "zolctl 0.917.40", LocalTime{2026, 12, 8, 10, 25, 3, 180});
}

class RestoreTest : public history_test::JournaledFakeTest {
protected:
    void SetUp() override
    {
        JournaledFakeTest::SetUp();
        JournalContext context;
        context.program = "zolctl 0.917.40";
        OpenJournaled(context);
        m_server->BeginStep("zolctl restore");
        // The server now: 1.5.1 at another period, 1.5.2 missing, 3.7.1 not in the snapshot.
        m_fake.Put(1, 5, 1, PeriodFromMs(2000));
        m_fake.Put(2, 9, 1, PeriodFromMs(100));
        m_fake.Put(3, 7, 1, PeriodFromMs(300));
    }

    bool Prepare(RestoreBase* base) { return PrepareRestore(*m_server, SnapshotBytes(), {}, {}, false, base); }
};

}  // namespace

TEST_F(RestoreTest, MakesTheServerHoldTheSnapshotAndItsPortEachCallJournaled)
{
    RestoreBase base;
    ASSERT_TRUE(Prepare(&base));
    EXPECT_EQ(base.restore.plan.remove.size(), 1u);
    EXPECT_TRUE(base.restore.portChanges);

    const std::size_t reads = m_fake.calls.getTagInfo + m_fake.calls.getCom;
    const RestoreRunResult run = RunRestore(*m_server, base, nullptr);
    // Before-values came from the list just read: nothing was read again before its call.
    EXPECT_EQ(m_fake.calls.getTagInfo + m_fake.calls.getCom, reads);
    EXPECT_EQ(run.report.added, 1u);
    EXPECT_EQ(run.report.changed, 1u);
    EXPECT_EQ(run.report.deleted, 1u);
    EXPECT_EQ(run.report.unchanged, 1u);
    EXPECT_TRUE(run.report.refused.empty());
    EXPECT_TRUE(run.port.tried);
    EXPECT_EQ(run.port.hr, kS_OK);
    EXPECT_EQ(Tags(), "1.5.1=1000 1.5.2=500 2.9.1=100 ");
    EXPECT_EQ(ReadPortSettings(m_fake), kCom3);

    const std::vector<JournalLine> lines = Lines();
    ASSERT_EQ(lines.size(), 4u);
    for (const JournalLine& l : lines) {
        EXPECT_EQ(l.result, "ok");
        EXPECT_EQ(l.action, "zolctl restore");
    }
    EXPECT_EQ(lines.back().after, "COM3 19200 8 none 1");
    const CUndoStep step = m_server->EndStep();
    EXPECT_EQ(step.calls.size(), 4u);
}

TEST_F(RestoreTest, AListThatIsNotWholeIsNeverTheBase)
{
    // The walk breaks off on a failed call after the first tag: restoring on it would delete
    // the tags the server did not list.
    m_fake.failingEnumCalls = {2};
    m_fake.failingEnumEndsWalk = true;
    RestoreBase base;
    EXPECT_FALSE(Prepare(&base));
    EXPECT_EQ(base.list.Gap(), TagListGap::EndedOnFailure);
    EXPECT_EQ(base.list.tags.size(), 1u);
    EXPECT_TRUE(base.restore.plan.remove.empty());
    EXPECT_TRUE(base.restore.plan.add.empty());

    // A tag without its period: what to change cannot be known.
    m_fake.failingEnumCalls.clear();
    m_fake.refuseGetTagInfo = true;
    EXPECT_FALSE(Prepare(&base));
    EXPECT_EQ(base.list.Gap(), TagListGap::PeriodMissing);
    EXPECT_TRUE(base.restore.plan.remove.empty());
    EXPECT_EQ(m_fake.calls.addTag + m_fake.calls.deleteTag + m_fake.calls.setCom, 0u);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(RestoreTest, AnEmptyServerIsWholeAndGetsEveryTag)
{
    m_fake.tags.clear();
    RestoreBase base;
    ASSERT_TRUE(Prepare(&base));
    EXPECT_TRUE(base.list.tags.empty());
    const RestoreRunResult run = RunRestore(*m_server, base, nullptr);
    EXPECT_EQ(run.report.added, 3u);
    EXPECT_EQ(Tags(), "1.5.1=1000 1.5.2=500 2.9.1=100 ");
}

TEST_F(RestoreTest, RefusalsAreReportedAndTheRestStillSent)
{
    m_fake.refuseDelete = {Tag{3, 7, 1}};
    m_fake.refuseSetCom = true;
    RestoreBase base;
    ASSERT_TRUE(Prepare(&base));
    const RestoreRunResult run = RunRestore(*m_server, base, nullptr);
    ASSERT_EQ(run.report.refused.size(), 1u);
    EXPECT_EQ(run.report.refused[0].id, (TagId{3, 7, 1}));
    EXPECT_EQ(run.report.refused[0].hr, kE_FAIL);
    EXPECT_EQ(run.report.added, 1u);
    EXPECT_TRUE(run.port.tried);
    EXPECT_EQ(run.port.hr, kE_FAIL);
    // The refused port call is journaled with its result, not as done.
    const std::vector<JournalLine> lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().result, "0x80004005");
}

TEST_F(RestoreTest, AStoppedOrUnjournaledRunLeavesThePortAlone)
{
    RestoreBase base;
    ASSERT_TRUE(Prepare(&base));
    RestoreRunResult run = RunRestore(*m_server, base, [] { return true; });
    EXPECT_TRUE(run.report.stopped);
    EXPECT_FALSE(run.port.tried);
    EXPECT_EQ(m_fake.calls.setCom + m_fake.calls.addTag + m_fake.calls.deleteTag, 0u);

    // The journal cannot take the line ahead of the first call: nothing is sent, nothing
    // counted as refused, and the port call is not tried either.
    m_platform.failAppends = true;
    run = RunRestore(*m_server, base, nullptr);
    EXPECT_TRUE(run.report.stopped);
    EXPECT_TRUE(run.report.refused.empty());
    EXPECT_FALSE(run.port.tried);
    EXPECT_EQ(m_fake.calls.setCom + m_fake.calls.addTag + m_fake.calls.deleteTag, 0u);
    EXPECT_EQ(Tags(), "1.5.1=2000 2.9.1=100 3.7.1=300 ");
}

TEST(RestorePortAlone, OnlyWhenTheSnapshotsDifferAndTheRunWentThrough)
{
    CFakeTagServer fake;
    CJournaledServer server(fake, nullptr, JournalContext{});
    RestorePlan restore;
    restore.port = kCom3;
    ImportReport report;
    EXPECT_FALSE(RestorePort(server, restore, report).tried);  // the same as the server's
    restore.portChanges = true;
    report.disconnected = true;
    EXPECT_FALSE(RestorePort(server, restore, report).tried);
    report.disconnected = false;
    EXPECT_TRUE(RestorePort(server, restore, report).tried);
    EXPECT_EQ(fake.calls.setCom, 1u);
}
