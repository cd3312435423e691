#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "catalogue/Checksum.h"
#include "catalogue_test_util.h"
#include "tools/DscTool.h"

namespace {

struct ToolRun {
    int code = 0;
    std::string out;
    std::string err;
};

ToolRun Tool(std::vector<std::string> args)
{
    std::ostringstream out, err;
    ToolRun r;
    r.code = RunDscTool(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

std::string P(const std::filesystem::path& path)
{
    return path.string();
}

const char kDrive[] =
    "DEVICE_DESCRIPTION\n"
    "Drive 3\n"
    "Speed 1 REAL R INPT_REG 2\n"
    "Mode 2 ENUM RW HOLD_REG 7 Stop \"ToolRun\" Back\\slash\n";

TEST(DscToolTest, UsageOnBadArguments)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"load", "a", "b"},
        {"verify"},
        {"pack", "only-one"},
        {"name", "dir", "5", "3"},
        {"name", "dir", "5", "3", "1.5"},
        {"name", "dir", "99999999999", "3", "1"},
    };
    for (const auto& args : bad) {
        const ToolRun r = Tool(args);
        EXPECT_EQ(2, r.code) << (args.empty() ? "" : args[0]);
        EXPECT_NE(std::string::npos, r.err.find("usage:")) << r.err;
        EXPECT_EQ("", r.out);
    }
    const ToolRun help = Tool({"--help"});
    EXPECT_EQ(0, help.code);
    EXPECT_NE(std::string::npos, help.out.find("dsctool lint FILE..."));
}

TEST(DscToolTest, LoadPrintsExactlyTheLoaderLines)
{
    CScratchDir dir;
    dir.WriteSigned("b.dsc", kDrive);
    dir.Write("a.dsc", "bad");
    const ToolRun r = Tool({"load", P(dir.Path())});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("Start reading configuration files\n"
              "Reading config file 'a.dsc'....\n"
              "Wrong CRC in file a.dsc\n"
              "Reading config file 'b.dsc'....\n",
              r.out);
    EXPECT_EQ("", r.err);

    const ToolRun missing = Tool({"load", P(dir / "nope")});
    EXPECT_EQ(1, missing.code);
    EXPECT_EQ("", missing.out);
    EXPECT_NE(std::string::npos, missing.err.find("not a directory"));
}

// One encoding for everything the tool writes: names and the words lint quotes come out of
// the Windows-1251 files as UTF-8, as dump's JSON and verify's file names do.
TEST(DscToolTest, NameAndLintWriteUtf8)
{
    CScratchDir dir;
    // "Счетчик" 1 with "Ток" 4, and a data type lint does not know: "ЧИСЛО".
    dir.WriteSigned("b.dsc", "DEVICE_DESCRIPTION\n\xD1\xF7\xE5\xF2\xF7\xE8\xEA 1\n\xD2\xEE\xEA 4 INT R RAM 0\n");
    dir.Write("c.txt", "DEVICE_DESCRIPTION\nDrive 3\nSpeed 1 \xD7\xC8\xD1\xCB\xCE R INPT_REG 2\n");
    const ToolRun name = Tool({"name", P(dir.Path()), "5", "1", "4"});
    EXPECT_EQ(0, name.code) << name.err;
    EXPECT_EQ(u8"Счетчик(005).Ток\n", name.out);
    const ToolRun lint = Tool({"lint", P(dir / "c.txt")});
    EXPECT_NE(std::string::npos, lint.out.find(u8"'ЧИСЛО'")) << lint.out;
}

TEST(DscToolTest, DumpWritesJsonInCatalogueOrder)
{
    CScratchDir dir;
    dir.WriteSigned("a.dsc", kDrive);
    // "Счетчик" / "Ток" in Windows-1251 come out as UTF-8.
    dir.WriteSigned("b.dsc", "DEVICE_DESCRIPTION\n\xD1\xF7\xE5\xF2\xF7\xE8\xEA 1\n\xD2\xEE\xEA 4 INT R RAM 0\n");
    dir.WriteSigned("c.dsc", "DEVICE_DESCRIPTION\n");
    const ToolRun r = Tool({"dump", P(dir.Path())});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("[\n"
              "  {\"name\": \"\", \"type_code\": 0, \"parameters\": []},\n"
              "  {\"name\": \"\xD0\xA1\xD1\x87\xD0\xB5\xD1\x82\xD1\x87\xD0\xB8\xD0\xBA\", \"type_code\": 1, "
              "\"parameters\": [\n"
              "    {\"number\": 4, \"name\": \"\xD0\xA2\xD0\xBE\xD0\xBA\", \"access\": 1, \"type\": 0, \"memory\": 0, "
              "\"address\": 0, \"enum\": []}\n"
              "  ]},\n"
              "  {\"name\": \"Drive\", \"type_code\": 3, \"parameters\": [\n"
              "    {\"number\": 2, \"name\": \"Mode\", \"access\": 3, \"type\": 5, \"memory\": 5, \"address\": 7, "
              "\"enum\": [\"Stop\", \"\\\"ToolRun\\\"\", \"Back\\\\slash\"]},\n"
              "    {\"number\": 1, \"name\": \"Speed\", \"access\": 1, \"type\": 1, \"memory\": 6, \"address\": 2, "
              "\"enum\": []}\n"
              "  ]}\n"
              "]\n",
              r.out);
    EXPECT_EQ("Start reading configuration files\n"
              "Reading config file 'a.dsc'....\n"
              "Reading config file 'b.dsc'....\n"
              "Reading config file 'c.dsc'....\n",
              r.err);

    CScratchDir empty;
    EXPECT_EQ("[]\n", Tool({"dump", P(empty.Path())}).out);
}

TEST(DscToolTest, VerifySignAndPack)
{
    CScratchDir dir;
    const auto good = dir.WriteSigned("good.dsc", kDrive);
    const auto bad = dir.Write("bad.dsc", std::string("\x00\x00\x00\x01", 4) + "abc");
    const auto shortFile = dir.Write("short.dsc", "ab");

    ToolRun r = Tool({"verify", P(good)});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(P(good) + ": ok\n", r.out);

    r = Tool({"verify", P(good), P(bad), P(shortFile), P(dir / "missing.dsc")});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(P(good) + ": ok\n" + P(bad) + ": stored 00000001, computed 00616263\n" + P(shortFile) +
                  ": shorter than 4 bytes\n" + P(dir / "missing.dsc") + ": cannot open\n",
              r.out);
    EXPECT_NE(std::string::npos, r.err.find("missing.dsc: cannot open"));

    // sign rewrites the first four bytes only.
    r = Tool({"sign", P(bad)});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(std::string("\x00\x61\x62\x63", 4) + "abc", ReadAll(bad));
    EXPECT_EQ(0, Tool({"verify", P(bad)}).code);

    r = Tool({"sign", P(shortFile), P(dir / "missing.dsc")});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("ab", ReadAll(shortFile));
    EXPECT_NE(std::string::npos, r.err.find("shorter than the 4 checksum bytes"));
    EXPECT_NE(std::string::npos, r.err.find("cannot open"));

    // pack writes checksum + text, byte for byte.
    const auto text = dir.Write("drive.txt", kDrive);
    r = Tool({"pack", P(text), P(dir / "drive.dsc")});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(Signed(kDrive), ReadAll(dir / "drive.dsc"));

    r = Tool({"pack", P(dir / "missing.txt"), P(dir / "out.dsc")});
    EXPECT_EQ(1, r.code);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.dsc"));
    r = Tool({"pack", P(text), P(dir / "no-such-dir" / "out.dsc")});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find("cannot write"));
}

TEST(DscToolTest, NameLoadsQuietly)
{
    CScratchDir dir;
    dir.WriteSigned("a.dsc", kDrive);
    dir.Write("b.dsc", "broken");
    ToolRun r = Tool({"name", P(dir.Path()), "5", "3", "2"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("Drive(005).Mode\n", r.out);
    EXPECT_EQ("", r.err);
    EXPECT_EQ("(042).\n", Tool({"name", P(dir.Path()), "42", "9", "1"}).out);
    EXPECT_EQ("\n", Tool({"name", P(dir.Path()), "0", "3", "1"}).out);
    EXPECT_EQ(1, Tool({"name", P(dir / "nope"), "5", "3", "2"}).code);
}

struct LintCase {
    const char* title;
    std::string text;
    std::vector<std::string> findings;  // substrings, one per expected line, in order
};

TEST(DscToolTest, LintFindsLikelyMistakes)
{
    using namespace std::string_literals;
    const std::string head = "DEVICE_DESCRIPTION\nD 1\n";
    const std::vector<LintCase> cases = {
        {"clean", head + "A 1 INT R RAM 0\nE 2 ENUM R RAM 1 a b\n", {}},
        {"type code 0", "DEVICE_DESCRIPTION\nD 0\n", {":2: device type code 0 is outside 1-255"}},
        {"type code not a number", "DEVICE_DESCRIPTION\nD x\n",
         {":2: device type code expected, found 'x'", ":2: parameter 'x' is cut short"}},
        {"no header", "DEVICE_DESCRIPTION\n; only a comment\n", {":3: no device name and type code"}},
        {"parameter number 0", head + "A 0 INT R RAM 0\n", {":3: parameter number 0 is outside 1-65534"}},
        {"parameter number 65535", head + "A 65535 INT R RAM 0\n",
         {":3: parameter number 65535 is outside 1-65534"}},
        {"parameter number 65534", head + "A 65534 INT R RAM 0\n", {}},
        {"duplicate", head + "A 1 INT R RAM 0\nB 2 INT R RAM 1\nC 1 INT R RAM 2\n",
         {":5: parameter number 1 is already used on line 3"}},
        {"overflow", head + "A 99999999999 INT R RAM 0\n",
         {":3: parameter number does not fit in 32 bits", ":3: parameter number 2147483647 is outside"}},
        {"unknown words", head + "A 1 FLOAT R FLASH 0\n",
         {":3: unknown data type 'FLOAT'", ":3: unknown memory area 'FLASH'"}},
        {"long name", head + std::string(150, 'n') + " 1 INT R RAM 0\n",
         {":3: parameter name '" + std::string(149, 'n') + "...' is 150 bytes long"}},
        {"long enum value", head + "E 1 ENUM R RAM 0 " + std::string(60, 'v') + "\n",
         {":3: enumeration value '" + std::string(59, 'v') + "...' is 60 bytes long"}},
        {"cut short", head + "A 1 INT R\n",
         {":3: parameter 'A' is cut short by the end of the file"}},
        {"ends inside a word", head + "A 1 INT R RAM 10",
         {":3: the file ends inside a word"}},
        {"semicolon in enum", head + "E 1 ENUM R RAM 0 a ; note\n",
         {":3: ';' is an enumeration value"}},
        {"nul byte", head + "A\0x 1 INT R RAM 0\n"s, {":3: NUL byte in a word (parameter name)"}},
        {"address not a number", head + "A 1 INT R RAM zero\n",
         {":3: address expected, found 'zero'", ":3: parameter 'zero' is cut short"}},
        {"no marker", "DEVICE DESCRIPTION\n", {":1: does not begin with DEVICE_DESCRIPTION"}},
        // Register maps: each finding on its own case, a pair naming both lines.
        {"registers: REAL and INT take two, SHORT, BYTE and ENUM one",
         head + "A 1 REAL R HOLD_REG 10\nB 2 INT R HOLD_REG 12\nC 3 SHORT R HOLD_REG 14\nD 4 BYTE R HOLD_REG 15\n"
                "E 5 ENUM R HOLD_REG 16 x\nF 6 REAL R INPT_REG 10\n",
         {}},
        {"registers: the second of a REAL", head + "A 1 REAL R HOLD_REG 10\nB 2 SHORT R HOLD_REG 11\n",
         {":4: 'B' (HOLD_REG 11) overlaps 'A' on line 3 (HOLD_REG 10-11)"}},
        {"registers: an INT reaching into the next", head + "A 1 INT R INPT_REG 10\nB 2 ENUM R INPT_REG 9 x\n"
                                                             "C 3 INT R INPT_REG 8\n",
         {":5: 'C' (INPT_REG 8-9) overlaps 'B' on line 4 (INPT_REG 9)"}},
        {"coils and discrete inputs: one each", head + "A 1 BOOL W COIL 3\nB 2 BOOL R DISC_INPT 3\nC 3 BOOL W COIL 4\n"
                                                         "D 4 BOOL W COIL 3\n",
         {":6: 'D' (COIL 3) overlaps 'A' on line 3 (COIL 3)"}},
        {"other areas: only the same address", head + "A 1 REAL RW EEPROM 10\nB 2 REAL RW EEPROM 11\nC 3 INT R RAM 5\n"
                                                        "D 4 BOOL W COMMAND 5\nE 5 INT RW EEPROM 10\n",
         {":7: 'E' (EEPROM 10) overlaps 'A' on line 3 (EEPROM 10)"}},
        {"the same name twice", head + "A 1 INT R RAM 0\nA 2 INT R RAM 1\n",
         {":4: name 'A' is already used on line 3: two tags of one name"}},
        {"a tag, then a group of its name", head + "A.B 1 INT R RAM 0\nA.B.C 2 INT R RAM 1\nA.D 3 INT R RAM 2\n",
         {":4: 'A.B.C' makes a group of 'A.B', a tag on line 3"}},
        {"a group, then a tag of its name", head + "A.B.C.D 1 INT R RAM 0\nA.B 2 INT R RAM 1\nA 3 INT R RAM 2\n",
         {":4: 'A.B' is also a group, of 'A.B.C.D' on line 3", ":5: 'A' is also a group, of 'A.B.C.D' on line 3"}},
        {"writing where nothing is written", head + "A 1 SHORT W INPT_REG 0\nB 2 BOOL RW DISC_INPT 0\nC 3 SHORT RW HOLD_REG 0\n",
         {":3: 'A' has write access in INPT_REG", ":4: 'B' has write access in DISC_INPT"}},
        {"access without R or W", head + "A 1 INT r RAM 0\nB 2 INT -W- RAM 1\n", {":3: 'A' has access without R or W"}},
        {"an ENUM without values", head + "E 1 ENUM R RAM 0\nF 2 ENUM R RAM 1 x\n", {":3: ENUM parameter 'E' has no values"}},
        // Control characters in names are shown, in this finding and in every other one.
        {"control characters in names", "DEVICE_DESCRIPTION\nD\x01 1\nB\x1B[31m 1 INT R RAM 0\nC\x7F 2 INT R RAM 0\n",
         {":2: device name 'D\\x01' holds control characters",
          ":3: parameter name 'B\\x1B[31m' holds control characters; they reach terminals and CSV files as they are",
          ":4: parameter name 'C\\x7F' holds control characters", ":4: 'C\\x7F' (RAM 0) overlaps 'B\\x1B[31m' on line 3"}},
        {"Modbus addresses: 0 to 65535", head + "A 1 SHORT R HOLD_REG 65536\nB 2 BOOL R COIL -1\nC 3 BOOL R DISC_INPT 0\n"
                                                  "D 4 SHORT R INPT_REG 65535\nE 5 INT R RAM 70000\nF 6 ENUM RW HOLD_REG 99999 x\n",
         {":3: 'A' has address 65536 in HOLD_REG, outside 0-65535", ":4: 'B' has address -1 in COIL, outside 0-65535",
          ":8: 'F' has address 99999 in HOLD_REG, outside 0-65535"}},
        {"a 32-bit value past the last register", head + "A 1 REAL R HOLD_REG 65535\nB 2 INT R INPT_REG 65534\n"
                                                           "C 3 INT R INPT_REG 65535\n",
         {":3: 'A' (HOLD_REG 65535-65536) is a 32-bit value that runs past the last register, 65535",
          ":5: 'C' (INPT_REG 65535-65536) is a 32-bit value that runs past the last register",
          ":5: 'C' (INPT_REG 65535-65536) overlaps 'B' on line 4 (INPT_REG 65534-65535)"}},
    };
    CScratchDir dir;
    for (const LintCase& c : cases) {
        const auto text = dir.Write("case.txt", c.text);
        const ToolRun r = Tool({"lint", P(text)});
        std::vector<std::string> lines;
        std::istringstream split(r.out);
        for (std::string line; std::getline(split, line);)
            lines.push_back(line);
        ASSERT_EQ(c.findings.size(), lines.size()) << c.title << ":\n" << r.out;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(0u, lines[i].find(P(text) + ":")) << c.title << ": " << lines[i];
            EXPECT_NE(std::string::npos, lines[i].find(c.findings[i])) << c.title << ": " << lines[i];
        }
        EXPECT_EQ(c.findings.empty() ? 0 : 1, r.code) << c.title;
        for (char ch : r.out) ASSERT_TRUE(ch == '\n' || (static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7F)) << c.title;

        // The signed file gives the same findings.
        const auto signedFile = dir.WriteSigned("case.dsc", c.text);
        const ToolRun s = Tool({"lint", P(signedFile)});
        EXPECT_EQ(lines.size(), static_cast<std::size_t>(std::count(s.out.begin(), s.out.end(), '\n')))
            << c.title << ":\n" << s.out;
    }
}

// table and build never write over the file they read, however it is named: the output
// would replace the input with a file of another kind.
TEST(DscToolTest, TableAndBuildRefuseToWriteOverTheirInput)
{
    CScratchDir dir;
    const auto description = dir.WriteSigned("d.dsc", kDrive);
    ASSERT_EQ(0, Tool({"table", P(description), P(dir / "t.csv")}).code);
    const std::string table = ReadAll(dir / "t.csv");
    const std::string signedDrive = ReadAll(description);
    std::filesystem::create_directory(dir / "sub");
    std::filesystem::create_symlink(description, dir / "d-link.dsc");
    std::filesystem::create_hard_link(dir / "t.csv", dir / "t-hard.csv");

    const std::vector<std::vector<std::string>> refused = {
        {"table", P(description), P(description)},
        {"table", P(description), P(dir / "sub" / ".." / "d.dsc")},
        {"table", P(description), P(dir / "d-link.dsc")},
        {"table", P(dir / "d-link.dsc"), P(description)},
        {"build", P(dir / "t.csv"), P(dir / "t.csv")},
        {"build", P(dir / "t.csv"), P(dir / "." / "t.csv")},
        {"build", P(dir / "t.csv"), P(dir / "t-hard.csv")},
    };
    for (const auto& args : refused) {
        const ToolRun r = Tool(args);
        EXPECT_EQ(2, r.code) << args[0] << " " << args[2];
        EXPECT_EQ("dsctool: " + args[2] + " is the input file " + args[1] +
                      " itself; nothing is written: name another file to write\n",
                  r.err);
        EXPECT_EQ("", r.out);
        EXPECT_EQ(signedDrive, ReadAll(description));
        EXPECT_EQ(table, ReadAll(dir / "t.csv"));
        EXPECT_TRUE(std::filesystem::is_symlink(dir / "d-link.dsc"));
    }
    // A copy is another file: it is replaced.
    std::filesystem::copy_file(dir / "t.csv", dir / "copy.csv");
    const ToolRun copy = Tool({"build", P(dir / "t.csv"), P(dir / "copy.csv")});
    EXPECT_EQ(0, copy.code) << copy.err;
    EXPECT_EQ(0, Tool({"verify", P(dir / "copy.csv")}).code);

    // The program's exit status.
    const std::string command = std::string("\"") + ZOL_DSCTOOL_EXE + "\" build \"" + P(dir / "t.csv") + "\" \"" +
                                P(dir / "t-hard.csv") + "\" 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(2, WEXITSTATUS(status));
}

TEST(DscToolTest, LintListsAThousandRegisterMapFindingsAndCountsTheRest)
{
    std::string text = "DEVICE_DESCRIPTION\nD 1\n";
    for (int i = 1; i <= 1003; ++i)
        text += "P" + std::to_string(i) + " " + std::to_string(i) + " INT R RAM 0\n";
    text += "Q 2000 INT R RAM 1\n";
    text += "Q 2001 INT R RAM 2\n";  // a finding of another kind after the limit is counted too
    CScratchDir dir;
    const ToolRun r = Tool({"lint", P(dir.Write("many.txt", text))});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(1001, std::count(r.out.begin(), r.out.end(), '\n'));
    EXPECT_NE(std::string::npos, r.out.find(":1002: 'P1000' (RAM 0) overlaps 'P1' on line 3 (RAM 0)\n"));
    EXPECT_NE(std::string::npos,
              r.out.find(":1008: 3 more findings of the register map are not listed (the first 1000 are)\n"))
        << r.out.substr(r.out.size() > 300 ? r.out.size() - 300 : 0);
}

TEST(DscToolTest, LintReportsABadChecksumAndMissingFiles)
{
    CScratchDir dir;
    std::string bytes = Signed(kDrive);
    bytes[2] ^= 1;
    const auto file = dir.Write("x.dsc", bytes);
    const ToolRun r = Tool({"lint", P(file), P(dir / "missing.dsc")});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.out.find(":1: stored checksum"));
    EXPECT_NE(std::string::npos, r.err.find("missing.dsc: cannot open"));
}

TEST(DscToolTest, FifoIsRefusedNotWaitedOn)
{
    CScratchDir dir;
    const auto fifo = MakeFifo(dir, "a.dsc");
    dir.WriteSigned("b.dsc", kDrive);
    ToolRun verify, lint, sign, load;
    EXPECT_TRUE(FinishesWithin(
        std::chrono::seconds(5),
        [&] {
            verify = Tool({"verify", P(fifo), P(dir / "b.dsc")});
            lint = Tool({"lint", P(fifo)});
            sign = Tool({"sign", P(fifo)});
            load = Tool({"load", P(dir.Path())});
        },
        {fifo}));
    EXPECT_EQ(1, verify.code);
    EXPECT_EQ(P(fifo) + ": cannot open\n" + P(dir / "b.dsc") + ": ok\n", verify.out);
    EXPECT_EQ("dsctool: " + P(fifo) + ": cannot open\n", verify.err);
    EXPECT_EQ(1, lint.code);
    EXPECT_EQ("dsctool: " + P(fifo) + ": cannot open\n", lint.err);
    EXPECT_EQ(1, sign.code);
    EXPECT_EQ("dsctool: " + P(fifo) + ": cannot open\n", sign.err);
    EXPECT_EQ(0, load.code);
    EXPECT_EQ("Start reading configuration files\n"
              "Reading config file 'a.dsc'....\n"
              "a.dsc \tCan't open file\n"
              "Wrong CRC in file a.dsc\n"
              "Reading config file 'b.dsc'....\n",
              load.out);
}

TEST(DscToolTest, ExamplesArePackedCleanAndLoad)
{
    // The build packs examples/devices/*.txt into the build tree with dsctool.
    std::vector<std::string> sources;
    for (const auto& entry : std::filesystem::directory_iterator(ZOL_EXAMPLES_SOURCE_DIR)) {
        if (entry.path().extension() == ".txt")
            sources.push_back(P(entry.path()));
    }
    ASSERT_GE(sources.size(), 3u);
    std::vector<std::string> lint = {"lint"};
    lint.insert(lint.end(), sources.begin(), sources.end());
    const ToolRun clean = Tool(lint);
    EXPECT_EQ(0, clean.code) << clean.out << clean.err;

    for (const std::string& source : sources) {
        const std::string stem = std::filesystem::path(source).stem().string();
        const auto packed = std::filesystem::path(ZOL_EXAMPLES_BUILD_DIR) / (stem + ".dsc");
        EXPECT_EQ(Signed(ReadAll(source)), ReadAll(packed)) << packed;
    }
    const ToolRun load = Tool({"load", ZOL_EXAMPLES_BUILD_DIR});
    EXPECT_EQ(std::string::npos, load.out.find("Wrong")) << load.out;
    // The demo's type codes 1, 2 and 3 are described.
    for (const char* type : {"1", "2", "3"})
        EXPECT_NE("(005).\n", Tool({"name", ZOL_EXAMPLES_BUILD_DIR, "5", type, "1"}).out) << type;
}

TEST(DscToolTest, TheProgramItself)
{
    // Exit codes and streams through a real process.
    CScratchDir dir;
    dir.WriteSigned("a.dsc", kDrive);
    const std::string out = P(dir / "out.txt");
    const std::string command = std::string("\"") + ZOL_DSCTOOL_EXE + "\" load \"" + P(dir.Path()) + "\" > \"" + out +
                                "\" 2>&1";
    EXPECT_EQ(0, std::system(command.c_str()));
    EXPECT_EQ("Start reading configuration files\nReading config file 'a.dsc'....\n", ReadAll(out));

    const std::string verify = std::string("\"") + ZOL_DSCTOOL_EXE + "\" verify \"" + P(dir / "none.dsc") +
                               "\" > \"" + out + "\" 2>&1";
    EXPECT_NE(0, std::system(verify.c_str()));
    const std::string usage = std::string("\"") + ZOL_DSCTOOL_EXE + "\" > \"" + out + "\" 2>&1";
    EXPECT_NE(0, std::system(usage.c_str()));
    EXPECT_NE(std::string::npos, ReadAll(out).find("usage:"));
    // The usage names the user's guide beside the program.
    const std::string guide = (std::filesystem::canonical(ZOL_DSCTOOL_EXE).parent_path() / "guide" / "index.html").string();
    EXPECT_NE(std::string::npos, ReadAll(out).find("User's guide (Russian): " + guide + "\n")) << ReadAll(out);
}

}  // namespace
