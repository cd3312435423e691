// A small writer of JSON documents, for the results the programs print for machines to read
// (zolctl --format json, the tag lists, the journal). Texts are UTF-8; a byte sequence that
// is not UTF-8 becomes U+FFFD, so the document is always valid JSON. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A UTF-8 text as a quoted JSON string, appended to out: '"' and '\' escaped, control
// characters as \u00XX.
void AppendJsonString(std::string& out, std::string_view utf8);

// Members and elements are separated as they are added; Key comes before each member's value.
class CJsonWriter {
public:
    CJsonWriter& BeginObject() { return Open('{'); }
    CJsonWriter& EndObject() { return Close('}'); }
    CJsonWriter& BeginArray() { return Open('['); }
    CJsonWriter& EndArray() { return Close(']'); }
    CJsonWriter& Key(std::string_view name);
    CJsonWriter& String(std::string_view utf8);
    CJsonWriter& Number(std::int64_t value);
    // A number already written as JSON ("1.5"); "null" when empty.
    CJsonWriter& RawNumber(std::string_view text);
    CJsonWriter& Bool(bool value);
    CJsonWriter& Null();

    // The document, with a line end after it.
    std::string Text() const { return m_out + "\n"; }

private:
    CJsonWriter& Open(char bracket);
    CJsonWriter& Close(char bracket);
    void BeforeValue();

    std::string m_out;
    std::vector<bool> m_hasItems;  // per open object or array
    bool m_afterKey = false;
};
