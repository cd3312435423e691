#include "common/Utf8Text.h"

#include <windows.h>

#include <cwchar>

std::string NarrowUtf8(const wchar_t* text, std::size_t length)
{
    if (text == nullptr || length == 0) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), size, nullptr, nullptr);
    return out;
}

std::string NarrowUtf8(const std::wstring& text) { return NarrowUtf8(text.data(), text.size()); }

std::string NarrowUtf8(const wchar_t* text) { return text ? NarrowUtf8(text, std::wcslen(text)) : std::string(); }

std::wstring WidenUtf8(const std::string& text)
{
    if (text.empty()) return std::wstring();
    const int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (count <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), count);
    return wide;
}
