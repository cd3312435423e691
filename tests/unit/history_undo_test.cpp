// The journaled server (before-values read from the server, one journal line per call,
// the call recorded into the step), the inverse of each kind of step, and the undo stack
// with refused and stopped undos.
#include "FakeTagServer.h"
#include "common/AtomicFile.h"
#include "history/JournaledServer.h"
#include "history/UndoStack.h"
#include "tagfile/DeviceCopy.h"
#include "tagfile/ImportRun.h"
#include "history_test_support.h"
#include "tree/RefreshPeriod.h"

namespace fs = std::filesystem;
using history_test::CFakePlatform;
using history_test::TempFolderTest;
using Tag = CFakeTagServer::Tag;

namespace {

JournalContext Context()
{
    JournalContext context;
    context.program = "zolctl 0.917.40";
    context.naming.tagName = [](std::uint32_t address, std::uint32_t type, std::uint32_t param) {
        return "Dev" + std::to_string(type) + "(" + std::to_string(address) + ").P" + std::to_string(param);
    };
    return context;
}

class JournaledServerTest : public history_test::JournaledFakeTest {
protected:
    void SetUp() override
    {
        JournaledFakeTest::SetUp();
        OpenJournaled(Context());
    }

    void DeleteDevice(std::uint32_t type, std::uint32_t address)
    {
        std::vector<Tag> doomed;
        for (const auto& entry : m_fake.tags) {
            if (entry.first.type == type && entry.first.address == address) doomed.push_back(entry.first);
        }
        for (const Tag& t : doomed) m_server->DeleteTag(t.type, t.address, t.param);
    }

};

}  // namespace

TEST_F(JournaledServerTest, DeleteReadsThePeriodBeforeAndJournalsEachCall)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_fake.Put(1, 5, 2, PeriodFromMs(500));
    m_fake.Put(2, 9, 1, PeriodFromMs(100));
    m_server->BeginStep("Удалить устройство");
    DeleteDevice(1, 5);
    const CUndoStep step = m_server->EndStep();

    EXPECT_EQ(m_fake.calls.getTagInfo, 2u);
    EXPECT_EQ(Tags(), "2.9.1=100 ");
    const std::vector<JournalLine> lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].action, u8"Удалить устройство");
    EXPECT_EQ(lines[0].program, "zolctl 0.917.40");
    EXPECT_EQ(lines[0].type + "/" + lines[0].address + "/" + lines[0].param, "1/5/2");
    EXPECT_EQ(lines[0].name, "Dev1(5).P2");
    EXPECT_EQ(lines[0].before, "500");
    EXPECT_EQ(lines[0].after, "");
    EXPECT_EQ(lines[0].result, "ok");
    EXPECT_EQ(lines[1].before, "2000");
    EXPECT_EQ(lines[0].time, "2026-12-08T10:25:03+03:00");

    ASSERT_EQ(step.calls.size(), 2u);
    EXPECT_EQ(step.action, "Удалить устройство");
    // Undo adds them back with their periods.
    m_server->BeginStep("Отменить: Удалить устройство");
    const PlannedRunReport run = RunPlannedCalls(*m_server, step.InverseCalls());
    m_server->EndStep();
    EXPECT_EQ(run.doneOrdinals.size(), 2u);
    EXPECT_EQ(Tags(), "1.5.2=500 1.5.14=2000 2.9.1=100 ");
}

TEST_F(JournaledServerTest, RefusedCallIsJournaledWithItsResultAndNotRecorded)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_fake.refuseDelete.insert(Tag{1, 5, 14});
    m_server->BeginStep("zolctl delete");
    EXPECT_EQ(m_server->DeleteTag(1, 5, 14), kE_FAIL);
    m_fake.refuseEveryAdd = true;
    EXPECT_EQ(m_server->AddTag(1, 5, 3, PeriodFromMs(10)), kE_FAIL);
    EXPECT_TRUE(m_server->EndStep().Empty());
    const std::vector<JournalLine> lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].result, "0x80004005");
    EXPECT_EQ(lines[0].before, "2000");
    EXPECT_EQ(lines[0].after, "2000");  // still there
    EXPECT_EQ(lines[1].result, "0x80004005");
    EXPECT_EQ(lines[1].before, "");
    EXPECT_EQ(lines[1].after, "");
}

TEST_F(JournaledServerTest, InverseOfEachKindOfCall)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_fake.Put(1, 5, 2, PeriodFromMs(500));
    const std::string before = Tags();
    m_server->BeginStep("mixed");
    m_server->AddTag(1, 5, 14, PeriodFromMs(1000));  // period changed
    m_server->AddTag(3, 7, 1, PeriodFromMs(250));    // tag added
    m_server->DeleteTag(1, 5, 2);                    // tag deleted
    m_server->AddTag(1, 5, 14, PeriodFromMs(3000));  // the same tag again
    m_server->SetComSettings(4, 19200, 7, 2, 1);
    const CUndoStep step = m_server->EndStep();
    ASSERT_EQ(step.calls.size(), 5u);
    EXPECT_EQ(step.calls[3].before, TagState::Of(PeriodFromMs(1000)));  // read after the first change
    const std::string after = Tags();

    const std::vector<PlannedCall> inverse = step.InverseCalls();
    ASSERT_EQ(inverse.size(), 5u);
    EXPECT_EQ(inverse[0].kind, CallKind::SetComSettings);
    EXPECT_EQ(inverse[1].kind, CallKind::AddTag);
    EXPECT_EQ(inverse[1].period, PeriodFromMs(1000));
    EXPECT_EQ(inverse[2].kind, CallKind::AddTag);  // the deleted tag comes back
    EXPECT_EQ(inverse[3].kind, CallKind::DeleteTag);  // the added one goes
    EXPECT_EQ(inverse[4].period, PeriodFromMs(2000));

    m_server->BeginStep("undo");
    RunPlannedCalls(*m_server, inverse);
    m_server->EndStep();
    EXPECT_EQ(Tags(), before);
    std::uint16_t port = 0;
    std::uint32_t baud = 0;
    std::uint8_t dataBits = 0, stopBits = 0, parity = 0;
    m_fake.GetComSettings(&port, &baud, &dataBits, &stopBits, &parity);
    EXPECT_EQ(port, 1);
    EXPECT_EQ(baud, 9600u);

    m_server->BeginStep("redo");
    RunPlannedCalls(*m_server, step.RepeatCalls());
    m_server->EndStep();
    EXPECT_EQ(Tags(), after);
    m_fake.GetComSettings(&port, &baud, &dataBits, &stopBits, &parity);
    EXPECT_EQ(port, 4);

    // The undo's lines carry the values read right before each call as before.
    const std::vector<JournalLine> lines = Lines();
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[5].action, "undo");
    EXPECT_EQ(lines[5].name, "");
    EXPECT_EQ(lines[5].before, "COM4 19200 7 odd 2");
    EXPECT_EQ(lines[5].after, "COM1 9600 8 none 1");
    EXPECT_EQ(lines[8].before, "250");
    EXPECT_EQ(lines[8].after, "");
}

TEST_F(JournaledServerTest, KnownTagsSpareTheReadsAndAbsenceIsKnownFromACompleteWalk)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_server->BeginStep("zolctl import");
    m_server->KnowTags({ServerTag{TagId{1, 5, 14}, PeriodFromMs(2000), true}}, true);
    m_server->AddTag(1, 5, 14, PeriodFromMs(100));
    m_server->AddTag(1, 5, 15, PeriodFromMs(100));
    m_server->DeleteTag(1, 5, 14);  // its state follows the first call
    const CUndoStep step = m_server->EndStep();
    EXPECT_EQ(m_fake.calls.getTagInfo, 0u);
    ASSERT_EQ(step.calls.size(), 3u);
    EXPECT_EQ(step.calls[2].before, TagState::Of(PeriodFromMs(100)));

    // A new step forgets what the last one knew: the server may have changed meanwhile.
    m_server->BeginStep("next");
    m_server->DeleteTag(1, 5, 15);
    m_server->EndStep();
    EXPECT_EQ(m_fake.calls.getTagInfo, 1u);
}

TEST_F(JournaledServerTest, LostServerBeforeTheChangeMeansNoChangeCall)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_fake.dieAfterCalls = 1;
    m_fake.calls.probe = 1;  // the server is gone before the first call
    m_server->BeginStep("x");
    EXPECT_EQ(m_server->DeleteTag(1, 5, 14), CFakeTagServer::kServerGone);
    EXPECT_EQ(m_fake.calls.deleteTag, 0u);
    EXPECT_TRUE(m_server->EndStep().Empty());
}

TEST_F(JournaledServerTest, JournalThatCannotBeWrittenStopsFurtherChanges)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_fake.Put(1, 5, 15, PeriodFromMs(2000));
    m_server->BeginStep("x");
    EXPECT_EQ(m_server->DeleteTag(1, 5, 14), kS_OK);
    m_platform.failAppends = true;
    // The line ahead of the call cannot be written: the call is not made.
    EXPECT_EQ(m_server->DeleteTag(1, 5, 15), kE_JournalNotWritten);
    EXPECT_TRUE(m_server->JournalFailed());
    EXPECT_NE(m_server->JournalError().find("No space left"), std::string::npos);
    EXPECT_EQ(m_fake.calls.deleteTag, 1u);
    EXPECT_TRUE(m_fake.Has(1, 5, 15));
    EXPECT_EQ(m_server->EndStep().calls.size(), 1u);  // what did happen can still be undone
}

// An import whose journal fails half-way: the call whose line could not be written ahead
// was not made, and is not reported as refused by the server.
TEST_F(JournaledServerTest, AnImportStopsAtTheCallItCouldNotJournalAhead)
{
    ImportPlan plan;
    for (std::uint32_t p = 1; p <= 4; ++p) plan.add.push_back(PlannedTag{TagId{1, 5, p}, PeriodFromMs(100), 0, false, 1});
    m_server->BeginStep("zolctl import");
    ImportRunOptions options;
    options.stop = [&] { return m_server->JournalFailed(); };
    options.notMade = [&](HResult hr) { return hr == kE_JournalNotWritten && m_server->JournalFailed(); };
    options.progress = [&](std::size_t done, std::size_t) { m_platform.failAppends = done == 2; };
    const ImportReport report = RunImportPlan(plan, *m_server, options);
    EXPECT_EQ(report.added, 2u);
    EXPECT_TRUE(report.refused.empty());
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(report.notAttempted, 2u);
    EXPECT_EQ(m_fake.calls.addTag, 2u);
}

TEST_F(JournaledServerTest, EachCallIsJournaledAheadAsPendingThenWithItsResult)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_server->BeginStep("zolctl period");
    m_server->AddTag(1, 5, 14, PeriodFromMs(500));
    m_server->SetComSettings(3, 19200, 8, 0, 0);
    m_server->RestartServer();
    const std::vector<JournalLine> raw = RawLines();
    ASSERT_EQ(raw.size(), 6u);
    EXPECT_EQ(raw[0].result + " " + raw[0].before + "->" + raw[0].after, "pending 2000->500");
    EXPECT_EQ(raw[1].result + " " + raw[1].before + "->" + raw[1].after, "ok 2000->500");
    EXPECT_EQ(raw[2].result + " " + raw[2].after, "pending COM3 19200 8 none 1");
    EXPECT_EQ(raw[3].result, "ok");
    EXPECT_EQ(raw[4].result, "pending");
    EXPECT_EQ(raw[5].result, "ok");
    // A reader shows each call once.
    EXPECT_EQ(ResolvePendingLines(raw).size(), 3u);
}

TEST_F(JournaledServerTest, WithoutAJournalTheStepIsStillRecorded)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    CJournaledServer bare(m_fake, nullptr, Context());
    bare.BeginStep("x");
    bare.DeleteTag(1, 5, 14);
    EXPECT_EQ(bare.EndStep().calls.size(), 1u);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(JournaledServerTest, DeletedTagWhosePeriodWasNotGivenCannotBeUndone)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_fake.refuseGetTagInfo = true;
    m_server->BeginStep("x");
    m_server->DeleteTag(1, 5, 14);
    const CUndoStep step = m_server->EndStep();
    ASSERT_EQ(step.calls.size(), 1u);
    EXPECT_EQ(step.calls[0].before.kind, TagState::Unknown);
    std::size_t notInvertible = 0;
    EXPECT_TRUE(step.InverseCalls(&notInvertible).empty());
    EXPECT_EQ(notInvertible, 1u);
    EXPECT_EQ(Lines()[0].before, "?");
}

class UndoStackTest : public JournaledServerTest {
protected:
    void DeviceStep()
    {
        for (std::uint32_t p = 1; p <= 6; ++p) m_fake.Put(1, 5, p, PeriodFromMs(100 * p));
        m_fake.Put(2, 9, 1, PeriodFromMs(7));
        m_before = Tags();
        m_server->BeginStep("Удалить устройство");
        DeleteDevice(1, 5);
        m_stack.Push(m_server->EndStep());
        m_after = Tags();
    }
    CUndoStack m_stack;
    std::string m_before, m_after;
};

TEST_F(UndoStackTest, UndoThenRedoThenUndo)
{
    DeviceStep();
    EXPECT_TRUE(m_stack.CanUndo());
    EXPECT_FALSE(m_stack.CanRedo());
    EXPECT_EQ(m_stack.UndoAction(), "Удалить устройство");
    UndoReport r = m_stack.Undo(*m_server, "Отменить: Удалить устройство");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(Tags(), m_before);
    EXPECT_FALSE(m_stack.CanUndo());
    EXPECT_EQ(m_stack.RedoAction(), "Удалить устройство");
    r = m_stack.Redo(*m_server, "Вернуть: Удалить устройство");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(Tags(), m_after);
    r = m_stack.Undo(*m_server, "Отменить: Удалить устройство");
    EXPECT_EQ(Tags(), m_before);
    // Undo and redo read each tag once, right before its call.
    EXPECT_EQ(m_fake.calls.getTagInfo, 6u + 3 * 6u);
    const std::vector<JournalLine> lines = Lines();
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(lines[6].action, u8"Отменить: Удалить устройство");
    EXPECT_EQ(lines[12].action, u8"Вернуть: Удалить устройство");
}

TEST_F(UndoStackTest, RefusedUndoKeepsTheRestOnTheStack)
{
    DeviceStep();
    m_fake.refuseAdd.insert(Tag{1, 5, 3});
    UndoReport r = m_stack.Undo(*m_server, "undo");
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.run.refused, 1u);
    EXPECT_EQ(r.run.firstRefusal, kE_FAIL);
    EXPECT_EQ(r.run.doneOrdinals.size(), 5u);
    ASSERT_TRUE(m_stack.CanUndo());
    EXPECT_EQ(m_stack.UndoCalls(), 1u);
    EXPECT_EQ(m_stack.RedoCalls(), 5u);
    EXPECT_FALSE(m_fake.Has(1, 5, 3));

    m_fake.refuseAdd.clear();
    r = m_stack.Undo(*m_server, "undo");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(Tags(), m_before);
    EXPECT_FALSE(m_stack.CanUndo());
    EXPECT_EQ(m_stack.RedoCalls(), 6u);  // one step again
    r = m_stack.Redo(*m_server, "redo");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(Tags(), m_after);
}

TEST_F(UndoStackTest, StoppedHalfWayTheRestStaysUndoable)
{
    DeviceStep();
    std::size_t asked = 0;
    PlannedRunOptions options;
    options.stop = [&] { return ++asked > 2; };
    std::size_t lastDone = 0;
    options.progress = [&](std::size_t done, std::size_t total) {
        lastDone = done;
        EXPECT_EQ(total, 6u);
    };
    UndoReport r = m_stack.Undo(*m_server, "undo", options);
    EXPECT_TRUE(r.run.stopped);
    EXPECT_EQ(r.run.notSent, 4u);
    EXPECT_EQ(lastDone, 2u);
    EXPECT_EQ(m_stack.UndoCalls(), 4u);
    r = m_stack.Undo(*m_server, "undo");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(Tags(), m_before);
}

TEST_F(UndoStackTest, NewStepClearsRedoAndEmptyStepIsNotPushed)
{
    DeviceStep();
    m_stack.Undo(*m_server, "undo");
    ASSERT_TRUE(m_stack.CanRedo());
    m_stack.Push(CUndoStep());
    EXPECT_TRUE(m_stack.CanRedo());
    m_server->BeginStep("Удалить тег");
    m_server->DeleteTag(2, 9, 1);
    m_stack.Push(m_server->EndStep());
    EXPECT_FALSE(m_stack.CanRedo());
    EXPECT_EQ(m_stack.UndoAction(), "Удалить тег");
}

TEST_F(UndoStackTest, LostServerEndsTheUndo)
{
    DeviceStep();
    m_fake.dieAfterCalls = m_fake.calls.Total() + 4;  // two reads, two adds
    UndoReport r = m_stack.Undo(*m_server, "undo");
    EXPECT_TRUE(r.run.disconnected);
    EXPECT_EQ(r.run.doneOrdinals.size(), 2u);
    EXPECT_EQ(r.run.notSent, 3u);
    EXPECT_EQ(m_stack.UndoCalls(), 4u);
}

TEST_F(JournaledServerTest, RestartIsJournaledButIsNoStepAndForgetsWhatWasKnown)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_server->BeginStep("Применить");
    m_server->KnowTags({ServerTag{TagId{1, 5, 14}, PeriodFromMs(2000), true}}, true);
    EXPECT_EQ(m_server->RestartServer(), kS_OK);
    m_fake.refuseRestart = true;
    EXPECT_EQ(m_server->RestartServer(), kE_FAIL);
    m_server->DeleteTag(1, 5, 14);  // the server after a restart is read again
    EXPECT_EQ(m_fake.calls.getTagInfo, 1u);
    const CUndoStep step = m_server->EndStep();
    ASSERT_EQ(step.calls.size(), 1u);
    EXPECT_EQ(step.calls[0].kind, CallKind::DeleteTag);
    const std::vector<JournalLine> lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].action, u8"Применить");
    EXPECT_EQ(lines[0].type + lines[0].name + lines[0].before + lines[0].after, "");
    EXPECT_EQ(lines[0].result, "ok");
    EXPECT_EQ(lines[1].result, "0x80004005");
}

TEST_F(UndoStackTest, UndoAndRedoLeaveWhatAnotherProgramChanged)
{
    DeviceStep();
    // Another program adds one of the deleted tags again, with its own period.
    m_fake.Put(1, 5, 2, PeriodFromMs(7000));
    UndoReport r = m_stack.Undo(*m_server, "undo");
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.run.changedElsewhere, 1u);
    EXPECT_EQ(r.run.firstChanged, (TagId{1, 5, 2}));
    ASSERT_EQ(r.run.changedTags.size(), 1u);
    EXPECT_TRUE(r.run.changedTags[0].second);
    EXPECT_EQ(r.run.refused, 0u);
    EXPECT_EQ(r.run.doneOrdinals.size(), 5u);
    EXPECT_EQ(MsFromPeriod(m_fake.tags[Tag{1, 5, 2}]), 7000);
    EXPECT_EQ(MsFromPeriod(m_fake.tags[Tag{1, 5, 3}]), 300);
    // The skipped call stays on the step: once the tag is gone again, undo takes it back.
    EXPECT_EQ(m_stack.UndoCalls(), 1u);
    m_fake.tags.erase(Tag{1, 5, 2});
    r = m_stack.Undo(*m_server, "undo");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(Tags(), m_before);

    // Redo deletes no tag whose period another program changed since the undo.
    m_fake.Put(1, 5, 3, PeriodFromMs(3000));
    r = m_stack.Redo(*m_server, "redo");
    EXPECT_EQ(r.run.changedElsewhere, 1u);
    EXPECT_EQ(r.run.firstChanged, (TagId{1, 5, 3}));
    EXPECT_TRUE(m_fake.Has(1, 5, 3));
    EXPECT_FALSE(m_fake.Has(1, 5, 4));

    // No line for a call not made; the lines of the calls made say what was read.
    const std::vector<JournalLine> lines = Lines();
    for (const JournalLine& l : lines) EXPECT_FALSE(l.action == "redo" && l.param == "3") << l.before;
}

TEST_F(UndoStackTest, PortSettingsChangedElsewhereAreLeftAlone)
{
    m_server->BeginStep("Настройки COM-порта");
    m_server->SetComSettings(4, 19200, 7, 2, 1);
    m_stack.Push(m_server->EndStep());
    m_fake.SetComSettings(5, 9600, 8, 1, 0);  // another program
    const UndoReport r = m_stack.Undo(*m_server, "undo");
    EXPECT_EQ(r.run.changedElsewhere, 1u);
    EXPECT_TRUE(r.run.firstChangedIsPort);
    std::uint16_t port = 0;
    std::uint32_t baud = 0;
    std::uint8_t dataBits = 0, stopBits = 0, parity = 0;
    m_fake.GetComSettings(&port, &baud, &dataBits, &stopBits, &parity);
    EXPECT_EQ(port, 5);
    EXPECT_TRUE(m_stack.CanUndo());
}

TEST_F(UndoStackTest, ACallThatChangedNothingIsCheckedLikeAnyOther)
{
    // A period applied as it was, and the port settings applied as they were: undo and
    // redo both check each against the server.
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_server->BeginStep("edit");
    m_server->AddTag(1, 5, 14, PeriodFromMs(2000));
    m_stack.Push(m_server->EndStep());
    ASSERT_EQ(m_stack.UndoCalls(), 1u);
    m_fake.Put(1, 5, 14, PeriodFromMs(4000));  // another program
    UndoReport r = m_stack.Undo(*m_server, "undo");
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.run.changedElsewhere, 1u);
    EXPECT_EQ(r.run.firstChanged, (TagId{1, 5, 14}));
    EXPECT_EQ(MsFromPeriod(m_fake.tags[Tag{1, 5, 14}]), 4000);
    EXPECT_TRUE(m_stack.CanUndo());
    EXPECT_FALSE(m_stack.CanRedo());  // nothing moved to redo
    // Held again: the undo goes through, with its line, and redo checks the same way.
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    r = m_stack.Undo(*m_server, "undo");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.run.doneOrdinals.size(), 1u);
    ASSERT_TRUE(m_stack.CanRedo());
    m_fake.Put(1, 5, 14, PeriodFromMs(5000));
    r = m_stack.Redo(*m_server, "redo");
    EXPECT_EQ(r.run.changedElsewhere, 1u);
    EXPECT_EQ(MsFromPeriod(m_fake.tags[Tag{1, 5, 14}]), 5000);
    std::size_t undoLines = 0;
    for (const JournalLine& l : Lines()) undoLines += l.action == "undo" && l.result == "ok";
    EXPECT_EQ(undoLines, 1u);

    m_server->BeginStep("port");
    m_server->SetComSettings(1, 9600, 8, 0, 0);  // the fake's own settings
    m_stack.Push(m_server->EndStep());
    ASSERT_EQ(m_stack.UndoCalls(), 1u);
    m_fake.SetComSettings(5, 9600, 8, 0, 0);  // another program
    r = m_stack.Undo(*m_server, "undo");
    EXPECT_EQ(r.run.changedElsewhere, 1u);
    EXPECT_TRUE(r.run.firstChangedIsPort);
    EXPECT_TRUE(m_stack.CanUndo());
}

TEST(UndoCheck, WhatCountsAsStillHeld)
{
    const TagState absent = TagState::None(), p1000 = TagState::Of(PeriodFromMs(1000)),
                   p7000 = TagState::Of(PeriodFromMs(7000)), unknown{TagState::Unknown, 0};
    EXPECT_TRUE(HoldsExpected(absent, absent));
    EXPECT_FALSE(HoldsExpected(absent, p7000));   // added by another program
    EXPECT_TRUE(HoldsExpected(p1000, p1000));
    EXPECT_FALSE(HoldsExpected(p1000, p7000));    // period changed elsewhere
    EXPECT_FALSE(HoldsExpected(p1000, absent));   // deleted elsewhere
    EXPECT_TRUE(HoldsExpected(unknown, p7000));   // existed, period never known
    EXPECT_FALSE(HoldsExpected(unknown, absent));
    PortSettings com1{true, 1, 9600, 8, 1, 0}, com3{true, 3, 9600, 8, 1, 0}, never;
    EXPECT_TRUE(HoldsExpected(com1, com1));
    EXPECT_FALSE(HoldsExpected(com1, com3));
    EXPECT_FALSE(HoldsExpected(com1, never));
    EXPECT_TRUE(HoldsExpected(never, com3));
}

TEST_F(JournaledServerTest, ACopyOfADeviceIsOneStepWhoseUndoRemovesWhatItAddedAndSetsBackWhatItChanged)
{
    m_fake.Put(1, 5, 14, PeriodFromMs(2000));
    m_fake.Put(1, 5, 2, PeriodFromMs(1000));
    m_fake.Put(1, 6, 2, PeriodFromMs(500));
    m_fake.Put(1, 6, 9, PeriodFromMs(700));
    const std::string before = Tags();
    const CopySource source{1, 5};
    ServerTagsOptions options;
    options.wantPeriod = [&](const TagId& id) { return CopyNeedsPeriod(source, id); };
    const ServerTagList list = ReadServerTags(m_fake, options);
    const DeviceCopyPlan copy = MakeDeviceCopyPlan(source, {6, 7}, list.tags);

    m_server->BeginStep("Копировать устройство");
    m_server->KnowTags(list.tags, true);
    const std::size_t reads = m_fake.calls.getTagInfo;
    const ImportReport report = RunImportPlan(copy.plan, *m_server);
    const CUndoStep step = m_server->EndStep();
    EXPECT_EQ(m_fake.calls.getTagInfo, reads);  // the before-values were known
    EXPECT_EQ(report.added, 3u);
    EXPECT_EQ(report.changed, 1u);
    ASSERT_EQ(step.calls.size(), 4u);
    EXPECT_EQ(Tags(), "1.5.2=1000 1.5.14=2000 1.6.2=1000 1.6.9=700 1.6.14=2000 1.7.2=1000 1.7.14=2000 ");

    m_server->BeginStep("Отменить: Копировать устройство");
    const PlannedRunReport undone = RunPlannedCalls(*m_server, step.InverseCalls());
    m_server->EndStep();
    EXPECT_EQ(undone.doneOrdinals.size(), 4u);
    EXPECT_EQ(Tags(), before);
    const std::vector<JournalLine> lines = Lines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].action, u8"Копировать устройство");
    EXPECT_EQ(lines[4].action, u8"Отменить: Копировать устройство");
}
