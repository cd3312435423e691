#include "tagfile/TagNames.h"

#include "catalogue/Catalogue.h"
#include "catalogue/TagName.h"

#include <memory>
#include <unordered_map>

namespace {

// The catalogue's lookups (FindDevice, FindParameter: the first match from the head wins)
// as hash tables, so that naming 50,000 tags does not scan the catalogue 100,000 times.
struct CatalogueIndex {
    struct Type {
        std::string name;
        std::unordered_map<int, std::string> parameters;
    };
    std::unordered_map<int, Type> types;

    CatalogueIndex()
    {
        for (const CDevice& device : g_DeviceCatalogue) {
            auto [it, inserted] = types.emplace(device.m_nTypeCode, Type{});
            if (!inserted) continue;  // a device loaded earlier with the same code is never found
            it->second.name = device.m_strName;
            for (const CParameter& p : device.m_Parameters) it->second.parameters.emplace(p.m_nNumber, p.m_strName);
        }
    }

    const Type* Find(int type) const
    {
        const auto it = types.find(type);
        return it == types.end() ? nullptr : &it->second;
    }
};

}  // namespace

TagNames CatalogueTagNames(const UnnamedPartTexts& texts)
{
    // The values pass as the main window's tree passes them (static_cast<int>), so that a
    // file names every tag, odd values included, exactly as the tree does.
    const auto index = std::make_shared<const CatalogueIndex>();
    TagNames naming;
    naming.knowsType = [index](std::uint32_t type) {
        return type != 0 && index->Find(static_cast<int>(type)) != nullptr;
    };
    naming.deviceName = [index](std::uint32_t type) {
        const CatalogueIndex::Type* t = index->Find(static_cast<int>(type));
        return t == nullptr ? std::string() : t->name;
    };
    // The parameter's name, "" when the catalogue has none (or not the type).
    const auto parameterName = [index](const CatalogueIndex::Type* t, std::uint32_t param) {
        if (t == nullptr) return std::string();
        const auto p = t->parameters.find(static_cast<int>(param));
        return p == t->parameters.end() ? std::string() : p->second;
    };
    naming.tagName = [index, parameterName, texts](std::uint32_t address, std::uint32_t type, std::uint32_t param) {
        const CatalogueIndex::Type* t = index->Find(static_cast<int>(type));
        return ComposeTreeTagName(t == nullptr ? std::string() : t->name, parameterName(t, param),
                                  static_cast<int>(address), static_cast<int>(type), static_cast<int>(param), texts);
    };
    naming.olderTagName = [index, parameterName](std::uint32_t address, std::uint32_t type, std::uint32_t param) {
        const CatalogueIndex::Type* t = index->Find(static_cast<int>(type));
        return FormatTagNameFrom(t == nullptr ? std::string() : t->name, parameterName(t, param),
                                 static_cast<int>(address), static_cast<int>(type), static_cast<int>(param));
    };
    return naming;
}
