#include "catalogue/TagName.h"

#include <cstdio>

#include "catalogue/Catalogue.h"

std::string FormatNetAddress(int address)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", address);
    return digits;
}

std::string FormatDevicePart(const std::string& deviceName, int address)
{
    return deviceName + "(" + FormatNetAddress(address) + ")";
}

std::string FormatTagNameFrom(const std::string& deviceName, const std::string& parameterName, int address,
                              int typeCode, int paramNumber)
{
    if (address == 0 || address == 255 || typeCode == 0 || paramNumber == 0)
        return std::string();
    return FormatDevicePart(deviceName, address) + "." + parameterName;
}

std::string FormatTagName(int address, int typeCode, int paramNumber)
{
    if (address == 0 || address == 255 || typeCode == 0 || paramNumber == 0)
        return std::string();
    return FormatTagNameFrom(GetDeviceName(typeCode), GetParameterName(typeCode, paramNumber), address, typeCode,
                             paramNumber);
}
