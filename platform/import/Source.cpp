#include "platform/import/Source.h"

#include "platform/db/Transaction.h"
#include "platform/import/Child.h"
#include "platform/import/Reader.h"

#include <QFileInfo>

#include <algorithm>

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
    target.Execute(QStringLiteral("PRAGMA ") + SourceSchema() + QStringLiteral(".page_size = 65536"));
}

// The database that holds `table` ("main" when none does), as an SQL qualifier with its dot.
QString SchemaOf(db::Connection& connection, const QString& table) {
    for (db::Recordset rs = connection.Execute(QStringLiteral("PRAGMA database_list")); !rs.IsEOF();
         rs.MoveNext()) {
        const QString schema = rs.Field(1).ToString();
        if (connection
                .Execute(QStringLiteral("SELECT count(*) FROM ") + QuoteName(schema) +
                             QStringLiteral(".sqlite_master WHERE type='table' AND name=? COLLATE NOCASE"),
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

QString InsertText(const QString& quotedTable, int columns, int rows) {
    QString row = QStringLiteral("(?");
    for (int c = 1; c < columns; ++c)
        row += QStringLiteral(",?");
    row += QLatin1Char(')');
    QString sql = QStringLiteral("INSERT INTO ") + quotedTable + QStringLiteral(" VALUES ") + row;
    for (int r = 1; r < rows; ++r)
        sql += QLatin1Char(',') + row;
    return sql;
}

// Writes a table's rows into the target as they come, a statement of several rows at a time:
// only the rows of one statement are held.
class TableWriter : public TableSink {
public:
    TableWriter(db::Connection& target, const QString& table)
        : m_target(target), m_quoted(QuoteName(table)),
          m_created(QuoteName(SourceSchema()) + QLatin1Char('.') + m_quoted) {}

    void Columns(const QStringList& sourceNames, const QStringList& sourceTypes) override {
        QStringList names = UniqueNames(sourceNames);
        QStringList types = sourceTypes;
        if (names.isEmpty()) {
            // A table needs a column; an empty sheet has one without a header.
            names << QStringLiteral("F1");
            types = QStringList{QString::fromLatin1(kText)};
        }
        m_columns = static_cast<int>(names.size());
        // A table of the name in the target's own database would hide the loaded one.
        m_target.Execute(QStringLiteral("DROP TABLE IF EXISTS main.") + m_quoted);
        m_target.Execute(QStringLiteral("DROP TABLE IF EXISTS ") + m_created);
        QStringList definitions;
        for (int c = 0; c < m_columns; ++c)
            definitions << QuoteName(names.at(c)) + QLatin1Char(' ') +
                               types.value(c, QString::fromLatin1(kText));
        m_target.Execute(QStringLiteral("CREATE TABLE ") + m_created + QStringLiteral(" (") +
                         definitions.join(QStringLiteral(", ")) + QLatin1Char(')'));
        m_perStatement = std::clamp(kMaxValuesPerInsert / m_columns, 1, kMaxRowsPerInsert);
        m_values.reserve(static_cast<size_t>(m_perStatement * m_columns));
    }

    void Row(std::vector<db::Variant>& row) override {
        ++m_written;
        if (g_rowCheck)
            g_rowCheck(m_written);
        for (int c = 0; c < m_columns; ++c)
            m_values.push_back(static_cast<size_t>(c) < row.size() ? std::move(row[static_cast<size_t>(c)])
                                                                   : db::Variant());
        if (++m_rows == m_perStatement)
            Insert();
    }

    // Writes the rows still held; a table that had no columns given gets its one column.
    void Finish() {
        if (m_columns == 0)
            Columns({}, {});
        if (m_rows > 0)
            Insert();
    }

private:
    void Insert() {
        if (m_rows == m_perStatement && m_fullText.isEmpty())
            m_fullText = InsertText(m_created, m_columns, m_perStatement);
        m_target.Execute(m_rows == m_perStatement ? m_fullText : InsertText(m_created, m_columns, m_rows),
                         m_values);
        m_values.clear();
        m_rows = 0;
    }

    db::Connection& m_target;
    QString m_quoted;
    QString m_created; // the name qualified by the source database
    int m_columns = 0;
    int m_perStatement = 1;
    int m_rows = 0;    // rows held for the next statement
    int m_written = 0; // rows handed over so far
    QString m_fullText;
    std::vector<db::Variant> m_values;
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
    if (connection.Execute(QStringLiteral("SELECT * FROM ") + QuoteName(table) + QStringLiteral(" LIMIT 0"))
            .FieldIndex(column) < 0)
        throw db::DbError(kNoSuchColumn, QStringLiteral("表“%1”中没有名为“%2”的列。").arg(table, column));
    // An index lives in the database of its table.
    const QString schema = SchemaOf(connection, table);
    const QString on = QStringLiteral(" ON ") + QuoteName(table) + QStringLiteral(" (");
    connection.Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS ") + schema + QuoteName(base) + on +
                       QuoteName(column) + QLatin1Char(')'));
    if (columnClass == ColumnClass::Numeric)
        connection.Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS ") + schema +
                           QuoteName(base + QStringLiteral(" str")) + on + QStringLiteral("trim(str(") +
                           QuoteName(column) + QStringLiteral(")))"));
}

void SetLoadRowCheck(std::function<void(int row)> check) {
    g_rowCheck = std::move(check);
}

void SetReaderStallLimit(int milliseconds) {
    SetChildStallLimit(milliseconds);
}

SourceFile::SourceFile(const QString& path) : m_path(path), m_kind(KindOfFile(path)) {
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
    TableWriter writer(target, table);
    ErrorCells errors;
    m_reader->Stream(found, writer, &errors);
    writer.Finish();
    tx.Commit();
    m_errorCells = std::move(errors);
}

} // namespace importsrc
