// Refresh periods: the server counts in 100-ns units (signed 64-bit), the dialogs show
// whole milliseconds in a spin control whose range is 0..1,000,000.
#pragma once

#include <cstdint>
#include <string>

constexpr std::int64_t kPeriodUnitsPerMs = 10000;
constexpr std::int32_t kPeriodMinMs = 0;
constexpr std::int32_t kPeriodMaxMs = 1000000;
constexpr std::int32_t kDefaultPeriodMs = 2000;

constexpr std::int64_t PeriodFromMs(std::int64_t ms) { return ms * kPeriodUnitsPerMs; }

// Whole milliseconds of a period; a sub-millisecond remainder is dropped (toward zero).
constexpr std::int64_t MsFromPeriod(std::int64_t period) { return period / kPeriodUnitsPerMs; }

constexpr bool IsPeriodMsInRange(std::int64_t ms)
{
    return ms >= kPeriodMinMs && ms <= kPeriodMaxMs;
}

// ms as the spin control writes it into its field: decimal, digits in groups of three
// separated by the locale's separator (e.g. "1 000 000"). Used to show a period the spin
// range cannot hold without clamping it.
std::string FormatPeriodMs(std::int64_t ms, const std::string& groupSeparator);

// The period Apply yields. periodAsRead is the period the dialog was given; fieldUnchanged
// says the field still holds the text shown for it; spinPosition is the spin control's
// position (the field's number, or the last valid one). A period outside the spin range
// shown unclamped and applied unedited is returned exactly as read; otherwise the position
// in whole milliseconds, times 10000.
constexpr std::int64_t AppliedPeriod(std::int64_t periodAsRead, bool fieldUnchanged,
                                     std::int32_t spinPosition)
{
    if (fieldUnchanged && !IsPeriodMsInRange(MsFromPeriod(periodAsRead)))
        return periodAsRead;
    return PeriodFromMs(spinPosition);
}
