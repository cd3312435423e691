// The JSON writer: documents a strict reader takes back with the same values, whatever the
// texts hold (Cyrillic, quotes, control characters, bytes that are not UTF-8).
#include <gtest/gtest.h>

#include "common/JsonWriter.h"
#include "tests/support/JsonReader.h"

namespace {

JsonValue ReadBack(const std::string& text)
{
    JsonValue value;
    std::string error;
    EXPECT_TRUE(CJsonReader::Parse(text, &value, &error)) << error << ": " << text;
    return value;
}

TEST(JsonWriter, NestedMembersAndElementsReadBackAsWritten)
{
    CJsonWriter json;
    json.BeginObject();
    json.Key("changed").Bool(true);
    json.Key("empty").BeginArray().EndArray();
    json.Key("list").BeginArray();
    json.BeginObject().Key("n").Number(-5).Key("p").RawNumber("1.5").Key("q").RawNumber("").EndObject();
    json.Number(7).Null().Bool(false);
    json.EndArray();
    json.Key("inner").BeginObject().EndObject();
    json.EndObject();
    EXPECT_EQ(json.Text(),
              "{\"changed\":true,\"empty\":[],\"list\":[{\"n\":-5,\"p\":1.5,\"q\":null},7,null,false],\"inner\":{}}\n");
    const JsonValue v = ReadBack(json.Text());
    EXPECT_TRUE(v["changed"].boolean);
    ASSERT_EQ(v["list"].items.size(), 4u);
    EXPECT_EQ(v["list"].items[0]["p"].number, 1.5);
    EXPECT_EQ(v["list"].items[0]["q"].kind, JsonValue::Kind::Null);
    EXPECT_EQ(v["list"].items[1].Int(), 7);
}

TEST(JsonWriter, StringsKeepEveryCharacterAndStayValidJson)
{
    const std::string texts[] = {
        u8"Счётчик(012).Энергия.Сумма",
        "quote \" backslash \\ slash /",
        std::string("nul \0 bell \a tab \t line \n cr \r esc \x1b end", 41),
        u8"emoji \U0001F600 and \u00E4",
    };
    for (const std::string& text : texts) {
        CJsonWriter json;
        json.BeginArray().String(text).EndArray();
        const std::string doc = json.Text();
        for (unsigned char c : doc.substr(0, doc.size() - 1)) EXPECT_GE(c, 0x20u) << doc;
        const JsonValue v = ReadBack(doc);
        ASSERT_EQ(v.items.size(), 1u);
        EXPECT_EQ(v.items[0].text, text);
    }
}

TEST(JsonWriter, BytesThatAreNotUtf8BecomeTheReplacementCharacter)
{
    // A Windows-1251 "Сч", a lone continuation byte, a cut-off sequence, an overlong '/',
    // an encoded surrogate.
    std::string out;
    AppendJsonString(out, "a\xD1\xF7" "b\x80" "c\xE2\x82" "d\xC0\xAF" "e\xED\xA0\x80" "f");
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(out, "\"a" + r + r + "b" + r + "c" + r + r + "d" + r + r + "e" + r + r + r + "f\"");
    EXPECT_EQ(ReadBack("[" + out + "]").items.size(), 1u);
}

}  // namespace
