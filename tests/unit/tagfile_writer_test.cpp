#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tagfile/TagFileWriter.h"
#include "tagfile/TextEncoding.h"

namespace {

TagFileRecord Record(TagId id, std::int64_t period, std::string device = "", std::string name = "")
{
    TagFileRecord r;
    r.id = id;
    r.period = period;
    r.device = std::move(device);
    r.name = std::move(name);
    return r;
}

TEST(TagFileWriter, ExportDefaultIsUtf8WithBomSemicolonsAndCrLf)
{
    const std::vector<TagFileRecord> records = {
        Record({1, 5, 14}, 20000000, "PM3F", "PM3F(005).Frequency"),
        Record({7, 12, 3}, 0, "Счётчик", "Счётчик(012).Энергия"),
        Record({9, 1, 1}, 10000, "", "(001)."),
    };
    const std::string expected = std::string("\xEF\xBB\xBF") +
                                 "device;address;type;param;name;period_ms\r\n"
                                 "PM3F;5;1;14;PM3F(005).Frequency;2000\r\n" +
                                 u8"Счётчик;12;7;3;Счётчик(012).Энергия;0\r\n"
                                 ";1;9;1;(001).;1\r\n";
    EXPECT_EQ(WriteTagFile(records, TagFileFormat{}), expected);

    const std::string cp1251 = WriteTagFile(records, TagFileFormat{TagFileEncoding::Cp1251, true, ',', false});
    EXPECT_EQ(cp1251,
              "device,address,type,param,name,period_ms\n"
              "PM3F,5,1,14,PM3F(005).Frequency,2000\n"
              "Счётчик,12,7,3,Счётчик(012).Энергия,0\n"
              ",1,9,1,(001).,1\n");
}

TEST(TagFileWriter, FieldsAreQuotedOnlyWhenTheyWouldNotReadBack)
{
    const std::vector<TagFileRecord> records = {
        Record({1, 1, 1}, 0, "#dev", "a;b"),
        Record({1, 1, 2}, 0, "x#", "say \"hi\""),
        Record({1, 1, 3}, 0, " pad", "line\nbreak"),
        Record({1, 1, 4}, 0, "\"q", "a,b"),
    };
    EXPECT_EQ(WriteTagFile(records, TagFileFormat{TagFileEncoding::Cp1251, false, ';', false}),
              "device;address;type;param;name;period_ms\n"
              "\"#dev\";1;1;1;\"a;b\";0\n"
              "x#;1;1;2;\"say \"\"hi\"\"\";0\n"
              "\" pad\";1;1;3;\"line\nbreak\";0\n"
              "\"\"\"q\";1;1;4;a,b;0\n");
}

TEST(TagFileWriter, PeriodsTheFileCannotCarryAreWrittenExactlyAndNamed)
{
    const struct {
        std::int64_t period;
        bool known;
        const char* field;
        unsigned problems;
    } cases[] = {
        {0, true, "0", 0},
        {864000000000LL, true, "86400000", 0},
        {864000010000LL, true, "86400001", kRecordPeriodOutOfRange},
        {15000, true, "1.5", kRecordPeriodNotWhole},
        {1, true, "0.0001", kRecordPeriodNotWhole},
        {-10000, true, "-1", kRecordPeriodOutOfRange},
        {-15000, true, "-1.5", kRecordPeriodOutOfRange | kRecordPeriodNotWhole},
        {std::numeric_limits<std::int64_t>::min(), true, "-922337203685477.5808",
         kRecordPeriodOutOfRange | kRecordPeriodNotWhole},
        {5, false, "", kRecordPeriodUnknown},
    };
    for (const auto& c : cases) {
        TagFileRecord r = Record({1, 1, 1}, c.period);
        r.periodKnown = c.known;
        EXPECT_EQ(FormatPeriodField(r), c.field) << c.period;
        EXPECT_EQ(RecordProblems(r), c.problems) << c.period;
    }
    EXPECT_EQ(RecordProblems(Record({0, 248, 65535}, 0)),
              kRecordTypeOutOfRange | kRecordAddressOutOfRange | kRecordParamOutOfRange);
    EXPECT_EQ(RecordProblems(Record({256, 1, 0}, 0)), kRecordTypeOutOfRange | kRecordParamOutOfRange);
    EXPECT_EQ(RecordProblems(Record({255, 247, 65534}, 0)), 0u);
    EXPECT_EQ(DescribeRecordProblems(Record({300, 1, 1}, 15000)),
              "type 300 is outside 1..255; period 1.5 ms is not a whole number of milliseconds");
}

TEST(TagFileWriter, JsonEscapesAndConvertsNames)
{
    TagFileRecord unknown = Record({2, 3, 4}, 0, "", "t\x01\\\"");
    unknown.periodKnown = false;
    const std::vector<TagFileRecord> records = {Record({1, 5, 14}, 15000, "Счёт", "x"), unknown};
    EXPECT_EQ(WriteTagListJson(records),
              "[\n"
              u8"{\"device\":\"Счёт\",\"address\":5,\"type\":1,\"param\":14,\"name\":\"x\",\"period_ms\":1.5},\n"
              "{\"device\":\"\",\"address\":3,\"type\":2,\"param\":4,\"name\":\"t\\u0001\\\\\\\"\",\"period_ms\":null}\n"
              "]\n");
    EXPECT_EQ(WriteTagListJson({}), "[]\n");
}

TEST(TextEncoding, Windows1251AndUtf8ConvertBothWaysAndLossIsTold)
{
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    bool lossless = false;
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all), &lossless), all);
    EXPECT_TRUE(lossless);
    EXPECT_TRUE(IsValidUtf8(Cp1251ToUtf8(all)));

    EXPECT_EQ(Cp1251ToUtf8("Ёё№"), u8"Ёё№");
    EXPECT_EQ(Utf8ToCp1251(u8"a€b", &lossless), "a\x88" "b");
    EXPECT_TRUE(lossless);
    EXPECT_EQ(Utf8ToCp1251("\xE6\x97\xA5\xE6\x9C\xAC", &lossless), "??");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(Utf8ToCp1251("a\xC3", &lossless), "a?");  // cut off
    EXPECT_FALSE(lossless);

    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "\xE2\x82"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    EXPECT_TRUE(IsValidUtf8(u8"\U0010FFFF"));

    EXPECT_EQ(Utf16LeToUtf8(std::string("A\0\x3D\xD8\x00\xDE", 6)), u8"A\U0001F600");
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x00\xD8" "A", 3)), u8"\uFFFD\uFFFD");  // lone surrogate, odd byte
}

}  // namespace
