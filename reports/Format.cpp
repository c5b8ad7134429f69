#include "reports/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace reports {

QString FormatFixed(double value, int width, int decimals) {
    if (!std::isfinite(value)) // printf's texts; the database gives none of these
        return QString::fromLatin1(std::isnan(value) ? "nan"
                                   : value < 0       ? "-inf"
                                                     : "inf")
            .rightJustified(width, u' ');
    char buffer[400];
    const std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    QString text = QString::fromLatin1(buffer, int(r.ptr - buffer));
    // A negative value that rounds to zero is shown as zero: "-0.00" reads as a different number.
    if (text.startsWith(u'-') &&
        std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'1' && c <= u'9'; }))
        text.remove(0, 1);
    return text.rightJustified(width, u' ');
}

QString FormatInt(long long value, int width) {
    return QString::number(value).rightJustified(width, u' ');
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
    return std::llround(value * 100);
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

std::vector<std::optional<int>> Ranks(const std::vector<std::optional<double>>& values, bool higherIsBetter) {
    std::vector<std::optional<long long>> keys;
    keys.reserve(values.size());
    for (const auto& v : values)
        keys.push_back(v ? std::optional<long long>(RankKey(*v)) : std::nullopt);
    std::vector<std::optional<int>> ranks(values.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (!keys[i])
            continue;
        int better = 0;
        for (const auto& other : keys)
            if (other && (higherIsBetter ? *other > *keys[i] : *other < *keys[i]))
                ++better;
        ranks[i] = better + 1;
    }
    return ranks;
}

} // namespace reports
