#include "reports/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

namespace reports {
namespace {

// Keys below this make their text from their digits; every score, total and statistic is far below.
constexpr long long kTextKeyLimit = 1LL << 50;

// printf's "%.*f" of a finite value: the exact binary value rounded to `decimals` decimals, a tie
// to the even digit. Returns the end of the text in `buffer`.
char* FixedText(char* buffer, std::size_t size, double value, int decimals) {
    return std::to_chars(buffer, buffer + size, value, std::chars_format::fixed, decimals).ptr;
}

// `n` Latin-1 characters right-aligned in at least `width` blanks, in one allocation.
QString Padded(const char* text, int n, int width) {
    const int size = std::max(n, width);
    QString s(size, Qt::Uninitialized);
    QChar* out = s.data();
    const int blanks = size - n;
    std::fill(out, out + blanks, QChar(u' '));
    for (int i = 0; i < n; ++i)
        out[blanks + i] = QLatin1Char(text[i]);
    return s;
}

// The text of a key at two decimals, its point put back: 10800 → "108.00", -5 → "-0.05".
char* KeyText(char* buffer, long long key) {
    char* p = buffer;
    if (key < 0)
        *p++ = '-';
    const unsigned long long magnitude = key < 0 ? 0ULL - static_cast<unsigned long long>(key) : key;
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
    int n = int(end - digits);
    if (n < 3) { // at least one digit before the point
        std::copy_backward(digits, end, digits + 3);
        std::fill(digits, digits + 3 - n, '0');
        n = 3;
    }
    p = std::copy(digits, digits + n - 2, p);
    *p++ = '.';
    return std::copy(digits + n - 2, digits + n, p);
}

} // namespace

QString FormatFixed(double value, int width, int decimals) {
    if (!std::isfinite(value)) { // printf's texts; the database gives none of these
        const char* text = std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf";
        return Padded(text, int(std::strlen(text)), width);
    }
    char buffer[400];
    if (decimals == 2) {
        // The text is the key's: one rule for what is shown and what is ranked. A key of 0 has no
        // sign, so "-0.00" never shows.
        const long long key = RankKey(value);
        if (key > -kTextKeyLimit && key < kTextKeyLimit) {
            const char* end = KeyText(buffer, key);
            return Padded(buffer, int(end - buffer), width);
        }
    }
    const char* end = FixedText(buffer, sizeof buffer, value, decimals);
    const char* begin = buffer;
    // A negative value that rounds to zero is shown as zero: "-0.00" reads as a different number.
    if (*begin == '-' && std::none_of(begin, end, [](char c) { return c >= '1' && c <= '9'; }))
        ++begin;
    return Padded(begin, int(end - begin), width);
}

QString FormatInt(long long value, int width) {
    char buffer[24];
    const char* end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return Padded(buffer, int(end - buffer), width);
}

QString CNumberTexts::Fixed62(double value) {
    const long long key = RankKey(value);
    if (!std::isfinite(value) || key <= -kTextKeyLimit || key >= kTextKeyLimit)
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

long long RankKey(double value) {
    constexpr double kLimit = 0x1p62; // |key| below 2^62: every key fits, with room to step by one
    const double scaled = value * 100;
    if (std::isnan(scaled)) // below every number, and still negatable
        return -static_cast<long long>(kLimit) - 1;
    if (!(std::fabs(scaled) < kLimit))
        return scaled < 0 ? -static_cast<long long>(kLimit) : static_cast<long long>(kLimit);
    // `scaled` is the exact value · 100 rounded once, so within |scaled|·2^-53 of it. Unless it lies
    // about that close to a half, rounding it gives the integer the exact value rounds to, which
    // is the one the text shows.
    if (std::fabs(scaled) < 0x1p50) {
        const double nearest = std::nearbyint(scaled);
        if (std::fabs(std::fabs(scaled - nearest) - 0.5) > std::fabs(scaled) * 0x1p-51)
            return static_cast<long long>(nearest);
    }
    // Near a half: read the text itself. "-0.00" reads as 0.
    char buffer[40];
    char* end = FixedText(buffer, sizeof buffer, value, 2);
    char* point = std::find(buffer, end, '.');
    if (point != end) {
        std::copy(point + 1, end, point);
        --end;
    }
    long long key = 0;
    std::from_chars(buffer, end, key);
    return key;
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
