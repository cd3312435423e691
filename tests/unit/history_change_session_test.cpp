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
