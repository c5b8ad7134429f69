#pragma once
// Replays traced statements bare through sqlite3, for comparing a computation's time with the time
// of its SQL alone (statcalc, trackbench).

#include "reports/ReportQueries.h"

#include <QByteArray>

#include <sqlite3.h>

#include <stdexcept>
#include <string>

// Runs statements as they were traced: prepare, bind, step through every row reading each column.
class BareRunner {
public:
    explicit BareRunner(sqlite3* handle) : m_db(handle) {}

    void Exec(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string text = error ? error : "?";
            sqlite3_free(error);
            throw std::runtime_error(text);
        }
    }

    void Run(const reports::TracedStatement& s) {
        const QByteArray sql = s.sql.toUtf8();
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        for (int i = 0; i < int(s.params.size()); ++i) {
            const db::Variant& v = s.params[i];
            switch (v.Type()) {
            case db::VariantType::Null:
                sqlite3_bind_null(stmt, i + 1);
                break;
            case db::VariantType::Integer:
            case db::VariantType::Bool:
                sqlite3_bind_int64(stmt, i + 1, v.ToInt64());
                break;
            case db::VariantType::Real:
                sqlite3_bind_double(stmt, i + 1, v.ToDouble());
                break;
            default: {
                const QByteArray text = v.ToString().toUtf8();
                sqlite3_bind_text(stmt, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
                break;
            }
            }
        }
        const int columns = sqlite3_column_count(stmt);
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_INTEGER:
                    m_sink += sqlite3_column_int64(stmt, c);
                    break;
                case SQLITE_FLOAT:
                    m_sink += static_cast<long long>(sqlite3_column_double(stmt, c));
                    break;
                case SQLITE_NULL:
                    break;
                default:
                    m_sink += sqlite3_column_bytes(stmt, c) + (sqlite3_column_text(stmt, c) ? 1 : 0);
                    break;
                }
            }
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(m_db));
    }

private:
    sqlite3* m_db;
    long long m_sink = 0;
};
