#include "common/Decimal.h"

bool ParseDecimal(std::string_view text, std::uint64_t max, std::uint64_t* value)
{
    if (text.empty()) return false;
    std::uint64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        // v * 10 + digit > max, asked without overflowing.
        if (digit > max || v > (max - digit) / 10) return false;
        v = v * 10 + digit;
    }
    *value = v;
    return true;
}

bool ParseSignedDecimal(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t* value)
{
    if (min > max) return false;
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // The magnitude's bound on this side of zero; -INT64_MIN is computed without overflow.
    std::uint64_t bound = 0;
    if (negative) {
        bound = min >= 0 ? 0 : static_cast<std::uint64_t>(-(min + 1)) + 1;  // "-0" at most
    } else {
        if (max < 0) return false;
        bound = static_cast<std::uint64_t>(max);
    }
    std::uint64_t magnitude = 0;
    if (!ParseDecimal(text, bound, &magnitude)) return false;
    std::int64_t v = 0;
    if (negative)
        v = magnitude == 0 ? 0 : -static_cast<std::int64_t>(magnitude - 1) - 1;
    else
        v = static_cast<std::int64_t>(magnitude);
    if (v < min || v > max) return false;  // "-0" with min > 0, "+3" with min 5
    *value = v;
    return true;
}
