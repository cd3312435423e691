// How the tree algorithms get a tag's dotted name: the caller supplies the namer (in the
// program, the catalogue's FormatTagName), so the tree core does not depend on the catalogue.
#pragma once

#include <functional>
#include <string>

// (network address, device type code, parameter number) -> "Device(005).Group.Param", or "".
using TagNameFunction = std::function<std::string(int address, int typeCode, int paramNumber)>;
