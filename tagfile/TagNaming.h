// The names a tag file carries for people: the device name of a type code and a tag's full
// name. CatalogueTagNaming gives the program's own, from the loaded device catalogue
// (FindDevice, GetDeviceName, FormatTagName), so that files name tags exactly as the main
// window's tree does; tests supply their own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct TagNaming {
    std::function<bool(std::uint32_t type)> knowsType;
    std::function<std::string(std::uint32_t type)> deviceName;  // "" when unknown
    std::function<std::string(std::uint32_t address, std::uint32_t type, std::uint32_t param)> tagName;
};

// Names from g_DeviceCatalogue as it is at the call (indexed once; load the catalogue
// first): the same names as GetDeviceName and FormatTagName give.
TagNaming CatalogueTagNaming();
