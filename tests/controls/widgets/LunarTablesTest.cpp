// The committed tables against the generator that computes them from the Sun and the Moon: the
// solar terms everywhere, the months in every year but 1906, whose months the Qing court published
// by its own rules.

#include "controls/LunarTables.h"
#include "tools/lunargen/LunarGen.h"

#include <gtest/gtest.h>

#include <QDate>

TEST(LunarTables, GeneratorReproducesTheCommittedTables) {
    const lunargen::Tables computed = lunargen::Compute();
    for (std::size_t i = 0; i < computed.solarTerms.size(); ++i)
        EXPECT_EQ(computed.solarTerms[i], lunartables::kSolarTerms[i]) << 1901 + i / 12 << '-' << i % 12 + 1;
    for (int i = 0; i < lunartables::kYears; ++i) {
        const auto index = static_cast<std::size_t>(i);
        const int leapShift = i % 2 ? 0 : 4;
        EXPECT_EQ(computed.leapMonths[index / 2] >> leapShift & 0x0F,
                  lunartables::kLeapMonths[index / 2] >> leapShift & 0x0F)
            << 1901 + i;
        if (1901 + i == 1906)
            continue;
        EXPECT_EQ(computed.monthDays[index], lunartables::kMonthDays[index]) << 1901 + i;
    }
    // The court's 1906 differs from the reckoning in one month's length only.
    EXPECT_NE(computed.monthDays[5], lunartables::kMonthDays[5]);
}

// The instants behind three terms that fall within seconds of midnight, China time.
TEST(LunarTables, SolarTermsNearMidnight) {
    auto localDay = [](double degrees, int y, int m, int d) {
        const double guess = static_cast<double>(QDate(y, m, d).toJulianDay()) - 0.5;
        return lunargen::LocalDate(lunargen::SolarTermInstant(degrees, guess), 8.0);
    };
    EXPECT_EQ(localDay(270, 1951, 12, 22), (lunargen::CivilDate{1951, 12, 23}));
    EXPECT_EQ(localDay(300, 1979, 1, 21), (lunargen::CivilDate{1979, 1, 20}));
    EXPECT_EQ(localDay(270, 2021, 12, 22), (lunargen::CivilDate{2021, 12, 21}));
}
