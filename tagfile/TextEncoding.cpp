#include "tagfile/TextEncoding.h"

#include <cstdint>

namespace {

// Unicode of the Windows-1251 bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::uint16_t kHighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

std::uint32_t UnicodeOf1251(unsigned char byte)
{
    if (byte < 0x80) return byte;
    if (byte >= 0xC0) return 0x0410u + (byte - 0xC0u);
    return kHighHalf[byte - 0x80];
}

// The Windows-1251 byte of a character, or 0 when 1251 has none (NUL itself is ASCII).
unsigned char Cp1251Of(std::uint32_t cp)
{
    if (cp < 0x80) return static_cast<unsigned char>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return static_cast<unsigned char>(0xC0 + (cp - 0x0410));
    for (int i = 0; i < 64; ++i) {
        if (kHighHalf[i] == cp) return static_cast<unsigned char>(0x80 + i);
    }
    return 0;
}

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 character at text[pos]; returns its length, 0 when malformed.
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, std::uint32_t* cp)
{
    const auto b0 = static_cast<unsigned char>(text[pos]);
    std::size_t length;
    std::uint32_t value, minimum;
    if (b0 < 0x80) {
        *cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        length = 2, value = b0 & 0x1Fu, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, value = b0 & 0x0Fu, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, value = b0 & 0x07u, minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - pos < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(text[pos + i]);
        if ((b & 0xC0) != 0x80) return 0;
        value = (value << 6) | (b & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *cp = value;
    return length;
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            out += c;
        else
            AppendUtf8(out, UnicodeOf1251(byte));
    }
    return out;
}

std::string Utf8ToCp1251(std::string_view text, bool* lossless)
{
    std::string out;
    out.reserve(text.size());
    bool exact = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            out += text[pos++];
            continue;
        }
        std::uint32_t cp = 0;
        const std::size_t length = DecodeUtf8(text, pos, &cp);
        if (length == 0) {
            out += '?';
            exact = false;
            ++pos;
            continue;
        }
        const unsigned char byte = Cp1251Of(cp);
        if (byte == 0) {
            out += '?';
            exact = false;
        } else {
            out += static_cast<char>(byte);
        }
        pos += length;
    }
    if (lossless) *lossless = exact;
    return out;
}

bool IsValidUtf8(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        std::uint32_t cp = 0;
        const std::size_t length = DecodeUtf8(text, pos, &cp);
        if (length == 0) return false;
        pos += length;
    }
    return true;
}

std::string Utf16LeToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8);
    };
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t u = unitAt(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const std::uint32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
        AppendUtf8(out, u);
    }
    if (bytes.size() % 2 != 0) AppendUtf8(out, 0xFFFD);
    return out;
}
