// Fitting columns to their texts: empty cells count as nothing, a sortable header keeps room for
// its arrow, and an edit widens only its own column.
#include "GridTestSupport.h"

#include "controls/grid/GridCellBase.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace gdi;

namespace {

// A header of two characters over rows that are mostly empty, as a subject column of a new exam.
class GridFit : public ::testing::Test {
protected:
    void SetUp() override {
        grid.SetRowCount(6);
        grid.SetColumnCount(4);
        grid.SetFixedRowCount(1);
        grid.SetFixedColumnCount(1);
        SizeClient(grid, 600, 200);
        grid.SetItemText(0, 0, QStringLiteral("学号"));
        grid.SetItemText(0, 1, QStringLiteral("语文"));
        grid.SetItemText(0, 2, QStringLiteral("考号"));
        // Column 3 has neither header nor data.
        for (int r = 1; r < 6; ++r) {
            grid.SetItemText(r, 0, QStringLiteral("1200%1").arg(r));
            grid.SetItemText(r, 2, QStringLiteral("%1").arg(r));
        }
        grid.SetItemText(3, 1, QStringLiteral("88"));
    }
    int Extent(int row, int col, const QString& text) { return grid.GetTextExtent(row, col, text).cx; }
    int IdWidth() {
        return std::max(Extent(1, 0, QStringLiteral("12001")), Extent(0, 0, QStringLiteral("学号")));
    }
    int DefaultWidth() { return grid.GetDefaultCell(false, false)->GetWidth(); }
    // The arrow as the header draws it: as high as a capital letter less four pixels.
    int ArrowRoom(int col) {
        const int margin = static_cast<int>(grid.GetCell(0, col)->GetMargin());
        return grid.GetTextExtent(0, col, QStringLiteral("M")).cy - 2 * margin - 4;
    }

    CGridCtrl grid;
};

} // namespace

TEST_F(GridFit, EmptyCellsDoNotWidenAColumnInAnyFitting) {
    const int header = Extent(0, 1, QStringLiteral("语文"));
    ASSERT_LT(header, DefaultWidth());
    for (int pass = 0; pass < 3; ++pass) {
        for (int c = 0; c < 4; ++c)
            grid.SetColumnWidth(c, 300);
        if (pass == 0)
            grid.AutoSizeColumns();
        else if (pass == 1)
            grid.AutoSize();
        else
            for (int c = 0; c < 4; ++c)
                grid.AutoSizeColumn(c);
        SCOPED_TRACE(pass);
        EXPECT_EQ(grid.GetColumnWidth(1), header);
        EXPECT_EQ(grid.GetColumnWidth(0), IdWidth());
        // A column with no text at all can still be typed into.
        EXPECT_EQ(grid.GetColumnWidth(3), DefaultWidth());
    }
    // Data wider than the header widens it.
    grid.SetItemText(2, 1, QStringLiteral("100.50 分数"));
    grid.AutoSizeColumns();
    EXPECT_EQ(grid.GetColumnWidth(1), Extent(2, 1, QStringLiteral("100.50 分数")));
}

TEST_F(GridFit, ASortableHeaderKeepsRoomForItsArrow) {
    grid.AutoSizeColumns();
    const int plain = grid.GetColumnWidth(2);
    ASSERT_EQ(plain, Extent(0, 2, QStringLiteral("考号")));

    grid.SetSortOnClick(true);
    grid.SortItems(2, true);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        if (pass == 0)
            grid.AutoSizeColumns();
        else
            grid.AutoSize();
        ASSERT_GT(ArrowRoom(2), 0);
        // Every header of a grid sorted by clicking keeps the room, sorted yet or not.
        EXPECT_EQ(grid.GetColumnWidth(2), plain + ArrowRoom(2));
        EXPECT_EQ(grid.GetColumnWidth(1), Extent(0, 1, QStringLiteral("语文")) + ArrowRoom(1));
        // Data rows carry no arrow.
        EXPECT_EQ(grid.GetColumnWidth(0),
                  std::max(Extent(1, 0, QStringLiteral("12001")), Extent(0, 0, QStringLiteral("学号")) + ArrowRoom(0)));
    }
}

TEST_F(GridFit, AnEditWidensOnlyItsOwnColumnAndNeverNarrowsIt) {
    grid.AutoSizeColumns();
    const int widths[4] = {grid.GetColumnWidth(0), grid.GetColumnWidth(1), grid.GetColumnWidth(2),
                           grid.GetColumnWidth(3)};
    grid.SetItemText(4, 1, QStringLiteral("9"));
    EXPECT_FALSE(grid.WidenColumnToCell(4, 1));
    EXPECT_EQ(grid.GetColumnWidth(1), widths[1]);

    grid.SetItemText(4, 1, QStringLiteral("一百二十三点五"));
    EXPECT_TRUE(grid.WidenColumnToCell(4, 1));
    EXPECT_EQ(grid.GetColumnWidth(1), Extent(4, 1, QStringLiteral("一百二十三点五")));
    for (int c : {0, 2, 3})
        EXPECT_EQ(grid.GetColumnWidth(c), widths[c]);
    // The scroll range follows the new width.
    EXPECT_EQ(grid.GetVirtualWidth(), widths[0] + grid.GetColumnWidth(1) + widths[2] + widths[3]);

    grid.SetItemText(4, 1, QString());
    EXPECT_FALSE(grid.WidenColumnToCell(4, 1));
    EXPECT_EQ(grid.GetColumnWidth(1), Extent(4, 1, QStringLiteral("一百二十三点五")));
    EXPECT_FALSE(grid.WidenColumnToCell(9, 1));
    EXPECT_FALSE(grid.WidenColumnToCell(1, 9));
}

TEST(GridNumberColumns, AColumnOfNumbersIsRightAlignedAsAWhole) {
    CGridCtrl grid(5, 4, 1, 0);
    const QString rows[4][4] = {{"名次", "姓名", "分数", "备注"},
                                {" 9", "张三", "88.50", ""},
                                {"10", "李四", "", "缺考"},
                                {"", "王五", "-3", ""}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            grid.SetItemText(r, c, rows[r][c]);
    grid.SetItemFormat(2, 2, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const unsigned header = grid.GetItemFormat(0, 0);
    grid.RightAlignNumberColumns();
    for (int c : {0, 2})
        for (int r = 1; r < 5; ++r) {
            const unsigned format = grid.GetItemFormat(r, c);
            EXPECT_EQ(format & (DT_CENTER | DT_RIGHT), DT_RIGHT) << r << "," << c;
        }
    EXPECT_TRUE(grid.GetItemFormat(2, 2) & DT_SINGLELINE); // only the alignment changes
    EXPECT_EQ(grid.GetItemFormat(0, 0), header);
    for (int c : {1, 3})
        for (int r = 1; r < 5; ++r)
            EXPECT_FALSE(grid.GetItemFormat(r, c) & DT_RIGHT) << r << "," << c;
}
