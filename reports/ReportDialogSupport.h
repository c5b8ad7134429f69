#pragma once
// What the report dialogs share: the table → grid copy, the wait cursor and the layout of
// dialog-template units. The connection, the analysis context, the program folder and the print
// target come from the shared home (data/AppContext.h).

#include "reports/ReportTable.h"

#include <QRect>
#include <QString>

class CGridCtrl;
class QWidget;

namespace reports {

// The grid's text-format flags of an alignment: 0x24, 0x25 or 0x26 (vertically centred, single
// line); 0 for the grid's own format.
unsigned CellFormat(CellAlign align);
// Replaces the grid's rows, columns, fixed rows and columns and every cell by the table's.
void ShowTable(CGridCtrl& grid, const CReportTable& table);

// A rectangle given in dialog-template units, in pixels.
QRect DialogRect(int x, int y, int w, int h);

// The wait cursor for a scope: it ends on every way out, exceptions included.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace reports
