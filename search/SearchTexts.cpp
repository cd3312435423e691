#include "search/SearchTexts.h"

#include "catalogue/TagName.h"

std::string FormatIntegers(const std::string& pattern, std::initializer_list<int> values)
{
    std::string out;
    auto next = values.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == 'd') {
                if (next != values.end())
                    out += std::to_string(*next++);
                ++i;
                continue;
            }
            if (pattern[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string FormatProgressTitle(const std::string& pattern, int startAddress, int endAddress,
                                int probedAddress)
{
    std::string title =
        FormatIntegers(pattern, {startAddress, endAddress, probedAddress, endAddress});
    if (title.size() > kSearchTextMax)
        title.resize(kSearchTextMax);
    return title;
}

std::string FormatAddressSuffix(int address) { return "(" + FormatNetAddress(address) + ")"; }

std::string FormatFoundEntry(bool typeKnown, const std::string& catalogueName,
                             const std::string& serverText, int address,
                             const std::string& unsupportedSuffix)
{
    std::string name = typeKnown ? catalogueName : serverText;
    std::string suffix = FormatAddressSuffix(address);
    if (!typeKnown)
        suffix += unsupportedSuffix;
    if (suffix.size() >= kSearchTextMax) {
        std::string text = name + suffix;
        text.resize(kSearchTextMax);  // suffixes alone too long: only a plain cut is left
        return text;
    }
    if (name.size() + suffix.size() > kSearchTextMax)
        name.resize(kSearchTextMax - suffix.size());
    return name + suffix;
}
