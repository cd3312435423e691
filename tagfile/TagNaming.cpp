#include "tagfile/TagNaming.h"

#include "catalogue/Catalogue.h"
#include "catalogue/TagName.h"

TagNaming CatalogueTagNaming()
{
    // The values pass as the main window's tree passes them (static_cast<int>), so that a
    // file names every tag, odd values included, exactly as the tree does.
    TagNaming naming;
    naming.knowsType = [](std::uint32_t type) {
        return type != 0 && FindDevice(static_cast<int>(type)) != nullptr;
    };
    naming.deviceName = [](std::uint32_t type) {
        return type == 0 ? std::string() : GetDeviceName(static_cast<int>(type));
    };
    naming.tagName = [](std::uint32_t address, std::uint32_t type, std::uint32_t param) {
        return FormatTagName(static_cast<int>(address), static_cast<int>(type), static_cast<int>(param));
    };
    return naming;
}
