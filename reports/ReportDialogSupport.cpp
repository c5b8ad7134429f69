#include "reports/ReportDialogSupport.h"

#include "controls/grid/GridCtrl.h"
#include "data/AppContext.h"
#include "platform/db/DbError.h"
#include "platform/log/Log.h"
#include "platform/text/NumberText.h"

#include "platform/ui/MessageBox.h"
#include "reports/ReportQueries.h"

#include <QApplication>
#include <QLineEdit>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <optional>

namespace reports {

unsigned CellFormat(CellAlign align) {
    const unsigned centredLine = gdi::DT_VCENTER | gdi::DT_SINGLELINE;
    switch (align) {
    case CellAlign::Left:
        return gdi::DT_LEFT | centredLine;
    case CellAlign::Center:
        return gdi::DT_CENTER | centredLine;
    case CellAlign::Right:
        return gdi::DT_RIGHT | centredLine;
    case CellAlign::Default:
        break;
    }
    return 0;
}

namespace {

// Values line up by their last digit, also where a cell is empty or padded (" 9" over "10"): a
// column whose data and summary cells hold numbers (text::NumberColumn, the rule print follows
// too) is right-aligned as a whole, on the screen and in print. Block titles and separators
// neither count nor change.
void RightAlignNumberColumns(CGridCtrl& grid, const CReportTable& table) {
    const auto counts = [&](int r) {
        return r >= table.FixedRowCount() &&
               (table.Kind(r) == RowKind::Data || table.Kind(r) == RowKind::Summary);
    };
    for (int c = 0; c < table.ColumnCount(); ++c) {
        text::NumberColumn column;
        for (int r = 0; r < table.RowCount() && !column.Decided(); ++r)
            if (counts(r))
                column.Add(table.Cell(r, c)->text);
        if (!column.HoldsNumbers())
            continue;
        for (int r = 0; r < table.RowCount(); ++r)
            if (counts(r))
                grid.SetItemFormat(r, c, (grid.GetItemFormat(r, c) & ~gdi::DT_CENTER) | gdi::DT_RIGHT);
    }
}

} // namespace

void ShowTable(CGridCtrl& grid, const CReportTable& table) {
    // Emptying the grid first gives every cell its default format and colours again.
    grid.SetFixedRowCount(0);
    grid.SetFixedColumnCount(0);
    grid.SetRowCount(0);
    grid.SetColumnCount(0);
    grid.SetColumnCount(table.ColumnCount());
    grid.SetRowCount(table.RowCount());
    grid.SetFixedRowCount(std::min(table.FixedRowCount(), table.RowCount()));
    grid.SetFixedColumnCount(std::min(table.FixedColumnCount(), table.ColumnCount()));
    for (int r = 0; r < table.RowCount(); ++r)
        for (int c = 0; c < table.ColumnCount(); ++c) {
            const CReportCell* cell = table.Cell(r, c);
            grid.SetItemText(r, c, cell->text);
            if (cell->align != CellAlign::Default)
                grid.SetItemFormat(r, c, CellFormat(cell->align));
            if (cell->background.isValid())
                grid.SetItemBkColour(
                    r, c,
                    gdi::Rgb(cell->background.red(), cell->background.green(), cell->background.blue()));
        }
    RightAlignNumberColumns(grid, table);
}

void FitColumnsToTexts(CGridCtrl& grid) {
    grid.AutoSize(); // empty cells do not widen a column
    grid.Refresh();
}

QRect DialogRect(int x, int y, int w, int h) {
    // Template units of a 9-point Chinese dialog font: 7/4 pixel across, 7/4 down.
    const auto px = [](int units) { return int(std::lround(units * 1.75)); };
    return {px(x), px(y), px(w), px(h)};
}

bool ReadIntEdit(QWidget* parent, const QLineEdit* edit, int& value, int lo, int hi) {
    bool ok = false;
    const int v = edit->text().trimmed().toInt(&ok);
    if (ok && v >= lo && v <= hi) {
        value = v;
        return true;
    }
    const QString text = ok ? QStringLiteral("请输入一个介于 %1 和 %2 之间的整数。").arg(lo).arg(hi)
                            : QStringLiteral("请输入一个整数。");
    ui::MessageBox(parent, text, MessageCaption(), ui::MB_OK | ui::MB_ICONWARNING);
    return false;
}

bool ReadIntEditInForce(QWidget* parent, QLineEdit* edit, int& value, int lo, int hi) {
    if (ReadIntEdit(parent, edit, value, lo, hi))
        return true;
    edit->setText(QString::number(value));
    return false;
}

bool ReadFloatEdit(QWidget* parent, const QLineEdit* edit, float& value) {
    bool ok = false;
    const float v = edit->text().trimmed().toFloat(&ok); // the C locale's form, as printed
    if (ok) {
        value = v;
        return true;
    }
    ui::MessageBox(parent, QStringLiteral("请输入一个数字。"), MessageCaption(),
                   ui::MB_OK | ui::MB_ICONWARNING);
    return false;
}

QString FloatEditText(float value) {
    return QString::number(double(value), 'g', 7);
}

CWaitCursor::CWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

CWaitCursor::~CWaitCursor() {
    QApplication::restoreOverrideCursor();
}

void ReportDbError(QWidget* parent, const char* what, const db::DbError& error) {
    qCWarning(vlog::db) << what << "cut short:" << error.Message();
    ui::MessageBox(parent, DbErrorMessage(data::DbErrorText(error)), MessageCaption(),
                   ui::MB_OK | ui::MB_ICONERROR);
}

bool ComputeAndShowTable(QWidget* parent, CGridCtrl& grid, const CReportTable& table, const char* what,
                         const std::function<void()>& compute) {
    std::optional<db::DbError> error;
    {
        const CWaitCursor wait;
        try {
            compute();
        } catch (const db::DbError& e) {
            error = e;
        }
        ShowTable(grid, table);
        FitColumnsToTexts(grid);
        grid.update();
    }
    if (!error)
        return true;
    ReportDbError(parent, what, *error);
    return false;
}

bool ReadyToCompute(QWidget* parent, const ReportReads& reads, bool* oldTotals, StaleTotalsAnswer* answer) {
    return ReadyToCompute(parent, {data::AnalysisContext().m_nAnalysisExamId}, reads, oldTotals, answer);
}

bool ReadyToCompute(QWidget* parent, const std::vector<int>& examIds, const ReportReads& reads,
                    bool* oldTotals, StaleTotalsAnswer* answer) {
    if (oldTotals)
        *oldTotals = false;
    const std::vector<int> subjects = data::AnalysisContext().ParticipatingSubjects();
    std::vector<std::pair<int, std::vector<int>>> stale;
    std::vector<int> staleTypes;
    try {
        db::Connection& db = data::Database();
        for (const int examId : examIds) {
            const ReportDataCheck check = CheckReportData(db, examId, subjects, reads);
            if (check.state == ReportDataState::Stale) {
                stale.emplace_back(examId, check.staleTypes);
                for (const int type : check.staleTypes)
                    if (std::find(staleTypes.begin(), staleTypes.end(), type) == staleTypes.end())
                        staleTypes.push_back(type);
            } else if (check.state != ReportDataState::Ready) {
                ui::MessageBox(parent, check.message, MessageCaption(), ui::MB_OK | ui::MB_ICONINFORMATION);
                return false;
            }
        }
    } catch (const db::DbError& e) {
        // The report's own queries meet the same failure; it shows what it got so far and says so.
        qCWarning(vlog::db) << "report check not made:" << e.Message();
        return true;
    }
    if (stale.empty())
        return true;
    std::sort(staleTypes.begin(), staleTypes.end());
    if ((answer && answer->declined) ||
        ui::MessageBox(parent, StaleTotalsQuestion(staleTypes), MessageCaption(),
                       ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES) {
        if (answer)
            answer->declined = true;
        if (oldTotals)
            *oldTotals = true;
        return true;
    }
    std::vector<int> unknown;
    try {
        db::Connection& db = data::Database();
        const CWaitCursor wait;
        for (const auto& [examId, types] : stale)
            for (const int type : RecomputeStaleTotals(db, examId, types))
                if (std::find(unknown.begin(), unknown.end(), type) == unknown.end())
                    unknown.push_back(type);
    } catch (const db::DbError& e) {
        // Each total is recomputed whole or not at all; the report does not run on a half-done job.
        qCWarning(vlog::db) << "totals not recomputed:" << e.Message();
        ui::MessageBox(parent, DbErrorMessage(data::DbErrorText(e)), MessageCaption(),
                       ui::MB_OK | ui::MB_ICONERROR);
        return false;
    }
    if (unknown.empty())
        return true;
    // The user asked for the totals as the marks are now; those the program cannot recompute by
    // itself are not reported on as if they were.
    std::sort(unknown.begin(), unknown.end());
    ui::MessageBox(parent, SubjectsUnknownMessage(unknown), MessageCaption(),
                   ui::MB_OK | ui::MB_ICONINFORMATION);
    return false;
}

void ShowOldTotalsMark(QWidget* dialog, bool oldTotals) {
    const QString mark = OldTotalsCaptionMark();
    QString caption = dialog->windowTitle();
    const bool marked = caption.endsWith(mark);
    if (marked && !oldTotals)
        caption.chop(mark.size());
    else if (!marked && oldTotals)
        caption += mark;
    dialog->setWindowTitle(caption);
}

} // namespace reports
