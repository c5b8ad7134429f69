#pragma once
// Number texts and ranks of the reports. Numbers are formatted as printf formats them under the C
// locale, whatever the user's locale, and ranks compare values at the two decimals shown.

#include <QString>

#include <optional>
#include <vector>

namespace reports {

// printf "%*.*f": width is the minimum width, padded with blanks on the left. A negative value
// that rounds to zero loses its sign ("0.00", not "-0.00").
QString FormatFixed(double value, int width, int decimals);
// printf "%6.2f", the format of every statistic in the reports.
inline QString Format62(double value) {
    return FormatFixed(value, 6, 2);
}
// printf "%*d".
QString FormatInt(long long value, int width);
// "%2d班": the label of class `cls`.
QString ClassLabel(int cls);

// The exam text of the analysis context as titles show it: every "|" replaced by "级", or dropped
// when the grade before it already ends in 级 ("高2008级|期中" → "高2008级期中").
QString ExamTitle(const QString& examText);

// A value at the two decimals it is shown with, so that equal shown values compare equal.
long long RankKey(double value);
// A cell text read back as a number ("  78.46" → 78.46); nullopt for an empty or non-numeric text.
std::optional<double> ParseNumber(const QString& text);

// 1 + the number of present values strictly better, compared by RankKey; equal values share a rank
// and the next rank is skipped (1, 2, 2, 4). A missing value gets no rank.
std::vector<std::optional<int>> Ranks(const std::vector<std::optional<double>>& values, bool higherIsBetter);

} // namespace reports
