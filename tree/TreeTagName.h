// The texts of the main window's tree nodes for a tag. They follow the tag name
// (Device(005).Group.Param), but a part the descriptions cannot name gets a visible stand-in
// text, so that every tag the server holds shows as a node of its own with a readable text.
#pragma once

#include <string>

// Stand-ins for an unknown device type and an undescribed parameter; the number follows
// the prefix ("Type 57", "Parameter 9999"). The program supplies its own language's words.
struct UnnamedPartTexts {
    std::string deviceTypePrefix = "Type ";
    std::string parameterPrefix = "Parameter ";
};

// deviceName (or the stand-in for typeCode when it is empty) + "(" + "%03d" address + ")".
std::string ComposeTreeDevicePart(const std::string& deviceName, int address, int typeCode,
                                  const UnnamedPartTexts& texts);

// The device part, ".", and parameterName (or the stand-in for paramNumber when it is
// empty). Unlike the tag name proper it is formed for every address, 0 and 255 included.
std::string ComposeTreeTagName(const std::string& deviceName, const std::string& parameterName,
                               int address, int typeCode, int paramNumber,
                               const UnnamedPartTexts& texts);
