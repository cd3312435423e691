#include "ui/Text.h"

#include <windows.h>

#include <cstring>

static std::wstring WidenBytes(const char* text, size_t length)
{
    if (length == 0) return std::wstring();
    const int count = MultiByteToWideChar(kTextCodePage, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(kTextCodePage, 0, text, static_cast<int>(length), wide.data(), count);
    return wide;
}

std::wstring Widen(const std::string& text) { return WidenBytes(text.data(), text.size()); }

std::wstring Widen(const char* text) { return text ? WidenBytes(text, std::strlen(text)) : std::wstring(); }

static std::string NarrowChars(const wchar_t* text, size_t length)
{
    if (length == 0) return std::string();
    const int count = WideCharToMultiByte(kTextCodePage, 0, text, static_cast<int>(length), nullptr, 0,
                                          nullptr, nullptr);
    std::string narrow(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(kTextCodePage, 0, text, static_cast<int>(length), narrow.data(), count, nullptr,
                        nullptr);
    return narrow;
}

std::string Narrow(const std::wstring& text) { return NarrowChars(text.data(), text.size()); }

std::string Narrow(const wchar_t* text) { return text ? NarrowChars(text, wcslen(text)) : std::string(); }

std::string RefusalText(const std::string& what, HResult hr, const std::string& outcome)
{
    std::string text = what + " (ошибка " + HResultText(hr) + ").";
    if (!outcome.empty()) text += "\n" + outcome;
    return text;
}

std::string BoxLines(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\n') out += ' ';
        out += c;
    }
    return out + ' ';
}
