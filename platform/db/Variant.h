#pragma once
// A field value or a bound parameter, as the program's data layer hands it around.

#include <QDate>
#include <QString>

#include <cstdint>
#include <variant>

namespace db {

enum class VariantType { Null, Integer, Real, Text, Date, Bool };

class Variant {
public:
    Variant() = default; // NULL
    Variant(std::nullptr_t) {}
    Variant(int v) : m_value(static_cast<std::int64_t>(v)) {}
    Variant(long v) : m_value(static_cast<std::int64_t>(v)) {}
    Variant(long long v) : m_value(static_cast<std::int64_t>(v)) {}
    Variant(unsigned v) : m_value(static_cast<std::int64_t>(v)) {}
    Variant(double v) : m_value(v) {}
    Variant(float v) : m_value(static_cast<double>(v)) {}
    Variant(bool v) : m_value(v) {}
    Variant(const QString& v) : m_value(v) {}
    Variant(const char* utf8) : m_value(QString::fromUtf8(utf8)) {}
    Variant(const QDate& v) : m_value(v) {}

    VariantType Type() const;
    bool IsNull() const { return Type() == VariantType::Null; }

    // Conversions as Windows variants make them: NULL gives 0, "" or an invalid date;
    // numeric text converts to its number and other text to 0; a real rounds half away from zero
    // to an integer. True is 1; a date as a number is its day count from 1899-12-30, and text
    // converts to a date from "YYYY-MM-DD" (also "YYYY-M-D", optionally followed by a time).
    std::int64_t ToInt64() const;
    int ToInt() const { return static_cast<int>(ToInt64()); }
    double ToDouble() const;
    bool ToBool() const;
    QDate ToDate() const;
    // Integers in decimal; reals with up to 15 significant digits and no trailing zeros
    // (90 → "90", 85.5 → "85.5"); dates "YYYY-MM-DD"; booleans "True"/"False"; NULL "".
    QString ToString() const;

    bool operator==(const Variant& other) const { return m_value == other.m_value; }

private:
    std::variant<std::monostate, std::int64_t, double, QString, QDate, bool> m_value;
};

} // namespace db
