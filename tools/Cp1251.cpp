#include "tools/Cp1251.h"

#include "catalogue/Windows1251.h"

namespace {

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char ch : text)
        AppendUtf8(out, Cp1251ToCodePoint(static_cast<unsigned char>(ch)));
    return out;
}
