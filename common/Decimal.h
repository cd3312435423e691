// The one reader of decimal numbers in text: command lines, tag files, snapshot names and
// headers, the stand-in's state files, dialog fields. Digits only (any number of leading
// zeros), bounded by the caller's maximum; a value past it, or past 64 bits, is refused
// rather than wrapped or thrown.
#pragma once

#include <cstdint>
#include <string_view>

// "007" -> 7. False for an empty text, a sign, a blank, any other character, or a value
// over max. *value is set only on success.
bool ParseDecimal(std::string_view text, std::uint64_t max, std::uint64_t* value);

// The same with one leading '-' or '+' allowed, in [min, max].
bool ParseSignedDecimal(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t* value);

// The unsigned reader for a narrower type: false when the value does not fit max.
template <typename T>
bool ParseDecimalTo(std::string_view text, T max, T* value)
{
    std::uint64_t v = 0;
    if (!ParseDecimal(text, static_cast<std::uint64_t>(max), &v)) return false;
    *value = static_cast<T>(v);
    return true;
}
