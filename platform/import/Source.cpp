#include "platform/import/Source.h"

#include "platform/db/FileGuard.h"
#include "platform/db/Transaction.h"
#include "platform/import/Child.h"
#include "platform/import/Reader.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <deque>
#include <exception>
#include <iterator>
#include <mutex>
#include <system_error>
#include <thread>
#include <cstring>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace importsrc {
namespace {

// SQLite takes at most 32766 bound values in one statement; a few hundred rows per INSERT spare
// most of the statement preparations without making the text large.
constexpr int kMaxValuesPerInsert = 32766;
constexpr int kMaxRowsPerInsert = 200;

std::function<void(int)> g_rowCheck;

// The loaded tables live in a database of their own attached to the target: a temporary file
// that SQLite deletes when the connection closes, of which only the pages in use are held in
// memory, so that a large table does not take the program's memory a second time. Its tables are
// found by their names alone, as the target's own would be.
const QString& SourceSchema() {
    static const QString name = QStringLiteral("source");
    return name;
}

void AttachSourceDatabase(db::Connection& target) {
    for (db::Recordset rs = target.Execute(QStringLiteral("PRAGMA database_list")); !rs.IsEOF();
         rs.MoveNext())
        if (rs.Field(1).ToString() == SourceSchema())
            return;
    target.Execute(QStringLiteral("ATTACH DATABASE '' AS ") + SourceSchema());
    // Nothing of it needs to outlive the program, and a sheet's rows are long: large pages
    // spare the chains of overflow pages.
    target.Execute(QStringLiteral("PRAGMA ") + SourceSchema() + QStringLiteral(".synchronous = OFF"));
    target.Execute(QStringLiteral("PRAGMA ") + SourceSchema() + QStringLiteral(".page_size = 4096"));
}

// The database that holds `table` ("main" when none does), as an SQL qualifier with its dot.
QString SchemaOf(db::Connection& connection, const QString& table) {
    for (db::Recordset rs = connection.Execute(QStringLiteral("PRAGMA database_list")); !rs.IsEOF();
         rs.MoveNext()) {
        const QString schema = rs.Field(1).ToString();
        if (connection
                .Execute(QStringLiteral("SELECT count(*) FROM ") + QuoteName(schema) +
                             QStringLiteral(
                                 ".sqlite_master WHERE type IN ('table','view') AND name=? COLLATE NOCASE"),
                         table)
                .Field(0)
                .ToInt() > 0)
            return QuoteName(schema) + QLatin1Char('.');
    }
    return QStringLiteral("main.");
}

// Column names as SQLite can hold them: a name loses any NUL character (which would end the
// statement's text), an empty name becomes F and its column number, as workbook columns without
// a header are named, and a name met before (case-insensitively, as SQL compares names) gets the
// first number behind it that makes it new.
QStringList UniqueNames(const QStringList& names) {
    QStringList out;
    const auto taken = [&out](const QString& name) {
        return std::any_of(out.begin(), out.end(),
                           [&name](const QString& n) { return n.compare(name, Qt::CaseInsensitive) == 0; });
    };
    for (qsizetype i = 0; i < names.size(); ++i) {
        QString name = names.at(i);
        name.remove(QChar(u'\0'));
        if (name.trimmed().isEmpty())
            name = QStringLiteral("F%1").arg(i + 1);
        if (taken(name)) {
            int n = 1;
            while (taken(name + QString::number(n)))
                ++n;
            name += QString::number(n);
        }
        out << name;
    }
    return out;
}

// `target` is the table, with its list of columns where the values are not all its columns in
// order; `values` per row.
QString InsertText(const QString& target, int values, int rows) {
    QString row = QStringLiteral("(?");
    for (int c = 1; c < values; ++c)
        row += QStringLiteral(",?");
    row += QLatin1Char(')');
    QString sql = QStringLiteral("INSERT INTO ") + target + QStringLiteral(" VALUES ") + row;
    for (int r = 1; r < rows; ++r)
        sql += QLatin1Char(',') + row;
    return sql;
}

// A workbook holds each text once, and its cells name the texts; a sheet of a few long texts
// repeated over many cells would take the file's size many times over if each cell held its text.
// So the loaded table of a workbook keeps the values of its text columns once, in a table of
// values of the column's type ("NAME:values TEXT", an id and the value), and its rows
// ("NAME:rows") hold the values' ids there; a view of the table's name and columns joins them
// again, so that every query sees the values themselves, of the declared types of the columns.
// Columns of numbers and dates keep their values in the rows.
bool KeptOnce(const QString& declaredType) {
    return declaredType == QLatin1String(kText) || declaredType == QLatin1String(kMixed);
}

QString RowsTable(const QString& table) {
    return table + QStringLiteral(":rows");
}

// How the rows table declares a column of ids into a table of values: the words after it are the
// column's own declared type, that of the values (and the ids are integers to SQLite).
constexpr char kIdsOf[] = "INTEGER ID OF ";

QString ValuesTable(const QString& table, const QString& declaredType) {
    return table + QStringLiteral(":values ") + declaredType;
}

// SQLite joins at most 64 tables in one statement: the view joins the tables of values for its
// first columns and looks the values of any further ones up one by one, which leaves room for
// a query to join the view with a few tables of its own.
constexpr int kMaxJoinedColumns = 56;

// The kind of the object `name` of the source database ("table", "view" or empty).
QString KindOfLoaded(db::Connection& target, const QString& name) {
    db::Recordset rs = target.Execute(QStringLiteral("SELECT type FROM ") + QuoteName(SourceSchema()) +
                                          QStringLiteral(".sqlite_master WHERE name=? COLLATE NOCASE "
                                                         "AND type IN ('table','view')"),
                                      name);
    return rs.IsEOF() ? QString() : rs.Field(0).ToString();
}

// Drops a loaded table of the name, with the tables behind it when it is a view.
void DropLoaded(db::Connection& target, const QString& table) {
    const QString schema = QuoteName(SourceSchema()) + QLatin1Char('.');
    const QString kind = KindOfLoaded(target, table);
    if (kind == QLatin1String("table")) {
        target.Execute(QStringLiteral("DROP TABLE ") + schema + QuoteName(table));
        return;
    }
    if (kind != QLatin1String("view"))
        return;
    target.Execute(QStringLiteral("DROP VIEW ") + schema + QuoteName(table));
    QStringList behind;
    for (db::Recordset rs = target.Execute(QStringLiteral("SELECT name FROM ") + schema +
                                               QStringLiteral("sqlite_master WHERE type='table' AND "
                                                              "(name=? OR substr(name, 1, ?)=?)"),
                                           RowsTable(table), static_cast<int>(ValuesTable(table, {}).size()),
                                           ValuesTable(table, {}));
         !rs.IsEOF(); rs.MoveNext())
        behind << rs.Field(0).ToString();
    for (const QString& name : behind)
        target.Execute(QStringLiteral("DROP TABLE ") + schema + QuoteName(name));
}

// The statements that write a table's rows, run in the order given on a thread of their own, so
// that the next rows are made while the last are written. From the first statement given until
// Wait returns, the connection is that thread's alone. A statement that fails ends the writing:
// its error is thrown by the next call, and the statements given after it do not run. Where no
// thread can be started, each statement runs as it is given.
class Writes {
public:
    explicit Writes(db::Connection& target) : m_target(target) {}
    Writes(const Writes&) = delete;
    Writes& operator=(const Writes&) = delete;
    // Waits for the statement running, if one is; the others are dropped.
    ~Writes() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
            m_queue.clear();
        }
        m_work.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    // Gives a statement to run once those given before it have run; waits while a few are waiting
    // already, so that only the rows of a few statements are held.
    void Add(const QString& sql, std::vector<db::Variant> values) {
        if (m_alone) {
            m_target.Execute(sql, values);
            return;
        }
        std::unique_lock lock(m_mutex);
        if (!m_thread.joinable()) {
            try {
                m_thread = std::thread([this] { Work(); });
            } catch (const std::system_error&) {
                m_alone = true;
                lock.unlock();
                m_target.Execute(sql, values);
                return;
            }
        }
        m_room.wait(lock, [this] { return m_queue.size() < kWaiting || m_failure; });
        if (m_failure)
            std::rethrow_exception(m_failure);
        m_queue.push_back({sql, std::move(values)});
        m_work.notify_one();
    }

    // Returns once every statement given has run, and the connection is the caller's again.
    void Wait() {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return (m_queue.empty() && !m_running) || m_failure; });
        if (m_failure)
            std::rethrow_exception(m_failure);
    }

private:
    struct Statement {
        QString sql;
        std::vector<db::Variant> values;
    };
    static constexpr size_t kWaiting = 2;

    void Work() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_work.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop)
                return;
            Statement next = std::move(m_queue.front());
            m_queue.pop_front();
            m_running = true;
            lock.unlock();
            std::exception_ptr failure;
            try {
                m_target.Execute(next.sql, next.values);
            } catch (...) {
                failure = std::current_exception();
            }
            next = {};
            lock.lock();
            m_running = false;
            if (failure && !m_failure) {
                m_failure = failure;
                m_queue.clear();
            }
            m_room.notify_all();
        }
    }

    db::Connection& m_target;
    std::mutex m_mutex;
    std::condition_variable m_work; // a statement waits, or the writing is to stop
    std::condition_variable m_room; // a statement has run
    std::deque<Statement> m_queue;
    bool m_running = false;
    bool m_stop = false;
    bool m_alone = false; // no thread could be started
    std::exception_ptr m_failure;
    std::thread m_thread;
};

// The values of one declared type kept once: each value gets the next id when first met. The
// new values wait to be written with the next rows.
class ValueIds {
public:
    explicit ValueIds(QString table) : m_table(std::move(table)) {}

    long long Id(const db::Variant& value) {
        if (value.Type() == db::VariantType::Integer || value.Type() == db::VariantType::Real) {
            // A number by its kind and its bits: 1 and 1.0 are kept apart, as the table keeps them.
            const bool real = value.Type() == db::VariantType::Real;
            const auto bits = real ? std::bit_cast<std::uint64_t>(value.ToDouble())
                                   : static_cast<std::uint64_t>(value.ToInt64());
            const auto found = (real ? m_reals : m_integers).constFind(bits);
            if (found != (real ? m_reals : m_integers).cend())
                return *found;
            const long long id = Add(value);
            (real ? m_reals : m_integers).insert(bits, id);
            return id;
        }
        const QString text = value.ToString();
        // A workbook's cells share the text of the book: the same text is mostly the very same
        // string, found by where its characters lie without hashing them, in a place of its own
        // among a fixed number of places (a later text of the same place takes it over). The
        // string is held in its place, so that where its characters lie cannot be given to
        // another text meanwhile.
        const void* where = text.constData();
        Place& place = m_places[PlaceOf(where)];
        if (place.where == where && !place.text.isNull())
            return place.id;
        long long id = 0;
        if (const auto found = m_texts.constFind(text); found != m_texts.cend()) {
            id = *found;
        } else {
            id = Add(value);
            m_texts.insert(text, id);
        }
        place = {where, text, id};
        return id;
    }

    // Writes the values met since the last time.
    void Write(Writes& writes) {
        constexpr int kPerStatement = kMaxRowsPerInsert;
        while (!m_new.empty()) {
            const int values = static_cast<int>(std::min<size_t>(m_new.size() / 2, kPerStatement));
            std::vector<db::Variant> part;
            if (values * 2 == static_cast<int>(m_new.size())) {
                part = std::move(m_new);
                m_new.clear();
            } else {
                part.assign(std::make_move_iterator(m_new.begin()),
                            std::make_move_iterator(m_new.begin() + values * 2));
                m_new.erase(m_new.begin(), m_new.begin() + values * 2);
            }
            if (values == kPerStatement && m_fullText.isEmpty())
                m_fullText = InsertText(m_table, 2, kPerStatement);
            writes.Add(values == kPerStatement ? m_fullText : InsertText(m_table, 2, values), std::move(part));
        }
    }

private:
    long long Add(const db::Variant& value) {
        ++m_last;
        m_new.emplace_back(m_last);
        m_new.push_back(value);
        return m_last;
    }

    QString m_table;
    QString m_fullText;
    std::vector<db::Variant> m_new; // id, value: the values not written yet
    long long m_last = 0;
    struct Place {
        const void* where = nullptr;
        QString text;
        long long id = 0;
    };
    static constexpr int kPlaceBits = 12;
    static std::size_t PlaceOf(const void* where) {
        return static_cast<std::size_t>((static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(where)) >> 4) *
                                            0x9E3779B97F4A7C15ULL >>
                                        (64 - kPlaceBits));
    }
    std::vector<Place> m_places = std::vector<Place>(std::size_t{1} << kPlaceBits);
    QHash<QString, long long> m_texts;
    QHash<std::uint64_t, long long> m_integers;
    QHash<std::uint64_t, long long> m_reals;
};

// Writes a table's rows into the target as they come, a statement of several rows at a time:
// only the rows of one statement are held. With `textsOnce` (a workbook) the values of its text
// columns are kept once (see KeptOnce), and its rows without any value are not written at all: a
// sheet with one far cell would otherwise write tens of thousands of rows of empty cells. The
// rows written keep their place in the sheet as their rowids, and the view of the table's name
// gives every place from the first to the last, a row without values where none was written.
class TableWriter : public TableSink {
public:
    TableWriter(db::Connection& target, const QString& table, bool textsOnce)
        : m_target(target), m_table(table), m_textsOnce(textsOnce) {}

    void Columns(const QStringList& sourceNames, const QStringList& sourceTypes) override {
        m_names = UniqueNames(sourceNames);
        m_types = sourceTypes;
        if (m_names.isEmpty()) {
            // A table needs a column; an empty sheet has one without a header.
            m_names << QStringLiteral("F1");
            m_types = QStringList{QString::fromLatin1(kText)};
        }
        m_columns = static_cast<int>(m_names.size());
        for (int c = 0; c < m_columns; ++c)
            if (c >= m_types.size())
                m_types << QString::fromLatin1(kText);
        // A table of the name in the target's own database would hide the loaded one.
        m_target.Execute(QStringLiteral("DROP TABLE IF EXISTS main.") + QuoteName(m_table));
        DropLoaded(m_target, m_table);
        const QString schema = QuoteName(SourceSchema()) + QLatin1Char('.');
        m_ids.assign(static_cast<size_t>(m_columns), nullptr);
        m_used.assign(static_cast<size_t>(m_columns), false);
        if (m_textsOnce) {
            for (int c = 0; c < m_columns; ++c) {
                const QString& type = m_types.at(c);
                if (!KeptOnce(type))
                    continue;
                auto& values = m_values[type];
                if (!values) {
                    const QString name = schema + QuoteName(ValuesTable(m_table, type));
                    m_target.Execute(QStringLiteral("CREATE TABLE ") + name +
                                     QStringLiteral(" (id INTEGER PRIMARY KEY, v ") + type +
                                     QLatin1Char(')'));
                    values = std::make_unique<ValueIds>(name);
                }
                m_ids[static_cast<size_t>(c)] = values.get();
            }
        }
        m_viewed = m_textsOnce;
        m_created = schema + QuoteName(m_viewed ? RowsTable(m_table) : m_table);
        QStringList definitions, names;
        for (int c = 0; c < m_columns; ++c) {
            definitions << QuoteName(m_names.at(c)) + QLatin1Char(' ') +
                               (m_ids[static_cast<size_t>(c)] ? QLatin1String(kIdsOf) + m_types.at(c)
                                                              : m_types.at(c));
            names << QuoteName(m_names.at(c));
        }
        m_target.Execute(QStringLiteral("CREATE TABLE ") + m_created + QStringLiteral(" (") +
                         definitions.join(QStringLiteral(", ")) + QLatin1Char(')'));
        m_valuesPerRow = m_columns + (m_textsOnce ? 1 : 0);
        m_insertTarget = m_textsOnce ? m_created + QStringLiteral(" (rowid, ") +
                                           names.join(QStringLiteral(", ")) + QLatin1Char(')')
                                     : m_created;
        m_perStatement = std::clamp(kMaxValuesPerInsert / m_valuesPerRow, 1, kMaxRowsPerInsert);
        m_row.reserve(static_cast<size_t>(m_perStatement * m_valuesPerRow));
    }

    void Row(std::vector<db::Variant>& row) override {
        ++m_written;
        if (g_rowCheck)
            g_rowCheck(m_written);
        if (m_textsOnce) {
            const auto none = std::min(row.size(), static_cast<size_t>(m_columns));
            if (std::all_of(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(none),
                            [](const db::Variant& v) { return v.IsNull(); })) {
                m_blankLast = true;
                return;
            }
            m_blankLast = false;
            m_row.emplace_back(static_cast<long long>(m_written));
        }
        for (int c = 0; c < m_columns; ++c) {
            const auto at = static_cast<size_t>(c);
            db::Variant value = at < row.size() ? std::move(row[at]) : db::Variant();
            if (m_ids[at] && !value.IsNull()) {
                value = db::Variant(m_ids[at]->Id(value));
                m_used[at] = true;
            }
            m_row.push_back(std::move(value));
        }
        ++m_stored;
        if (++m_rows == m_perStatement)
            Insert();
    }

    // Writes the rows still held, and the view of a table whose values are kept once; a table
    // that had no columns given gets its one column.
    void Finish() {
        if (m_columns == 0)
            Columns({}, {});
        // The last row is written even without a value: its rowid tells how many rows there are.
        if (m_blankLast) {
            m_row.emplace_back(static_cast<long long>(m_written));
            m_row.resize(m_row.size() + static_cast<size_t>(m_columns));
            ++m_stored;
            ++m_rows;
        }
        if (m_rows > 0)
            Insert();
        for (auto& [type, values] : m_values)
            values->Write(m_writes);
        m_writes.Wait();
        if (m_viewed)
            CreateView();
    }

private:
    void Insert() {
        for (auto& [type, values] : m_values)
            values->Write(m_writes);
        if (m_rows == m_perStatement && m_fullText.isEmpty())
            m_fullText = InsertText(m_insertTarget, m_valuesPerRow, m_perStatement);
        m_writes.Add(m_rows == m_perStatement ? m_fullText : InsertText(m_insertTarget, m_valuesPerRow, m_rows),
                     std::move(m_row));
        m_row.clear();
        m_row.reserve(static_cast<size_t>(m_perStatement * m_valuesPerRow));
        m_rows = 0;
    }

    // The view under the table's name: the columns in their order, each value as the rows hold it
    // or from its table of values, a row for every place up to the last row handed over. A DELETE
    // on it deletes the rows it names.
    void CreateView() {
        const QString schema = QuoteName(SourceSchema()) + QLatin1Char('.');
        const QString rows = QuoteName(RowsTable(m_table));
        QStringList columns, joins, same;
        for (int c = 0; c < m_columns; ++c) {
            const QString name = QuoteName(m_names.at(c));
            const QString cell = QStringLiteral("b.") + name;
            if (!m_ids[static_cast<size_t>(c)]) {
                columns << cell + QStringLiteral(" AS ") + name;
                same.prepend(cell + QStringLiteral(" IS OLD.") + name);
                continue;
            }
            const QString values = QuoteName(ValuesTable(m_table, m_types.at(c)));
            const QString lookup = QStringLiteral("(SELECT v FROM ") + values + QStringLiteral(" WHERE id=") +
                                   cell + QLatin1Char(')');
            if (!m_used[static_cast<size_t>(c)]) {
                // No value at all (a column of a wide sheet without cells): NULL of the column's
                // type, looked up once per query.
                columns << QStringLiteral("(SELECT v FROM ") + values + QStringLiteral(" WHERE 0) AS ") +
                               name;
                continue;
            }
            same << lookup + QStringLiteral(" IS OLD.") + name;
            if (joins.size() < kMaxJoinedColumns) {
                const QString alias = QStringLiteral("j") + QString::number(c);
                joins << QStringLiteral(" LEFT JOIN ") + values + QLatin1Char(' ') + alias +
                             QStringLiteral(" ON ") + alias + QStringLiteral(".id=") + cell;
                columns << alias + QStringLiteral(".v AS ") + name;
            } else {
                columns << lookup + QStringLiteral(" AS ") + name;
            }
        }
        const QString view = schema + QuoteName(m_table);
        // Where every row was written the rows table is walked itself; otherwise the places are
        // counted out and each finds its row, if it has one.
        const QString from =
            m_stored == m_written
                ? rows + QStringLiteral(" b")
                : QStringLiteral("(WITH RECURSIVE place(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM place "
                                 "WHERE n < %1) SELECT n FROM place) p LEFT JOIN %2 b ON b.rowid=p.n")
                      .arg(m_written)
                      .arg(rows);
        m_target.Execute(QStringLiteral("CREATE VIEW ") + view + QStringLiteral(" AS SELECT ") +
                         columns.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + from +
                         joins.join(QString()));
        // Rows alike in every value are alike to any condition: the first such row goes for each.
        m_target.Execute(
            QStringLiteral("CREATE TRIGGER ") + schema + QuoteName(m_table + QStringLiteral(":delete")) +
            QStringLiteral(" INSTEAD OF DELETE ON ") + QuoteName(m_table) +
            QStringLiteral(" BEGIN DELETE FROM ") + rows +
            QStringLiteral(" WHERE rowid=(SELECT b.rowid FROM ") + rows + QStringLiteral(" b WHERE ") +
            (same.isEmpty() ? QStringLiteral("1") : same.join(QStringLiteral(" AND "))) +
            QStringLiteral(" LIMIT 1); END"));
    }

    db::Connection& m_target;
    QString m_table;
    bool m_textsOnce;
    bool m_viewed = false;
    QString m_created; // the table the rows go into, qualified by the source database
    QStringList m_names;
    QStringList m_types;
    int m_columns = 0;
    int m_perStatement = 1;
    int m_rows = 0;    // rows held for the next statement
    int m_written = 0; // rows handed over so far
    int m_stored = 0;  // rows written (a workbook's rows without a value are not)
    bool m_blankLast = false; // the last row handed over was not written
    int m_valuesPerRow = 0;
    QString m_insertTarget; // the table with its list of columns
    QString m_fullText;
    std::vector<db::Variant> m_row;
    std::map<QString, std::unique_ptr<ValueIds>> m_values; // by declared type
    std::vector<ValueIds*> m_ids;                          // per column: its values, or none
    std::vector<bool> m_used;                              // per column: whether it got a value
    // Last, so that it stops before the rest goes.
    Writes m_writes{m_target};
};

} // namespace

SourceKind KindOfFile(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("xls"))
        return SourceKind::Workbook;
    if (extension == QLatin1String("dbf"))
        return SourceKind::FoxPro;
    return SourceKind::Access;
}

ColumnClass ClassOfType(const QString& declaredType) {
    QString type = declaredType;
    const qsizetype paren = type.indexOf(QLatin1Char('('));
    if (paren >= 0)
        type.truncate(paren);
    type = type.trimmed().toUpper();
    if (type == QLatin1String(kNumber) || type == QLatin1String(kInteger))
        return ColumnClass::Numeric;
    if (type == QLatin1String(kText) || type == QLatin1String(kMixed))
        return ColumnClass::Character;
    return ColumnClass::None;
}

QString QuoteName(const QString& name) {
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void IndexColumn(db::Connection& connection, const QString& table, const QString& column,
                 ColumnClass columnClass) {
    // The index is named after the table and the column, both quoted so that no two pairs give
    // one name: a column is indexed once however often it is asked for.
    const QString base = QStringLiteral("key") + QuoteName(table) + QuoteName(column);
    // SQLite takes a double-quoted name that is no column for a string: ask for the column first.
    const db::Recordset head =
        connection.Execute(QStringLiteral("SELECT * FROM ") + QuoteName(table) + QStringLiteral(" LIMIT 0"));
    const int field = head.FieldIndex(column);
    if (field < 0)
        throw db::DbError(kNoSuchColumn, QStringLiteral("表“%1”中没有名为“%2”的列。").arg(table, column));
    // An index lives in the database of its table.
    const QString schema = SchemaOf(connection, table);
    const auto index = [&](const QString& name, const QString& on, const QString& value) {
        connection.Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS ") + schema + QuoteName(name) +
                           QStringLiteral(" ON ") + QuoteName(on) + QStringLiteral(" (") + value +
                           QLatin1Char(')'));
        if (columnClass == ColumnClass::Numeric)
            connection.Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS ") + schema +
                               QuoteName(name + QStringLiteral(" str")) + QStringLiteral(" ON ") +
                               QuoteName(on) + QStringLiteral(" (trim(str(") + value + QStringLiteral(")))"));
    };
    const QString type = head.FieldType(field);
    const bool viewed =
        connection
            .Execute(QStringLiteral("SELECT count(*) FROM ") + schema +
                         QStringLiteral("sqlite_master WHERE type='view' AND name=? COLLATE NOCASE"),
                     table)
            .Field(0)
            .ToInt() > 0;
    if (!viewed || !KeptOnce(type)) {
        index(base, viewed ? RowsTable(table) : table, QuoteName(column));
        return;
    }
    // A column whose values are kept once: its ids in the rows, and the values in their table.
    index(base, RowsTable(table), QuoteName(column));
    index(QStringLiteral("key") + QuoteName(ValuesTable(table, type)), ValuesTable(table, type),
          QStringLiteral("v"));
}

namespace {

// The parts of a loaded table's rows (by rowid, up to `last`), read on a thread of their own a
// part or two ahead of the part being taken apart. The connection is that thread's alone while
// the object lives. Where no thread can be started, each part is read when it is asked for.
class PartsAhead {
public:
    // `sql` takes the rowids after which a part begins and with which it ends.
    PartsAhead(db::Connection& target, QString sql, long long last)
        : m_target(target), m_sql(std::move(sql)), m_last(last) {
        try {
            m_thread = std::thread([this] { Work(); });
        } catch (const std::system_error&) {
            m_alone = true;
        }
    }
    PartsAhead(const PartsAhead&) = delete;
    PartsAhead& operator=(const PartsAhead&) = delete;
    // Waits for the part being read, if one is.
    ~PartsAhead() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    // The next part; false once every part has been given. Throws the error of a read that failed.
    bool Next(db::Recordset* part) {
        if (m_alone) {
            if (m_after >= m_last)
                return false;
            *part = Read(m_after);
            m_after += kPart;
            return true;
        }
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        if (m_ready.empty()) {
            if (m_failure)
                std::rethrow_exception(m_failure);
            return false;
        }
        *part = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return true;
    }

private:
    static constexpr long long kPart = 4096; // rows
    static constexpr size_t kAhead = 2;

    db::Recordset Read(long long after) {
        return m_target.Execute(m_sql, db::Variant(after), db::Variant(std::min(after + kPart, m_last)));
    }

    void Work() {
        for (long long after = 0; after < m_last; after += kPart) {
            db::Recordset part;
            std::exception_ptr failure;
            try {
                part = Read(after);
            } catch (...) {
                failure = std::current_exception();
            }
            std::unique_lock lock(m_mutex);
            if (failure) {
                m_failure = failure;
                break;
            }
            m_changed.wait(lock, [this] { return m_ready.size() < kAhead || m_stop; });
            if (m_stop)
                return;
            m_ready.push_back(std::move(part));
            m_changed.notify_all();
        }
        const std::lock_guard lock(m_mutex);
        m_done = true;
        m_changed.notify_all();
    }

    db::Connection& m_target;
    QString m_sql;
    long long m_last;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<db::Recordset> m_ready;
    bool m_done = false;
    bool m_stop = false;
    bool m_alone = false;  // no thread could be started
    long long m_after = 0; // alone: where the next part begins
    std::exception_ptr m_failure;
    std::thread m_thread;
};

} // namespace

db::Recordset SelectLoaded(db::Connection& target, const QString& table) {
    const QString schema = SchemaOf(target, table);
    const QString whole = QStringLiteral("SELECT * FROM ") + QuoteName(table);
    const bool viewed = schema == QuoteName(SourceSchema()) + QLatin1Char('.') &&
                        KindOfLoaded(target, table) == QLatin1String("view") &&
                        KindOfLoaded(target, RowsTable(table)) == QLatin1String("table");
    if (!viewed)
        return target.Execute(whole);
    // The names and declared types as the view gives them.
    const db::Recordset head = target.Execute(whole + QStringLiteral(" LIMIT 0"));
    const int columns = head.FieldCount();
    QStringList names, types;
    for (int c = 0; c < columns; ++c) {
        names << head.FieldName(c);
        types << head.FieldType(c);
    }
    const QString rows = schema + QuoteName(RowsTable(table));
    const db::Recordset rowsHead = target.Execute(QStringLiteral("SELECT * FROM ") + rows + QStringLiteral(" LIMIT 0"));
    if (rowsHead.FieldCount() != columns)
        return target.Execute(whole);
    // Per column: the values its ids name, decoded once; none for a column holding its values.
    std::map<QString, std::vector<db::Variant>> valuesOfType;
    std::vector<const std::vector<db::Variant>*> ids(static_cast<size_t>(columns), nullptr);
    for (int c = 0; c < columns; ++c) {
        const QString declared = rowsHead.FieldType(c);
        if (!declared.startsWith(QLatin1String(kIdsOf)))
            continue;
        const QString type = declared.mid(static_cast<qsizetype>(std::strlen(kIdsOf)));
        auto found = valuesOfType.find(type);
        if (found == valuesOfType.end()) {
            std::vector<db::Variant> values(1); // ids count from 1
            for (db::Recordset rs = target.Execute(QStringLiteral("SELECT id, v FROM ") + schema +
                                                   QuoteName(ValuesTable(table, type)) +
                                                   QStringLiteral(" ORDER BY id"));
                 !rs.IsEOF(); rs.MoveNext()) {
                if (rs.Field(0).ToInt64() != static_cast<long long>(values.size()))
                    throw db::DbError(kUnreadableSource, QStringLiteral("表“%1”的值不连续。").arg(table));
                values.push_back(rs.Field(1));
            }
            found = valuesOfType.emplace(type, std::move(values)).first;
        }
        ids[static_cast<size_t>(c)] = &found->second;
    }
    if (valuesOfType.empty())
        return target.Execute(whole); // every value is in the rows
    // The rows a part at a time, so that only a few parts of the ids are held besides the result;
    // the places between two written rows are rows without values.
    db::CellBlocks cells(static_cast<size_t>(columns));
    const long long last =
        target.Execute(QStringLiteral("SELECT max(rowid) FROM ") + rows).Field(0).ToInt64();
    PartsAhead parts(target,
                     QStringLiteral("SELECT rowid, * FROM ") + rows +
                         QStringLiteral(" WHERE rowid > ? AND rowid <= ? ORDER BY rowid"),
                     last);
    long long place = 0;
    for (db::Recordset r; parts.Next(&r);) {
        for (; !r.IsEOF(); r.MoveNext()) {
            const long long at = r.Field(0).ToInt64();
            for (; place + 1 < at; ++place)
                for (int c = 0; c < columns; ++c)
                    cells.Add();
            place = at;
            for (int c = 0; c < columns; ++c) {
                const db::Variant& value = r.Field(c + 1);
                const std::vector<db::Variant>* values = ids[static_cast<size_t>(c)];
                if (!values || value.IsNull()) {
                    cells.Add(value);
                    continue;
                }
                const long long id = value.ToInt64();
                if (id < 1 || id >= static_cast<long long>(values->size()))
                    throw db::DbError(kUnreadableSource, QStringLiteral("表“%1”的值不全。").arg(table));
                cells.Add((*values)[static_cast<size_t>(id)]);
            }
        }
    }
    return db::Recordset(std::move(names), std::move(types), std::move(cells));
}

void SetLoadRowCheck(std::function<void(int row)> check) {
    g_rowCheck = std::move(check);
}

void SetReaderStallLimit(int milliseconds) {
    SetChildStallLimit(milliseconds);
}

namespace {

// A file of the open database is never read, not even by a reading child: the check comes
// before anything opens it.
void RefuseDatabaseFile(const QString& path) {
    if (db::IsDatabaseFile(path, db::FileUse::kRead))
        throw db::DbError(kUnreadableSource, db::DatabaseFileRefusal());
}

} // namespace

SourceFile::SourceFile(const QString& path) : m_path(path), m_kind(KindOfFile(path)) {
    RefuseDatabaseFile(path);
    switch (m_kind) {
    case SourceKind::Workbook:
        m_reader = OpenWorkbook(path);
        break;
    case SourceKind::Access:
        m_reader = OpenAccess(path);
        break;
    case SourceKind::FoxPro:
        m_reader = OpenFoxPro(path);
        break;
    }
    // A source offers a table or is of no use: a workbook whose worksheets are all charts, or a
    // damaged file whose catalogue was read as empty.
    if (m_reader->Tables().isEmpty())
        throw db::DbError(kUnreadableSource,
                          (m_kind == SourceKind::Workbook ? QStringLiteral("文件“%1”中没有工作表。")
                                                          : QStringLiteral("文件“%1”中没有数据表。"))
                              .arg(ShownPath(path)));
}

SourceFile::~SourceFile() = default;

QStringList SourceFile::Tables() const {
    return m_reader->Tables();
}

void SourceFile::Load(const QString& table, db::Connection& target) {
    RefuseDatabaseFile(m_path);
    const QStringList tables = Tables();
    QString found;
    if (!table.isEmpty()) {
        const auto exact = std::find(tables.begin(), tables.end(), table);
        if (exact != tables.end()) {
            found = *exact;
        } else {
            // Table names compare as the database compares them, without regard to case.
            const auto near = std::find_if(tables.begin(), tables.end(), [&table](const QString& t) {
                return t.compare(table, Qt::CaseInsensitive) == 0;
            });
            if (near != tables.end())
                found = *near;
        }
    }
    if (found.isEmpty())
        throw db::DbError(kNoSuchTable,
                          QStringLiteral("文件“%1”中没有名为“%2”的表。").arg(ShownPath(m_path), table));
    m_errorCells.clear();
    AttachSourceDatabase(target);
    // A table that fails part way leaves the target as it was.
    db::Transaction tx(target);
    TableWriter writer(target, table, m_kind == SourceKind::Workbook);
    ErrorCells errors;
    m_reader->Stream(found, writer, &errors);
    writer.Finish();
    tx.Commit();
    m_errorCells = std::move(errors);
}

} // namespace importsrc
