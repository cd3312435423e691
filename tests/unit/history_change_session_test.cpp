// One command's change session: the journal opened or the front end's refusal, question
// and cancel; the step and the journal's failures handed over at the end.
#include "FakeTagServer.h"
#include "common/AtomicFile.h"
#include "history/ChangeSession.h"
#include "history_test_support.h"
#include "tree/RefreshPeriod.h"

using history_test::CFakePlatform;
using history_test::TempFolderTest;

namespace {

class ChangeSessionTest : public TempFolderTest {
protected:
    JournalContext Context() const
    {
        JournalContext context;
        context.program = "zolctl 0.917.40";
        return context;
    }

    std::vector<JournalLine> Lines() const
    {
        std::string text;
        ReadWholeFile(m_folder / "journal.csv", &text);
        return ResolvePendingLines(ReadJournalLines(text));
    }

    CFakePlatform m_platform;
    CFakeTagServer m_fake;
};

}  // namespace

TEST_F(ChangeSessionTest, JournalsTheCallsAndHandsOverTheStep)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    CChangeSession session(m_platform, Context(), "zolctl delete");
    ASSERT_TRUE(session.Begin(m_folder, "", {}));
    EXPECT_TRUE(session.HasJournal());
    EXPECT_EQ(session.Server(m_fake).DeleteTag(1, 5, 14), kS_OK);
    const ChangeSessionEnd end = session.End();
    EXPECT_TRUE(end.begun);
    EXPECT_FALSE(end.journalFailed);
    EXPECT_TRUE(end.flushed);
    ASSERT_EQ(end.step.calls.size(), 1u);
    EXPECT_EQ(end.step.action, "zolctl delete");
    const std::vector<JournalLine> lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].action, "zolctl delete");
    EXPECT_EQ(lines[0].before, "2000");
    EXPECT_EQ(lines[0].result, "ok");
    EXPECT_FALSE(session.End().begun);  // once
}

TEST_F(ChangeSessionTest, AJournalThatCannotBeOpenedIsRefusedOrAskedAbout)
{
    m_platform.failOpen = true;
    {
        // No question: refused.
        CChangeSession session(m_platform, Context(), "zolctl add");
        EXPECT_FALSE(session.Begin(m_folder, "", {}));
    }
    std::string asked;
    ChangeSessionFront front;
    front.withoutJournal = [&asked](const std::string& problem) {
        asked = problem;
        return false;
    };
    {
        CChangeSession session(m_platform, Context(), "zolctl add");
        EXPECT_FALSE(session.Begin(m_folder, "", front));
        EXPECT_NE(asked.find("Permission denied"), std::string::npos) << asked;
    }
    // The user goes on without it: the calls are made and still recorded as a step.
    front.withoutJournal = [](const std::string&) { return true; };
    CChangeSession session(m_platform, Context(), "Добавить");
    ASSERT_TRUE(session.Begin(m_folder, "", front));
    EXPECT_FALSE(session.HasJournal());
    EXPECT_EQ(session.Server(m_fake).AddTag(1, 5, 14, PeriodFromMs(500)), kS_OK);
    EXPECT_EQ(session.End().step.calls.size(), 1u);

    // No folder could be named: the question gets why, nothing is opened.
    m_platform.failOpen = false;
    CChangeSession noFolder(m_platform, Context(), "zolctl add");
    front.withoutJournal = [&asked](const std::string& problem) {
        asked = problem;
        return false;
    };
    EXPECT_FALSE(noFolder.Begin(std::filesystem::path(), "no LOCALAPPDATA", front));
    EXPECT_EQ(asked, "no LOCALAPPDATA");
}

TEST_F(ChangeSessionTest, ACancelledOpenMakesNoCallAndAsksNothingMore)
{
    bool askedWithout = false;
    ChangeSessionFront front;
    front.open = [](CJournal&, std::string* problem, bool* cancelled) {
        *problem = "held";
        *cancelled = true;
        return false;
    };
    front.withoutJournal = [&askedWithout](const std::string&) { return askedWithout = true; };
    CChangeSession session(m_platform, Context(), "zolctl add");
    EXPECT_FALSE(session.Begin(m_folder, "", front));
    EXPECT_FALSE(askedWithout);
}

TEST_F(ChangeSessionTest, AJournalLineThatFailsIsReportedAtTheEnd)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_fake.Put(1, 5, 15, PeriodFromMs(2000));
    CChangeSession session(m_platform, Context(), "zolctl delete-device");
    ASSERT_TRUE(session.Begin(m_folder, "", {}));
    CJournaledServer& server = session.Server(m_fake);
    EXPECT_EQ(server.DeleteTag(1, 5, 14), kS_OK);
    m_platform.failAppends = true;
    EXPECT_EQ(server.DeleteTag(1, 5, 15), kE_JournalNotWritten);
    EXPECT_TRUE(m_fake.Has(1, 5, 15));
    const ChangeSessionEnd end = session.End();
    EXPECT_TRUE(end.journalFailed);
    EXPECT_NE(end.journalError.find("No space left on device"), std::string::npos) << end.journalError;
    EXPECT_EQ(end.step.calls.size(), 1u);
}

TEST_F(ChangeSessionTest, AfterALostConnectionNothingMoreIsSentOrJournaled)
{
    for (std::uint32_t param = 1; param <= 4; ++param) m_fake.Put(1, 5, param, PeriodFromMs(2000));
    CChangeSession session(m_platform, Context(), "Удалить устройство");
    ASSERT_TRUE(session.Begin(m_folder, "", {}));
    CJournaledServer& server = session.Server(m_fake);
    // Known tags are deleted without a read first: the first call after the loss is the
    // delete itself.
    server.KnowTags(ReadServerTags(m_fake, {}).tags, true);
    EXPECT_EQ(server.DeleteTag(1, 5, 1), kS_OK);
    m_fake.dieAfterCalls = m_fake.calls.Total();
    EXPECT_EQ(server.DeleteTag(1, 5, 2), CFakeTagServer::kServerGone);
    EXPECT_EQ(server.ConnectionLost(), CFakeTagServer::kServerGone);
    const std::size_t made = m_fake.calls.Total();
    m_fake.dieAfterCalls = 0;
    EXPECT_EQ(server.DeleteTag(1, 5, 3), CFakeTagServer::kServerGone);
    EXPECT_EQ(server.AddTag(1, 5, 9, PeriodFromMs(100)), CFakeTagServer::kServerGone);
    EXPECT_EQ(server.SetComSettings(1, 9600, 8, 0, 0), CFakeTagServer::kServerGone);
    EXPECT_EQ(server.RestartServer(), CFakeTagServer::kServerGone);
    EXPECT_EQ(m_fake.calls.Total(), made);
    EXPECT_TRUE(m_fake.Has(1, 5, 3));

    const ChangeSessionEnd end = session.End();
    EXPECT_EQ(end.step.calls.size(), 1u);  // only the delete the server carried out
    const std::vector<JournalLine> lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].param, "1");
    EXPECT_EQ(lines[0].result, "ok");
    EXPECT_EQ(lines[1].param, "2");
    EXPECT_EQ(lines[1].result, "0x800706BA");
}

namespace {

class SessionSnapshotTest : public ChangeSessionTest {
protected:
    JournalContext Context() const
    {
        JournalContext context = ChangeSessionTest::Context();
        context.naming.knowsType = [](std::uint32_t type) { return type == 1; };
        context.naming.deviceName = [](std::uint32_t) { return std::string("Meter"); };
        context.naming.tagName = [](std::uint32_t address, std::uint32_t, std::uint32_t param) {
            return "Meter." + std::to_string(address) + "." + std::to_string(param);
        };
        return context;
    }

    SnapshotTaken ReadAndTake(SnapshotTarget target = {})
    {
        ServerTagList list;
        m_whole = ReadWholeConfiguration(m_fake, {}, &list);
        if (target.folder.empty()) target.folder = m_folder;
        return TakeSnapshot(m_platform, Context(), m_fake, list, target);
    }

    std::vector<SnapshotInfo> Snapshots() const { return ListSnapshots(m_folder); }

    bool m_whole = false;
};

}  // namespace

TEST_F(SessionSnapshotTest, AWholeListIsOneSnapshotAndAnEmptyServerIsWhole)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_fake.Put(1, 6, 3, PeriodFromMs(500));
    const SnapshotTaken taken = ReadAndTake();
    EXPECT_TRUE(m_whole);
    EXPECT_EQ(taken.outcome, SnapshotOutcome::Kept);
    ASSERT_EQ(Snapshots().size(), 1u);
    EXPECT_EQ(Snapshots()[0].tags, 2u);
    EXPECT_TRUE(Snapshots()[0].port.known);
    EXPECT_EQ(Snapshots()[0].fileName, taken.result.fileName);

    // Read again unchanged: nothing new.
    EXPECT_EQ(ReadAndTake().outcome, SnapshotOutcome::Kept);
    EXPECT_EQ(Snapshots().size(), 1u);

    // A server without tags answers its first EnumTags with a failure: whole, and kept.
    m_fake.tags.clear();
    m_platform.now.second += 1;
    const SnapshotTaken empty = ReadAndTake();
    EXPECT_TRUE(m_whole);
    EXPECT_EQ(empty.outcome, SnapshotOutcome::Kept);
    EXPECT_TRUE(empty.result.written);
    ASSERT_EQ(Snapshots().size(), 2u);
    EXPECT_EQ(Snapshots()[1].tags, 0u);
}

TEST_F(SessionSnapshotTest, AListThatBrokeOffOrLacksAPeriodIsNoSnapshotAndSaysWhy)
{
    for (std::uint32_t param = 1; param <= 5; ++param) m_fake.Put(1, 5, param, PeriodFromMs(1000));
    // The third EnumTags fails and ends the walk: two tags read of five.
    m_fake.failingEnumCalls = {3};
    m_fake.failingEnumEndsWalk = true;
    SnapshotTaken taken = ReadAndTake();
    EXPECT_FALSE(m_whole);
    EXPECT_EQ(taken.outcome, SnapshotOutcome::NotWhole);
    EXPECT_EQ(taken.gap, TagListGap::EndedOnFailure);

    m_fake.failingEnumCalls.clear();
    m_fake.refuseGetTagInfo = true;
    taken = ReadAndTake();
    EXPECT_FALSE(m_whole);
    EXPECT_EQ(taken.outcome, SnapshotOutcome::NotWhole);
    EXPECT_EQ(taken.gap, TagListGap::PeriodMissing);

    // A whole list read for an import (periods of some tags only) is not whole either.
    m_fake.refuseGetTagInfo = false;
    ServerTagsOptions some;
    some.wantPeriod = [](const TagId& id) { return id.param == 1; };
    const ServerTagList partial = ReadServerTags(m_fake, some);
    SnapshotTarget target;
    target.folder = m_folder;
    EXPECT_EQ(TakeSnapshot(m_platform, Context(), m_fake, partial, target).gap, TagListGap::PeriodMissing);
    // ... while the whole reading asks every period whatever the options say.
    ServerTagList whole;
    EXPECT_TRUE(ReadWholeConfiguration(m_fake, some, &whole));
    EXPECT_TRUE(Snapshots().empty());
}

TEST_F(SessionSnapshotTest, PortSettingsStopAndTheSessionsFolder)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_fake.refuseGetCom = true;
    SnapshotTarget needPort;
    needPort.needPort = true;
    EXPECT_EQ(ReadAndTake(needPort).outcome, SnapshotOutcome::NoPort);
    EXPECT_TRUE(Snapshots().empty());
    // Without the need, unknown settings are recorded as such.
    EXPECT_EQ(ReadAndTake().outcome, SnapshotOutcome::Kept);
    ASSERT_EQ(Snapshots().size(), 1u);
    EXPECT_FALSE(Snapshots()[0].port.known);

    SnapshotTarget stopped;
    stopped.stop = [] { return true; };
    m_fake.Put(1, 5, 15, PeriodFromMs(2000));
    EXPECT_EQ(ReadAndTake(stopped).outcome, SnapshotOutcome::Stopped);
    EXPECT_EQ(Snapshots().size(), 1u);

    // A session keeps its snapshot in the journal's folder, and none without one.
    m_fake.refuseGetCom = false;
    ServerTagList list;
    ASSERT_TRUE(ReadWholeConfiguration(m_fake, {}, &list));
    CChangeSession unbegun(m_platform, Context(), "zolctl import");
    EXPECT_EQ(unbegun.Snapshot(m_fake, list).outcome, SnapshotOutcome::NoFolder);
    EXPECT_EQ(Snapshots().size(), 1u);
    CChangeSession session(m_platform, Context(), "zolctl import");
    ASSERT_TRUE(session.Begin(m_folder, "", {}));
    m_platform.now.second += 1;
    const SnapshotTaken taken = session.Snapshot(m_fake, list, {Snapshots()[0].path});
    EXPECT_EQ(taken.outcome, SnapshotOutcome::Kept);
    ASSERT_EQ(Snapshots().size(), 2u);
    EXPECT_EQ(Snapshots()[1].tags, 2u);
    EXPECT_EQ(Snapshots()[1].program, "zolctl 0.917.40");
}

