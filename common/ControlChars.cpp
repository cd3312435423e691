#include "common/ControlChars.h"

namespace {

void AppendEscape(std::string& out, const char* prefix, unsigned value)
{
    static const char kDigits[] = "0123456789ABCDEF";
    out += prefix;
    out += kDigits[(value >> 4) & 0xF];
    out += kDigits[value & 0xF];
}

}  // namespace

std::string EscapeControlChars(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const bool lineEnd = c == '\n' || (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n');
        if ((c < 0x20 && !lineEnd) || c == 0x7F) {
            AppendEscape(out, "\\x", c);
        } else if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            // A C1 control: 0x9B alone is CSI to many terminals.
            AppendEscape(out, "\\u00", static_cast<unsigned char>(utf8[++i]));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}
