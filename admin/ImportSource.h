#pragma once
// The road every import travels before it reads a row: the chosen file opened as a source
// connection of its own, one table of it chosen and selected, its columns offered to the field
// map, and the mapping checked. The roster import and the two score imports share it. Nothing
// here shows a window: the road with its dialogs is RunImportRoad (ImportRoad.h).

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/import/Source.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace admin {

// The field map's modes: which import it maps for.
enum ImportMode {
    IMPORT_ROSTER = 0,
    IMPORT_SCORES_BY_NUMBER = 1,
    IMPORT_SCORES_BY_NAME = 2,
};

// The open-file dialog of the road: its filter and its title.
QString ImportFileFilter();
QString ImportFileTitle();

// The target fields of the mode's field map, row 1 first, and the map's caption.
QStringList ImportTargetFields(int mode);
QString ImportMapCaption(int mode);

// Source column names are compared with the blanks on both sides trimmed and case aside, as the
// names of SQL are: a header "姓名 " is offered as 姓名 and found again by that name.
bool SameImportName(const QString& a, const QString& b);
// The ordinal of the first field of `records` whose name is the same as `name` by that rule; -1
// when none is. Both imports look up their mapped columns with it.
int ImportFieldIndex(const db::Recordset& records, const QString& name);

// The source columns as the mode offers them, in field order, by their trimmed names: the roster
// import by name, the score imports as name[N] or name[C] by the column's class. std::nullopt
// when a score import meets a column of no class (the whole source is refused, whichever
// columns would be mapped); `refused`, when given, then names that column.
std::optional<QStringList> ImportOffers(const db::Recordset& records, int mode, QString* refused = nullptr);

// A mapped text as the score imports read it: the column name before the first "[" and the
// class letter after it. A text without "[" (typed by hand) has no class.
struct ImportColumnRef {
    QString column;
    QChar classLetter;
    bool hasClass = false;
};
ImportColumnRef SplitImportOffer(const QString& text);

// A text of the field map as the mode's import takes it: a text typed by hand that names one of
// the offered columns (by SameImportName) is that column's offer, as if it had been picked. Any
// other text (an offer, an empty text, a name of no column) stays as it is.
QString ImportChosenOffer(int mode, const QStringList& offers, const QString& text);

// The refusal of a mapping that lacks what the mode needs (the texts of rows 1 onward; blanks
// around a text do not count): empty when the mapping is accepted.
QString ImportMappingRefusal(int mode, const QStringList& texts);

// The source connection of one import: the chosen file, the chosen table loaded into an
// in-memory database under its own name, and the record set of "select *" on it, which stays
// open for the importing handler. Errors are db::DbError, with a Chinese text naming the file.
class CImportSource {
public:
    CImportSource();
    ~CImportSource();
    CImportSource(const CImportSource&) = delete;
    CImportSource& operator=(const CImportSource&) = delete;

    // Opens the file by the kind its extension names (anything unknown is tried as an Access
    // database) and reads its list of tables.
    void Open(const QString& path);
    bool IsOpen() const { return m_file != nullptr; }
    // The file last given to Open, whether or not it opened.
    const QString& Path() const { return m_path; }
    importsrc::SourceKind Kind() const;

    // Whether the user picks the table (workbook, Access database) from Tables(), or the file
    // is the table (FoxPro), named FileTable(): the file's name with its extension.
    bool PicksTable() const;
    QStringList Tables() const;
    QString FileTable() const;

    // Loads the table and executes "select *" on it; an empty or unknown name throws.
    void SelectTable(const QString& table);
    const QString& ChosenTable() const { return m_strTable; }

    // The source connection and the open record set, for the importing handler.
    db::Connection& Connection() { return m_connection; }
    db::Recordset& Records() { return m_records; }
    // The cells of the loaded table that hold an error value (importsrc::ErrorCells).
    const importsrc::ErrorCells& ErrorCells() const;
    // The number the user finds beside the table's first record: 2 in a workbook, whose row 1
    // holds the column names, and 1 in an Access or FoxPro table, whose records are counted from
    // 1 (a FoxPro record marked deleted is left out and not counted).
    int FirstRowNumber() const;

    // Indexes the key columns that the mapping of a score mode names (student number, or name
    // and class), so that a lookup per student stays fast on a large table. A key that names no
    // column is left to the import to report.
    void IndexKeyColumns(int mode, const QStringList& texts);

    // Closes the record set and the connection.
    void Close();

private:
    QString m_path;
    std::unique_ptr<importsrc::SourceFile> m_file;
    db::Connection m_connection;
    db::Recordset m_records;
    QString m_strTable;
};

} // namespace admin
