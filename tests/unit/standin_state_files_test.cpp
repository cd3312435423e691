// The stand-in's state files: good and broken lines side by side, and the atomic write.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "standin/FaultTable.h"
#include "standin/StateFiles.h"

namespace fs = std::filesystem;

namespace {

fs::path FreshDir(const char* name)
{
    fs::path dir = fs::temp_directory_path() / ("zol-standin-unit-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::vector<int> SkippedLineNumbers(const SkipLog& log)
{
    std::vector<int> numbers;
    for (const auto& s : log) numbers.push_back(s.lineNumber);
    return numbers;
}

TEST(StandinTagsFile, ReadsGoodLinesAndSkipsBrokenOnes)
{
    std::istringstream in(
        "# type address param period\n"      // 1 comment
        "1 5 3 20000000\r\n"                  // 2 ok, CRLF
        "\n"                                  // 3 blank
        "  2\t7  1  0   # trailing note\n"    // 4 ok, tabs and a comment
        "1 5\n"                               // 5 too few fields
        "1 5 3 4 5\n"                         // 6 too many
        "x 5 3 1\n"                           // 7 not a number
        "0 5 3 1\n"                           // 8 type 0
        "1 256 3 1\n"                         // 9 address out of range
        "1 5 65536 1\n"                       // 10 param out of range
        "1 5 4 -1\n"                          // 11 negative period
        "1 5 3 99\n"                          // 12 duplicate: first wins
        "3 3 3 99999999999999999999\n"        // 13 period overflows
        "1 5 4 +7\n"                          // 14 explicit sign not accepted
        "9 9 9 100000000000");                // 15 ok, no final newline
    SkipLog skipped;
    CTagStore tags = ParseTagsFile(in, skipped);
    EXPECT_EQ(SkippedLineNumbers(skipped), (std::vector<int>{5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
    ASSERT_EQ(tags.Size(), 3u);
    EXPECT_EQ(*tags.Find(1, 5, 3), 20000000);
    EXPECT_EQ(*tags.Find(2, 7, 1), 0);
    EXPECT_EQ(*tags.Find(9, 9, 9), 100000000000);
    EXPECT_EQ(skipped[0].text, "1 5");
    EXPECT_EQ(DescribeSkippedLine(skipped[0]), "tags.txt:5: skipped \"1 5\": expected 4 fields");
}

TEST(StandinTagsFile, WriteReadRoundTrip)
{
    CTagStore tags;
    tags.Set(255, 255, 65535, INT64_MAX);
    tags.Set(1, 1, 1, 0);
    tags.Set(4, 17, 300, 10000LL * 1000000);
    SkipLog skipped;
    std::istringstream in(FormatTagsFile(tags));
    EXPECT_EQ(ParseTagsFile(in, skipped), tags);
    EXPECT_TRUE(skipped.empty());
}

TEST(StandinPortFile, DefaultsFirstRecordAndBadValues)
{
    struct Case { const char* text; PortSettings expected; std::size_t skipped; } cases[] = {
        {"", kStandinDefaultPort, 0},
        {"# nothing\n", kStandinDefaultPort, 0},
        {"3 115200 7 2 4\n", PortSettings{true, 3, 115200, 7, 2, 4}, 0},
        {"0 9600 5 0 0\n", PortSettings{true, 0, 9600, 5, 0, 0}, 0},
        {"3 19200 8 1 1\n4 9600 8 0 0\n", PortSettings{true, 3, 19200, 8, 1, 1}, 1},
        {"3 19200 9 0 0\n", kStandinDefaultPort, 1},        // data bits
        {"3 19200 4 0 0\n", kStandinDefaultPort, 1},
        {"3 19200 8 3 0\n", kStandinDefaultPort, 1},        // stop-bits code
        {"3 19200 8 0 5\n", kStandinDefaultPort, 1},        // parity code
        {"65536 19200 8 0 0\n", kStandinDefaultPort, 1},    // port is 16-bit
        {"3 19200 8 0\n", kStandinDefaultPort, 1},
        {"garbage\n2 4800 6 0 2\n", PortSettings{true, 2, 4800, 6, 0, 2}, 1},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        SkipLog skipped;
        EXPECT_EQ(ParsePortFile(in, skipped), c.expected) << c.text;
        EXPECT_EQ(skipped.size(), c.skipped) << c.text;
    }
    PortSettings s{true, 12, 921600, 6, 1, 3};
    std::istringstream in(FormatPortFile(s));
    SkipLog skipped;
    EXPECT_EQ(ParsePortFile(in, skipped), s);
}

TEST(StandinLineFile, TextIsRestOfLineAndBadRecordsAreSkipped)
{
    std::istringstream in(
        "# address type delay text\n"
        "1 1 5 Meter A  #7 of 9  \n"          // 2: '#' inside the text is text, trailing blanks cut
        "2 77 0\n"                            // 3: no text
        "3 -5 0 neg\n"                        // 4: negative type is a 32-bit value
        "\xC0\xC1 1 1 x\n"                    // 5: address not a number
        "0 1 1 x\n"                           // 6: address 0
        "256 1 1 x\n"                         // 7
        "4 1 600001 x\n"                      // 8: delay too long
        "5 4294967296 1 x\n"                  // 9: type beyond 32 bits
        "1 2 3 second\n"                      // 10: address twice
        "6 3\n"                               // 11: no delay
        "7 2 10 \xD1\xF7\xE5\xF2\xF7\xE8\xEA\r\n"); // 12: Windows-1251 text, CRLF
    SkipLog skipped;
    SimulatedLine line = ParseLineFile(in, skipped);
    EXPECT_EQ(SkippedLineNumbers(skipped), (std::vector<int>{5, 6, 7, 8, 9, 10, 11}));
    ASSERT_EQ(line.size(), 4u);
    EXPECT_EQ(line[1].text, "Meter A  #7 of 9");
    EXPECT_EQ(line[1].delayMs, 5u);
    EXPECT_EQ(line[2].type, 77);
    EXPECT_EQ(line[2].text, "");
    EXPECT_EQ(line[3].type, -5);
    EXPECT_EQ(line[7].text, "\xD1\xF7\xE5\xF2\xF7\xE8\xEA");
}

TEST(StandinFaultsFile, EveryFaultKindAndBrokenLines)
{
    std::istringstream in(
        "class 0x80040111\n"             // 1
        "instance E_NOINTERFACE\n"       // 2
        "fail EnumTags 0x80004005\n"     // 3
        "fail addtag -2147024809\n"      // 4: names are not case-sensitive; decimal HRESULT
        "slow ProbeDevice 250\n"         // 5
        "die GetTagInfo\n"               // 6
        "enum-endless\n"                 // 7
        "probe-unterminated\n"           // 8
        "no-restart\n"                   // 9
        "probe_timeout_ms 7\n"           // 10
        "class 0\n"                      // 11: not a failure
        "fail Frobnicate E_FAIL\n"       // 12: unknown operation
        "slow AddTag soon\n"             // 13
        "slow AddTag 600001\n"           // 14
        "die\n"                          // 15
        "enum-endless now\n"             // 16
        "explode\n"                      // 17
        "fail SetComSettings 0x1234567890\n"  // 18: more than 32 bits
        "probe_timeout_ms\n"             // 19
        "restart-dies\n"                 // 20
        "exit-hangs\n");                 // 21
    SkipLog skipped;
    FaultTable f = ParseFaultsFile(in, skipped);
    EXPECT_EQ(SkippedLineNumbers(skipped), (std::vector<int>{11, 12, 13, 14, 15, 16, 17, 18, 19}));
    EXPECT_EQ(f.classRefusal, static_cast<HResult>(0x80040111u));
    EXPECT_EQ(f.instanceRefusal, kE_NOINTERFACE);
    EXPECT_EQ(f.fail[8], kE_FAIL);
    EXPECT_EQ(f.fail[3], kE_INVALIDARG);
    EXPECT_FALSE(f.fail[7].has_value());
    EXPECT_EQ(f.slowMs[11], 250u);
    EXPECT_TRUE(f.die[9]);
    EXPECT_FALSE(f.die[3]);
    EXPECT_TRUE(f.enumEndless && f.probeUnterminated && f.noRestart && f.restartDies && f.exitHangs);
    EXPECT_EQ(f.probeTimeoutMs, 7u);

    std::istringstream empty("");
    FaultTable none = ParseFaultsFile(empty, skipped);
    EXPECT_EQ(none.probeTimeoutMs, 50u);
    EXPECT_FALSE(none.classRefusal || none.enumEndless || none.noRestart || none.restartDies || none.exitHangs);
}

TEST(StandinFaultsFile, OperationNamesFollowTheInterfaceTable)
{
    for (const auto& op : kAddTagsOperations) {
        EXPECT_EQ(OperationSlot(op.name), op.slot);
        EXPECT_STREQ(OperationName(op.slot), op.name);
    }
    EXPECT_EQ(OperationSlot("QueryInterface"), -1);
}

TEST(StandinFaultsFile, HResultNotations)
{
    struct Case { const char* text; bool ok; std::uint32_t value; } cases[] = {
        {"0x80004005", true, 0x80004005u}, {"0X8000ffff", true, 0x8000FFFFu},
        {"2147500037", true, 0x80004005u}, {"-2147467259", true, 0x80004005u},
        {"0", true, 0},                    {"E_FAIL", true, 0x80004005u},
        {"rpc_e_disconnected", true, 0x80010108u},
        {"0x", false, 0},                  {"0x800040050", false, 0},
        {"0xG0000000", false, 0},          {"4294967296", false, 0},
        {"-2147483649", false, 0},         {"", false, 0},
        {"E_WHATEVER", false, 0},
    };
    for (const auto& c : cases) {
        HResult hr = 12345;
        EXPECT_EQ(ParseHResult(c.text, &hr), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(static_cast<std::uint32_t>(hr), c.value) << c.text;
        }
    }
}

TEST(StandinAtomicWrite, ReplacesWholeFileAndFailsCleanly)
{
    const fs::path dir = FreshDir("atomic");
    const fs::path target = dir / "tags.txt";
    std::string error;
    ASSERT_TRUE(WriteFileAtomic(target, "first version, rather long\n", &error)) << error;
    ASSERT_TRUE(WriteFileAtomic(target, "second\n", &error)) << error;
    std::string content;
    ASSERT_TRUE(ReadWholeFile(target, &content));
    EXPECT_EQ(content, "second\n");

    // A target that cannot be replaced (a directory in its place): false, no debris.
    const fs::path blocked = dir / "port.txt";
    fs::create_directories(blocked / "inside");
    AtomicWriteStep step = AtomicWriteStep::None;
    EXPECT_FALSE(WriteFileAtomic(blocked, "x", &error, &step));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(step, AtomicWriteStep::Replace);
    EXPECT_TRUE(fs::is_directory(blocked));
    // A directory that does not exist.
    EXPECT_FALSE(WriteFileAtomic(dir / "missing" / "tags.txt", "x", &error, &step));
    EXPECT_EQ(step, AtomicWriteStep::Create);

    int entries = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 2) << "only tags.txt and the blocking directory remain";
    fs::remove_all(dir);
}

}  // namespace

namespace {

// The demo state shipped for the run command must load without a skipped line.
TEST(StandinDemoFiles, LoadWithoutSkippedLines)
{
    const char* source = std::getenv("ZOL_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "ZOL_SOURCE_DIR is set by ctest";
    const fs::path demo = fs::path(source) / "examples" / "demo";
    std::string tags, port, line;
    ASSERT_TRUE(ReadWholeFile(demo / "tags.txt", &tags));
    ASSERT_TRUE(ReadWholeFile(demo / "port.txt", &port));
    ASSERT_TRUE(ReadWholeFile(demo / "line.txt", &line));
    SkipLog skipped;
    std::istringstream tagsIn(tags), portIn(port), lineIn(line);
    const CTagStore store = ParseTagsFile(tagsIn, skipped);
    const PortSettings settings = ParsePortFile(portIn, skipped);
    const SimulatedLine devices = ParseLineFile(lineIn, skipped);
    for (const auto& s : skipped) ADD_FAILURE() << DescribeSkippedLine(s);
    EXPECT_GT(store.Size(), 0u);
    EXPECT_FALSE(settings == kStandinDefaultPort) << "the demo shows settings other than the defaults";
    // Every configured device answers on the line with its own type.
    for (const auto& tag : store.Tags()) {
        auto it = devices.find(tag.address);
        ASSERT_NE(it, devices.end()) << "address " << tag.address;
        EXPECT_EQ(static_cast<std::uint32_t>(it->second.type), tag.type) << "address " << tag.address;
    }
}

}  // namespace
