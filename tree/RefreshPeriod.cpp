#include "tree/RefreshPeriod.h"

std::string FormatPeriodMs(std::int64_t ms, const std::string& groupSeparator)
{
    // Digits of the magnitude, built without negating (INT64_MIN has no positive partner).
    std::string digits;
    std::int64_t rest = ms;
    do {
        const int d = static_cast<int>(rest % 10);
        digits.insert(digits.begin(), static_cast<char>('0' + (d < 0 ? -d : d)));
        rest /= 10;
    } while (rest != 0);

    std::string text = ms < 0 ? "-" : "";
    const std::size_t lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    text.append(digits, 0, lead);
    for (std::size_t i = lead; i < digits.size(); i += 3) {
        text += groupSeparator;
        text.append(digits, i, 3);
    }
    return text;
}
