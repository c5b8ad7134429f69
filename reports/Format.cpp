#include "reports/Format.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace reports {

QString CNumberTexts::Fixed62(double value) {
    const long long key = RankKey(value);
    if (!std::isfinite(value) || key <= -data::kTextKeyLimit || key >= data::kTextKeyLimit)
        return Format62(value);
    auto it = m_fixed.find(key);
    if (it == m_fixed.end())
        it = m_fixed.insert(key, Format62(value)); // the text is the key's
    return *it;
}

QString CNumberTexts::Int(long long value) {
    constexpr long long kKept = 1 << 16;
    if (value < 0 || value >= kKept)
        return FormatInt(value, m_intWidth);
    if (value >= static_cast<long long>(m_ints.size()))
        m_ints.resize(std::size_t(value) + 1);
    QString& text = m_ints[std::size_t(value)];
    if (text.isNull())
        text = FormatInt(value, m_intWidth);
    return text;
}

QString ClassLabel(int cls) {
    return FormatInt(cls, 2) + QStringLiteral("班");
}

QString ExamTitle(const QString& examText) {
    // A grade named "高2008级" already says 级: the bar then joins without a second one.
    const QChar ji = QStringLiteral("级").at(0);
    QString title;
    title.reserve(examText.size());
    for (const QChar c : examText) {
        if (c != u'|')
            title += c;
        else if (!title.endsWith(ji))
            title += ji;
    }
    return title;
}

double LeastWithKey(long long key) {
    // Every number's key lies within ±kKeyEnd (RankKey clamps there). A key above the top one is
    // reached by no number: +infinity, above every finite value. The bottom key and any
    // below it (NaN's key, a key read from a damaged file) are reached by every number: -infinity.
    constexpr long long kKeyEnd = 1LL << 62;
    if (key > kKeyEnd)
        return std::numeric_limits<double>::infinity();
    if (key <= -kKeyEnd)
        return -std::numeric_limits<double>::infinity();
    // The exact boundary is (key - 0.5) / 100; step from its neighbourhood to the first double
    // that reaches the key. Both steps end: -infinity's key is below `key` and the greatest
    // double's key is kKeyEnd, at or above it.
    double x = (static_cast<double>(key) - 0.5) / 100;
    while (RankKey(x) >= key)
        x = std::nextafter(x, -std::numeric_limits<double>::infinity());
    while (RankKey(x) < key)
        x = std::nextafter(x, std::numeric_limits<double>::infinity());
    return x;
}

double LeastShownAs(double value) {
    return LeastWithKey(RankKey(value));
}

std::optional<double> ParseNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok); // QString::toDouble reads the C locale's form
    if (!ok)
        return std::nullopt;
    return v;
}

CRanking::CRanking(std::vector<long long> keys) : m_count(int(keys.size())) {
    if (keys.empty())
        return;
    const auto [low, high] = std::minmax_element(keys.begin(), keys.end());
    m_lowest = *low;
    // A count per key between the lowest and the highest, summed from the top: cheaper than
    // sorting while the span is within a few dozen keys per value.
    const unsigned long long span =
        static_cast<unsigned long long>(*high) - static_cast<unsigned long long>(*low);
    if (span <= 32 * keys.size() && span < (1U << 22)) {
        std::vector<int> count(std::size_t(span) + 1, 0);
        for (const long long k : keys)
            ++count[std::size_t(k - m_lowest)];
        m_above.assign(count.size(), 0);
        for (std::size_t i = count.size() - 1; i > 0; --i)
            m_above[i - 1] = m_above[i] + count[i];
        return;
    }
    m_keys = std::move(keys);
    std::sort(m_keys.begin(), m_keys.end(), std::greater<>());
}

int CRanking::RankOfKey(long long key) const {
    if (!m_above.empty()) {
        if (key < m_lowest)
            return m_count + 1;
        const unsigned long long i =
            static_cast<unsigned long long>(key) - static_cast<unsigned long long>(m_lowest);
        return i < m_above.size() ? m_above[std::size_t(i)] + 1 : 1;
    }
    const auto above = std::lower_bound(m_keys.begin(), m_keys.end(), key, std::greater<>());
    return 1 + int(above - m_keys.begin());
}

std::vector<std::optional<int>> Ranks(const std::vector<std::optional<double>>& values, bool higherIsBetter) {
    // The lower value is the better one by the negated keys.
    std::vector<long long> keys;
    keys.reserve(values.size());
    for (const auto& v : values)
        if (v)
            keys.push_back(higherIsBetter ? RankKey(*v) : -RankKey(*v));
    const CRanking ranking(std::move(keys));
    std::vector<std::optional<int>> ranks(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i])
            ranks[i] = ranking.RankOfKey(higherIsBetter ? RankKey(*values[i]) : -RankKey(*values[i]));
    return ranks;
}

} // namespace reports
