#pragma once
// Number texts and ranks of the reports. Numbers are formatted as printf formats them under the C
// locale, whatever the user's locale, and ranks compare values at the two decimals shown.

#include <QHash>
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

// The "%6.2f" and "%*d" texts of one list, each distinct text made once and shared by every cell
// that shows it: a list of a thousand students shows a few hundred scores and ranks again and again.
class CNumberTexts {
public:
    explicit CNumberTexts(int intWidth) : m_intWidth(intWidth) {}
    // Format62(value).
    QString Fixed62(double value);
    // FormatInt(value, the width given).
    QString Int(long long value);

private:
    int m_intWidth;
    QHash<long long, QString> m_fixed; // by key
    std::vector<QString> m_ints;       // by value, from 0
};

// "%2d班": the label of class `cls`.
QString ClassLabel(int cls);

// The exam text of the analysis context as titles show it: every "|" replaced by "级", or dropped
// when the grade before it already ends in 级 ("高2008级|期中" → "高2008级期中").
QString ExamTitle(const QString& examText);

// A value at the two decimals it is shown with: the number FormatFixed(value, w, 2) writes, read
// without its point ("108.00" for 108.005, which is stored as 108.00499…, gives 10800; "97.12" for
// 97.125 gives 9712). Equal shown values have equal keys and a higher key always shows higher, so
// every rank and every "at or above" at two decimals compares keys. A value beyond ±4·10^16 gets
// the nearest key that fits.
long long RankKey(double value);
// The least value whose key is `key` or more, for a query that compares at the two decimals shown:
// RankKey(x) >= key exactly when x >= LeastWithKey(key). Exact for keys of at most 15 digits.
// Beyond the keys numbers take (±2^62, the keys of ±infinity and of values beyond
// ±4·10^16): a key above every number's gives +infinity and a key at or below the lowest gives
// -infinity, so every finite value still compares on the right side of the result (+infinity
// itself reaches the +infinity bound, though its key is the top one). NaN's key, below every
// number's, also gives -infinity; NaN itself compares at or above nothing.
double LeastWithKey(long long key);
// The least value shown at or above the way `value` is shown: LeastWithKey(RankKey(value)).
// -infinity for -infinity, a value below -4·10^16 or NaN: every number is shown at or above those.
double LeastShownAs(double value);
// A cell text read back as a number ("  78.46" → 78.46); nullopt for an empty or non-numeric text.
std::optional<double> ParseNumber(const QString& text);

// The ranks among the values of one scope, given by their keys: the rank of a key is 1 + the
// number of the scope's keys above it, so equal shown values share a rank and the next rank is
// skipped (1, 2, 2, 4). Built once; each rank is then answered without a search when the keys lie
// close together, as the scores of a subject do.
class CRanking {
public:
    CRanking() = default;
    explicit CRanking(std::vector<long long> keys);
    int RankOfKey(long long key) const;
    int Rank(double value) const { return RankOfKey(RankKey(value)); }
    int Count() const { return m_count; }

private:
    int m_count = 0;
    long long m_lowest = 0;
    std::vector<int> m_above;      // with close keys: by key - m_lowest, the keys above it
    std::vector<long long> m_keys; // otherwise: every key, highest first
};

// 1 + the number of present values strictly better, compared by RankKey; equal values share a rank
// and the next rank is skipped (1, 2, 2, 4). A missing value gets no rank.
std::vector<std::optional<int>> Ranks(const std::vector<std::optional<double>>& values, bool higherIsBetter);

} // namespace reports
