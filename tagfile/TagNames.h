// The names a tag file carries for people: the device name of a type code and a tag's full
// name. CatalogueTagNames gives the program's own, from the loaded device catalogue, by
// the rule of the main window's tree (tree/TreeTagName.h): a part the descriptions cannot
// name gets its stand-in ("Type 9(007).Parameter 1" with the portable words; the front ends
// give their own), so that every writer names every tag as the tree does and no two tags
// share a name. Tests supply their own.
#pragma once

#include "tree/TreeTagName.h"

#include <cstdint>
#include <functional>
#include <string>

struct TagNames {
    std::function<bool(std::uint32_t type)> knowsType;
    std::function<std::string(std::uint32_t type)> deviceName;  // "" when unknown
    std::function<std::string(std::uint32_t address, std::uint32_t type, std::uint32_t param)> tagName;
    // The name files written before undescribed parts had stand-ins hold ("(007).",
    // "PM3F(005).", "" at address 0): a reader takes it as well as tagName's. May be empty.
    std::function<std::string(std::uint32_t address, std::uint32_t type, std::uint32_t param)> olderTagName;
};

// Names from g_DeviceCatalogue as it is at the call (indexed once; load the catalogue
// first): the device names GetDeviceName gives, the tag names the tree's rule gives with
// the stand-in words of texts.
TagNames CatalogueTagNames(const UnnamedPartTexts& texts);
