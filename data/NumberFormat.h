#pragma once
// The one rule for a number shown or stored at a fixed number of decimals: printf's text under the
// C locale, whatever the user's locale; an exact tie rounds as printf rounds it, to the even
// digit (42.625 gives "42.62", 97.125 "97.12"; 108.005, stored as 108.00499…, "108.00"). Score
// entry, the imports and the reports all write marks and totals through it, so a total stored
// after an import, the grid's text and a report's text never differ in the last digit.

#include <QString>

namespace data {

// printf "%*.*f": width is the minimum width, padded with blanks on the left. A negative value
// that rounds to zero loses its sign ("0.00", not "-0.00").
QString FormatFixed(double value, int width, int decimals);
// printf "%6.2f", the format of every mark, total and statistic.
inline QString Format62(double value) {
    return FormatFixed(value, 6, 2);
}
// printf "%*d".
QString FormatInt(long long value, int width);

// A value at the two decimals it is shown with: the number FormatFixed(value, w, 2) writes, read
// without its point ("108.00" for 108.005 gives 10800; "97.12" for 97.125 gives 9712). Equal shown
// values have equal keys and a higher key always shows higher, so every rank and every "at or above"
// at two decimals compares keys. A value beyond ±4·10^16 gets the
// nearest key that fits.
long long RankKey(double value);
// Keys of a smaller magnitude make their text from their digits, so a text can be kept by its key;
// every mark, total and statistic lies far below.
inline constexpr long long kTextKeyLimit = 1LL << 50;

// A value as it is stored at two decimals: the number its FormatFixed text reads as.
double RoundTo2(double value);

} // namespace data
