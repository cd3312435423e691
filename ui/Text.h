// Conversion between the program's 8-bit Windows-1251 strings and the UTF-16 of the W
// functions. Every text crosses into the window system through here, so the interface
// shows the same on any system locale (an English Windows, a default Wine).
#pragma once

#include <string>

#include "common/Utf8Text.h"  // UTF-8 to UTF-16 and back (WidenUtf8, NarrowUtf8)

constexpr unsigned kTextCodePage = 1251;

std::wstring Widen(const std::string& text);
std::wstring Widen(const char* text);
std::string Narrow(const std::wstring& text);
std::string Narrow(const wchar_t* text);

// A message box's text with a blank at the end of every line: a message box is sized to
// its text as measured, and where the drawn line comes out wider than measured (Wine's
// substitute fonts) the widest line loses its last letter; the blank gives it that room.
std::string BoxLines(const std::string& text);
