// Display names of tags, formed from the device catalogue.
//
// A tag name is the device part, "." and the parameter name; the device part is the device
// name followed by the network address in parentheses as three digits: Meter(005).Voltage.
// Each "." splits the name into one more level of the tag trees.
#pragma once

#include <string>

// The tag name of a parameter of the device at this address, from g_DeviceCatalogue.
// "" when the address is 0 or 255, or the type code or the parameter number is 0. Missing
// catalogue entries leave their piece empty: "(005).", "Meter(005).".
std::string FormatTagName(int address, int typeCode, int paramNumber);

// The same from names already looked up (deviceName of the type code, parameterName of the
// parameter; "" for a miss), for callers that index the catalogue themselves.
std::string FormatTagNameFrom(const std::string& deviceName, const std::string& parameterName, int address,
                              int typeCode, int paramNumber);

// The device part alone, for a device's own entry: deviceName + "(" + "%03d" address + ")".
std::string FormatDevicePart(const std::string& deviceName, int address);

// The network address as every text shows it, three digits with leading zeros ("%03d":
// "005", "247"): the tag names, the trees' nodes, the found devices. The trees compare their
// nodes' texts, so there is one way to write it.
std::string FormatNetAddress(int address);
