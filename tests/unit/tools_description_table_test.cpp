// dsctool table and build: the register table of a description and back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Checksum.h"
#include "catalogue/DescriptionReader.h"
#include "catalogue/Windows1251.h"
#include "catalogue_test_util.h"
#include "tools/DescriptionTable.h"
#include "tools/DscTool.h"

namespace {

namespace fs = std::filesystem;

struct ToolResult {
    int code = 0;
    std::string out;
    std::string err;
};

ToolResult Tool(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    ToolResult r;
    r.code = RunDscTool(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

std::string P(const fs::path& path) { return path.string(); }

// The device a signed file loads as, described field by field ("" when refused).
std::string Loaded(const fs::path& file)
{
    CDevice device;
    std::ostringstream messages;
    if (LoadDeviceFile(file, "x.dsc", device, messages) != 0) return "refused: " + messages.str();
    return Describe(device);
}

// The device a description text reads as.
std::string Read(const std::string& text)
{
    CDevice device;
    std::ostringstream messages;
    if (ReadDescriptionText(text, "x.dsc", device, messages) != 0) return "refused";
    return Describe(device);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

const std::string kBom = "\xEF\xBB\xBF";
const std::string kHeader = "name;number;type;access;area;address;values;comment\r\n";

// table, then build; the built file verifies and loads as the device the source reads as.
void ExpectRoundTrip(const CScratchDir& dir, const std::string& source, const std::string& title)
{
    const fs::path original = dir.WriteSigned("original.dsc", source);
    const fs::path table = dir / "table.csv";
    const fs::path built = dir / "built.dsc";
    fs::remove(table);
    fs::remove(built);
    const ToolResult t = Tool({"table", P(original), P(table)});
    ASSERT_EQ(0, t.code) << title << ": " << t.err;
    const ToolResult b = Tool({"build", P(table), P(built)});
    ASSERT_EQ(0, b.code) << title << ": " << b.err << "\n" << ReadAll(table);
    EXPECT_EQ("", b.out);
    const ToolResult v = Tool({"verify", P(built)});
    EXPECT_EQ(0, v.code) << title << ": " << v.out;
    EXPECT_EQ(Read(source), Loaded(built)) << title << "\n" << ReadAll(table) << "\n" << ReadAll(built);
    // The built file's table is the same table: nothing drifts on a second trip.
    const ToolResult again = Tool({"table", P(built)});
    EXPECT_EQ(ReadAll(table), again.out) << title;
}

TEST(DscTableTest, WritesOneRowAParameterInFileOrder)
{
    const struct {
        const char* title;
        std::string text;
        std::vector<std::string> rows;  // after the header
    } cases[] = {
        {"the reader's example",
         "DEVICE_DESCRIPTION\n; demonstration meter\nMeter 12\n; name number type access area address values\n"
         "Voltage  1 REAL R HOLD_REG 100\nCurrent 2 real R hold_reg 102\nMode 3 ENUM RW HOLD_REG 110 Off Auto Manual\n"
         "Reset 4 BOOL W COIL 5\n",
         {"Meter;12;DEVICE;;;;;", "Voltage;1;REAL;R;HOLD_REG;100;;", "Current;2;REAL;R;HOLD_REG;102;;",
          "Mode;3;ENUM;RW;HOLD_REG;110;Off Auto Manual;", "Reset;4;BOOL;W;COIL;5;;"}},
        {"comments: behind the header, behind a parameter, above an ENUM; others lost",
         "DEVICE_DESCRIPTION\nD 7 ; the device\n; lost\nA 1 INT R RAM 0 ;  behind A  \n; the mode\n"
         "E 2 ENUM RW RAM 1 x y\n; lost too\n\nF 3 ENUM R RAM 2 z\n",
         {"D;7;DEVICE;;;;;the device", "A;1;INT;R;RAM;0;;behind A", "E;2;ENUM;RW;RAM;1;x y;the mode",
          "F;3;ENUM;R;RAM;2;z;"}},
        {"a carriage return or a NUL inside a comment becomes a blank",
         std::string("DEVICE_DESCRIPTION\nD 1\nA 1 INT R RAM 0 ; a\rb\0c\r\n", 48),
         {"D;1;DEVICE;;;;;", "A;1;INT;R;RAM;0;;a b c"}},
        {"access words: R/W, a lower-case r, -W-",
         "DEVICE_DESCRIPTION\nD 1\nA 1 INT R/W RAM 0\nB 2 INT r RAM 1\nC 3 INT -W- RAM 2\n",
         {"D;1;DEVICE;;;;;", "A;1;INT;RW;RAM;0;;", "B;2;INT;-;RAM;1;;", "C;3;INT;W;RAM;2;;"}},
        {"quoting and what a spreadsheet would take for a formula",
         "DEVICE_DESCRIPTION\n=D -5\n#A 1 INT R RAM -3 ; a;b \"q\"\nE 2 ENUM R RAM 1 +1 -1\n",
         {"'=D;-5;DEVICE;;;;;", "\"#A\";1;INT;R;RAM;-3;;\"a;b \"\"q\"\"\"", "E;2;ENUM;R;RAM;1;'+1 -1;"}},
        {"Windows-1251 as UTF-8", "DEVICE_DESCRIPTION\n\xD1\xF7\xB8\xF2\xF7\xE8\xEA 3\n\xC0 1 INT R RAM 0\n",
         {"\xD0\xA1\xD1\x87\xD1\x91\xD1\x82\xD1\x87\xD0\xB8\xD0\xBA;3;DEVICE;;;;;", "\xD0\x90;1;INT;R;RAM;0;;"}},
        {"no header: no DEVICE row", "DEVICE_DESCRIPTION\n; nothing\n", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> warnings;
        const std::string table = DescriptionTextToTable(c.text, &warnings);
        ASSERT_EQ(0u, table.find(kBom + kHeader)) << c.title;
        // Every line ends in CR LF.
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (table[i] == '\n') {
                ASSERT_TRUE(i > 0 && table[i - 1] == '\r') << c.title;
            }
        }
        std::vector<std::string> rows = Lines(table.substr(3));
        rows.erase(rows.begin());
        EXPECT_EQ(c.rows, rows) << c.title;
    }
}

TEST(DscTableTest, WarnsOfWhatDoesNotBuildAgain)
{
    std::vector<std::string> warnings;
    const std::string table = DescriptionTextToTable(
        "DEVICE_DESCRIPTION\nD 1\nA 1 FLOAT R RAM 0\nB 2 INT R FLASH 1\nE 3 ENUM R RAM 2 a ; note\n", &warnings);
    ASSERT_EQ(3u, warnings.size());
    EXPECT_NE(std::string::npos, warnings[0].find("line 3: 'A' has no known data type")) << warnings[0];
    EXPECT_NE(std::string::npos, warnings[1].find("line 4: 'B' has no known memory area")) << warnings[1];
    EXPECT_NE(std::string::npos, warnings[2].find("line 5: value ';' of 'E' begins with ';'")) << warnings[2];
    EXPECT_NE(std::string::npos, table.find("\r\nA;1;;R;RAM;0;;\r\n")) << table;
    // The command writes the table all the same and says why it will not build.
    CScratchDir dir;
    const fs::path file = dir.WriteSigned("a.dsc", "DEVICE_DESCRIPTION\nD 1\nA 1 FLOAT R RAM 0\n");
    const ToolResult r = Tool({"table", P(file)});
    EXPECT_EQ(0, r.code);
    EXPECT_NE(std::string::npos, r.err.find("a.dsc: line 3: 'A' has no known data type")) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("A;1;;R;RAM;0;;")) << r.out;
}

// A word that begins with a NUL byte is read as an empty name: its row does not build until
// it is given one, and the table says so, as it does of a number used twice (which builds,
// with the build's warning). The description the fuzzer found is one of them.
TEST(DscTableTest, WarnsOfEmptyNamesAndNumbersUsedTwice)
{
    using namespace std::string_literals;
    std::vector<std::string> warnings;
    const std::string text = "DEVICE_DESCRIPTION\nD 1\nA 6 REAL R INPT_REG 4\n\0\0\0B 6 REAL RW HOLD_REG 4\n"s;
    const std::string table = DescriptionTextToTable(text, &warnings);
    ASSERT_EQ(2u, warnings.size()) << table;
    EXPECT_EQ(0u, warnings[0].find("line 4: parameter 6 has no name")) << warnings[0];
    EXPECT_EQ(0u, warnings[1].find("line 4: number 6 is already used on line 3")) << warnings[1];
    EXPECT_NE(std::string::npos, table.find("\r\n;6;REAL;RW;HOLD_REG;4;;\r\n")) << table;
    EXPECT_FALSE(BuildDescriptionFromTable(table, "t.csv").ok);

    warnings.clear();
    const std::string unnamed = DescriptionTextToTable("DEVICE_DESCRIPTION\n\0D 1\nA 1 INT R RAM 0\n"s, &warnings);
    ASSERT_EQ(1u, warnings.size());
    EXPECT_EQ(0u, warnings[0].find("line 2: the device has no name")) << warnings[0];
    EXPECT_FALSE(BuildDescriptionFromTable(unnamed, "t.csv").ok);

    // A number used twice builds back into the same device, the build warning of it.
    CScratchDir dir;
    const std::string twice = "DEVICE_DESCRIPTION\nD 1\nA 1 INT R RAM 0\nB 1 INT R RAM 1\n";
    const ToolResult t = Tool({"table", P(dir.WriteSigned("twice.dsc", twice)), P(dir / "twice.csv")});
    EXPECT_EQ(0, t.code);
    EXPECT_NE(std::string::npos, t.err.find("twice.dsc: line 4: number 1 is already used on line 3")) << t.err;
    const ToolResult b = Tool({"build", P(dir / "twice.csv"), P(dir / "built.dsc")});
    EXPECT_EQ(0, b.code) << b.err;
    EXPECT_NE(std::string::npos, b.err.find(":4: warning: parameter number 1 is already used on line 3")) << b.err;
    EXPECT_EQ(Read(twice), Loaded(dir / "built.dsc"));

    // The fuzzer's find: a line of NUL bytes running into a name, under the number of the
    // line before. The table is written, and warns.
    const char* source = std::getenv("ZOL_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const fs::path found = fs::path(source) / "tests/fuzz/roundtrip-crash.bin";
    const ToolResult f = Tool({"table", P(found), P(dir / "found.csv")});
    EXPECT_EQ(0, f.code) << f.err;
    EXPECT_NE(std::string::npos, f.err.find(": line 11: parameter 6 has no name")) << f.err;
    EXPECT_NE(std::string::npos, f.err.find(": line 11: number 6 is already used on line 10")) << f.err;
    EXPECT_EQ(1, Tool({"build", P(dir / "found.csv"), P(dir / "found.dsc")}).code);
}

TEST(DscTableTest, RefusesWhatIsNoDescription)
{
    CScratchDir dir;
    std::string bad = Signed("DEVICE_DESCRIPTION\nD 1\n");
    bad[1] ^= 4;
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"short.dsc", "ab", "shorter than the 4 checksum bytes"},
        {"bad.dsc", bad, "wrong checksum (stored"},
        {"other.dsc", Signed("DEVICE_DESCRIPTOR\nD 1\n"), "does not begin with DEVICE_DESCRIPTION"},
    };
    for (const auto& c : cases) {
        const fs::path file = dir.Write(c.name, c.bytes);
        const ToolResult r = Tool({"table", P(file), P(dir / "t.csv")});
        EXPECT_EQ(1, r.code) << c.name;
        EXPECT_NE(std::string::npos, r.err.find(c.reason)) << c.name << ": " << r.err;
        EXPECT_FALSE(fs::exists(dir / "t.csv")) << c.name;
    }
    // A text source (the marker first, no checksum) is read as well.
    const fs::path source = dir.Write("d.txt", "DEVICE_DESCRIPTION\nD 1\nA 1 INT R RAM 0\n");
    EXPECT_EQ(kBom + kHeader + "D;1;DEVICE;;;;;\r\nA;1;INT;R;RAM;0;;\r\n", Tool({"table", P(source)}).out);
    EXPECT_EQ(2, Tool({"table"}).code);
    EXPECT_EQ(2, Tool({"build", "a.csv"}).code);
}

struct BuildCase {
    const char* title;
    std::string table;
    std::vector<std::string> problems;  // "LINE: reason start", in order
};

TEST(DscTableTest, BuildRefusesEveryBadRowAndWritesNothing)
{
    using namespace std::string_literals;
    const std::string h = "name;number;type;access;area;address;values;comment\n";
    const std::string dev = "D;5;DEVICE;;;;;\n";
    const std::string good = "Good;1;INT;R;RAM;0;;\n";
    const std::vector<BuildCase> cases = {
        {"two words", h + dev + good + "Two words;2;INT;R;RAM;1;;\n", {"4: name 'Two words' is not one word"}},
        {"too long", h + dev + std::string(150, 'n') + ";2;INT;R;RAM;1;;\n" + good,
         {"3: name '" + std::string(150, 'n') + "' is 150 bytes long; at most 149"}},
        {"149 bytes", h + dev + std::string(149, 'n') + ";2;INT;R;RAM;1;;\n", {}},
        {"a comment's start", h + dev + "\";x\";2;INT;R;RAM;1;;\n", {"3: name ';x' begins with ';'"}},
        {"no name", h + dev + ";2;INT;R;RAM;1;;\n", {"3: no name"}},
        {"numbers", h + dev + "A;1.5;INT;R;RAM;1;;\nB;2;INT;R;RAM;x;;\nC;2147483648;INT;R;RAM;1;;\nD;-2147483648;INT;R;RAM;-1;;\n",
         {"3: number '1.5' is not a whole number", "4: address 'x' is not a whole number",
          "5: number '2147483648' is not a whole number"}},
        {"keywords", h + dev + "A;1;FLOAT;R;RAM;1;;\nB;2;INT;R;FLASH;1;;\nC;3;real;R;hold_reg;4;;\nE;4;;R;RAM;5;;\n",
         {"3: unknown type 'FLOAT'", "4: unknown area 'FLASH'", "6: no type"}},
        {"access", h + dev + "A;1;INT;rw;RAM;1;;\nB;2;INT;R/W;RAM;2;;\nC;3;INT;WR;RAM;3;;\nD;4;INT;-;RAM;4;;\nE;5;INT;;RAM;5;;\n",
         {"3: access 'rw' is not made of R and W", "4: access 'R/W' is not made of R and W", "7: no access"}},
        {"enum values", h + dev + "E;1;ENUM;R;RAM;1;a " + std::string(60, 'v') + ";\nF;2;ENUM;R;RAM;2;\"a ;b\";\n" +
                            "G;3;INT;R;RAM;3;a;\nH;4;ENUM;R;RAM;4;" + std::string(59, 'v') + " b;\n",
         {"3: value '" + std::string(60, 'v') + "' is 60 bytes long; at most 59", "4: value ';b' begins with ';'",
          "5: values are given, but the type is not ENUM"}},
        {"not in Windows-1251", h + dev + "\xE5\x90\x8D;1;INT;R;RAM;1;;\nE;2;ENUM;R;RAM;2;\xE2\x82\xAC \xE2\x84\xA2;\n" +
                                    "F;3;ENUM;R;RAM;3;\xE5\x90\x8D;\n",
         {"3: name '\xE5\x90\x8D' holds a character Windows-1251 cannot hold",
          "5: values '\xE5\x90\x8D' holds a character"}},
        {"the DEVICE row", h + "D;5;DEVICE;R;;;;\n" + good + "D2;6;device;;;;;\n",
         {"2: the DEVICE row takes only name, number and comment, not access"}},
        {"two DEVICE rows", h + dev + "D2;6;device;;;;;\n", {"3: a second DEVICE row; the first is on line 2"}},
        {"no DEVICE row", h + good, {"1: no DEVICE row"}},
        {"device name", h + "Two words;5;DEVICE;;;;;\n", {"2: device name 'Two words' is not one word", "1: no DEVICE row"}},
        {"comment over two lines", h + dev + "A;1;INT;R;RAM;1;;\"one\ntwo\"\n", {"3: the comment runs over more than one line"}},
        {"unclosed quote", h + dev + good + "B;2;INT;R;RAM;1;;\"open\n", {"4: a quoted field is not closed"}},
        {"NUL byte", h + dev + "A;1;INT;R;RAM;1;;a\0b\n"s, {"3: a NUL byte in comment"}},
        {"header without area", "name;number;type;access;address\n" + dev, {"1: the header line has no column 'area'"}},
        {"column twice", "# a comment first\nname;number;type;access;area;address;Name\n" + dev,
         {"2: column name twice"}},
        {"no header", "", {"1: no header line"}},
        {"two byte-order marks", kBom + kBom + h + dev + good, {"1: the table begins with a second byte-order mark"}},
        {"two byte-order marks, UTF-16", "\xFF\xFE" + [&] {
             std::string wide;
             for (char c : "\xEF\xBB\xBF" + h + dev) {
                 // U+FEFF, then ASCII.
                 if (c == '\xEF') wide += "\xFF\xFE";
                 else if (c != '\xBB' && c != '\xBF') wide += std::string{c, '\0'};
             }
             return wide;
         }(),
         {"1: the table begins with a second byte-order mark"}},
    };
    CScratchDir dir;
    for (const BuildCase& c : cases) {
        const fs::path table = dir.Write("t.csv", c.table);
        const fs::path out = dir / "out.dsc";
        fs::remove(out);
        dir.Write("kept.dsc", "old");
        const ToolResult r = Tool({"build", P(table), P(out)});
        const ToolResult kept = Tool({"build", P(table), P(dir / "kept.dsc")});
        if (c.problems.empty()) {
            EXPECT_EQ(0, r.code) << c.title << ": " << r.err;
            EXPECT_EQ("ok", Tool({"verify", P(out)}).out.substr(P(out).size() + 2, 2)) << c.title;
            continue;
        }
        EXPECT_EQ(1, r.code) << c.title;
        EXPECT_FALSE(fs::exists(out)) << c.title;
        EXPECT_EQ("old", ReadAll(dir / "kept.dsc")) << c.title;
        std::vector<std::string> lines = Lines(r.err);
        ASSERT_EQ(c.problems.size() + 1, lines.size()) << c.title << ":\n" << r.err;
        for (std::size_t i = 0; i < c.problems.size(); ++i)
            EXPECT_EQ(0u, lines[i].find(P(table) + ":" + c.problems[i])) << c.title << ": " << lines[i];
        EXPECT_EQ("dsctool: " + P(out) + " not written", lines.back()) << c.title;
    }
}

TEST(DscTableTest, BuildWritesAlignedColumnsUnderTheTablesName)
{
    CScratchDir dir;
    const fs::path table = dir.Write("meter.csv", kBom + kHeader +
                                                      "Meter;12;DEVICE;;;;;demonstration meter\r\n"
                                                      "Voltage;1;REAL;R;HOLD_REG;100;;volts\r\n"
                                                      "Mode;3;ENUM;RW;HOLD_REG;110;Off  Auto Manual;the mode\r\n"
                                                      "LongerName.Reset;40;BOOL;W;COIL;5;;\r\n");
    const ToolResult r = Tool({"build", P(table), P(dir / "meter.dsc")});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ("", r.err);
    const std::string file = ReadAll(dir / "meter.dsc");
    EXPECT_EQ(Signed(file.substr(4)), file);
    EXPECT_EQ("DEVICE_DESCRIPTION\r\n"
              "; Built by dsctool from meter.csv: edit the table and build it again.\r\n"
              "Meter 12 ; demonstration meter\r\n"
              "; name           number type access area     address values\r\n"
              "\r\n"
              "Voltage          1      REAL R      HOLD_REG 100     ; volts\r\n"
              "; the mode\r\n"
              "Mode             3      ENUM RW     HOLD_REG 110     Off Auto Manual\r\n"
              "LongerName.Reset 40     BOOL W      COIL     5\r\n",
              file.substr(4));
}

TEST(DscTableTest, BuildWarnsOfTheMapsMistakesAtTheTablesLines)
{
    CScratchDir dir;
    const fs::path table = dir.Write("t.csv", "name;number;type;access;area;address\n"
                                              "# the device\n"
                                              "D;300;DEVICE;;;\n"
                                              "A;1;REAL;R;HOLD_REG;10\n"
                                              "\n"
                                              "B;2;SHORT;RW;HOLD_REG;11\n"
                                              "E;3;ENUM;W;INPT_REG;0\n");
    const ToolResult r = Tool({"build", P(table), P(dir / "o.dsc")});
    EXPECT_EQ(0, r.code) << r.err;
    const std::vector<std::string> lines = Lines(r.err);
    const std::string t = P(table);
    ASSERT_EQ(4u, lines.size()) << r.err;
    EXPECT_EQ(t + ":3: warning: device type code 300 is outside 1-255", lines[0]);
    EXPECT_EQ(t + ":6: warning: 'B' (HOLD_REG 11) overlaps 'A' on line 4 (HOLD_REG 10-11)", lines[1]);
    EXPECT_EQ(t + ":7: warning: 'E' has write access in INPT_REG, which cannot be written", lines[2]);
    EXPECT_EQ(t + ":7: warning: ENUM parameter 'E' has no values", lines[3]);
    EXPECT_EQ("o.dsc: ok\n", Tool({"verify", P(dir / "o.dsc")}).out.substr(P(dir.Path()).size() + 1));
}

// What a spreadsheet saves: another encoding, another separator, the columns in another
// order, quotes, blank and '#' lines, columns of its own.
TEST(DscTableTest, ASpreadsheetsSaveBuildsTheSameDevice)
{
    CScratchDir dir;
    const std::string source =
        "DEVICE_DESCRIPTION\n\xD1\xF7\xB8\xF2\xF7\xE8\xEA 12\n"
        "\xCD\xE0\xEF\xF0\xFF\xE6\xE5\xED\xE8\xE5 1 REAL R INPT_REG 0\n"
        "\xD0\xE5\xE6\xE8\xEC 2 ENUM RW HOLD_REG 7 \xD1\xF2\xEE\xEF \"a;b\" Back\\slash\n"
        "Reset 3 BOOL W COIL 1 ; \xF1\xE1\xF0\xEE\xF1\n";
    const fs::path original = dir.WriteSigned("original.dsc", source);
    const std::string utf8 = Tool({"table", P(original)}).out;
    ASSERT_EQ(0u, utf8.find(kBom));

    // The same rows in the spreadsheet's own forms.
    auto rows = Lines(utf8.substr(3));
    auto join = [&](char sep, const std::string& eol) {
        std::string out;
        for (const std::string& line : rows) {
            std::string l = line;
            if (sep != ';') {
                // Fields hold no separators of the new kind here; ';' inside quotes stays.
                bool quoted = false;
                for (char& ch : l) {
                    if (ch == '"') quoted = !quoted;
                    if (ch == ';' && !quoted) ch = sep;
                }
            }
            out += l + eol;
        }
        return out;
    };
    auto utf16 = [](const std::string& text, bool bigEndian) {
        std::u16string wide;
        const std::string cp = Utf8ToCp1251(text);
        for (unsigned char ch : cp) wide += Cp1251ToCodePoint(ch);
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t u : wide) {
            const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
            bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
        }
        return bytes;
    };
    const struct {
        const char* name;
        std::string bytes;
    } saves[] = {
        {"cp1251-semicolon.csv", Utf8ToCp1251(join(';', "\r\n"))},
        {"utf16le-tab.csv", utf16(join('\t', "\r\n"), false)},
        {"utf16be-tab.csv", utf16(join('\t', "\n"), true)},
        {"utf8-comma-nobom.csv", join(',', "\n")},
        {"reordered.csv", "\n# columns as someone likes them\n"
                          "Comment;Address;Area;Access;Type;Number;Name;Extra;Values\n"
                          ";;;;DEVICE;12;\xD0\xA1\xD1\x87\xD1\x91\xD1\x82\xD1\x87\xD0\xB8\xD0\xBA;x\n"
                          "  ;  0 ;INPT_REG;R;REAL;1;\xD0\x9D\xD0\xB0\xD0\xBF\xD1\x80\xD1\x8F\xD0\xB6\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xB5;\n"
                          ";;;;;;;\n"
                          "#;;;;;;\n"
                          ";7;HOLD_REG;RW;ENUM;2;\xD0\xA0\xD0\xB5\xD0\xB6\xD0\xB8\xD0\xBC;;\"\xD0\xA1\xD1\x82\xD0\xBE\xD0\xBF "
                          "\"\"a;b\"\" Back\\slash\"\n"
                          "\"\xD1\x81\xD0\xB1\xD1\x80\xD0\xBE\xD1\x81\";1;COIL;W;BOOL;3;Reset\n"},
    };
    for (const auto& save : saves) {
        const fs::path table = dir.Write(save.name, save.bytes);
        const fs::path built = dir / (std::string(save.name) + ".dsc");
        const ToolResult r = Tool({"build", P(table), P(built)});
        ASSERT_EQ(0, r.code) << save.name << ": " << r.err;
        EXPECT_EQ(Read(source), Loaded(built)) << save.name;
    }
    // The values column of the reordered table holds the ENUM's words: a quoted field.
    EXPECT_NE(std::string::npos, Read(source).find("\xD1\xF2\xEE\xEF \"a;b\" Back\\slash"));
}

TEST(DscTableTest, RoundTripOfTheReadersFiles)
{
    const std::vector<std::pair<const char*, std::string>> texts = {
        {"meter", "DEVICE_DESCRIPTION\n; demonstration meter\nMeter 12\n; name   number type  access area     address  values\n"
                  "Voltage  1      REAL  R      HOLD_REG 100\nCurrent  2      REAL  R      HOLD_REG 102\n"
                  "Mode     3      ENUM  RW     HOLD_REG 110      Off Auto Manual\nReset    4      BOOL  W      COIL     5\n"},
        {"crlf, no final line end", "DEVICE_DESCRIPTION\r\nMeter 12\r\nReset 4 BOOL W COIL 5\r\nMode 3 ENUM RW HOLD_REG 110 Off Auto Manual"},
        {"comments", "DEVICE_DESCRIPTION ; behind the marker\n;whole line\nMeter 5 ; behind the header\n"
                     "A 1 INT R RAM 0 ; behind a parameter\n   ; indented\nB 2 ENUM R RAM 1 On Off\n"},
        {"keywords in any case", "DEVICE_DESCRIPTION\nD 1\nA 1 real R hold_reg 0\nE 2 Enum RW Inpt_Reg 2 x\n"},
        {"access words", "DEVICE_DESCRIPTION\nD 1\nA 7 INT r RAM 9\nB 8 INT -W- RAM 1\nC 9 INT R/W RAM 2\n"},
        {"an ENUM without values", "DEVICE_DESCRIPTION\nD 1\nE 1 ENUM R RAM 0\nF 2 INT R RAM 1\n"},
        {"a long ENUM line", "DEVICE_DESCRIPTION\nD 1\nE 1 ENUM R RAM 0" + [] {
             std::string s;
             for (int i = 0; i < 80; ++i) s += " v" + std::to_string(i);
             return s;
         }() + "\n"},
        {"words cut at their limits", "DEVICE_DESCRIPTION\n" + std::string(200, 'd') + " 3\n" + std::string(160, 'p') +
                                          " 1 INT R RAM 0\nE 2 ENUM R RAM 1 " + std::string(70, 'v') + "\n"},
        {"numbers at and past the limits", "DEVICE_DESCRIPTION\nD -0\nA 99999999999 INT R RAM -2147483648\nB +5 INT R RAM 007\n"},
        {"the same number twice", "DEVICE_DESCRIPTION\nD 1\nA 1 INT R RAM 0\nB 1 INT R RAM 1\n"},
    };
    CScratchDir dir;
    for (const auto& [title, text] : texts) ExpectRoundTrip(dir, text, title);
}

TEST(DscTableTest, RoundTripOfTheExamples)
{
    CScratchDir dir;
    int examples = 0;
    for (const auto& entry : fs::directory_iterator(ZOL_EXAMPLES_SOURCE_DIR)) {
        if (entry.path().extension() != ".txt") continue;
        ++examples;
        const std::string text = ReadAll(entry.path());
        ExpectRoundTrip(dir, text, P(entry.path()));
        // dump reads the built file as the same device.
        const fs::path a = dir / "a", b = dir / "b";
        fs::create_directories(a);
        fs::create_directories(b);
        fs::copy_file(dir / "original.dsc", a / "x.dsc", fs::copy_options::overwrite_existing);
        fs::copy_file(dir / "built.dsc", b / "x.dsc", fs::copy_options::overwrite_existing);
        const ToolResult da = Tool({"dump", P(a)}), db = Tool({"dump", P(b)});
        EXPECT_EQ(da.out, db.out);
        EXPECT_NE(std::string::npos, da.out.find("\"parameters\": [\n")) << da.out;
        // The built file is as free of findings as its source.
        EXPECT_EQ(0, Tool({"lint", P(dir / "built.dsc")}).code) << entry.path();
    }
    EXPECT_GE(examples, 4);
}

// Descriptions made at random (the same ones every run): names of every kind of byte a
// word may hold, numbers over the whole range, all the keywords, comments in their places.
std::string RandomDescription(std::mt19937& random)
{
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::string wordBytes =
        "abcXYZ019._-=+@#'\"/\\()[]!%&*\xC0\xDF\xE0\xFF\xA8\xB8\xB9\x98\x01\x7F";
    auto word = [&](int maxLength) {
        std::string w;
        const int length = 1 + pick(maxLength);
        for (int i = 0; i < length; ++i) w += wordBytes[static_cast<std::size_t>(pick(static_cast<int>(wordBytes.size())))];
        if (w[0] == ';') w[0] = 'x';
        return w;
    };
    auto number = [&]() -> std::string {
        switch (pick(4)) {
        case 0: return std::to_string(pick(100));
        case 1: return std::to_string(static_cast<int>(random()));
        case 2: return "-" + std::to_string(pick(70000));
        default: return std::to_string(1 + pick(65534));
        }
    };
    const char* const types[] = {"INT", "REAL", "short", "Bool", "BYTE", "ENUM", "enum"};
    const char* const areas[] = {"RAM", "EEPROM", "command", "COIL", "DISC_INPT", "HOLD_REG", "inpt_reg"};
    const char* const accesses[] = {"R", "W", "RW", "WR", "R/W", "r", "x", "-W-"};
    const char* const ends[] = {"\n", "\r\n"};
    const std::string eol = ends[pick(2)];
    std::string text = "DEVICE_DESCRIPTION" + eol;
    if (pick(2)) text += "; " + word(30) + eol;
    text += word(20) + " " + number() + (pick(3) == 0 ? " ; " + word(20) : "") + eol;
    const int parameters = pick(12);
    for (int i = 0; i < parameters; ++i) {
        const char* type = types[pick(7)];
        const bool isEnum = type[0] == 'E' || type[0] == 'e';
        if (pick(4) == 0) text += (isEnum ? "; " : ";; ") + word(40) + eol;
        text += word(pick(3) == 0 ? 160 : 24) + " " + number() + " " + type + " " + accesses[pick(8)] + " " + areas[pick(7)] +
                " " + number();
        if (isEnum) {
            const int values = pick(5);
            for (int v = 0; v < values; ++v) text += (pick(2) ? " " : "\t ") + word(pick(4) == 0 ? 70 : 10);
        } else if (pick(3) == 0) {
            text += " ; " + word(40) + " " + word(10);
        }
        text += eol;
    }
    return text;
}

TEST(DscTableTest, RoundTripOfGeneratedDescriptions)
{
    CScratchDir dir;
    std::mt19937 random(38);
    for (int i = 0; i < 300; ++i) {
        const std::string text = RandomDescription(random);
        ExpectRoundTrip(dir, text, "generated #" + std::to_string(i) + ":\n" + text);
        if (HasFailure()) break;
    }
}

}  // namespace
