#include "tools/lunargen/LunarGen.h"

#include <erfa.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <vector>

namespace lunargen {
namespace {

constexpr double kJ2000 = 2451545.0;
constexpr double kPi = 3.14159265358979323846;
constexpr double kDegPerRad = 180.0 / kPi;
constexpr double kAberrationArcsec = 20.4898;
constexpr double kSecondsPerDay = 86400.0;
// Beijing local mean time (116°25′ east) and China's standard time.
constexpr double kBeijingMeanHours = 7.0 + 45.0 / 60.0 + 40.0 / 3600.0;
constexpr double kChinaHours = 8.0;

long DayNumber(int year, int month, int day) {
    const int a = (14 - month) / 12;
    const long y = year + 4800 - a;
    const long m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

CivilDate FromDayNumber(long jdn) {
    const long a = jdn + 32044;
    const long b = (4 * a + 3) / 146097;
    const long c = a - 146097 * b / 4;
    const long d = (4 * c + 3) / 1461;
    const long e = c - 1461 * d / 4;
    const long m = (5 * e + 2) / 153;
    CivilDate out;
    out.day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    out.month = static_cast<int>(m + 3 - 12 * (m / 10));
    out.year = static_cast<int>(100 * b + d - 4800 + m / 10);
    return out;
}

long LocalDayNumber(double jdUT, double offsetHours) {
    return static_cast<long>(std::floor(jdUT + offsetHours / 24.0 + 0.5));
}

// The hours east of Greenwich by which the calendar of the day counted its days.
double CalendarOffsetHours(double jdUT) {
    static const double chinaTimeFrom = static_cast<double>(DayNumber(1929, 1, 1)) - 0.5 - kChinaHours / 24.0;
    return jdUT < chinaTimeFrom ? kBeijingMeanHours : kChinaHours;
}

// Wraps degrees into (−180, 180].
double Wrap180(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d <= -180.0)
        d += 360.0;
    else if (d > 180.0)
        d -= 360.0;
    return d;
}

// Ecliptic-of-date longitude (degrees) and distance of a position given on ICRS axes.
void EclipticOfDate(double jdTT, double p[3], double* longitude, double* distance) {
    double rm[3][3];
    eraEcm06(kJ2000, jdTT - kJ2000, rm);
    double e[3];
    eraRxp(rm, p, e);
    *longitude = std::atan2(e[1], e[0]) * kDegPerRad;
    *distance = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
}

// The Sun's longitude of date with the annual aberration, without nutation.
double SunLongitudeNoNutation(double jdTT) {
    double pvh[2][3], pvb[2][3];
    eraEpv00(kJ2000, jdTT - kJ2000, pvh, pvb);
    double sun[3] = {-pvh[0][0], -pvh[0][1], -pvh[0][2]};
    double lon = 0, r = 0;
    EclipticOfDate(jdTT, sun, &lon, &r);
    return lon - kAberrationArcsec / 3600.0 / r;
}

double MoonLongitudeNoNutation(double jdTT) {
    double pv[2][3];
    eraMoon98(kJ2000, jdTT - kJ2000, pv);
    double lon = 0, r = 0;
    EclipticOfDate(jdTT, pv[0], &lon, &r);
    return lon;
}

double ToTT(double jdUT) {
    // ΔT changes by well under a second a year: one step is exact enough.
    return jdUT + DeltaT(jdUT) / kSecondsPerDay;
}

double ToUT(double jdTT) {
    return jdTT - DeltaT(jdTT) / kSecondsPerDay;
}

// The root near `guess` of a function that grows by roughly `rate` degrees a day, found by the
// secant method on the wrapped difference.
template <typename F> double SolveNear(F f, double guess, double rate) {
    double t0 = guess;
    double f0 = f(t0);
    double t1 = t0 - f0 / rate;
    for (int i = 0; i < 30; ++i) {
        const double f1 = f(t1);
        if (f1 == f0)
            return t1;
        const double t2 = t1 - f1 * (t1 - t0) / (f1 - f0);
        t0 = t1, f0 = f1, t1 = t2;
        if (std::fabs(t1 - t0) < 1e-9)
            return t1;
    }
    throw std::runtime_error("solar or lunar longitude search did not converge");
}

} // namespace

double DeltaT(double jd) {
    const CivilDate c = FromDayNumber(static_cast<long>(std::floor(jd + 0.5)));
    const double y = c.year + (c.month - 0.5) / 12.0;
    if (y < 1900) {
        const double t = y - 1860;
        return 7.62 + 0.5737 * t - 0.251754 * t * t + 0.01680668 * t * t * t - 0.0004473624 * std::pow(t, 4) +
               std::pow(t, 5) / 233174;
    }
    if (y < 1920) {
        const double t = y - 1900;
        return -2.79 + 1.494119 * t - 0.0598939 * t * t + 0.0061966 * t * t * t - 0.000197 * std::pow(t, 4);
    }
    if (y < 1941) {
        const double t = y - 1920;
        return 21.20 + 0.84493 * t - 0.076100 * t * t + 0.0020936 * t * t * t;
    }
    if (y < 1961) {
        const double t = y - 1950;
        return 29.07 + 0.407 * t - t * t / 233 + t * t * t / 2547;
    }
    if (y < 1986) {
        const double t = y - 1975;
        return 45.45 + 1.067 * t - t * t / 260 - t * t * t / 718;
    }
    if (y < 2005) {
        const double t = y - 2000;
        return 63.86 + 0.3345 * t - 0.060374 * t * t + 0.0017275 * t * t * t + 0.000651814 * std::pow(t, 4) +
               0.00002373599 * std::pow(t, 5);
    }
    if (y < 2050) {
        const double t = y - 2000;
        return 62.92 + 0.32217 * t + 0.005589 * t * t;
    }
    const double u = (y - 1820) / 100;
    return -20 + 32 * u * u - 0.5628 * (2150 - y);
}

double SunApparentLongitude(double jdTT) {
    double dpsi = 0, deps = 0;
    eraNut06a(kJ2000, jdTT - kJ2000, &dpsi, &deps);
    const double lon = SunLongitudeNoNutation(jdTT) + dpsi * kDegPerRad;
    const double wrapped = std::fmod(lon, 360.0);
    return wrapped < 0 ? wrapped + 360.0 : wrapped;
}

double SolarTermInstant(double degrees, double jdGuessUT) {
    const double tt = SolveNear([degrees](double t) { return Wrap180(SunApparentLongitude(t) - degrees); },
                                ToTT(jdGuessUT), 360.0 / 365.2422);
    return ToUT(tt);
}

double NewMoonInstant(double jdGuessUT) {
    // Nutation moves both longitudes alike and drops out of the difference.
    const double tt =
        SolveNear([](double t) { return Wrap180(MoonLongitudeNoNutation(t) - SunLongitudeNoNutation(t)); },
                  ToTT(jdGuessUT), 360.0 / 29.530588861);
    return ToUT(tt);
}

CivilDate LocalDate(double jdUT, double offsetHours) {
    return FromDayNumber(LocalDayNumber(jdUT, offsetHours));
}

Tables Compute() {
    Tables out;
    const int lastYear = kFirstYear + kYears - 1;

    // Solar terms of the Gregorian years 1900 to 2051: term k (1–24) of year y lies in month
    // (k + 1) / 2, at longitude 285° + 15°(k − 1).
    std::map<std::pair<int, int>, double> terms; // (year, k) → UT
    for (int y = kFirstYear - 1; y <= lastYear + 1; ++y)
        for (int k = 1; k <= 24; ++k) {
            const int month = (k + 1) / 2;
            const double guess = static_cast<double>(DayNumber(y, month, k % 2 ? 6 : 21)) - 0.5;
            terms[{y, k}] = SolarTermInstant(std::fmod(285.0 + 15.0 * (k - 1), 360.0), guess);
        }

    for (int y = kFirstYear; y <= lastYear; ++y)
        for (int m = 1; m <= 12; ++m) {
            const CivilDate first = LocalDate(terms[{y, 2 * m - 1}], kChinaHours);
            const CivilDate second = LocalDate(terms[{y, 2 * m}], kChinaHours);
            if (first.year != y || first.month != m || second.year != y || second.month != m ||
                first.day > 15 || second.day < 15)
                throw std::runtime_error("a solar term fell outside its month");
            out.solarTerms[static_cast<std::size_t>((y - kFirstYear) * 12 + m - 1)] =
                static_cast<std::uint8_t>(((15 - first.day) << 4) | (second.day - 15));
        }

    // New moons from the autumn of 1900 to the winter of 2051–52, as calendar days.
    std::vector<long> starts;
    const double synodic = 29.530588861;
    const double firstGuess = static_cast<double>(DayNumber(1900, 10, 1));
    const double lastDay = static_cast<double>(DayNumber(2052, 2, 1));
    const double k0 = std::floor((firstGuess - 2451550.09766) / synodic);
    for (double k = k0;; k += 1) {
        const double guess = 2451550.09766 + synodic * k;
        if (guess > lastDay)
            break;
        const double nm = NewMoonInstant(guess);
        starts.push_back(LocalDayNumber(nm, CalendarOffsetHours(nm)));
    }

    auto monthHolding = [&](long day) {
        const auto it = std::upper_bound(starts.begin(), starts.end(), day);
        if (it == starts.begin())
            throw std::runtime_error("a day before the first computed month");
        return static_cast<std::size_t>(it - starts.begin() - 1);
    };
    std::vector<bool> hasMajorTerm(starts.size(), false);
    std::map<int, std::size_t> eleventh; // year of the winter solstice → its month
    for (const auto& [key, ut] : terms) {
        if (key.second % 2)
            continue;
        const long day = LocalDayNumber(ut, CalendarOffsetHours(ut));
        if (day < starts.front() || day >= starts.back())
            continue;
        const std::size_t i = monthHolding(day);
        hasMajorTerm[i] = true;
        if (key.second == 24)
            eleventh[key.first] = i;
    }

    // Leap months: the first month without a major term in a run of 13 months from one 11th
    // month to the next.
    std::vector<bool> leap(starts.size(), false);
    for (int y = kFirstYear - 1; y <= lastYear; ++y) {
        const std::size_t a = eleventh.at(y), b = eleventh.at(y + 1);
        if (b - a == 13) {
            for (std::size_t i = a + 1; i < b; ++i)
                if (!hasMajorTerm[i]) {
                    leap[i] = true;
                    break;
                }
        } else if (b - a != 12) {
            throw std::runtime_error("a year of neither 12 nor 13 months between winter solstices");
        }
    }

    // Number the months from the 11th month of lunar 1900 and group them into lunar years.
    struct Month {
        int number;
        bool leap;
        int days;
    };
    std::map<int, std::vector<Month>> years;
    int number = 11;
    int lunarYear = kFirstYear - 1;
    for (std::size_t i = eleventh.at(kFirstYear - 1); i + 1 < starts.size(); ++i) {
        if (i != eleventh.at(kFirstYear - 1) && !leap[i]) {
            number = number % 12 + 1;
            if (number == 1)
                ++lunarYear;
        }
        years[lunarYear].push_back({number, leap[i], static_cast<int>(starts[i + 1] - starts[i])});
    }

    for (int y = kFirstYear; y <= lastYear; ++y) {
        const std::vector<Month>& months = years.at(y);
        std::uint16_t word = 0;
        int leapAfter = 0;
        int bit = 15;
        for (const Month& m : months) {
            if (m.days != 29 && m.days != 30)
                throw std::runtime_error("a lunar month of neither 29 nor 30 days");
            if (m.days == 30)
                word = static_cast<std::uint16_t>(word | (1u << bit));
            if (m.leap)
                leapAfter = m.number;
            --bit;
        }
        if (months.size() != (leapAfter ? 13u : 12u))
            throw std::runtime_error("a lunar year without its twelve months");
        const int i = y - kFirstYear;
        out.monthDays[static_cast<std::size_t>(i)] = word;
        std::uint8_t& byte = out.leapMonths[static_cast<std::size_t>(i / 2)];
        byte =
            static_cast<std::uint8_t>(i % 2 ? (byte & 0xF0) | leapAfter : (byte & 0x0F) | (leapAfter << 4));
    }
    return out;
}

} // namespace lunargen
