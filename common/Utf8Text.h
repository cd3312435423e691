// Windows: UTF-16 (the W functions' text) to UTF-8 (what zolctl writes, the journal's and
// the tag files' own text) and back. The programs' one conversion between the two; the
// Windows-1251 texts of the window cross through ui/Text.h.
#pragma once

#include <cstddef>
#include <string>

std::string NarrowUtf8(const wchar_t* text, std::size_t length);
std::string NarrowUtf8(const std::wstring& text);
// A zero-terminated text; null gives "".
std::string NarrowUtf8(const wchar_t* text);
std::wstring WidenUtf8(const std::string& text);
