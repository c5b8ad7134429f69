#include "data/NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace data {
namespace {

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

double RoundTo2(double value) {
    if (!std::isfinite(value))
        return value;
    return FormatFixed(value, 0, 2).toDouble(); // QString::toDouble reads the C locale's form
}

} // namespace data
