#pragma once
// Computes the lunar calendar's three constant tables from the positions of the Sun and the Moon
// (ERFA's Earth and Moon series): the month lengths and leap months of the lunar years 1901 to
// 2050 and the days of the 24 solar terms of every Gregorian month of 1901 to 2050.
//
// Solar terms: the Sun's apparent longitude (ecliptic of date, nutation, annual aberration)
// reaches a multiple of 15°; the day is counted in China time (UTC+8). Months: a month begins on
// the day of the new moon; the month holding the winter solstice is the 11th; when 13 months run
// from one 11th month to the next, the first of them without a major term (a multiple of 30°) is
// the leap month. Month days are counted in Beijing local mean time (UTC+7:45:40) before 1929 and
// in UTC+8 from 1929, as the calendars of those years were reckoned.

#include <array>
#include <cstdint>

namespace lunargen {

inline constexpr int kFirstYear = 1901;
inline constexpr int kYears = 150;

struct Tables {
    std::array<std::uint16_t, kYears> monthDays{};      // bit 15 month 1 … (30-day months set)
    std::array<std::uint8_t, kYears / 2> leapMonths{};  // two years to a byte, even index high
    std::array<std::uint8_t, kYears * 12> solarTerms{}; // high nibble 15 − day, low day − 15
};

// Dynamic time minus universal time in seconds at Julian date `jdTT` (NASA's polynomial
// expressions of Espenak and Meeus, 1860–2150).
double DeltaT(double jdTT);

// The Sun's apparent ecliptic longitude in degrees [0, 360) at Julian date `jdTT`.
double SunApparentLongitude(double jdTT);

// The Julian date (UT) at which the Sun's apparent longitude reaches `degrees`, searching near
// `jdGuessUT`.
double SolarTermInstant(double degrees, double jdGuessUT);

// The Julian date (UT) of the new moon nearest to `jdGuessUT`.
double NewMoonInstant(double jdGuessUT);

// Civil date of the day holding the instant `jdUT` seen at `offsetHours` east of Greenwich.
struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
    bool operator==(const CivilDate&) const = default;
};
CivilDate LocalDate(double jdUT, double offsetHours);

Tables Compute();

} // namespace lunargen
