#include "tree/TreeTagName.h"

#include "catalogue/TagName.h"

std::string ComposeTreeDevicePart(const std::string& deviceName, int address, int typeCode,
                                  const UnnamedPartTexts& texts)
{
    return FormatDevicePart(deviceName.empty() ? texts.deviceTypePrefix + std::to_string(typeCode) : deviceName,
                            address);
}

std::string ComposeTreeTagName(const std::string& deviceName, const std::string& parameterName,
                               int address, int typeCode, int paramNumber,
                               const UnnamedPartTexts& texts)
{
    const std::string parameter =
        parameterName.empty() ? texts.parameterPrefix + std::to_string(paramNumber) : parameterName;
    return ComposeTreeDevicePart(deviceName, address, typeCode, texts) + "." + parameter;
}
