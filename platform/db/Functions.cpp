#include "platform/db/Functions.h"

#include "platform/db/DbError.h"
#include "platform/db/Variant.h"
#include "platform/text/Gbk.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace db {
namespace {

// Welford's running mean and sum of squared deviations: no cancellation, and equal values leave
// the sum at exactly 0.
struct StdevState {
    sqlite3_int64 count;
    double mean;
    double m2;

    void Add(double x) {
        ++count;
        const double delta = x - mean;
        mean += delta / static_cast<double>(count);
        m2 += delta * (x - mean);
    }
    std::optional<double> Result() const {
        if (count < 2)
            return std::nullopt;
        return std::sqrt(std::max(0.0, m2) / static_cast<double>(count - 1));
    }
};

void StdevStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    auto* state = static_cast<StdevState*>(sqlite3_aggregate_context(ctx, sizeof(StdevState)));
    if (!state) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    state->Add(sqlite3_value_double(argv[0]));
}

void StdevFinal(sqlite3_context* ctx) {
    // A zero size asks for the state without allocating it when no row reached the step.
    const auto* state = static_cast<StdevState*>(sqlite3_aggregate_context(ctx, 0));
    const std::optional<double> r = state ? state->Result() : std::nullopt;
    if (r)
        sqlite3_result_double(ctx, *r);
    else
        sqlite3_result_null(ctx);
}

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Byte offset of the character `chars` characters into UTF-8 text (or its end).
int SkipChars(const unsigned char* s, int n, sqlite3_int64 chars) {
    int i = 0;
    while (i < n && chars > 0) {
        ++i;
        while (i < n && IsContinuation(s[i]))
            ++i;
        --chars;
    }
    return i;
}

void MidFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    const sqlite3_int64 start = sqlite3_value_int64(argv[1]);
    if (start < 1) {
        sqlite3_result_error(ctx, "mid(): the start position must be 1 or more", -1);
        return;
    }
    const sqlite3_int64 length = argc > 2 ? sqlite3_value_int64(argv[2]) : -1;
    if (argc > 2 && length < 0) {
        sqlite3_result_error(ctx, "mid(): the length must not be negative", -1);
        return;
    }
    const unsigned char* s = sqlite3_value_text(argv[0]);
    const int n = sqlite3_value_bytes(argv[0]);
    const int from = SkipChars(s, n, start - 1);
    const int to = argc > 2 ? from + SkipChars(s + from, n - from, length) : n;
    sqlite3_result_text(ctx, reinterpret_cast<const char*>(s + from), to - from, SQLITE_TRANSIENT);
}

void LenFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const unsigned char* s = sqlite3_value_text(argv[0]);
    const int n = sqlite3_value_bytes(argv[0]);
    sqlite3_int64 chars = 0;
    for (int i = 0; i < n; ++i)
        chars += IsContinuation(s[i]) ? 0 : 1;
    sqlite3_result_int64(ctx, chars);
}

void ResultText(sqlite3_context* ctx, const QString& s) {
    const QByteArray utf8 = s.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void StrFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    // Numeric text converts as the database converts it; other text is a type mismatch, as in Jet.
    switch (sqlite3_value_numeric_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(ctx);
        break;
    case SQLITE_INTEGER: {
        const sqlite3_int64 v = sqlite3_value_int64(argv[0]);
        ResultText(ctx, (v >= 0 ? QStringLiteral(" ") : QString()) + QString::number(v));
        break;
    }
    case SQLITE_FLOAT:
        ResultText(ctx, JetStr(sqlite3_value_double(argv[0])));
        break;
    default:
        sqlite3_result_error(ctx, "str(): the argument is not a number", -1);
        break;
    }
}

int CompareUtf8Bytes(const unsigned char* a, int na, const unsigned char* b, int nb) {
    const int r = std::memcmp(a, b, static_cast<size_t>(std::min(na, nb)));
    if (r != 0)
        return r < 0 ? -1 : 1;
    return na < nb ? -1 : na > nb ? 1 : 0;
}

// Orders by the GBK bytes. Texts that only differ in characters GBK lacks (all written '?')
// are ordered by their UTF-8 bytes, so that only identical texts compare equal.
int GbkCollation(void*, int na, const void* pa, int nb, const void* pb) {
    const auto* a = static_cast<const unsigned char*>(pa);
    const auto* b = static_cast<const unsigned char*>(pb);
    // A common prefix converts to the same GBK bytes; skip it, up to a character boundary.
    int i = 0;
    const int common = std::min(na, nb);
    while (i < common && a[i] == b[i])
        ++i;
    while (i > 0 && ((i < na && IsContinuation(a[i])) || (i < nb && IsContinuation(b[i]))))
        --i;
    if (i == na || i == nb)
        return na == nb ? 0 : (i == na ? -1 : 1);
    if (a[i] < 0x80 && b[i] < 0x80 && a[i] != b[i])
        return a[i] < b[i] ? -1 : 1;
    const QByteArray ga = text::ToGbk(QString::fromUtf8(reinterpret_cast<const char*>(a + i), na - i));
    const QByteArray gb = text::ToGbk(QString::fromUtf8(reinterpret_cast<const char*>(b + i), nb - i));
    const int r = text::CompareGbkBytes(ga.constData(), static_cast<int>(ga.size()), gb.constData(),
                                        static_cast<int>(gb.size()));
    return r != 0 ? r : CompareUtf8Bytes(a + i, na - i, b + i, nb - i);
}

void Register(sqlite3* handle, int rc) {
    if (rc != SQLITE_OK)
        throw DbError(sqlite3_extended_errcode(handle), QStringLiteral("cannot register SQL functions: ") +
                                                            QString::fromUtf8(sqlite3_errmsg(handle)));
}

} // namespace

void RegisterFunctions(sqlite3* handle) {
    constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    Register(handle, sqlite3_create_function_v2(handle, "stdev", 1, kFlags, nullptr, nullptr, StdevStep,
                                                StdevFinal, nullptr));
    Register(handle, sqlite3_create_function_v2(handle, "mid", 2, kFlags, nullptr, MidFunction, nullptr,
                                                nullptr, nullptr));
    Register(handle, sqlite3_create_function_v2(handle, "mid", 3, kFlags, nullptr, MidFunction, nullptr,
                                                nullptr, nullptr));
    Register(handle, sqlite3_create_function_v2(handle, "len", 1, kFlags, nullptr, LenFunction, nullptr,
                                                nullptr, nullptr));
    Register(handle, sqlite3_create_function_v2(handle, "str", 1, kFlags, nullptr, StrFunction, nullptr,
                                                nullptr, nullptr));
    Register(handle, sqlite3_create_collation_v2(handle, "GBK", SQLITE_UTF8, nullptr, GbkCollation, nullptr));
}

std::optional<double> SampleStdev(const std::vector<double>& values) {
    StdevState state{};
    for (const double v : values)
        state.Add(v);
    return state.Result();
}

QString JetStr(double value) {
    const QString s = Variant(value).ToString();
    return (value >= 0 || std::isnan(value)) ? QStringLiteral(" ") + s : s;
}

QString JetMid(const QString& s, long long start, std::optional<long long> length) {
    if (start < 1)
        throw DbError(SQLITE_ERROR, QStringLiteral("mid(): the start position must be 1 or more"));
    if (length && *length < 0)
        throw DbError(SQLITE_ERROR, QStringLiteral("mid(): the length must not be negative"));
    // Counted in characters: a character outside the BMP is one, not two UTF-16 units.
    auto skip = [&s](qsizetype from, long long chars) {
        qsizetype i = from;
        while (i < s.size() && chars > 0) {
            i += (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) ? 2 : 1;
            --chars;
        }
        return i;
    };
    const qsizetype from = skip(0, start - 1);
    const qsizetype to = length ? skip(from, *length) : s.size();
    return s.mid(from, to - from);
}

} // namespace db
