#include "serial/win/SystemEnumerateSerial.h"

#include <windows.h>

#include "serial/win/EnumerateSerial.h"

bool CSystemEnumerateSerial::UsingQueryDosDevice(std::vector<unsigned>& ports)
{
    return CEnumerateSerial::UsingQueryDosDevice(ports);
}

bool CSystemEnumerateSerial::UsingSetupAPI(std::vector<unsigned>& ports, std::vector<std::string>& descriptions)
{
    // The descriptions arrive in Windows-1251 already (read as UTF-16 and converted).
    return CEnumerateSerial::UsingSetupAPI(ports, descriptions);
}

std::string ConvertToCp1251(const std::string& text, unsigned codePage)
{
    constexpr unsigned kCp1251 = 1251;
    if (text.empty() || codePage == kCp1251) return text;
    const int length = static_cast<int>(text.size());
    const int count = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (count <= 0) return text;
    std::wstring wide(static_cast<size_t>(count), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), count);
    const int bytes = ::WideCharToMultiByte(kCp1251, 0, wide.data(), count, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) ::WideCharToMultiByte(kCp1251, 0, wide.data(), count, narrow.data(), bytes, nullptr, nullptr);
    return narrow;
}
