#include "common/JsonWriter.h"

#include <cstdio>

namespace {

// The length of the UTF-8 sequence at text[i], 0 when it is not one (overlong forms,
// surrogates and values past U+10FFFF included).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    std::uint32_t value = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) || value > 0x10FFFF ||
        (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view utf8)
{
    out += '"';
    for (std::size_t i = 0; i < utf8.size();) {
        const char c = utf8[i];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
            ++i;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
            ++i;
        } else if (byte < 0x80) {
            out += c;
            ++i;
        } else if (const std::size_t length = Utf8SequenceLength(utf8, i)) {
            out.append(utf8.substr(i, length));
            i += length;
        } else {
            out += "\xEF\xBF\xBD";  // U+FFFD for a byte that begins no UTF-8 sequence
            ++i;
        }
    }
    out += '"';
}

CJsonWriter& CJsonWriter::Open(char bracket)
{
    BeforeValue();
    m_out += bracket;
    m_hasItems.push_back(false);
    return *this;
}

CJsonWriter& CJsonWriter::Close(char bracket)
{
    m_out += bracket;
    if (!m_hasItems.empty()) m_hasItems.pop_back();
    return *this;
}

void CJsonWriter::BeforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_hasItems.empty()) {
        if (m_hasItems.back()) m_out += ',';
        m_hasItems.back() = true;
    }
}

CJsonWriter& CJsonWriter::Key(std::string_view name)
{
    BeforeValue();
    AppendJsonString(m_out, name);
    m_out += ':';
    m_afterKey = true;
    return *this;
}

CJsonWriter& CJsonWriter::String(std::string_view utf8)
{
    BeforeValue();
    AppendJsonString(m_out, utf8);
    return *this;
}

CJsonWriter& CJsonWriter::Number(std::int64_t value)
{
    BeforeValue();
    m_out += std::to_string(value);
    return *this;
}

CJsonWriter& CJsonWriter::RawNumber(std::string_view text)
{
    BeforeValue();
    if (text.empty())
        m_out += "null";
    else
        m_out.append(text);
    return *this;
}

CJsonWriter& CJsonWriter::Bool(bool value)
{
    BeforeValue();
    m_out += value ? "true" : "false";
    return *this;
}

CJsonWriter& CJsonWriter::Null()
{
    BeforeValue();
    m_out += "null";
    return *this;
}
