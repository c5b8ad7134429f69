// The lunar calendar's arithmetic: conversions at the ends of the tables and in the years whose
// months were corrected, solar terms that fall within a minute of midnight, and the texts.

#include "controls/LunarCalendar.h"
#include "controls/LunarTables.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

namespace {

struct Lunar {
    int year, month, day, leap, term;
    bool operator==(const Lunar&) const = default;
};

Lunar Convert(int y, int m, int d) {
    std::uint16_t ly = 0, lm = 0, ld = 0;
    const int leap =
        LunarDateFromDays(ly, lm, ld,
                          GetDaysBetween(static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m),
                                         static_cast<std::uint16_t>(d), 1901, 1, 1));
    std::uint16_t sy = 0, sm = 0, sd = 0;
    const int term = SolarToLunar(static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m),
                                  static_cast<std::uint16_t>(d), sy, sm, sd);
    EXPECT_EQ(std::tie(sy, sm, sd), std::tie(ly, lm, ld)) << y << '-' << m << '-' << d;
    return {ly, lm, ld, leap, term};
}

void PrintTo(const Lunar& l, std::ostream* os) {
    *os << l.year << '-' << l.month << '-' << l.day << (l.leap ? " leap" : "") << " term " << l.term;
}

} // namespace

TEST(LunarCalendar, GregorianArithmetic) {
    EXPECT_EQ(GetWeekDay(2000, 1, 1), 6);
    EXPECT_EQ(GetWeekDay(2026, 2, 1), 0);
    EXPECT_EQ(GetWeekDay(2024, 3, 1), 5);
    EXPECT_EQ(GetWeekDay(1901, 1, 1), 2);
    EXPECT_EQ(GetSolarMonthDays(1900, 2), 28);
    EXPECT_EQ(GetSolarMonthDays(2000, 2), 29);
    EXPECT_EQ(GetSolarMonthDays(2024, 2), 29);
    EXPECT_EQ(GetSolarMonthDays(2023, 11), 30);
    EXPECT_EQ(GetSolarMonthDays(2023, 13), 0);
    EXPECT_EQ(GetDaysBetween(1901, 1, 1, 1901, 1, 1), 0);
    EXPECT_EQ(GetDaysBetween(1901, 2, 19, 1901, 1, 1), 49);
    EXPECT_EQ(GetDaysBetween(1901, 1, 1, 2050, 12, 31), -54786);
}

TEST(LunarCalendar, ConvertsTheEndsOfTheTables) {
    EXPECT_EQ(Convert(1901, 1, 1), (Lunar{1900, 11, 11, 0, 0}));
    EXPECT_EQ(Convert(1901, 1, 20), (Lunar{1900, 12, 1, 0, 0}));
    EXPECT_EQ(Convert(1901, 2, 18), (Lunar{1900, 12, 30, 0, 0}));
    EXPECT_EQ(Convert(1901, 2, 19), (Lunar{1901, 1, 1, 0, 4}));
    EXPECT_EQ(Convert(2050, 12, 31), (Lunar{2050, 11, 18, 0, 0}));
}

TEST(LunarCalendar, ConvertsNewYearsAndLeapMonths) {
    EXPECT_EQ(Convert(2000, 2, 5), (Lunar{2000, 1, 1, 0, 0}));
    EXPECT_EQ(Convert(2024, 2, 10), (Lunar{2024, 1, 1, 0, 0}));
    EXPECT_EQ(Convert(2023, 3, 22), (Lunar{2023, 2, 1, 1, 0}));
    EXPECT_EQ(Convert(2023, 3, 21), (Lunar{2023, 2, 30, 0, 6})); // 春分
    EXPECT_EQ(Convert(2033, 12, 22), (Lunar{2033, 11, 1, 1, 0}));
    EXPECT_EQ(GetLunarMonthDays(2023, 2), (29u << 16) | 30u);
    EXPECT_EQ(GetLunarMonthDays(2023, 3) >> 16, 0u);
    EXPECT_EQ(GetLunarLeapMonth(2023), 2);
    EXPECT_EQ(GetLunarLeapMonth(2024), 0);
}

// New moons close to midnight: the month begins on the day of the new moon in the time the
// calendar of that year was reckoned in.
TEST(LunarCalendar, ConvertsTheYearsWithNewMoonsNearMidnight) {
    EXPECT_EQ(Convert(1916, 2, 3), (Lunar{1916, 1, 1, 0, 0}));
    EXPECT_EQ(Convert(1914, 11, 17), (Lunar{1914, 10, 1, 0, 0}));
    EXPECT_EQ(Convert(1920, 11, 10), (Lunar{1920, 10, 1, 0, 0}));
    EXPECT_EQ(Convert(1989, 8, 2), (Lunar{1989, 7, 1, 0, 0}));
    EXPECT_EQ(Convert(2013, 6, 12), (Lunar{2013, 5, 5, 0, 0}));
    EXPECT_EQ(Convert(2025, 4, 27), (Lunar{2025, 3, 30, 0, 0}));
    EXPECT_EQ(Convert(2025, 4, 28), (Lunar{2025, 4, 1, 0, 0}));
}

TEST(LunarCalendar, EveryYearHasTwelveOrThirteenMonthsAndDaysFollowOneAnother) {
    for (std::uint16_t y = 1901; y <= 2050; ++y) {
        const int days = GetLunarYearDays(y);
        EXPECT_GE(days, 353) << y;
        EXPECT_LE(days, 385) << y;
        EXPECT_EQ(days > 370, GetLunarLeapMonth(y) != 0) << y;
    }
    // Walking every day: the lunar day goes up by one or starts a month after day 29 or 30.
    std::uint16_t py = 0, pm = 0, pd = 0;
    LunarDateFromDays(py, pm, pd, 0);
    int pleap = 0;
    for (int n = 1; n <= GetDaysBetween(2050, 12, 31, 1901, 1, 1); ++n) {
        std::uint16_t y = 0, m = 0, d = 0;
        const int leap = LunarDateFromDays(y, m, d, n);
        if (d == pd + 1) {
            ASSERT_EQ(std::tie(y, m, leap), std::tie(py, pm, pleap)) << n;
        } else {
            ASSERT_EQ(d, 1) << n;
            ASSERT_TRUE(pd == 29 || pd == 30) << n;
            const bool intoLeap = leap && m == pm && !pleap;
            const bool next = !leap && (m == pm % 12 + 1);
            ASSERT_TRUE(intoLeap || next) << n;
            if (m == 1 && !leap)
                ASSERT_EQ(y, py + 1) << n;
        }
        py = y, pm = m, pd = d, pleap = leap;
    }
}

TEST(LunarCalendar, SolarTerms) {
    EXPECT_EQ(GetSolarTermIndex(2024, 1, 6), 1);
    EXPECT_EQ(GetSolarTermIndex(2024, 1, 20), 2);
    EXPECT_EQ(GetSolarTermIndex(2024, 1, 7), 0);
    EXPECT_EQ(GetSolarTermIndex(2050, 9, 7), 17);
    EXPECT_EQ(GetSolarTermName(17), QStringLiteral("白露"));
    // Within a minute of midnight, China time.
    EXPECT_EQ(GetSolarTermIndex(1951, 12, 23), 24); // 00:00:01
    EXPECT_EQ(GetSolarTermIndex(1951, 12, 22), 0);
    EXPECT_EQ(GetSolarTermIndex(1979, 1, 20), 2);   // 23:59:55
    EXPECT_EQ(GetSolarTermIndex(2021, 12, 21), 24); // 23:59
    EXPECT_EQ(GetSolarTermName(24), QStringLiteral("冬至"));
    EXPECT_EQ(GetSolarTermName(1), QStringLiteral("小寒"));
    EXPECT_TRUE(GetSolarTermName(0).isEmpty());
    EXPECT_TRUE(GetSolarTermName(25).isEmpty());

    // Rows of the table that were known before it was computed.
    const std::pair<int, std::array<std::uint8_t, 12>> rows[] = {
        {1901, {0x96, 0xB4, 0x96, 0xA6, 0x97, 0x97, 0x78, 0x79, 0x79, 0x69, 0x78, 0x77}},
        {2000, {0x96, 0xB4, 0xA5, 0xB5, 0xA6, 0xA6, 0x87, 0x88, 0x88, 0x78, 0x87, 0x86}},
        {2024, {0x95, 0xB4, 0xA5, 0xB4, 0xA5, 0xA6, 0x97, 0x87, 0x87, 0x78, 0x87, 0x96}},
        {2050, {0xA5, 0xC3, 0xA5, 0xB5, 0xA6, 0xA6, 0x87, 0x88, 0x88, 0x78, 0x87, 0x87}},
    };
    for (const auto& [year, bytes] : rows)
        for (std::size_t m = 0; m < 12; ++m)
            EXPECT_EQ(lunartables::kSolarTerms[static_cast<std::size_t>(year - 1901) * 12 + m], bytes[m])
                << year << '-' << m + 1;

    // Every month has its two terms, in order.
    for (std::uint16_t y = 1901; y <= 2050; ++y)
        for (std::uint16_t m = 1; m <= 12; ++m) {
            std::vector<int> found;
            for (std::uint16_t d = 1; d <= GetSolarMonthDays(y, m); ++d)
                if (const int t = GetSolarTermIndex(y, m, d))
                    found.push_back(t);
            ASSERT_EQ(found, (std::vector<int>{2 * m - 1, 2 * m})) << y << '-' << m;
        }
}

TEST(LunarCalendar, LookupsStayWithinTheTables) {
    // A year after 2050 answers as one before 1901: 30-day months, no leap month, no terms.
    for (std::uint16_t year : {1900, 2051, 65535}) {
        EXPECT_EQ(GetLunarLeapMonth(year), 0) << year;
        EXPECT_EQ(GetLunarMonthDays(year, 1), 30u) << year;
        EXPECT_EQ(GetLunarYearDays(year), 360) << year;
        EXPECT_EQ(GetSolarTermIndex(year, 1, 6), 0) << year;
    }
    EXPECT_EQ(GetSolarTermIndex(2024, 0, 6), 0);
    EXPECT_EQ(GetSolarTermIndex(2024, 13, 6), 0);
    EXPECT_EQ(GetLunarMonthDays(2024, 13), 0u);
    // Past the end the walk runs on in 360-day years.
    const Lunar after = Convert(2051, 3, 1);
    EXPECT_EQ(after.term, 0);
    EXPECT_GE(after.year, 2051);
}

TEST(LunarCalendar, Texts) {
    EXPECT_EQ(GetGanZhiYearText(2024), QStringLiteral("甲辰 龙年"));
    EXPECT_EQ(GetGanZhiYearText(2023), QStringLiteral("癸卯 兔年"));
    EXPECT_EQ(GetGanZhiYearText(1900), QStringLiteral("庚子 鼠年"));
    EXPECT_EQ(GetLunarMonthText(1, true), QStringLiteral("　正月"));
    EXPECT_EQ(GetLunarMonthText(1, false), QStringLiteral("　一月"));
    EXPECT_EQ(GetLunarMonthText(5, true), QStringLiteral("　五月"));
    EXPECT_EQ(GetLunarMonthText(10, false), QStringLiteral("　十月"));
    EXPECT_EQ(GetLunarMonthText(11, true), QStringLiteral("十一月"));
    EXPECT_EQ(GetLunarMonthText(12, false), QStringLiteral("十二月"));
    EXPECT_TRUE(GetLunarMonthText(13, true).isEmpty());
    // A leap month is named after the month it follows.
    EXPECT_EQ(GetLunarMonthText(2, true, true), QStringLiteral("闰二月"));
    EXPECT_EQ(GetLunarMonthText(11, true, true), QStringLiteral("闰十一月"));
    EXPECT_EQ(GetLunarMonthText(2, true, false), QStringLiteral("　二月"));
    EXPECT_EQ(GetLunarDayText(1), QStringLiteral("初一"));
    EXPECT_EQ(GetLunarDayText(10), QStringLiteral("初十"));
    EXPECT_EQ(GetLunarDayText(11), QStringLiteral("十一"));
    EXPECT_EQ(GetLunarDayText(19), QStringLiteral("十九"));
    EXPECT_EQ(GetLunarDayText(20), QStringLiteral("二十"));
    EXPECT_EQ(GetLunarDayText(21), QStringLiteral("廿一"));
    EXPECT_EQ(GetLunarDayText(29), QStringLiteral("廿九"));
    EXPECT_EQ(GetLunarDayText(30), QStringLiteral("三十"));
    EXPECT_TRUE(GetLunarDayText(0).isEmpty());
    EXPECT_TRUE(GetLunarDayText(31).isEmpty());
}
