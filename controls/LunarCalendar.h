#pragma once
// The Chinese lunar calendar of the years 1901 to 2050: Gregorian dates to lunar dates, the 24
// solar terms, and the Chinese texts of a lunar year (stem, branch and zodiac animal), month and
// day. Free of widgets; the calendar control and its date panel draw with it.
//
// The tables end with 2050: a lunar year outside 1901–2050 answers with months of 30 days and no
// leap month, and a Gregorian month outside them has no solar term.

#include <QString>

#include <cstdint>

// Days of a Gregorian month (0 for a month outside 1–12).
int GetSolarMonthDays(std::uint16_t year, std::uint16_t month);

// Day of the week, 0 = Sunday … 6 = Saturday (proleptic Gregorian).
int GetWeekDay(std::uint16_t year, std::uint16_t month, std::uint16_t day);

// Signed days from the second date to the first.
int GetDaysBetween(std::uint16_t year, std::uint16_t month, std::uint16_t day, std::uint16_t year0,
                   std::uint16_t month0, std::uint16_t day0);

// The month the year's leap month follows, 0 for none.
int GetLunarLeapMonth(std::uint16_t year);

// Low 16 bits: the days of lunar month `month`; high 16 bits: the days of the leap month that
// follows it when `month` is the year's leap month, else 0.
std::uint32_t GetLunarMonthDays(std::uint16_t year, std::uint16_t month);

// Days of a lunar year, leap month included (353 to 385).
int GetLunarYearDays(std::uint16_t year);

// The lunar date of the day `days` after 1 January 1901; 1 when it lies in a leap month (the month
// is then the one the leap month follows), else 0.
int LunarDateFromDays(std::uint16_t& lyear, std::uint16_t& lmonth, std::uint16_t& lday, int days);

// The lunar date of a Gregorian date; returns the date's solar term (GetSolarTermIndex). `leap`,
// when given, is set to whether the date lies in a leap month.
int SolarToLunar(std::uint16_t year, std::uint16_t month, std::uint16_t day, std::uint16_t& lyear,
                 std::uint16_t& lmonth, std::uint16_t& lday, bool* leap = nullptr);

// 1–24 when one of the month's two solar terms falls on the day (China time), else 0.
int GetSolarTermIndex(std::uint16_t year, std::uint16_t month, std::uint16_t day);

// The name of solar term 1–24 ("小寒" … "冬至"); empty for any other number.
QString GetSolarTermName(int index);

// "甲辰 龙年": stem, branch, a space, zodiac animal and "年".
QString GetGanZhiYearText(std::uint16_t lyear);

// "　正月" … "　十月", "十一月", "十二月"; with `firstMonthAsZheng` false month 1 is "　一月" (the
// names of Gregorian months). A leap month is "闰" and the name of the month it follows, the 闰
// taking the place of the leading space: "闰二月", "闰十一月".
QString GetLunarMonthText(std::uint16_t lmonth, bool firstMonthAsZheng, bool leap = false);

// "初一" … "初十", "十一" … "十九", "二十", "廿一" … "廿九", "三十".
QString GetLunarDayText(std::uint16_t lday);
