// Windows-1251, the code page of the system's texts: its bytes as Unicode code points, and
// Unicode text (UTF-16 or UTF-8) converted to it.
//
// The code page holds ASCII, the Russian alphabet and a few dozen other letters and signs.
// A character it cannot hold becomes "?", one per character; so does each malformed unit
// of the input (a lone surrogate, a byte that does not fit a UTF-8 sequence).
#pragma once

#include <string>
#include <string_view>

// Every byte maps to one code point; 0x98, which the code page leaves unassigned, maps to
// U+0098 as the platform's own conversion does (and back).
char32_t Cp1251ToCodePoint(unsigned char byte);

// The bytes as UTF-8, every byte converting (0x98 to U+0098): for files and output meant for
// other tools (tag files, the journal, JSON).
std::string Cp1251ToUtf8(std::string_view text);

// The byte that stands for the code point, or '?' when the code page has none.
char CodePointToCp1251(char32_t codePoint);

// *lossless (when given) tells whether every character converted as itself.
std::string Utf16ToCp1251(std::u16string_view text, bool* lossless = nullptr);
std::string Utf8ToCp1251(std::string_view text, bool* lossless = nullptr);
