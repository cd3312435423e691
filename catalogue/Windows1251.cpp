#include "catalogue/Windows1251.h"

#include <cstddef>

namespace {

// Code points of 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
constexpr char32_t kHighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

constexpr char32_t CodePointOf(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte < 0xC0)
        return kHighHalf[byte - 0x80];
    return 0x0410 + (byte - 0xC0);
}

// The bytes of U+0400..U+045F, where nearly all of the code page's letters lie; 0 for the
// few it lacks. Built from the table above, so that the two directions cannot disagree.
constexpr char32_t kCyrillicFirst = 0x0400;
constexpr char32_t kCyrillicEnd = 0x0460;

struct CyrillicBytes {
    unsigned char of[kCyrillicEnd - kCyrillicFirst];
};

constexpr CyrillicBytes MakeCyrillicBytes()
{
    CyrillicBytes t{};
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char32_t c = CodePointOf(static_cast<unsigned char>(b));
        if (c >= kCyrillicFirst && c < kCyrillicEnd)
            t.of[c - kCyrillicFirst] = static_cast<unsigned char>(b);
    }
    return t;
}

constexpr CyrillicBytes kCyrillicBytes = MakeCyrillicBytes();

// The value of a UTF-8 sequence of count bytes (2 to 4) starting at p, or -1 when it is
// malformed: a missing continuation byte, an overlong form, a surrogate, beyond U+10FFFF.
long DecodeUtf8(const unsigned char* p, std::size_t available, std::size_t count)
{
    static const char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (available < count)
        return -1;
    char32_t c = p[0] & (0x7F >> count);
    for (std::size_t i = 1; i < count; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return -1;
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < kSmallest[count] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return -1;
    return static_cast<long>(c);
}

}  // namespace

char32_t Cp1251ToCodePoint(unsigned char byte)
{
    return CodePointOf(byte);
}

std::string Cp1251ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (const char c : text) {
        const char32_t cp = Cp1251ToCodePoint(static_cast<unsigned char>(c));
        if (cp < 0x80) {
            out += c;
        } else if (cp < 0x800) {  // the code page's letters lie below U+10000: two or three bytes
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

char CodePointToCp1251(char32_t codePoint)
{
    if (codePoint < 0x80)
        return static_cast<char>(codePoint);
    if (codePoint >= kCyrillicFirst && codePoint < kCyrillicEnd) {
        const unsigned char b = kCyrillicBytes.of[codePoint - kCyrillicFirst];
        return b ? static_cast<char>(b) : '?';
    }
    // The rest are punctuation and signs of the upper half: rare, a short search.
    for (int i = 0; i < 64; ++i) {
        if (kHighHalf[i] == codePoint)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

std::string Utf16ToCp1251(std::u16string_view text, bool* lossless)
{
    bool exact = true;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            // A pair stands for a character beyond U+FFFF, which the code page never holds.
            ++i;
            out += '?';
            exact = false;
        } else {
            const char byte = CodePointToCp1251(unit);  // a lone surrogate gives '?' as well
            if (byte == '?' && unit != u'?') exact = false;
            out += byte;
        }
    }
    if (lossless) *lossless = exact;
    return out;
}

std::string Utf8ToCp1251(std::string_view text, bool* lossless)
{
    bool exact = true;
    std::string out;
    out.reserve(text.size());
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    while (p != end) {
        const unsigned char lead = *p;
        // Bytes of the sequence the lead byte starts; 0 for a byte no sequence starts with.
        const std::size_t count = lead < 0x80   ? 1
                                  : lead < 0xC0 ? 0
                                  : lead < 0xE0 ? 2
                                  : lead < 0xF0 ? 3
                                  : lead < 0xF5 ? 4
                                                : 0;
        if (count == 1) {
            out += static_cast<char>(lead);
            ++p;
            continue;
        }
        const long c = count ? DecodeUtf8(p, static_cast<std::size_t>(end - p), count) : -1;
        if (c < 0) {
            out += '?';  // a malformed byte; the next one starts afresh
            exact = false;
            ++p;
        } else {
            const char byte = CodePointToCp1251(static_cast<char32_t>(c));
            if (byte == '?')
                exact = false;  // the code page has no such character (a '?' itself is ASCII)
            out += byte;
            p += count;
        }
    }
    if (lossless != nullptr)
        *lossless = exact;
    return out;
}
