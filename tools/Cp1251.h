// Windows-1251 to UTF-8, for output meant for other tools (JSON).
#pragma once

#include <string>
#include <string_view>

// Every byte maps to one code point; 0x98, which the code page leaves unassigned, maps to
// U+0098 as the platform's own conversion does.
std::string Cp1251ToUtf8(std::string_view text);
