#pragma once
// The readers behind SourceFile: one per kind of file, each turning a table of its file into
// names, declared types and rows of values.

#include "platform/db/DbError.h"
#include "platform/db/Variant.h"
#include "platform/import/Source.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace importsrc {

struct SourceTable {
    QStringList names; // column names as the file gives them
    QStringList types; // declared types (the constants of Source.h)
    std::vector<std::vector<db::Variant>> rows;
    ErrorCells errorCells; // cells that hold an error value (see ErrorCells)
};

// Where the rows of a table go as they are read, so that a large table is not held whole on its
// way into the database.
class TableSink {
public:
    virtual ~TableSink() = default;
    // The columns' names and declared types, once, before any row.
    virtual void Columns(const QStringList& names, const QStringList& types) = 0;
    // The next row; a short row has NULL in the columns past its end. The values may be taken.
    virtual void Row(std::vector<db::Variant>& values) = 0;
};

class Reader {
public:
    virtual ~Reader() = default;
    virtual QStringList Tables() const = 0;
    // `table` is one of Tables(); throws db::DbError when its data cannot be read. A reader
    // overrides one of the two: Read gives the whole table, Stream hands it to `sink` as it is
    // read (and its error cells into `errors`); each is made of the other by default.
    virtual SourceTable Read(const QString& table) const;
    virtual void Stream(const QString& table, TableSink& sink, ErrorCells* errors) const;
};

std::unique_ptr<Reader> OpenWorkbook(const QString& path);
std::unique_ptr<Reader> OpenAccess(const QString& path);
std::unique_ptr<Reader> OpenFoxPro(const QString& path);

// The file as the messages name it.
QString ShownPath(const QString& path);

// "无法读取<kind>“<file>”" and the reason, as the error every reader throws for a bad file.
db::DbError UnreadableSource(const QString& path, const QString& kindName, const QString& reason);

// Throws the error of a missing or unreadable file before a library is handed its path (the
// libraries' own messages do not tell these apart).
void CheckReadable(const QString& path, const QString& kindName);

// A file's size as the messages give it: "28.4 MB", "640 KB".
QString FileSizeText(const QString& path);

// Number text as the program shows numbers: up to 15 significant digits, no trailing zeros
// (20070145 → "20070145", 85.5 → "85.5").
QString NumberText(double value);

// A number from text ("  85.5 " → 85.5); false when the text is not a number.
bool ParseNumber(const QString& text, double* value);

// A date and time with the time left out at midnight: "2024-05-06" or "2024-05-06 07:08:09".
QString DateTimeText(int year, int month, int day, long long msOfDay);

} // namespace importsrc
