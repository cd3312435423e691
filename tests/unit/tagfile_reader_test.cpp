#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tagfile/TagFileReader.h"
#include "tagfile/TagFileWriter.h"
#include "tagfile/TagNames.h"
#include "catalogue/TagName.h"
#include "tagfile_test_support.h"

namespace {

using tagfile_test::IssueList;

std::string Ids(const TagFileContent& content)
{
    std::string out;
    for (const TagFileRow& r : content.rows)
        out += std::to_string(r.line) + ":" + std::to_string(r.id.type) + "/" + std::to_string(r.id.address) +
               "/" + std::to_string(r.id.param) + "=" + FormatPeriodField(r) + " ";
    return out;
}

TEST(TagFileReader, SpreadsheetFileInWindows1251WithQuotedSeparatorsAndLf)
{
    // What a spreadsheet in a Russian locale saves: Windows-1251, ';', LF, quotes only where
    // needed, doubled quotes, blank and empty rows, a comment.
    const std::string file =
        "device;address;type;param;name;period_ms\n"
        "PM3F;5;1;14;PM3F(005).Frequency;2000\n"
        "\n"
        "# a note\n"
        ";;;;;\n"
        "Счётчик;12;7;3;\"Счётчик(012).Энергия;\"\"Сумма\"\"\";0\n"
        "  ;  9 ;1;2;;86400000\n";
    const TagFileContent c = ReadTagFile(file);
    ASSERT_TRUE(c.readable);
    EXPECT_EQ(c.format.encoding, TagFileEncoding::Cp1251);
    EXPECT_EQ(c.format.separator, ';');
    EXPECT_FALSE(c.format.crlf);
    EXPECT_FALSE(c.format.byteOrderMark);
    EXPECT_EQ(Ids(c), "2:1/5/14=2000 6:7/12/3=0 7:1/9/2=86400000 ");
    EXPECT_TRUE(c.issues.empty()) << ::testing::PrintToString(IssueList(c));
    EXPECT_EQ(c.rows[1].device, "Счётчик");
    EXPECT_EQ(c.rows[1].name, "Счётчик(012).Энергия;\"Сумма\"");
    EXPECT_EQ(c.rows[1].period, 0);
    EXPECT_EQ(c.rows[2].period, 864000000000LL);
    EXPECT_FALSE(c.rows[2].hasDevice);
    EXPECT_FALSE(c.rows[2].hasName);
}

std::string Utf16LeWithBom(const std::u16string& text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t u : text) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    return bytes;
}

std::string Utf16BeWithBom(const std::u16string& text)
{
    std::string bytes = "\xFE\xFF";
    for (char16_t u : text) {
        bytes += static_cast<char>(u >> 8);
        bytes += static_cast<char>(u & 0xFF);
    }
    return bytes;
}

TEST(TagFileReader, DetectsEncodingSeparatorAndHeaderOrder)
{
    struct Case {
        const char* what;
        std::string bytes;
        TagFileEncoding encoding;
        char separator;
        bool bom;
    } cases[] = {
        {"utf-8 bom, crlf", "\xEF\xBB\xBF" "device;address;type;param;name;period_ms\r\n" u8"Счётчик;12;7;3;x;5\r\n",
         TagFileEncoding::Utf8, ';', true},
        {"utf-8, commas", "device,address,type,param,name,period_ms\n" u8"Счётчик,12,7,3,x,5\n",
         TagFileEncoding::Utf8, ',', false},
        {"1251, tabs, columns reordered, an extra one",
         "period_ms\tparam\tcomment\tType\taddress\tdevice\n5\t3\t;,;\t7\t12\tСчётчик\n",
         TagFileEncoding::Cp1251, '\t', false},
        {"utf-16le with bom, tabs",
         Utf16LeWithBom(u"device\taddress\ttype\tparam\tname\tperiod_ms\r\n\u0421\t12\t7\t3\tx\t5\r\n"),
         TagFileEncoding::Utf16Le, '\t', true},
        {"utf-16be with bom, a character beyond the first plane",
         Utf16BeWithBom(u"device;address;type;param;name;period_ms\r\n\u0421;12;7;3;\U0001F600;5\r\n"),
         TagFileEncoding::Utf16Be, ';', true},
    };
    for (const Case& k : cases) {
        const TagFileContent c = ReadTagFile(k.bytes);
        ASSERT_TRUE(c.readable) << k.what;
        EXPECT_EQ(c.format.encoding, k.encoding) << k.what;
        EXPECT_EQ(c.format.separator, k.separator) << k.what;
        EXPECT_EQ(c.format.byteOrderMark, k.bom) << k.what;
        ASSERT_EQ(c.rows.size(), 1u) << k.what << ::testing::PrintToString(IssueList(c));
        EXPECT_EQ(c.rows[0].id, (TagId{7, 12, 3})) << k.what;
        EXPECT_EQ(c.rows[0].period, 50000) << k.what;
    }
    // The device text comes out in Windows-1251 whatever the file's encoding.
    EXPECT_EQ(ReadTagFile(cases[0].bytes).rows[0].device, "Счётчик");
    EXPECT_EQ(ReadTagFile(cases[2].bytes).rows[0].device, "Счётчик");
    EXPECT_EQ(ReadTagFile(cases[3].bytes).rows[0].device, "С");
    EXPECT_EQ(ReadTagFile(cases[4].bytes).rows[0].device, "С");
    TagFileContent be = ReadTagFile(Utf16BeWithBom(u"address;type;param;period_ms\n1;1;1;x\xE9\n"));
    ASSERT_EQ(be.issues.size(), 1u);
    EXPECT_EQ(be.issues[0].text, u8"x\u00E9");
}

TEST(TagFileReader, BrokenRowsBesideGoodOnesAreReportedWithTheirLinesAndNeverKept)
{
    const std::string file =
        "# exported\n"
        "device;address;type;param;name;period_ms\n"
        "PM3F;5;1;14;;1000\n"        // 3 good
        ";5;0;14;;1000\n"            // 4 type 0
        ";5;256;14;;1000\n"          // 5
        ";5;x1;14;;1000\n"           // 6
        ";248;1;14;;1000\n"          // 7 address
        ";0;1;14;;1000\n"            // 8
        ";5;1;0;;1000\n"             // 9 param
        ";5;1;65535;;1000\n"         // 10
        ";5;1;14;;1.5\n"             // 11 period
        ";5;1;14;;-1\n"              // 12
        ";5;1;14;;86400001\n"        // 13
        ";5;1;14;;99999999999999999999\n"  // 14
        ";5;1;15\n"                  // 15 columns missing
        ";5;1;;;1000\n"              // 16 empty param
        ";6;1;14;;1000\n"            // 17 good
        ";6;1;14;;1000\n"            // 18 the same tag again: one tag
        ";7;1;14;;1000\n"            // 19 conflicting periods: all three rows out
        ";7;1;14;;2000\n"            // 20
        ";7;1;14;;1000\n"            // 21
        ";8;1;14;\"open;1000\n"      // 22 quote never closed
        ";9;1;14;;1000\n";
    const TagFileContent c = ReadTagFile(file);
    ASSERT_TRUE(c.readable);
    EXPECT_EQ(Ids(c), "3:1/5/14=1000 17:1/6/14=1000 ");
    const std::vector<std::string> expected = {
        "4:type '0' is not a number from 1 to 255",
        "5:type '256' is not a number from 1 to 255",
        "6:type 'x1' is not a number from 1 to 255",
        "7:address '248' is not a number from 1 to 247",
        "8:address '0' is not a number from 1 to 247",
        "9:param '0' is not a number from 1 to 65534",
        "10:param '65535' is not a number from 1 to 65534",
        "11:period_ms '1.5' is not a whole number of milliseconds from 0 to 86400000",
        "12:period_ms '-1' is not a whole number of milliseconds from 0 to 86400000",
        "13:period_ms '86400001' is not a whole number of milliseconds from 0 to 86400000",
        "14:period_ms '99999999999999999999' is not a whole number of milliseconds from 0 to 86400000",
        "15:no period_ms",
        "16:no param",
        "19:the same tag is on line 20 with another period",
        "20:the same tag is on line 19 with another period",
        "21:the same tag is on line 19 with another period",
        "22:a quoted field is not closed before the end of the file",
    };
    EXPECT_EQ(IssueList(c), expected);
    EXPECT_EQ(c.invalidRows, expected.size());
}

TEST(TagFileReader, AFileWithoutAUsableHeaderIsNotRead)
{
    const struct {
        std::string bytes;
        const char* issue;
    } cases[] = {
        {"", "1:no header line naming the columns (device;address;type;param;name;period_ms)"},
        {"\xEF\xBB\xBF\r\n\r\n", "3:no header line naming the columns (device;address;type;param;name;period_ms)"},
        {"PM3F;5;1;14;x;1000\n", "1:no header line naming the columns (device;address;type;param;name;period_ms)"},
        {"#c\ndevice;address;type;name;period_ms\n;5;1;x;1\n", "2:the header line has no column 'param'"},
        // Either of two columns of one name would be a guess.
        {"address;type;param;period_ms;Period_ms\n1;1;1;5;50\n", "1:column period_ms twice"},
        {"device;address;type;param;device;period_ms\n;1;1;1;;5\n", "1:column device twice"},
    };
    for (const auto& k : cases) {
        const TagFileContent c = ReadTagFile(k.bytes);
        EXPECT_FALSE(c.readable);
        EXPECT_TRUE(c.rows.empty());
        EXPECT_EQ(IssueList(c), std::vector<std::string>{k.issue});
    }
}

TEST(TagFileReader, QuotedLineBreaksKeepTheLineNumbersRight)
{
    const std::string file =
        "device;address;type;param;name;period_ms\r\n"
        ";5;1;14;\"two\r\nlines\";1000\r\n"
        ";5;1;15;\"three\nli\nnes\";x\r\n"
        ";5;1;16;;1\r\n";
    const TagFileContent c = ReadTagFile(file);
    EXPECT_TRUE(c.format.crlf);
    EXPECT_EQ(Ids(c), "2:1/5/14=1000 7:1/5/16=1 ");
    EXPECT_EQ(c.rows[0].name, "two\r\nlines");
    EXPECT_EQ(IssueList(c), std::vector<std::string>{
                                "4:period_ms 'x' is not a whole number of milliseconds from 0 to 86400000"});
}

class TagFileCatalogueCheck : public tagfile_test::CatalogueTest {};

TEST_F(TagFileCatalogueCheck, MismatchesWarnOrWithStrictInvalidateUnknownTypesOnlyWarn)
{
    const std::string file =
        "device;address;type;param;name;period_ms\n"
        "PM3F;5;1;14;PM3F(005).Frequency;1000\n"  // 2 matches
        "PM3;5;1;2;PM3F(005).Voltage.A;1000\n"    // 3 wrong device
        "PM3F;6;1;2;PM3F(007).Voltage.A;1000\n"   // 4 wrong name
        "Счётчик;9;7;3;Счётчик(009).Энергия.Сумма;1\n"  // 5 Cyrillic, matches
        "X;5;99;1;X(005).Y;1000\n"                // 6 unknown type: no checks, one warning
        ";6;99;1;;1000\n";                        // 7
    const TagNames naming = CatalogueTagNames(UnnamedPartTexts());
    TagFileReadOptions options;
    options.naming = &naming;

    const TagFileContent lenient = ReadTagFile(file, options);
    EXPECT_EQ(Ids(lenient), "2:1/5/14=1000 3:1/5/2=1000 4:1/6/2=1000 5:7/9/3=1 6:99/5/1=1000 7:99/6/1=1000 ");
    EXPECT_EQ(lenient.invalidRows, 0u);
    EXPECT_EQ(lenient.warnings, 3u);
    const std::vector<std::string> warnings = {
        "3:device 'PM3' differs from the descriptions' 'PM3F'",
        "4:name 'PM3F(007).Voltage.A' differs from the descriptions' 'PM3F(006).Voltage.A'",
        "6:type 99 is not in the device descriptions (2 rows)",
    };
    EXPECT_EQ(IssueList(lenient), warnings);

    options.strict = true;
    const TagFileContent strict = ReadTagFile(file, options);
    EXPECT_EQ(Ids(strict), "2:1/5/14=1000 5:7/9/3=1 6:99/5/1=1000 7:99/6/1=1000 ");
    EXPECT_EQ(strict.invalidRows, 2u);
    EXPECT_EQ(IssueList(strict), warnings);
    EXPECT_TRUE(strict.issues[0].invalid);
    EXPECT_FALSE(strict.issues[2].invalid);
}

TEST_F(TagFileCatalogueCheck, UndescribedPartsAreNamedAsTheTreeNamesThemAndOlderNamesAreRead)
{
    const UnnamedPartTexts words{"T", "P"};
    const TagNames naming = CatalogueTagNames(words);
    // An unknown type, an undescribed parameter of a known one, the addresses 0 and 255:
    // each gets the tree's stand-in, so that no two tags share a name.
    EXPECT_EQ(naming.tagName(7, 9, 1), "T9(007).P1");
    EXPECT_EQ(naming.tagName(7, 9, 2), "T9(007).P2");
    EXPECT_EQ(naming.tagName(5, 1, 9999), "PM3F(005).P9999");
    EXPECT_EQ(naming.tagName(5, 1, 14), "PM3F(005).Frequency");
    EXPECT_EQ(naming.tagName(0, 1, 14), "PM3F(000).Frequency");
    EXPECT_EQ(naming.tagName(255, 9, 0), "T9(255).P0");
    EXPECT_EQ(naming.deviceName(9), "");
    // What files written before hold.
    EXPECT_EQ(naming.olderTagName(7, 9, 1), "(007).");
    EXPECT_EQ(naming.olderTagName(5, 1, 9999), "PM3F(005).");

    // The older names and the new are both read without a word, strict included; another
    // name is still a mismatch.
    const std::string file =
        "device;address;type;param;name;period_ms\n"
        "PM3F;5;1;9999;PM3F(005).;1000\n"       // 2 older
        "PM3F;6;1;9999;PM3F(006).P9999;1000\n"  // 3 new
        ";7;9;1;(007).;1500\n"                  // 4 older, of an unknown type
        ";7;9;2;T9(007).P2;1600\n"              // 5 new
        "PM3F;8;1;9999;PM3F(008).P1;1000\n";    // 6 wrong
    TagFileReadOptions options;
    options.naming = &naming;
    options.strict = true;
    const TagFileContent strict = ReadTagFile(file, options);
    EXPECT_EQ(Ids(strict), "2:1/5/9999=1000 3:1/6/9999=1000 4:9/7/1=1500 5:9/7/2=1600 ");
    EXPECT_EQ(strict.invalidRows, 1u);
    EXPECT_EQ(IssueList(strict), (std::vector<std::string>{
                                     "4:type 9 is not in the device descriptions (2 rows)",
                                     "6:name 'PM3F(008).P1' differs from the descriptions' 'PM3F(008).P9999'"}));
}

// A row refused for its names still conflicts with another period of the same tag: strict
// reading must never let through a row the lenient reading refuses (found by the fuzzer).
TEST_F(TagFileCatalogueCheck, RowRefusedForItsNamesStillConflicts)
{
    const std::string file =
        "device;address;type;param;name;period_ms\n"
        "PM3;5;1;14;PM3F(005).Frequency;1000\n"   // 2 wrong device
        "PM3F;5;1;14;PM3F(005).Frequency;2000\n"  // 3 another period of the same tag
        "PM3F;6;1;14;;3000\n"                     // 4 refused name, repeated below
        "PM3F;6;1;14;;3000\n";                    // 5 the same: one tag
    const TagNames naming = CatalogueTagNames(UnnamedPartTexts());
    TagFileReadOptions options;
    options.naming = &naming;
    const TagFileContent lenient = ReadTagFile(file, options);
    options.strict = true;
    const TagFileContent strict = ReadTagFile(file, options);
    EXPECT_EQ(Ids(lenient), "4:1/6/14=3000 ");
    EXPECT_EQ(Ids(strict), "4:1/6/14=3000 ");
    EXPECT_EQ(lenient.invalidRows, 2u);  // rows 2 and 3: two periods
    EXPECT_EQ(strict.invalidRows, 2u);   // row 2 for its device, row 3 for the conflict
}

// Export marks formula-looking names with an apostrophe; with --strict the marked form
// still matches the descriptions' name, and so does the bare one.
TEST(TagFileReader, ApostropheMarkedNamesMatchUnderStrict)
{
    TagNames naming;
    naming.knowsType = [](std::uint32_t) { return true; };
    naming.deviceName = [](std::uint32_t) { return std::string("+Dev"); };
    naming.tagName = [](std::uint32_t, std::uint32_t, std::uint32_t) { return std::string("-Dev(005).x"); };
    TagFileReadOptions options;
    options.naming = &naming;
    options.strict = true;
    const TagFileContent c = ReadTagFile(
        "device;address;type;param;name;period_ms\n"
        "'+Dev;5;1;14;'-Dev(005).x;1000\n"
        "+Dev;5;1;15;-Dev(005).x;1000\n"
        "''+Dev;5;1;16;;1000\n",  // a device named "'+Dev": a mismatch
        options);
    EXPECT_EQ(Ids(c), "2:1/5/14=1000 3:1/5/15=1000 ");
    EXPECT_EQ(c.invalidRows, 1u);
    EXPECT_EQ(c.rows[0].name, "-Dev(005).x");
}

TEST_F(TagFileCatalogueCheck, WhatExportWritesReadsBackUnchangedInEveryFormat)
{
    const TagNames naming = CatalogueTagNames(UnnamedPartTexts());
    std::vector<TagFileRecord> records;
    for (const TagId id : {TagId{1, 5, 14}, TagId{7, 247, 3}, TagId{1, 1, 2}, TagId{99, 3, 65534}}) {
        TagFileRecord r;
        r.id = id;
        r.period = static_cast<std::int64_t>(id.param) * 10000;
        r.device = naming.deviceName(id.type);
        r.name = naming.tagName(id.address, id.type, id.param);
        records.push_back(r);
    }
    records[2].name = "odd; \"quoted\" name ";  // needs quotes in every format
    records[3].device = "#not a comment";
    records[0].name = "=HYPERLINK(\"http://e/\"&\"(004).x\")";  // a spreadsheet's formula
    records[0].device = "@dev";

    const TagFileFormat formats[] = {
        TagFileFormat{},
        TagFileFormat{TagFileEncoding::Cp1251, false, ',', false},
        TagFileFormat{TagFileEncoding::Utf8, false, '\t', true},
    };
    for (const TagFileFormat& format : formats) {
        const std::string bytes = WriteTagFile(records, format);
        const TagFileContent c = ReadTagFile(bytes);
        ASSERT_TRUE(c.readable);
        EXPECT_NE(bytes.find("'=HYPERLINK"), std::string::npos);
        EXPECT_NE(bytes.find("'@dev"), std::string::npos);
        EXPECT_EQ(c.format.encoding, format.encoding);
        EXPECT_EQ(c.format.separator, format.separator);
        EXPECT_EQ(c.format.crlf, format.crlf);
        ASSERT_EQ(c.rows.size(), records.size()) << ::testing::PrintToString(IssueList(c));
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(c.rows[i].id, records[i].id);
            EXPECT_EQ(c.rows[i].period, records[i].period);
            EXPECT_EQ(c.rows[i].device, records[i].device);
            EXPECT_EQ(c.rows[i].name, records[i].name);
        }
        // Written again in the format detected: the same bytes.
        std::vector<TagFileRecord> again(c.rows.begin(), c.rows.end());
        EXPECT_EQ(WriteTagFile(again, c.format), bytes);
    }
}

}  // namespace

namespace {

class TagFileNaming : public tagfile_test::CatalogueTest {};

TEST_F(TagFileNaming, IndexedNamesAreTheCataloguesOwnLookups)
{
    // Same type code twice (the one loaded last is found) and a number given twice.
    tagfile_test::AddDevice(1, "Newer", {{14, "First"}, {14, "Second"}, {5, "Five"}});
    tagfile_test::AddDevice(0, "Zero", {{1, "P"}});
    const TagNames naming = CatalogueTagNames(UnnamedPartTexts());
    for (std::uint32_t type : {0u, 1u, 7u, 8u, 300u, 0xFFFFFFFFu}) {
        EXPECT_EQ(naming.deviceName(type), GetDeviceName(static_cast<int>(type))) << type;
        EXPECT_EQ(naming.knowsType(type), type != 0 && FindDevice(static_cast<int>(type)) != nullptr) << type;
        for (std::uint32_t address : {0u, 1u, 5u, 247u, 255u, 1000u})
            for (std::uint32_t param : {0u, 2u, 3u, 5u, 14u, 65535u}) {
                const int a = static_cast<int>(address), t = static_cast<int>(type), p = static_cast<int>(param);
                // The tree's name (as the window forms it), and the name of older files.
                EXPECT_EQ(naming.tagName(address, type, param),
                          ComposeTreeTagName(GetDeviceName(t), GetParameterName(t, p), a, t, p, UnnamedPartTexts()))
                    << type << " " << address << " " << param;
                EXPECT_EQ(naming.olderTagName(address, type, param), FormatTagName(a, t, p))
                    << type << " " << address << " " << param;
            }
    }
    EXPECT_EQ(naming.tagName(5, 1, 14), "Newer(005).Second");
}

}  // namespace
