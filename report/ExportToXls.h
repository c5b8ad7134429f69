#pragma once
// The report dialogs' spreadsheet export: the grid's rows, column titles included, written as
// tab-separated text in code page 936 to "<seconds since 1970>.xls" in the program folder, then
// handed to drensil's SayHello, which opens it with the desktop's spreadsheet program.

#include "report/ReportRowSource.h"

#include <QByteArray>
#include <QString>

#include <ctime>
#include <functional>

class QWidget;

struct XlsExportOptions {
    // Shows the wait cursor while SayHello runs (the basic-statistics dialog does).
    bool waitCursor = false;
    // A grid of fewer than 2 rows (titles only) exports nothing and says so.
    bool needsDataRows = true;
};

// Every cell followed by a tab, every row by a line feed, in GB18030: code page 936 for every
// character GBK has, and GB18030's four-byte form for the rest (李𠀾 keeps its second character),
// which a GBK reader shows as two odd characters instead of a '?'; the dialog's row and column
// counts decide what is written. Cell texts lose the
// blanks around them (the grid's padding), so that a spreadsheet reads numbers as numbers.
QByteArray XlsBytes(const IReportRowSource& rows);

// The export file of the moment `t`: `directory` + "%1d.xls" of t.
QString XlsFilePath(const QString& directory, std::time_t t);
// XlsFilePath, or when a file of that name is there, the first free "<t>-2.xls", "<t>-3.xls"…
QString FreeXlsFilePath(const QString& directory, std::time_t t);

// "列表中没有数据，…": what a titles-only grid's export says.
QString NothingToExportMessage();

// What the export file is, as the message after an export says it.
QString ExportedFileKind();

// Writes the file into `directory` (under a free name) and calls SayHello(path, rows, columns,
// caption, "$"); when no application opens the file, or one is started that reads it without its
// encoding, "已导出到：<path>" tells where it is, and what kind of file it is (an opener that
// fails later tells so from the event loop: the export does not wait for it). When the file cannot be created
// or written, "报表输出到EXCEL出现错误！" is shown, a partly written file is removed and SayHello is
// not called. Answers the path written, empty when there is none.
QString ExportToXls(QWidget* parent, const IReportRowSource& rows, const QString& caption,
                    const QString& directory, const XlsExportOptions& options = {});

// The clock that names the files; an empty function restores std::time.
using ExportClock = std::function<std::time_t()>;
void SetExportClock(ExportClock clock);
