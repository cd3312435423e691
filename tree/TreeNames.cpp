#include "tree/TreeNames.h"

#include <cstdio>

std::string ComposeTreeDevicePart(const std::string& deviceName, int address, int typeCode,
                                  const UnnamedPartTexts& texts)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", address);
    const std::string name =
        deviceName.empty() ? texts.deviceTypePrefix + std::to_string(typeCode) : deviceName;
    return name + "(" + digits + ")";
}

std::string ComposeTreeTagName(const std::string& deviceName, const std::string& parameterName,
                               int address, int typeCode, int paramNumber,
                               const UnnamedPartTexts& texts)
{
    const std::string parameter =
        parameterName.empty() ? texts.parameterPrefix + std::to_string(paramNumber) : parameterName;
    return ComposeTreeDevicePart(deviceName, address, typeCode, texts) + "." + parameter;
}
