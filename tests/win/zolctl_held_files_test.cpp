// Files another program holds open, as a spreadsheet showing them does: zolctl waits a few
// seconds for it to let go, and then fails naming the file, changing nothing.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

#include "HoldFileRun.h"
#include "ServerFiles.h"
#include "StandinFixture.h"
#include "history/Journal.h"
#include "standin_support.h"
#include "zolctl_support.h"

namespace fs = std::filesystem;

namespace {

const char kTags[] = "1 5 14 20000000\n1 5 2 10000\n";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

double SecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class ZolctlHeldFiles : public ZolctlTest {};

TEST_F(ZolctlHeldFiles, AJournalHeldForAMomentIsWaitedFor)
{
    standin::Reset(kTags);
    ASSERT_EQ(Ctl({L"period", L"1", L"5", L"2", L"300"}).code, 0);  // the journal exists
    CtlRun r;
    {
        CHoldFileRun holder(History() / "journal.csv", 1500);
        ASSERT_TRUE(holder.Held());
        r = Ctl({L"add", L"1", L"6", L"14", L"100"});
    }
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(ReadFile(History() / "journal.csv"), ";PM3F(006).Frequency;;100;ok\r\n"));
    EXPECT_EQ(ServerTags().size(), 3u);
}

TEST_F(ZolctlHeldFiles, AJournalHeldForLongNamesTheFileAndChangesNothing)
{
    standin::Reset(kTags);
    ASSERT_EQ(Ctl({L"period", L"1", L"5", L"2", L"300"}).code, 0);
    const std::vector<std::string> before = ServerTags();
    CtlRun r;
    double seconds = 0;
    {
        CHoldFileRun holder(History() / "journal.csv", 15000);
        ASSERT_TRUE(holder.Held());
        seconds = SecondsOf([&] { r = Ctl({L"add", L"1", L"6", L"14", L"100"}); });
    }
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "journal.csv is open in another program")) << r.err;
    EXPECT_TRUE(Has(r.err, "nothing was changed")) << r.err;
    EXPECT_GE(seconds, 4.5) << "the sharing violation must be retried for about 5 s";
    EXPECT_LT(seconds, 12.0);
    EXPECT_EQ(ServerTags(), before);
}

// zolctl export into an existing file that another program holds for ms.
CtlRun ExportWhileHeld(const fs::path& file, DWORD ms, const std::function<CtlRun()>& run)
{
    standin::Reset(kTags);
    standin_test::WriteText(file, "old\r\n");
    CHoldFileRun holder(file, ms);
    EXPECT_TRUE(holder.Held());
    return run();
}

TEST_F(ZolctlHeldFiles, AnExportHeldForAMomentReplacesTheFileAfterwards)
{
    const fs::path file = Scratch("held.csv");
    const CtlRun r = ExportWhileHeld(file, 1500, [&] { return Ctl({L"export", file.wstring()}); });
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(ReadFile(file), "PM3F(005).Frequency")) << ReadFile(file);
}

TEST_F(ZolctlHeldFiles, AnExportHeldForLongIsNotWrittenAndSaysWhy)
{
    const fs::path file = Scratch("held-long.csv");
    const CtlRun r = ExportWhileHeld(file, 15000, [&] { return Ctl({L"export", file.wstring()}); });
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "held-long.csv is open in another program")) << r.err;
    EXPECT_EQ(ReadFile(file), "old\r\n");
    // Nothing half-written beside it.
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        if (entry.path().filename().wstring().rfind(L"held-long.csv", 0) == 0) ++entries;
    EXPECT_EQ(entries, 1);
}

}  // namespace
