#pragma once
// Source files of the imports as read-only tables: Excel workbooks (.xls), Access databases
// (.mdb) and FoxPro tables (.dbf). The chosen table is loaded into a database connection (an
// in-memory one, as a rule) under its own name, so the importing queries run on it unchanged;
// its rows go into a temporary database on disk attached to the connection as they are read, so
// that a large file is held in memory neither whole nor twice. Values reach the database only as
// bound values and names only as quoted identifiers.

#include "platform/db/Connection.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <set>
#include <utility>

namespace importsrc {

// The kind of a source, by the lower-cased extension of its file: "xls" is a workbook, "dbf" a
// FoxPro table, and anything else is tried as an Access database.
enum class SourceKind { Workbook, Access, FoxPro };
SourceKind KindOfFile(const QString& path);

// Declared types of the loaded columns. A type tells the class of the column (see ClassOfType)
// and gives the stored values their form:
//   NUMBER    numbers; whole values are stored as integers, so a student number has no ".0"
//   INTEGER   whole numbers
//   TEXT      text
//   MIXED BLOB  text among which some cells are numbers (a workbook's column); each value is kept
//             as the file has it, a number as a number, so that a number typed into a column of
//             texts is still seen as one (SQLite's BLOB affinity converts nothing)
//   DATE      'YYYY-MM-DD'
//   DATETIME  'YYYY-MM-DD HH:MM:SS' ('YYYY-MM-DD' at midnight; 'HH:MM:SS' for a bare time)
//   CURRENCY  numbers (money, four decimals at most)
//   BOOLEAN   1 or 0
//   LONGTEXT  long text (Access memo)
//   GUID      text of a replication id
//   BLOB      binary and long binary fields, always NULL
inline constexpr char kNumber[] = "NUMBER";
inline constexpr char kInteger[] = "INTEGER";
inline constexpr char kText[] = "TEXT";
inline constexpr char kMixed[] = "MIXED BLOB";
inline constexpr char kDate[] = "DATE";
inline constexpr char kDateTime[] = "DATETIME";
inline constexpr char kCurrency[] = "CURRENCY";
inline constexpr char kBoolean[] = "BOOLEAN";
inline constexpr char kLongText[] = "LONGTEXT";
inline constexpr char kGuid[] = "GUID";
inline constexpr char kBlob[] = "BLOB";

// What the score imports make of a column: a number, a character text, or neither (dates,
// money, yes/no, long text, binary).
enum class ColumnClass { None, Numeric, Character };
ColumnClass ClassOfType(const QString& declaredType);

// Codes of the errors a source raises (db::DbError); their texts are Chinese and name the file.
inline constexpr int kUnreadableSource = 2001; // missing, damaged, or not of its kind
inline constexpr int kNoSuchTable = 2002;      // the chosen table is not in the file
inline constexpr int kNoSuchColumn = 2003;     // a column to index is not in the table

// A name as an SQL identifier: in double quotes, a quote inside doubled.
QString QuoteName(const QString& name);

// Makes lookups by `column` of a loaded table fast: an index on the column and, for a numeric
// one, on trim(str(column)), the form in which the score imports compare a numeric key with a
// student number. Throws db::DbError (kNoSuchColumn) when the table has no such column.
void IndexColumn(db::Connection& connection, const QString& table, const QString& column,
                 ColumnClass columnClass);

// How long reading a workbook or an Access file may go without progress before the file is
// taken as damaged (10 seconds; tests of damaged files shorten it).
void SetReaderStallLimit(int milliseconds);

// For tests: called before each row of a table being loaded is written, with the row's number
// (counted from 1); a test makes it throw, as memory running out part way would. Empty: none.
void SetLoadRowCheck(std::function<void(int row)> check);

// The cells of a loaded table that hold an error value: a workbook formula's #DIV/0!, #N/A…,
// which read as NULL, and a FoxPro number field whose text is no number ("*****"), which keeps
// its text. (row, column), the row counted from 1 as the table's rows come, the column as the
// table's field index.
using ErrorCells = std::set<std::pair<int, int>>;

class Reader;

// Every row of a table loaded by SourceFile::Load, as "SELECT * FROM table" gives them: the same
// names, declared types, rows and values. A workbook's table is read from its parts, each value
// kept once taken once, which spares looking every cell's value up again. Throws db::DbError.
db::Recordset SelectLoaded(db::Connection& target, const QString& table);

// An open source file. Opening reads enough of the file to list its tables; a file that cannot
// be read throws db::DbError.
class SourceFile {
public:
    explicit SourceFile(const QString& path);
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    SourceKind Kind() const { return m_kind; }
    const QString& Path() const { return m_path; }

    // The tables a user may pick, in the file's order: the sheets of a workbook as "name$", the
    // user tables of an Access database (no system tables, queries or links), and the file name
    // itself ("stu.dbf") for a FoxPro table.
    QStringList Tables() const;

    // Loads `table` into `target` under that name (an existing table of the name is replaced),
    // in one transaction, row by row as the file is read. The table goes into a temporary
    // database on disk attached to the target as "source", so that a large table is not held in
    // memory; queries name it alone, as a table of the target's own. A failure part way (memory
    // running out included) leaves the target as it was. Throws db::DbError (kNoSuchTable,
    // kUnreadableSource).
    void Load(const QString& table, db::Connection& target);
    // The error cells of the table loaded last.
    const ErrorCells& LoadedErrorCells() const { return m_errorCells; }

private:
    QString m_path;
    ErrorCells m_errorCells;
    SourceKind m_kind;
    std::unique_ptr<Reader> m_reader;
};

} // namespace importsrc
