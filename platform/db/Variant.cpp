#include "platform/db/Variant.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace db {
namespace {

// The day that OLE automation dates count from; a date read as a number is its day count.
const QDate kOleEpoch(1899, 12, 30);

std::int64_t RoundToInt64(double v) {
    if (std::isnan(v))
        return 0;
    // 2^63 as a double; anything at or past it saturates.
    constexpr double kLimit = 9223372036854775808.0;
    if (v >= kLimit)
        return std::numeric_limits<std::int64_t>::max();
    if (v <= -kLimit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::round(v)); // round() goes half away from zero
}

// Trimmed numeric text; not a number (or empty) gives nothing.
bool ParseNumber(const QString& s, double* value) {
    bool ok = false;
    const double v = s.trimmed().toDouble(&ok);
    if (ok)
        *value = v;
    return ok;
}

QDate DateFromNumber(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return {};
    return kOleEpoch.addDays(static_cast<qint64>(std::floor(days)));
}

// "YYYY-MM-DD" as stored, also "YYYY-M-D" as older rows were written, optionally followed by a time.
QDate DateFromText(const QString& text) {
    const QString s = text.trimmed();
    const qsizetype end = s.indexOf(QLatin1Char(' '));
    const QStringList parts = (end < 0 ? s : s.left(end)).split(QLatin1Char('-'));
    if (parts.size() != 3)
        return {};
    bool ok[3] = {};
    const int y = parts[0].toInt(&ok[0]);
    const int m = parts[1].toInt(&ok[1]);
    const int d = parts[2].toInt(&ok[2]);
    if (!ok[0] || !ok[1] || !ok[2])
        return {};
    return QDate(y, m, d);
}

QString FormatReal(double v) {
    if (std::isnan(v))
        return QStringLiteral("NaN");
    if (std::isinf(v))
        return v > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (v == 0.0)
        return QStringLiteral("0"); // also for -0.0
    // to_chars general format is printf's %.15g, but independent of the process locale.
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    QString out = QString::fromLatin1(buf, res.ptr - buf);
    const qsizetype e = out.indexOf(QLatin1Char('e'));
    if (e >= 0)
        out[e] = QLatin1Char('E');
    return out;
}

} // namespace

VariantType Variant::Type() const {
    return static_cast<VariantType>(m_value.index());
}

std::int64_t Variant::ToInt64() const {
    switch (Type()) {
    case VariantType::Null:
        return 0;
    case VariantType::Integer:
        return std::get<std::int64_t>(m_value);
    case VariantType::Real:
        return RoundToInt64(std::get<double>(m_value));
    case VariantType::Text: {
        const QString s = std::get<QString>(m_value).trimmed();
        bool ok = false;
        const qlonglong n = s.toLongLong(&ok); // exact for integers past 2^53
        if (ok)
            return n;
        double v = 0;
        return ParseNumber(s, &v) ? RoundToInt64(v) : 0;
    }
    case VariantType::Date: {
        const QDate& d = std::get<QDate>(m_value);
        return d.isValid() ? kOleEpoch.daysTo(d) : 0;
    }
    case VariantType::Bool:
        return std::get<bool>(m_value) ? 1 : 0;
    }
    return 0;
}

double Variant::ToDouble() const {
    switch (Type()) {
    case VariantType::Null:
        return 0;
    case VariantType::Integer:
        return static_cast<double>(std::get<std::int64_t>(m_value));
    case VariantType::Real:
        return std::get<double>(m_value);
    case VariantType::Text: {
        double v = 0;
        return ParseNumber(std::get<QString>(m_value), &v) ? v : 0;
    }
    case VariantType::Date:
    case VariantType::Bool:
        return static_cast<double>(ToInt64());
    }
    return 0;
}

bool Variant::ToBool() const {
    switch (Type()) {
    case VariantType::Null:
        return false;
    case VariantType::Integer:
        return std::get<std::int64_t>(m_value) != 0;
    case VariantType::Real:
        return std::get<double>(m_value) != 0.0;
    case VariantType::Text: {
        const QString s = std::get<QString>(m_value).trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
        double v = 0;
        return ParseNumber(s, &v) && v != 0.0;
    }
    case VariantType::Date:
        return ToInt64() != 0;
    case VariantType::Bool:
        return std::get<bool>(m_value);
    }
    return false;
}

QDate Variant::ToDate() const {
    switch (Type()) {
    case VariantType::Null:
    case VariantType::Bool:
        return {};
    case VariantType::Integer:
    case VariantType::Real:
        return DateFromNumber(ToDouble());
    case VariantType::Text:
        return DateFromText(std::get<QString>(m_value));
    case VariantType::Date:
        return std::get<QDate>(m_value);
    }
    return {};
}

QString Variant::ToString() const {
    switch (Type()) {
    case VariantType::Null:
        return {};
    case VariantType::Integer:
        return QString::number(std::get<std::int64_t>(m_value));
    case VariantType::Real:
        return FormatReal(std::get<double>(m_value));
    case VariantType::Text:
        return std::get<QString>(m_value);
    case VariantType::Date: {
        const QDate& d = std::get<QDate>(m_value);
        return d.isValid() ? d.toString(Qt::ISODate) : QString();
    }
    case VariantType::Bool:
        return std::get<bool>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    }
    return {};
}

} // namespace db
