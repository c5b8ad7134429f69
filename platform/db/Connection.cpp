#include "platform/db/Connection.h"

#include "platform/db/Functions.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sqlite3.h>

#include <cstring>
#include <memory>
#include <string>

namespace db {
namespace {

constexpr int kBusyTimeoutMs = 2000;
const char kPasswordTable[] = "veltora_password";

struct StatementDeleter {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

DbError ErrorOf(sqlite3* db, int rc, const char* what = nullptr) {
    const int code = db ? sqlite3_extended_errcode(db) : rc;
    QString message = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    if (what)
        message = QString::fromUtf8(what) + QStringLiteral(": ") + message;
    return DbError(code != SQLITE_OK ? code : rc, message);
}

// After the statement's end only blanks, ';' and comments may follow.
bool OnlyCommentsLeft(const char* p, const char* end) {
    while (p < end) {
        const char c = *p;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == ';') {
            ++p;
        } else if (c == '-' && p + 1 < end && p[1] == '-') {
            while (p < end && *p != '\n')
                ++p;
        } else if (c == '/' && p + 1 < end && p[1] == '*') {
            p += 2;
            while (p < end && !(*p == '*' && p + 1 < end && p[1] == '/'))
                ++p;
            p = p < end ? p + 2 : end;
        } else {
            return false;
        }
    }
    return true;
}

QString PasswordHash(const QByteArray& salt, const QString& password) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(salt);
    hash.addData(password.toUtf8());
    return QString::fromLatin1(hash.result().toHex());
}

bool IsTrue(const QString& value) {
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
           value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 || value == QLatin1String("1");
}

QString Unquoted(const QString& value) {
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

void BindParameter(sqlite3_stmt* stmt, int index, const Variant& v) {
    switch (v.Type()) {
    case VariantType::Null:
        sqlite3_bind_null(stmt, index);
        break;
    case VariantType::Integer:
    case VariantType::Bool:
        sqlite3_bind_int64(stmt, index, v.ToInt64());
        break;
    case VariantType::Real:
        sqlite3_bind_double(stmt, index, v.ToDouble());
        break;
    case VariantType::Text:
    case VariantType::Date: {
        if (v.Type() == VariantType::Date && !v.ToDate().isValid()) {
            sqlite3_bind_null(stmt, index);
            break;
        }
        const QByteArray utf8 = v.ToString().toUtf8();
        sqlite3_bind_text64(stmt, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                            SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    }
}

} // namespace

Connection::~Connection() {
    Close();
}

void Connection::Open(const QString& connectionString) {
    Close();
    QString source;
    QString password;
    bool create = false;
    bool haveSource = false;
    qsizetype pos = 0;
    while (pos < connectionString.size()) {
        qsizetype end = connectionString.indexOf(QLatin1Char(';'), pos);
        if (end < 0)
            end = connectionString.size();
        const QString part = connectionString.mid(pos, end - pos);
        if (part.trimmed().isEmpty()) {
            pos = end + 1;
            continue;
        }
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            throw DbError(DbError::kBadConnectionString,
                          QStringLiteral("connection string: \"%1\" is not key=value").arg(part.trimmed()));
        const QString key = part.left(eq).trimmed().toLower();
        if (key == QLatin1String("database password") || key.endsWith(QLatin1String(":database password")) ||
            key == QLatin1String("pwd")) {
            // The password is the last key: it runs to the end of the string and may hold ';'.
            password = connectionString.mid(pos + eq + 1);
            break;
        }
        const QString value = part.mid(eq + 1).trimmed();
        if (key == QLatin1String("data source") || key == QLatin1String("dbq")) {
            source = Unquoted(value);
            haveSource = true;
        } else if (key == QLatin1String("create")) {
            create = IsTrue(value);
        }
        pos = end + 1;
    }
    if (!haveSource || source.isEmpty())
        throw DbError(DbError::kBadConnectionString, QStringLiteral("connection string has no Data Source"));
    OpenFile(source, password, create);
}

void Connection::OpenFile(const QString& path, const QString& password, bool create) {
    Close();
    if (path.isEmpty())
        throw DbError(DbError::kBadConnectionString, QStringLiteral("no database file named"));
    const bool memory = path == QLatin1String(":memory:");
    // SQLite takes an existing empty file for an empty database; without Create that is a damaged
    // file, not one to fill.
    if (!memory && !create) {
        const QFileInfo info(path);
        if (info.isFile() && info.size() == 0)
            throw DbError(SQLITE_NOTADB, QStringLiteral("file is not a database (it is empty)"));
    }

    sqlite3* handle = nullptr;
    // A connection belongs to one thread at a time, so SQLite's per-call locking is dead weight
    // (it costs a fifth of the time of reading a large result).
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &handle, flags, nullptr);
    if (rc != SQLITE_OK) {
        const DbError error = ErrorOf(handle, rc, "cannot open the database");
        sqlite3_close_v2(handle);
        throw error;
    }
    m_db = handle;
    m_path = path;
    try {
        sqlite3_extended_result_codes(m_db, 1);
        // SQLite quietly opens a write-protected file read-only; the program needs to write.
        if (sqlite3_db_readonly(m_db, "main") == 1)
            throw DbError(SQLITE_READONLY, QStringLiteral("the database file is read-only"));
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        // Reading the schema is what finds out whether the file is a database at all.
        Execute(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        if (!memory)
            Execute(QStringLiteral("PRAGMA journal_mode=WAL"));
        Execute(QStringLiteral("PRAGMA foreign_keys=ON"));
        RegisterFunctions(m_db);
        VerifyPassword(password);
    } catch (...) {
        Close();
        throw;
    }
}

void Connection::Close() {
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_path.clear();
}

void Connection::Check(int rc, const char* what) const {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw ErrorOf(m_db, rc, what);
}

Recordset Connection::Execute(const QString& sql, const std::vector<Variant>& params) {
    if (!m_db)
        throw DbError(DbError::kNotOpen, QStringLiteral("the database connection is not open"));
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    // The size includes the terminating NUL, which spares SQLite a copy of the text.
    Check(sqlite3_prepare_v2(m_db, text.constData(), static_cast<int>(text.size()) + 1, &raw, &tail),
          nullptr);
    const Statement stmt(raw);
    if (tail && !OnlyCommentsLeft(tail, text.constData() + text.size()))
        throw DbError(DbError::kMultipleStatements,
                      QStringLiteral("only one SQL statement may be executed at a time"));
    if (!stmt) {
        if (!params.empty())
            throw DbError(DbError::kBadParameterCount, QStringLiteral("values given for an empty statement"));
        return {};
    }

    const int expected = sqlite3_bind_parameter_count(stmt.get());
    if (expected != static_cast<int>(params.size()))
        throw DbError(
            DbError::kBadParameterCount,
            QStringLiteral("the statement takes %1 values, %2 given").arg(expected).arg(params.size()));
    for (int i = 0; i < expected; ++i)
        BindParameter(stmt.get(), i + 1, params[static_cast<size_t>(i)]);

    const sqlite3_int64 changesBefore = sqlite3_total_changes64(m_db);
    const int columns = sqlite3_column_count(stmt.get());
    std::vector<std::vector<Variant>> rows;
    // Columns such as grade, class name or gender repeat their text row after row: the previous
    // row's string is shared instead of decoding and allocating it again.
    std::vector<std::string> lastBytes(static_cast<size_t>(columns));
    std::vector<QString> lastText(static_cast<size_t>(columns));
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        if (columns == 0)
            continue;
        std::vector<Variant>& row = rows.emplace_back();
        row.reserve(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt.get(), c)) {
            case SQLITE_INTEGER:
                row.emplace_back(static_cast<long long>(sqlite3_column_int64(stmt.get(), c)));
                break;
            case SQLITE_FLOAT:
                row.emplace_back(sqlite3_column_double(stmt.get(), c));
                break;
            case SQLITE_NULL:
                row.emplace_back();
                break;
            default: { // TEXT, and BLOB taken as the text of its bytes
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), c));
                const int n = sqlite3_column_bytes(stmt.get(), c);
                std::string& last = lastBytes[static_cast<size_t>(c)];
                QString& text = lastText[static_cast<size_t>(c)];
                if (last.size() != static_cast<size_t>(n) ||
                    std::memcmp(last.data(), p, static_cast<size_t>(n)) != 0) {
                    last.assign(p, static_cast<size_t>(n));
                    text = QString::fromUtf8(p, n);
                }
                row.emplace_back(text);
                break;
            }
            }
        }
    }
    Check(rc, nullptr);

    // sqlite3_changes() keeps the count of an earlier statement when this one changed nothing.
    const long long affected = sqlite3_total_changes64(m_db) != changesBefore ? sqlite3_changes64(m_db) : 0;
    if (columns == 0) {
        Recordset closed;
        closed.SetRowsAffected(affected);
        return closed;
    }
    QStringList names;
    QStringList types;
    names.reserve(columns);
    types.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        names.append(QString::fromUtf8(sqlite3_column_name(stmt.get(), c)));
        const char* decl = sqlite3_column_decltype(stmt.get(), c);
        types.append(decl ? QString::fromUtf8(decl) : QString());
    }
    Recordset result(std::move(names), std::move(types), std::move(rows));
    result.SetRowsAffected(affected);
    return result;
}

long long Connection::LastInsertId() const {
    if (!m_db)
        throw DbError(DbError::kNotOpen, QStringLiteral("the database connection is not open"));
    return sqlite3_last_insert_rowid(m_db);
}

void Connection::SetDatabasePassword(const QString& password) {
    if (!m_db)
        throw DbError(DbError::kNotOpen, QStringLiteral("the database connection is not open"));
    const QString table = QString::fromLatin1(kPasswordTable);
    Execute(QStringLiteral("SAVEPOINT veltora_set_password"));
    try {
        Execute(QStringLiteral("DROP TABLE IF EXISTS ") + table);
        if (!password.isEmpty()) {
            QByteArray salt(16, Qt::Uninitialized);
            QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), 4);
            Execute(QStringLiteral("CREATE TABLE ") + table +
                    QStringLiteral("(salt TEXT NOT NULL, hash TEXT NOT NULL)"));
            Execute(QStringLiteral("INSERT INTO ") + table + QStringLiteral("(salt, hash) VALUES (?, ?)"),
                    QString::fromLatin1(salt.toHex()), PasswordHash(salt, password));
        }
        Execute(QStringLiteral("RELEASE veltora_set_password"));
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK TO veltora_set_password; RELEASE veltora_set_password", nullptr, nullptr,
                     nullptr);
        throw;
    }
}

void Connection::VerifyPassword(const QString& password) {
    const Recordset table =
        Execute(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?"),
                QString::fromLatin1(kPasswordTable));
    if (table.IsEOF())
        return; // not protected
    const Recordset row =
        Execute(QStringLiteral("SELECT salt, hash FROM ") + QString::fromLatin1(kPasswordTable) +
                QStringLiteral(" ORDER BY rowid LIMIT 1"));
    if (row.IsEOF())
        return;
    const QByteArray salt = QByteArray::fromHex(row.Field(0).ToString().toLatin1());
    const QString stored = row.Field(1).ToString().trimmed();
    if (stored.compare(PasswordHash(salt, password), Qt::CaseInsensitive) != 0)
        throw DbError(DbError::kWrongPassword, QStringLiteral("wrong database password"));
}

} // namespace db
