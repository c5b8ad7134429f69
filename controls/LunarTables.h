#pragma once
// The lunar calendar's three constant tables for the years 1901 to 2050 (year index = year − 1901):
//  - kMonthDays: one word per lunar year; bit 15 is month 1, bit 14 month 2 and so on, set for a
//    month of 30 days. A leap month takes the bit after the month it follows, and the months after
//    it move down one bit.
//  - kLeapMonths: two years to a byte (even index in the high nibble): the month the leap month
//    follows, 0 for none.
//  - kSolarTerms: one byte per Gregorian month; the high nibble h puts the month's first solar term
//    on day 15 − h, the low nibble l the second on day 15 + l (China time).
// They are computed by tools/lunargen from the positions of the Sun and the Moon.

#include <array>
#include <cstdint>

namespace lunartables {

inline constexpr int kFirstYear = 1901;
inline constexpr int kLastYear = 2050;
inline constexpr int kYears = kLastYear - kFirstYear + 1;

extern const std::array<std::uint16_t, kYears> kMonthDays;
extern const std::array<std::uint8_t, kYears / 2> kLeapMonths;
extern const std::array<std::uint8_t, kYears * 12> kSolarTerms;

} // namespace lunartables
