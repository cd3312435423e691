// The texts of the auto-search dialog: its progress title and the entries of found devices.
// The words come from the caller (they are Russian and live in the Windows layer); the
// results are cut to kSearchTextMax characters so that they fit the dialog's 100-byte texts.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

constexpr std::size_t kSearchTextMax = 99;

// Replaces each "%d" of `pattern` with the next of `values` in decimal ("%%" gives "%").
// Any other '%' is copied as it is, and a "%d" without a value left becomes empty, so no
// pattern can read beyond the values. The result is not cut.
std::string FormatIntegers(const std::string& pattern, std::initializer_list<int> values);

// The title while searching: `pattern` holds four "%d" filled with the start and end
// addresses as entered, the probed address and the end address again
// (e.g. "... %d ... %d (%d/%d)"). Cut to kSearchTextMax characters.
std::string FormatProgressTitle(const std::string& pattern, int startAddress, int endAddress,
                                int probedAddress);

// The address as "(%03d)": "(001)", "(042)", "(255)".
std::string FormatAddressSuffix(int address);

// A found device's entry: for a type the catalogue knows, its catalogue name followed by the
// address suffix; otherwise the server's text, the suffix and then `unsupportedSuffix`.
// A name too long for kSearchTextMax characters is shortened so that the suffixes stay whole.
std::string FormatFoundEntry(bool typeKnown, const std::string& catalogueName,
                             const std::string& serverText, int address,
                             const std::string& unsupportedSuffix);

// Whether a device type code fits the 8 bits that a tree key or a found entry's item data
// gives it (1..255). Any other code would be read back as another device's (257 as 1).
constexpr bool IsKeyTypeCode(long long typeCode) { return typeCode >= 1 && typeCode <= 255; }

// Item data of a found-device entry: address in bits 16-23, type code in bits 8-15.
inline std::uint32_t MakeFoundItemData(std::int32_t type, int address)
{
    return (static_cast<std::uint32_t>(address) & 0xFFu) << 16 |
           (static_cast<std::uint32_t>(type) & 0xFFu) << 8;
}
inline int FoundItemType(std::uint32_t data) { return static_cast<int>((data >> 8) & 0xFFu); }
inline int FoundItemAddress(std::uint32_t data) { return static_cast<int>((data >> 16) & 0xFFu); }
