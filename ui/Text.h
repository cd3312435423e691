// Conversion between the program's 8-bit Windows-1251 strings and the UTF-16 of the W
// functions. Every text crosses into the window system through here, so the interface
// shows the same on any system locale (an English Windows, a default Wine).
#pragma once

#include <string>

#include "common/Utf8Text.h"  // UTF-8 to UTF-16 and back (WidenUtf8, NarrowUtf8)
#include "server/TagServer.h"

constexpr unsigned kTextCodePage = 1251;

std::wstring Widen(const std::string& text);
std::wstring Widen(const char* text);
std::string Narrow(const std::wstring& text);
std::string Narrow(const wchar_t* text);

// The box of a call the server refused or that failed: what did not happen, its code
// "(ошибка 0x80070057)" and a full stop, then what that leaves, on a line of its own when
// given: "Сервер не удалил тег (ошибка 0x80070490).\nТег остался в конфигурации."
std::string RefusalText(const std::string& what, HResult hr, const std::string& outcome = std::string());

// A message box's text with a blank at the end of every line: a message box is sized to
// its text as measured, and where the drawn line comes out wider than measured (Wine's
// substitute fonts) the widest line loses its last letter; the blank gives it that room.
std::string BoxLines(const std::string& text);
