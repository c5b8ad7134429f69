#pragma once
// Number texts and ranks of the reports. Numbers are formatted as printf formats them under the C
// locale, whatever the user's locale (data/NumberFormat.h), and ranks compare values at the two
// decimals shown.

#include "data/NumberFormat.h"

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace reports {

// The two-decimal rule and its texts live with the data (data/NumberFormat.h), so that score entry
// and the imports store marks and totals by it too; the reports use them under their own names.
using data::Format62;
using data::FormatFixed;
using data::FormatInt;
using data::RankKey;

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
