// A small JSON reader for the tests that read back the programs' JSON documents: strict
// (one document, nothing after it but blanks), \u escapes (with surrogate pairs) as UTF-8.
// Header only, for the native and the Windows tests alike.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "tests/support/Utf8.h"
#include <vector>

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // a string's; a number's as written
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;  // in order

    // A member (a Null value when there is none).
    const JsonValue& operator[](const std::string& name) const
    {
        for (const auto& m : members) {
            if (m.first == name) return m.second;
        }
        static const JsonValue none;
        return none;
    }
    bool Has(const std::string& name) const
    {
        for (const auto& m : members) {
            if (m.first == name) return true;
        }
        return false;
    }
    std::int64_t Int() const { return static_cast<std::int64_t>(number); }
};

class CJsonReader {
public:
    // False (with *error) when the text is not one JSON document.
    static bool Parse(const std::string& text, JsonValue* value, std::string* error)
    {
        CJsonReader reader(text);
        if (!reader.Value(value, 0) || (reader.Blanks(), reader.m_pos != text.size())) {
            *error = "not JSON at offset " + std::to_string(reader.m_pos);
            return false;
        }
        return true;
    }

private:
    explicit CJsonReader(const std::string& text) : m_text(text) {}

    void Blanks()
    {
        while (m_pos < m_text.size() &&
               (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r' || m_text[m_pos] == '\t'))
            ++m_pos;
    }
    bool Take(char c)
    {
        Blanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) return ++m_pos, true;
        return false;
    }
    bool Word(const char* word)
    {
        const std::string w(word);
        if (m_text.compare(m_pos, w.size(), w) != 0) return false;
        m_pos += w.size();
        return true;
    }
    bool Hex4(std::uint32_t* value)
    {
        if (m_pos + 4 > m_text.size()) return false;
        *value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_pos++];
            *value <<= 4;
            if (c >= '0' && c <= '9') *value |= static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f') *value |= static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') *value |= static_cast<std::uint32_t>(c - 'A' + 10);
            else return false;
        }
        return true;
    }
    bool String(std::string* out)
    {
        if (!Take('"')) return false;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (m_pos >= m_text.size()) return false;
            const char e = m_text[m_pos++];
            switch (e) {
            case '"': *out += '"'; break;
            case '\\': *out += '\\'; break;
            case '/': *out += '/'; break;
            case 'b': *out += '\b'; break;
            case 'f': *out += '\f'; break;
            case 'n': *out += '\n'; break;
            case 'r': *out += '\r'; break;
            case 't': *out += '\t'; break;
            case 'u': {
                std::uint32_t c1 = 0, c2 = 0;
                if (!Hex4(&c1)) return false;
                if (c1 >= 0xD800 && c1 <= 0xDBFF) {
                    if (!Word("\\u") || !Hex4(&c2) || c2 < 0xDC00 || c2 > 0xDFFF) return false;
                    c1 = 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00);
                } else if (c1 >= 0xDC00 && c1 <= 0xDFFF) {
                    return false;
                }
                *out += EncodeUtf8(c1);
                break;
            }
            default: return false;
            }
        }
        return false;
    }
    bool Value(JsonValue* v, int depth)
    {
        if (depth > 64) return false;
        Blanks();
        if (m_pos >= m_text.size()) return false;
        const char c = m_text[m_pos];
        if (c == '{') {
            v->kind = JsonValue::Kind::Object;
            ++m_pos;
            if (Take('}')) return true;
            do {
                std::string name;
                JsonValue member;
                if (!String(&name) || !Take(':') || !Value(&member, depth + 1)) return false;
                v->members.emplace_back(name, member);
            } while (Take(','));
            return Take('}');
        }
        if (c == '[') {
            v->kind = JsonValue::Kind::Array;
            ++m_pos;
            if (Take(']')) return true;
            do {
                JsonValue item;
                if (!Value(&item, depth + 1)) return false;
                v->items.push_back(item);
            } while (Take(','));
            return Take(']');
        }
        if (c == '"') {
            v->kind = JsonValue::Kind::String;
            return String(&v->text);
        }
        if (Word("true")) return v->kind = JsonValue::Kind::Bool, v->boolean = true, true;
        if (Word("false")) return v->kind = JsonValue::Kind::Bool, true;
        if (Word("null")) return true;
        // A number as JSON writes it: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
        const std::size_t start = m_pos;
        const auto digits = [&] {
            const std::size_t from = m_pos;
            while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') ++m_pos;
            return m_pos > from;
        };
        if (m_pos < m_text.size() && m_text[m_pos] == '-') ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '0')
            ++m_pos;
        else if (!digits())
            return false;
        if (m_pos < m_text.size() && m_text[m_pos] == '.' && (++m_pos, !digits())) return false;
        if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-')) ++m_pos;
            if (!digits()) return false;
        }
        v->kind = JsonValue::Kind::Number;
        v->text = m_text.substr(start, m_pos - start);
        v->number = std::strtod(v->text.c_str(), nullptr);
        return true;
    }

    const std::string& m_text;
    std::size_t m_pos = 0;
};
