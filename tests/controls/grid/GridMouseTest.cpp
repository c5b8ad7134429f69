#include "GridTestSupport.h"

#include "platform/ui/ScrollInfo.h"

#include <QCursor>

#include <gtest/gtest.h>

using namespace gdi;

namespace {

// The point on the right border of column `col` in header row 0 (widget coordinates).
QPoint ColumnBorder(const CGridCtrl& grid, int col) {
    Rect rect;
    grid.GetCellRect(0, col, &rect);
    return grid.ClientToWidget(Point(rect.right, (rect.top + rect.bottom) / 2));
}

QPoint RowBorder(const CGridCtrl& grid, int row) {
    Rect rect;
    grid.GetCellRect(row, 0, &rect);
    return grid.ClientToWidget(Point((rect.left + rect.right) / 2, rect.bottom));
}

void Drag(CGridCtrl& grid, const QPoint& from, const QPoint& to) {
    QTest::mousePress(&grid, Qt::LeftButton, {}, from);
    QTest::mouseMove(&grid, to);
    QTest::mouseRelease(&grid, Qt::LeftButton, {}, to);
}

} // namespace

TEST(GridMouse, AClickSelectsTheCellAndTellsTheOwner) {
    GridHost host(6, 3, 1, 1);
    CGridCtrl& grid = *host.grid;
    host.Click(2, 2);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 2));
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(2, 2, 2, 2));
    EXPECT_EQ(host.parent.Codes(), (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED, NM_CLICK}));
    EXPECT_EQ(host.parent.received.back().row, 2);
    EXPECT_EQ(host.parent.received.back().col, 2);
    EXPECT_EQ(grid.GetAutoScrollTimer(), 0u);

    // WM_COMMAND with the grid's id is posted, not sent.
    EXPECT_TRUE(host.parent.commands.empty());
    QCoreApplication::sendPostedEvents(&host.parent);
    EXPECT_EQ(host.parent.commands, std::vector<std::uintptr_t>{1007});

    // Off the cells: nothing, and no command.
    host.parent.received.clear();
    QTest::mouseClick(&grid, Qt::LeftButton, {}, QPoint(grid.width() - 30, grid.height() - 30));
    QCoreApplication::sendPostedEvents(&host.parent);
    EXPECT_TRUE(host.parent.received.empty());
    EXPECT_EQ(host.parent.commands.size(), 1u);
}

TEST(GridMouse, ShiftExtendsAndCtrlAddsOrRemoves) {
    GridHost host(8, 5, 1, 1);
    CGridCtrl& grid = *host.grid;
    host.Click(1, 1);
    host.Click(3, 2, Qt::ShiftModifier);
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(1, 1, 3, 2));
    EXPECT_EQ(grid.GetSelectedCount(), 6);

    host.Click(5, 4, Qt::ControlModifier);
    EXPECT_EQ(grid.GetSelectedCount(), 7);
    EXPECT_TRUE(grid.IsCellSelected(2, 2));
    EXPECT_TRUE(grid.IsCellSelected(5, 4));

    host.Click(2, 2, Qt::ControlModifier); // a selected cell leaves the selection
    EXPECT_FALSE(grid.IsCellSelected(2, 2));
    EXPECT_EQ(grid.GetSelectedCount(), 6);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 2));
}

TEST(GridMouse, AClickOnASelectedCellMakesItTheFocusCell) {
    for (const bool bDragAndDrop : {false, true}) {
        GridHost host(6, 5, 1, 1);
        CGridCtrl& grid = *host.grid;
        grid.EnableDragAndDrop(bDragAndDrop);
        host.Click(1, 1);
        host.Click(3, 3, Qt::ShiftModifier);
        ASSERT_EQ(grid.GetFocusCell(), CGridCellId(3, 3));
        ASSERT_TRUE(grid.IsCellSelected(2, 2));
        host.parent.received.clear();

        host.Click(2, 2);
        EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 2)) << bDragAndDrop;
        EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(2, 2, 2, 2)) << bDragAndDrop;
        EXPECT_EQ(grid.GetSelectedCount(), 1);
        EXPECT_EQ(host.Count(NM_CLICK), 1);
        EXPECT_EQ(host.Count(GVN_SELCHANGED), 1);
        EXPECT_EQ(host.parent.received.back().row, bDragAndDrop ? 2 : 2);
        EXPECT_FALSE(grid.IsItemEditing(2, 2)); // no edit on the first click
    }
}

TEST(GridMouse, DragSelectionScrollsOnTheTimer) {
    GridHost host(40, 4, 1, 1, 300, 150);
    CGridCtrl& grid = *host.grid;
    QTest::mousePress(&grid, Qt::LeftButton, {}, host.At(1, 1));
    EXPECT_EQ(grid.GetAutoScrollTimer(), CGridCtrl::kAutoScrollTimerId);
    EXPECT_EQ(grid.GetAutoScrollInterval(), 25);
    QTest::mouseMove(&grid, host.At(3, 2));
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(1, 1, 3, 2));
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(3, 2));

    // The pointer below the window: each tick scrolls a row and extends the selection.
    QCursor::setPos(grid.mapToGlobal(QPoint(host.At(3, 2).x(), grid.height() + 20)));
    const int before = grid.GetScrollPos32(ui::SB_VERT);
    for (int i = 0; i < 5; ++i)
        grid.OnTimer(CGridCtrl::kAutoScrollTimerId);
    EXPECT_GT(grid.GetScrollPos32(ui::SB_VERT), before);
    const CGridCellRange range = grid.GetSelectedCellRange();
    EXPECT_EQ(range.minRow, 1);
    EXPECT_GT(range.maxRow, 6);
    EXPECT_EQ(range.maxCol, 2);
    EXPECT_TRUE(grid.IsCellVisible(range.maxRow, 2));

    // Above the data rows it goes back up.
    QCursor::setPos(grid.mapToGlobal(grid.ClientToWidget(Point(100, 2))));
    const int maxRow = range.maxRow;
    grid.OnTimer(CGridCtrl::kAutoScrollTimerId);
    EXPECT_LT(grid.GetSelectedCellRange().maxRow, maxRow);
    grid.OnTimer(12); // another timer: nothing
    QTest::mouseRelease(&grid, Qt::LeftButton, {}, host.At(3, 2));
    EXPECT_EQ(grid.GetAutoScrollTimer(), 0u);
}

TEST(GridMouse, HeaderClicksSelectColumnsRowsOrAllAndMaySort) {
    GridHost host(6, 5, 1, 1);
    CGridCtrl& grid = *host.grid;
    host.Click(0, 2);
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(1, 2, 5, 2));
    host.Click(0, 4, Qt::ShiftModifier);
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(1, 2, 5, 4));
    host.Click(3, 0);
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(3, 1, 3, 4));
    host.Click(0, 0);
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(1, 1, 5, 4));

    grid.SetItemText(1, 3, QStringLiteral("z"));
    grid.SetItemText(2, 3, QStringLiteral("a"));
    grid.SetSortOnClick(true);
    host.Click(0, 3);
    EXPECT_EQ(grid.GetSortColumn(), 3);
    EXPECT_EQ(grid.GetItemText(1, 3), QStringLiteral("3,3"));
    EXPECT_EQ(grid.GetItemText(5, 3), QStringLiteral("z"));
    host.Click(0, 3); // the same column again: the other way
    EXPECT_FALSE(grid.GetSortAscending());
    EXPECT_EQ(grid.GetItemText(1, 3), QStringLiteral("z"));
}

TEST(GridMouse, HeaderBordersResizeColumnsAndRows) {
    GridHost host(5, 5, 1, 1);
    CGridCtrl& grid = *host.grid;
    const int width = grid.GetColumnWidth(1);
    const QPoint border = ColumnBorder(grid, 1);
    grid.OnMouseMove(0, grid.WidgetToClient(border));
    EXPECT_EQ(grid.GetMouseMode(), CGridCtrl::MOUSE_OVER_COL_DIVIDE);

    QTest::mousePress(&grid, Qt::LeftButton, {}, border);
    EXPECT_EQ(grid.GetMouseMode(), CGridCtrl::MOUSE_SIZING_COL);
    QTest::mouseMove(&grid, border + QPoint(25, 0));
    ASSERT_TRUE(grid.GetTrackingLine().has_value());
    EXPECT_EQ(grid.GetTrackingLine()->Width(), 2);
    QTest::mouseRelease(&grid, Qt::LeftButton, {}, border + QPoint(25, 0));
    EXPECT_EQ(grid.GetColumnWidth(1), width - 1 + 25); // the border's pixel is the column's last
    EXPECT_FALSE(grid.GetTrackingLine().has_value());
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(-1, -1)); // no selection gesture
    EXPECT_EQ(host.Count(NM_CLICK), 0);

    // Past the column's left edge: 0 with column hiding on, else 1.
    Rect rect;
    grid.GetCellRect(0, 2, &rect);
    const QPoint left = grid.ClientToWidget(Point(rect.left - 10, 5));
    Drag(grid, ColumnBorder(grid, 2), left);
    EXPECT_EQ(grid.GetColumnWidth(2), 0);
    grid.SetColumnWidth(2, 50);
    grid.EnableColumnHide(false);
    Drag(grid, ColumnBorder(grid, 2), left);
    EXPECT_EQ(grid.GetColumnWidth(2), 1);

    // A press on a border that is let go where it was changes nothing.
    grid.SetColumnWidth(3, 60);
    Drag(grid, ColumnBorder(grid, 3), ColumnBorder(grid, 3));
    EXPECT_EQ(grid.GetColumnWidth(3), 60);

    const int height = grid.GetRowHeight(2);
    Drag(grid, RowBorder(grid, 2), RowBorder(grid, 2) + QPoint(0, 12));
    EXPECT_EQ(grid.GetRowHeight(2), height - 1 + 12);

    grid.EnableColumnResize(false);
    grid.OnMouseMove(0, grid.WidgetToClient(ColumnBorder(grid, 3)));
    EXPECT_NE(grid.GetMouseMode(), CGridCtrl::MOUSE_OVER_COL_DIVIDE);
    Drag(grid, ColumnBorder(grid, 3), ColumnBorder(grid, 3) + QPoint(30, 0));
    EXPECT_EQ(grid.GetColumnWidth(3), 60);
}

TEST(GridMouse, DoubleClickOnABorderFitsTheColumnOnItsLeft) {
    GridHost host(4, 5, 1, 1);
    CGridCtrl& grid = *host.grid;
    grid.SetItemText(2, 1, QStringLiteral("a much longer text than the column shows"));
    grid.SetColumnWidth(1, 30);
    host.DoubleClick(ColumnBorder(grid, 1));
    EXPECT_GT(grid.GetColumnWidth(1), 150);

    // Next to a hidden column the nearest shown column on the left is fitted.
    grid.SetColumnWidth(1, 30);
    grid.SetColumnWidth(2, 0);
    Rect rect;
    grid.GetCellRect(0, 3, &rect);
    host.DoubleClick(grid.ClientToWidget(Point(rect.left + 1, 5)));
    EXPECT_EQ(grid.GetColumnWidth(2), 0);
    EXPECT_GT(grid.GetColumnWidth(1), 150);
}

TEST(GridMouse, RightClickMovesTheFocusAndReportsTheCell) {
    GridHost host(5, 5, 1, 1);
    CGridCtrl& grid = *host.grid;
    QTest::mouseClick(&grid, Qt::RightButton, {}, host.At(0, 3));
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(1, 3));
    ASSERT_FALSE(host.parent.received.empty());
    EXPECT_EQ(host.parent.received.back().code, NM_RCLICK);
    EXPECT_EQ(host.parent.received.back().row, 0);
    EXPECT_EQ(host.parent.received.back().col, 3);

    QTest::mouseClick(&grid, Qt::RightButton, {}, QPoint(grid.width() - 30, grid.height() - 30));
    EXPECT_EQ(host.parent.received.back().code, NM_RCLICK);
    EXPECT_EQ(host.parent.received.back().row, -1);
    EXPECT_EQ(host.parent.received.back().col, -1);
}

TEST(GridMouse, TheTitleTipShowsOnlyClippedText) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    CGridTitleTip* tip = grid.GetTitleTip();
    ASSERT_NE(tip, nullptr);
    grid.SetItemText(1, 1, QStringLiteral("短"));
    host.Hover(host.At(1, 1));
    EXPECT_FALSE(tip->isVisible());

    grid.SetItemText(2, 2, QStringLiteral("一段远远超出这一列宽度的很长的文字"));
    host.Hover(host.At(2, 2));
    ASSERT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->GetText(), QStringLiteral(" 一段远远超出这一列宽度的很长的文字 "));
    Rect cell;
    grid.GetCellRect(2, 2, &cell);
    EXPECT_GT(tip->width(), cell.Width());
    EXPECT_EQ(tip->mapToGlobal(QPoint(0, 0)), grid.mapToGlobal(grid.ClientToWidget(cell.TopLeft())));

    host.Hover(host.At(2, 2, 3)); // still over the cell
    EXPECT_TRUE(tip->isVisible());
    host.Hover(host.At(3, 2));
    EXPECT_FALSE(tip->isVisible());

    grid.EnableTitleTips(false);
    host.Hover(host.At(2, 2));
    EXPECT_FALSE(tip->isVisible());
}
