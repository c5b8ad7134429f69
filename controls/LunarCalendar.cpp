#include "controls/LunarCalendar.h"

#include "controls/LunarTables.h"

#include <array>

namespace {

const QString kStems = QStringLiteral("甲乙丙丁戊己庚辛壬癸");
const QString kBranches = QStringLiteral("子丑寅卯辰巳午未申酉戌亥");
const QString kAnimals = QStringLiteral("鼠牛虎兔龙蛇马羊猴鸡狗猪");
const QString kMonthNames = QStringLiteral("正二三四五六七八九十");
const QString kDayPrefixes = QStringLiteral("初十廿三");
const QString kDigits = QStringLiteral("一二三四五六七八九十");
const std::array<const char16_t*, 24> kSolarTerms = {u"小寒", u"大寒", u"立春", u"雨水", u"惊蛰", u"春分",
                                                     u"清明", u"谷雨", u"立夏", u"小满", u"芒种", u"夏至",
                                                     u"小暑", u"大暑", u"立秋", u"处暑", u"白露", u"秋分",
                                                     u"寒露", u"霜降", u"立冬", u"小雪", u"大雪", u"冬至"};

// Lunar 1901-01-01 is 19 February 1901, day 49 after 1 January 1901.
constexpr int kFirstLunarNewYear = 49;

bool InTables(int year) {
    return year >= lunartables::kFirstYear && year <= lunartables::kLastYear;
}

std::size_t Index(int year) {
    return static_cast<std::size_t>(year - lunartables::kFirstYear);
}

// Days from 1 March of year 0 (proleptic Gregorian) to the date.
long DayNumber(int year, int month, int day) {
    if (month <= 2) {
        year -= 1;
        month += 12;
    }
    return 365L * year + year / 4 - year / 100 + year / 400 + (153 * (month - 3) + 2) / 5 + day - 1;
}

} // namespace

int GetSolarMonthDays(std::uint16_t year, std::uint16_t month) {
    switch (month) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
        return 31;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 29 : 28;
    default:
        return 0;
    }
}

int GetWeekDay(std::uint16_t year, std::uint16_t month, std::uint16_t day) {
    // Day number 0 (1 March of year 0) was a Wednesday.
    return static_cast<int>((DayNumber(year, month, day) + 3) % 7);
}

int GetDaysBetween(std::uint16_t year, std::uint16_t month, std::uint16_t day, std::uint16_t year0,
                   std::uint16_t month0, std::uint16_t day0) {
    return static_cast<int>(DayNumber(year, month, day) - DayNumber(year0, month0, day0));
}

int GetLunarLeapMonth(std::uint16_t year) {
    if (!InTables(year))
        return 0;
    const std::size_t i = Index(year);
    const std::uint8_t byte = lunartables::kLeapMonths[i / 2];
    return i % 2 ? byte & 0x0F : byte >> 4;
}

std::uint32_t GetLunarMonthDays(std::uint16_t year, std::uint16_t month) {
    if (!InTables(year))
        return 30;
    if (month < 1 || month > 12)
        return 0;
    const unsigned word = lunartables::kMonthDays[Index(year)];
    const int leap = GetLunarLeapMonth(year);
    auto days = [word](int bit) { return static_cast<std::uint32_t>(word >> bit & 1 ? 30 : 29); };
    const std::uint32_t own = days(leap == 0 || month <= leap ? 16 - month : 15 - month);
    const std::uint32_t leapDays = month == leap ? days(15 - leap) : 0;
    return leapDays << 16 | own;
}

int GetLunarYearDays(std::uint16_t year) {
    int total = 0;
    for (std::uint16_t m = 1; m <= 12; ++m) {
        const std::uint32_t d = GetLunarMonthDays(year, m);
        total += static_cast<int>((d & 0xFFFF) + (d >> 16));
    }
    return total;
}

int LunarDateFromDays(std::uint16_t& lyear, std::uint16_t& lmonth, std::uint16_t& lday, int days) {
    if (days < kFirstLunarNewYear) {
        // Lunar 1900: the 12th month began on 20 January 1901, the 11th on 22 December 1900.
        lyear = 1900;
        lmonth = days >= 19 ? 12 : 11;
        lday = static_cast<std::uint16_t>(days >= 19 ? days - 18 : days + 11);
        return 0;
    }
    int d = days - kFirstLunarNewYear;
    // The lengths of the years in the tables are fixed: add them up once.
    static const std::array<int, lunartables::kYears> yearDays = [] {
        std::array<int, lunartables::kYears> out{};
        for (int y = 0; y < lunartables::kYears; ++y)
            out[static_cast<std::size_t>(y)] =
                GetLunarYearDays(static_cast<std::uint16_t>(lunartables::kFirstYear + y));
        return out;
    }();
    int year = lunartables::kFirstYear;
    for (;;) {
        const int length =
            InTables(year) ? yearDays[Index(year)] : GetLunarYearDays(static_cast<std::uint16_t>(year));
        if (d < length)
            break;
        d -= length;
        ++year;
    }
    int leapResult = 0;
    std::uint16_t month = 1;
    for (; month < 12; ++month) {
        const std::uint32_t lengths = GetLunarMonthDays(static_cast<std::uint16_t>(year), month);
        const int own = static_cast<int>(lengths & 0xFFFF);
        if (d < own)
            break;
        d -= own;
        const int leapDays = static_cast<int>(lengths >> 16);
        if (leapDays) {
            if (d < leapDays) {
                leapResult = 1;
                break;
            }
            d -= leapDays;
        }
    }
    lyear = static_cast<std::uint16_t>(year);
    lmonth = month;
    lday = static_cast<std::uint16_t>(1 + d);
    return leapResult;
}

int SolarToLunar(std::uint16_t year, std::uint16_t month, std::uint16_t day, std::uint16_t& lyear,
                 std::uint16_t& lmonth, std::uint16_t& lday, bool* leap) {
    const int inLeap = LunarDateFromDays(lyear, lmonth, lday, GetDaysBetween(year, month, day, 1901, 1, 1));
    if (leap)
        *leap = inLeap != 0;
    return GetSolarTermIndex(year, month, day);
}

int GetSolarTermIndex(std::uint16_t year, std::uint16_t month, std::uint16_t day) {
    if (!InTables(year) || month < 1 || month > 12)
        return 0;
    const std::uint8_t byte = lunartables::kSolarTerms[Index(year) * 12 + month - 1];
    const int candidate = day >= 15 ? 15 + (byte & 0x0F) : 15 - (byte >> 4);
    if (day != candidate)
        return 0;
    return 2 * month + (day > 15 ? 1 : 0) - 1;
}

QString GetSolarTermName(int index) {
    if (index < 1 || index > 24)
        return {};
    return QString::fromUtf16(kSolarTerms[static_cast<std::size_t>(index - 1)]);
}

QString GetGanZhiYearText(std::uint16_t lyear) {
    const int k = lyear - 4;
    const int stem = (k % 10 + 10) % 10;
    const int branch = (k % 12 + 12) % 12;
    return kStems.mid(stem, 1) + kBranches.mid(branch, 1) + u' ' + kAnimals.mid(branch, 1) + u'年';
}

QString GetLunarMonthText(std::uint16_t lmonth, bool firstMonthAsZheng, bool leap) {
    if (lmonth < 1 || lmonth > 12)
        return {};
    if (leap) {
        const QString name = GetLunarMonthText(lmonth, firstMonthAsZheng, false);
        return u'闰' + (name.startsWith(u'　') ? name.mid(1) : name);
    }
    if (lmonth == 1 && !firstMonthAsZheng)
        return QStringLiteral("　一月");
    if (lmonth == 11)
        return QStringLiteral("十一月");
    if (lmonth == 12)
        return QStringLiteral("十二月");
    return u'　' + kMonthNames.mid(lmonth - 1, 1) + u'月';
}

QString GetLunarDayText(std::uint16_t lday) {
    if (lday < 1 || lday > 30)
        return {};
    if (lday == 20 || lday == 30)
        return kDigits.mid(lday / 10 - 1, 1) + u'十';
    const int k = lday - 1;
    return kDayPrefixes.mid(k / 10, 1) + kDigits.mid(k % 10, 1);
}
