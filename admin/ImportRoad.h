#pragma once
// The import road as the importing handlers run it: the file chosen, opened as a source of its
// own, a table picked (or the FoxPro file taken as its table), the table selected, its columns
// offered and mapped. The handler then reads the mapping from its field map and the rows from
// the source's record set.

#include "admin/ImportFieldMapDlg.h"
#include "admin/ImportSource.h"

class QWidget;

namespace admin {

// How the road ended. Every end but Mapped has written nothing. After TableCancelled and
// Unsupported the source is already closed; after MapCancelled and Mapped the handler closes it.
enum class ImportRoadEnd {
    NoFile,         // the file dialog was cancelled
    TableCancelled, // the table-pick dialog was cancelled
    Unsupported,    // a score import met a column of no class (the message has been shown)
    MapCancelled,   // the field map was cancelled
    Mapped,         // the field map closed with IDOK
};

// Runs the road for `mode` with the handler's own field map, whose grid stays readable after
// it closes. A source that cannot be opened, a table that cannot be read (an empty choice
// included) throw db::DbError, which the handler shows with ShowImportError; an import that
// the database failed (ImportNotDone) is told with ShowImportNotDone instead.
ImportRoadEnd RunImportRoad(QWidget* parent, int mode, CImportSource& source, CImportFieldMapDlg& map);

// "错误信息:" and the error's text, in a plain message box under the application's title.
void ShowImportError(QWidget* parent, const db::DbError& error);

// What the user is told of an import that the database failed, all of it rolled back: that the
// import was not completed and the database is unchanged, with the reason (a full disk says both
// in one sentence).
QString ImportNotDoneText(const db::DbError& error);
// Logs the failure of `what` and shows that text with the stop icon under 信息提示.
void ShowImportNotDone(QWidget* parent, const char* what, const db::DbError& error);

// An import that ran out of memory (std::bad_alloc anywhere in it): the source is closed, which
// gives its memory back, and the user is told that the file is too large, naming it. Whatever the
// import wrote was rolled back as the failure went by.
QString ImportTooLargeText(const QString& path);
void ShowImportTooLarge(QWidget* parent, const char* what, CImportSource& source);

} // namespace admin
