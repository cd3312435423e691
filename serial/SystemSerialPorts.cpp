#include "serial/SystemSerialPorts.h"

#include <windows.h>

#include "serial/EnumerateSerial.h"
#include "ui/Text.h"

bool CSystemSerialPorts::UsingQueryDosDevice(std::vector<unsigned>& ports)
{
    return CEnumerateSerial::UsingQueryDosDevice(ports);
}

bool CSystemSerialPorts::UsingSetupAPI(std::vector<unsigned>& ports, std::vector<std::string>& descriptions)
{
    // The descriptions arrive in Windows-1251 already (read as UTF-16 and converted).
    return CEnumerateSerial::UsingSetupAPI(ports, descriptions);
}

std::string ConvertToCp1251(const std::string& text, unsigned codePage)
{
    if (text.empty() || codePage == kTextCodePage) return text;
    const int length = static_cast<int>(text.size());
    const int count = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (count <= 0) return text;
    std::wstring wide(static_cast<size_t>(count), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), count);
    return Narrow(wide);
}
