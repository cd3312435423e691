// The change journal: its lines in the tag files' CSV, reading back, rotation, and two
// processes appending at once.
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "common/AtomicFile.h"
#include "history/HistoryFolder.h"
#include "history/Journal.h"
#include "history_test_support.h"
#include "tagfile/TagFileWriter.h"

namespace fs = std::filesystem;
using history_test::CFakePlatform;
using history_test::TempFolderTest;

namespace {

JournalLine Line(const std::string& name, const std::string& before, const std::string& after)
{
    JournalLine line;
    line.time = "2026-12-08T10:25:03+03:00";
    line.user = "ivanov";
    line.computer = "SCADA1";
    line.program = "zolctl 0.917.40";
    line.action = "zolctl delete";
    line.type = "1";
    line.address = "5";
    line.param = "14";
    line.name = name;
    line.before = before;
    line.after = after;
    line.result = "ok";
    return line;
}

std::string FileText(const fs::path& path)
{
    std::string text;
    ReadWholeFile(path, &text);
    return text;
}

}  // namespace

TEST(JournalFormat, LineIsTheTagFilesCsv)
{
    EXPECT_EQ(JournalFileStart(),
              "\xEF\xBB\xBFtime;user;computer;program;action;type;address;param;name;before;after;result\r\n");
    EXPECT_EQ(FormatJournalLine(Line("PM3F(005).Frequency", "2000", "")),
              "2026-12-08T10:25:03+03:00;ivanov;SCADA1;zolctl 0.917.40;zolctl delete;1;5;14;"
              "PM3F(005).Frequency;2000;;ok\r\n");
    // Separators, quotes, line breaks and outer blanks are quoted with quotes doubled.
    EXPECT_NE(FormatJournalLine(Line("a;b \"c\"", "", "")).find(";14;\"a;b \"\"c\"\"\";;;ok\r\n"),
              std::string::npos);
}

TEST(JournalFormat, RoundTripOfAwkwardFields)
{
    const std::vector<JournalLine> lines = {
        Line("PM3F(005).Frequency", "2000", ""),
        Line("Name;with;separators", "1.5", "2000"),
        Line("\"quoted\" and \"\"doubled\"\"", "", "10"),
        Line(u8"Счётчик(007).Энергия.Сумма", "?", ""),
        Line("line\r\nbreak", "", ""),
        Line(" blanks at ends ", "", ""),
        Line("", "", ""),
    };
    std::string file = JournalFileStart();
    for (const JournalLine& l : lines) file += FormatJournalLine(l);
    EXPECT_EQ(ReadJournalLines(file), lines);
}

TEST(JournalFormat, ReaderSkipsRepeatedHeadersAndACutLastLine)
{
    std::string file = JournalFileStart() + FormatJournalLine(Line("a", "1", "2"));
    file += JournalFileStart().substr(3);  // a header in the middle
    file += FormatJournalLine(Line("b", "3", "4"));
    file += "2026-12-08T10:25:04+03:00;ivanov;SCA";  // cut off: no line end
    const std::vector<JournalLine> read = ReadJournalLines(file);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].name, "a");
    EXPECT_EQ(read[1].name, "b");
}

TEST(JournalFormat, SinceComparesLocalTimes)
{
    std::string key;
    EXPECT_TRUE(ParseJournalSince("2026-12-08", &key));
    EXPECT_TRUE(ParseJournalSince("2026-12-08T10:25", &key));
    for (const char* bad : {"2026-12-8", "2026-13-01", "2026-12-08 10:25", "2026-12-08T24:00", "yesterday", ""})
        EXPECT_FALSE(ParseJournalSince(bad, &key)) << bad;
    // Days that do not exist in their month or year.
    for (const char* bad : {"2026-02-31", "2026-02-29", "2100-02-29", "2026-04-31", "2026-11-31T10:00", "2026-01-00"})
        EXPECT_FALSE(ParseJournalSince(bad, &key)) << bad;
    for (const char* good : {"2024-02-29", "2000-02-29", "2026-01-31", "2026-12-31T23:59"})
        EXPECT_TRUE(ParseJournalSince(good, &key)) << good;

    std::vector<JournalLine> lines(3, Line("x", "", ""));
    lines[0].time = "2026-12-07T23:59:59+03:00";
    lines[1].time = "2026-12-08T10:24:59+03:00";
    lines[2].time = "2026-12-08T10:25:00+03:00";
    EXPECT_EQ(JournalLinesSince(lines, "2026-12-08").size(), 2u);
    EXPECT_EQ(JournalLinesSince(lines, "2026-12-08T10:25").size(), 1u);
}

TEST(JournalFormat, FormulaLookingTextGetsAnApostropheThatReadingRemoves)
{
    JournalLine line = Line("=HYPERLINK(\"http://e/\"&\"(004).x\")", "-1", "");
    line.action = "+action";
    line.user = "@user";
    line.program = "-prog";
    line.computer = "'=quoted already";
    const std::string bytes = FormatJournalLine(line);
    EXPECT_NE(bytes.find(";'@user;''=quoted already;'-prog;'+action;"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find(";\"'=HYPERLINK(\"\"http://e/\"\"&\"\"(004).x\"\")\";"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find(";-1;;ok"), std::string::npos) << bytes;  // numbers are no text
    const std::vector<JournalLine> read = ReadJournalLines(JournalFileStart() + bytes);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0], line);
    // zolctl journal lists the names as they are.
    EXPECT_NE(WriteJournalCsv(read).find(";@user;'=quoted already;-prog;+action;"), std::string::npos);

    // Text that only starts with an apostrophe is left alone both ways.
    EXPECT_EQ(GuardFormula("'plain"), "'plain");
    EXPECT_EQ(UnguardFormula("'plain"), "'plain");
    EXPECT_EQ(GuardFormula("a=b"), "a=b");
    EXPECT_EQ(UnguardFormula(""), "");
    EXPECT_EQ(UnguardFormula("'"), "'");
}

TEST(JournalPending, ALineAheadOfEachCallIsPairedWithItsResult)
{
    auto at = [](JournalLine l, const char* name, const char* result, const char* program = "zolctl 0.917.40") {
        l.name = name;
        l.param = name;
        l.result = result;
        l.program = program;
        return l;
    };
    const JournalLine base = Line("", "", "");
    const std::vector<JournalLine> raw = {
        at(base, "1", "pending"), at(base, "1", "ok"),
        at(base, "2", "pending"),                                   // killed during this call
        at(base, "3", "pending", "zolcfg 0.917.40"),                // another program's call ...
        at(base, "2", "pending"), at(base, "2", "0x80004005"),      // the same call made again later
        at(base, "3", "ok", "zolcfg 0.917.40"),                     // ... answered after the others
        at(base, "4", "pending"),                                   // the last call, never answered
    };
    const std::vector<JournalLine> shown = ResolvePendingLines(raw);
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[0].name + ":" + shown[0].result, "1:ok");
    EXPECT_EQ(shown[1].name + ":" + shown[1].result, "2:unknown: the program ended during the call");
    EXPECT_EQ(shown[2].name + ":" + shown[2].result, "2:0x80004005");
    EXPECT_EQ(shown[3].name + ":" + shown[3].result, "3:ok");
    EXPECT_EQ(shown[4].name + ":" + shown[4].result, "4:unknown: the program ended during the call");
}

TEST(JournalFormat, JsonAndCsvListings)
{
    const std::vector<JournalLine> lines = {Line("a\"b\\c", "1", "")};
    EXPECT_EQ(WriteJournalJson(lines),
              "[\n{\"time\":\"2026-12-08T10:25:03+03:00\",\"user\":\"ivanov\",\"computer\":\"SCADA1\","
              "\"program\":\"zolctl 0.917.40\",\"action\":\"zolctl delete\",\"type\":\"1\",\"address\":\"5\","
              "\"param\":\"14\",\"name\":\"a\\\"b\\\\c\",\"before\":\"1\",\"after\":\"\",\"result\":\"ok\"}\n]\n");
    EXPECT_EQ(WriteJournalJson({}), "[]\n");
    const std::string csv = WriteJournalCsv(lines);
    EXPECT_EQ(csv.find('\r'), std::string::npos);
    EXPECT_EQ(csv.substr(0, 5), "time;");
}

class JournalFileTest : public TempFolderTest {};

TEST_F(JournalFileTest, CreatesFolderAndHeaderOnceAndFillsTheContext)
{
    CFakePlatform platform;
    const fs::path folder = m_folder / "deep" / "history";
    {
        CJournal journal(platform, folder);
        std::string error;
        ASSERT_TRUE(journal.Open(&error)) << error;
        JournalLine line = Line("a", "", "1");
        line.time = line.user = line.computer = "";
        ASSERT_TRUE(journal.Append(line, &error));
        EXPECT_TRUE(journal.Close(&error));
    }
    {
        CJournal again(platform, folder);
        std::string error;
        ASSERT_TRUE(again.Append(Line("b", "1", ""), &error)) << error;
    }
    const std::string text = FileText(folder / "journal.csv");
    EXPECT_EQ(text.find("time;user"), 3u);
    EXPECT_EQ(text.find("time;user", 4), std::string::npos);  // one header
    const std::vector<JournalLine> read = ReadJournalLines(text);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].time, "2026-12-08T10:25:03+03:00");
    EXPECT_EQ(read[0].user, "ivanov");
    EXPECT_EQ(read[0].computer, "SCADA1");
}

TEST_F(JournalFileTest, UnwritableFolderIsReportedWithItsName)
{
    CFakePlatform platform;
    fs::create_directories(m_folder);
    std::ofstream(m_folder / "file") << "x";
    CJournal journal(platform, m_folder / "file" / "history");  // a file stands in the way
    std::string error;
    EXPECT_FALSE(journal.Open(&error));
    EXPECT_NE(error.find((m_folder / "file" / "history").u8string()), std::string::npos) << error;

    platform.failOpen = true;
    CJournal denied(platform, m_folder / "h");
    EXPECT_FALSE(denied.Open(&error));
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
}

TEST_F(JournalFileTest, RotatesOverTenMegabytesKeepingFive)
{
    CFakePlatform platform;
    fs::create_directories(m_folder);
    for (int n = 1; n <= 5; ++n) {
        std::ofstream(m_folder / ("journal-" + std::to_string(n) + ".csv")) << "old " << n << "\n";
    }
    {
        std::ofstream big(m_folder / "journal.csv", std::ios::binary);
        big << JournalFileStart();
        big << std::string(kJournalRotateBytes, 'x') << "\r\n";
    }
    CJournal journal(platform, m_folder);
    std::string error;
    ASSERT_TRUE(journal.Append(Line("new", "", "1"), &error)) << error;
    journal.Close();

    EXPECT_GT(fs::file_size(m_folder / "journal-1.csv"), kJournalRotateBytes);
    for (int n = 2; n <= 5; ++n)
        EXPECT_EQ(FileText(m_folder / ("journal-" + std::to_string(n) + ".csv")), "old " + std::to_string(n - 1) + "\n");
    EXPECT_FALSE(fs::exists(m_folder / "journal-6.csv"));
    EXPECT_FALSE(fs::exists(m_folder / "journal.lock"));
    const std::string now = FileText(m_folder / "journal.csv");
    EXPECT_EQ(now, JournalFileStart() + FormatJournalLine(Line("new", "", "1")));

    // The reader takes every kept file, oldest first.
    std::vector<JournalLine> all;
    ASSERT_TRUE(ReadJournal(m_folder, &all, &error));
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.back().name, "new");
}

TEST_F(JournalFileTest, ALineThatDoesNotFitIsAnError)
{
    CFakePlatform platform;
    CJournal journal(platform, m_folder);
    std::string error;
    ASSERT_TRUE(journal.Open(&error));
    platform.failAppends = true;
    EXPECT_FALSE(journal.Append(Line("a", "", ""), &error));
    EXPECT_NE(error.find("No space left"), std::string::npos);
}

// Two processes appending 10,000 lines each through the system's append primitive: every
// line arrives whole, none is lost, each process's lines in its order, one header.
TEST_F(JournalFileTest, TwoProcessesAppendingAtOnceNeverTearALine)
{
    constexpr int kLines = 10000;
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = fork();
        ASSERT_GE(children[p], 0);
        if (children[p] == 0) {
            CJournal journal(SystemHistoryPlatform(), m_folder);
            std::string error;
            bool ok = journal.Open(&error);
            for (int i = 0; ok && i < kLines; ++i) {
                JournalLine line = Line("process " + std::to_string(p) + " line " + std::to_string(i), "", "");
                line.action = std::string(50 + (i % 200), 'a' + p);  // lines of many lengths
                ok = journal.Append(line, &error);
            }
            _exit(ok && journal.Close() ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string text = FileText(m_folder / "journal.csv");
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF"), 0u);
    const std::vector<JournalLine> lines = ReadJournalLines(text);
    ASSERT_EQ(lines.size(), 2u * kLines);
    int next[2] = {0, 0};
    for (const JournalLine& line : lines) {
        const int p = line.name[8] - '0';
        ASSERT_TRUE(p == 0 || p == 1) << line.name;
        EXPECT_EQ(line.name, "process " + std::to_string(p) + " line " + std::to_string(next[p]));
        EXPECT_EQ(line.action, std::string(50 + (next[p] % 200), 'a' + p));
        EXPECT_EQ(line.result, "ok");
        ++next[p];
    }
}

TEST_F(JournalFileTest, FolderThatCannotExistIsAnErrorNotAnEmptyJournal)
{
    fs::create_directories(m_folder);
    std::ofstream(m_folder / "file") << "x";
    std::vector<JournalLine> lines;
    std::string error;
    EXPECT_FALSE(ReadJournal(m_folder / "file", &lines, &error));
    EXPECT_NE(error.find("is a file, not a folder"), std::string::npos) << error;
    EXPECT_FALSE(ReadJournal(m_folder / "file" / "history", &lines, &error));
    EXPECT_NE(error.find("is a file, not a folder"), std::string::npos) << error;
    std::string why;
    EXPECT_FALSE(EnsureHistoryFolder(m_folder / "file" / "history", &why));
    EXPECT_NE(why.find("is a file"), std::string::npos) << why;
    // A folder not made yet is an empty journal.
    EXPECT_TRUE(ReadJournal(m_folder / "new" / "history", &lines, &error)) << error;
    EXPECT_TRUE(lines.empty());
}

TEST(HistoryFolder, OptionThenEnvironmentThenLocalAppData)
{
    CFakePlatform platform;
    fs::path folder;
    std::string error;
    EXPECT_FALSE(ResolveHistoryFolder("", platform, &folder, &error));
    platform.environment["LOCALAPPDATA"] = "/users/ivanov/local";
    ASSERT_TRUE(ResolveHistoryFolder("", platform, &folder, &error));
    EXPECT_EQ(folder, fs::path("/users/ivanov/local") / "zolcfg" / "history");
    platform.environment["ZOLCFG_HISTORY"] = "/srv/history";
    ASSERT_TRUE(ResolveHistoryFolder("", platform, &folder, &error));
    EXPECT_EQ(folder, fs::path("/srv/history"));
    ASSERT_TRUE(ResolveHistoryFolder("/tmp/h", platform, &folder, &error));
    EXPECT_EQ(folder, fs::path("/tmp/h"));
}
