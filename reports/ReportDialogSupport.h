#pragma once
// What the report dialogs share: the table → grid copy, the wait cursor and the layout of
// dialog-template units. The connection, the analysis context, the program folder and the print
// target come from the shared home (data/AppContext.h).

#include "reports/ReportTable.h"
#include "reports/ValidTotals.h"

#include <QRect>
#include <QString>

#include <functional>

class CGridCtrl;
namespace db {
class DbError;
}
class QLineEdit;
class QWidget;

namespace reports {

// The grid's text-format flags of an alignment: 0x24, 0x25 or 0x26 (vertically centred, single
// line); 0 for the grid's own format.
unsigned CellFormat(CellAlign align);
// Replaces the grid's rows, columns, fixed rows and columns and every cell by the table's.
void ShowTable(CGridCtrl& grid, const CReportTable& table);

// Fits every column to the texts of its cells, the empty cells left out (the grid gives an empty
// cell its default width, which would widen every column with a missing score or a blank row).
void FitColumnsToTexts(CGridCtrl& grid);

// Runs `compute`, which fills `table`, under the wait cursor; shows the table in `grid` fitted to its
// texts — what was computed before a database failure included — and then tells that failure.
// `what` names the computation in the log. False after a failure.
bool ComputeAndShowTable(QWidget* parent, CGridCtrl& grid, const CReportTable& table, const char* what,
                         const std::function<void()>& compute);

// Logs a database failure of the computation `what` and tells the user ("错误信息:…").
void ReportDbError(QWidget* parent, const char* what, const db::DbError& error);

// The check a report makes before it computes (CheckReportData on the analysis exam, or on each
// of `examIds`), told to the user. A missing thing (marks, full marks, totals never computed) is
// shown and the report computes nothing: false. Out-of-date totals are asked about: 是 recomputes
// each from the subjects it was last computed from and the report goes on; a total whose subjects
// are not recorded is not recomputed, the user is told to run 算学生有效总分 for it and the report
// computes nothing (false); 否 goes on with `oldTotals` set (the report says so, ShowOldTotalsMark).
// A check the database fails is skipped (the report meets the failure itself and says so); a failed
// recompute is shown: false.
// With `answer`, a 否 is remembered there: the next checks of the same dialog go on with
// `oldTotals` set without asking again (a dialog that computes at every change asks once).
struct StaleTotalsAnswer {
    bool declined = false;
};
bool ReadyToCompute(QWidget* parent, const ReportReads& reads, bool* oldTotals = nullptr,
                    StaleTotalsAnswer* answer = nullptr);
bool ReadyToCompute(QWidget* parent, const std::vector<int>& examIds, const ReportReads& reads,
                    bool* oldTotals = nullptr, StaleTotalsAnswer* answer = nullptr);
// Adds OldTotalsCaptionMark to the dialog's caption when the report ran on out-of-date totals, and
// takes it away again when it did not.
void ShowOldTotalsMark(QWidget* dialog, bool oldTotals);

// A rectangle given in dialog-template units, in pixels.
QRect DialogRect(int x, int y, int w, int h);

// Reads a whole number from an edit box, as the dialogs' data exchange does: a text that is no whole
// number, or one outside lo..hi, is reported in a message box and `value` keeps what it held.
bool ReadIntEdit(QWidget* parent, const QLineEdit* edit, int& value, int lo, int hi);
// The same for a box whose value a report computes with at once: after a refusal the box shows
// the value in force again, so that the box and the table shown always agree.
bool ReadIntEditInForce(QWidget* parent, QLineEdit* edit, int& value, int lo, int hi);
// The same for a number with decimals, read at single precision.
bool ReadFloatEdit(QWidget* parent, const QLineEdit* edit, float& value);
// "%g" of a single-precision number, as the edit boxes show it.
QString FloatEditText(float value);

// The wait cursor for a scope: it ends on every way out, exceptions included.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace reports
