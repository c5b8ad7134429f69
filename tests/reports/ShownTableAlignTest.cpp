// A report table shown in a dialog's grid (and printed from it): columns of numbers line up by
// their last digit, also where a cell is empty or padded.
#include "controls/grid/GridCtrl.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportTable.h"

#include <gtest/gtest.h>

using namespace reports;

TEST(ShownTableAlign, NumberColumnsAreRightAlignedAsAWhole) {
    CReportTable table(5, 3);
    const char* texts[4][3] = {{"班级", "人数", "平均分"}, {" 9", "45", "88.50"}, {"10", "", "90.00"}, {"合计", "90", ""}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            table.SetText(r, c, QString::fromUtf8(texts[r][c]));
    table.SetFixedRowCount(1);
    // A block's repeated titles neither count nor change.
    table.SetText(4, 1, QStringLiteral("人数"));
    table.SetKind(4, RowKind::BlockTitle);
    table.SetText(1, 2, QStringLiteral("88.50"), CellAlign::Center);
    CGridCtrl grid;
    ShowTable(grid, table);
    const auto alignment = [&](int r, int c) { return grid.GetItemFormat(r, c) & (gdi::DT_CENTER | gdi::DT_RIGHT); };
    for (int r = 1; r < 4; ++r) {
        EXPECT_EQ(alignment(r, 1), gdi::DT_RIGHT) << r;
        EXPECT_EQ(alignment(r, 2), gdi::DT_RIGHT) << r;
    }
    EXPECT_NE(alignment(4, 1), gdi::DT_RIGHT);
    // 合计 makes the first column a column of texts: it keeps the report's alignment.
    EXPECT_NE(alignment(1, 0), gdi::DT_RIGHT);
}
