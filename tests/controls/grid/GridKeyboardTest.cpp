#include "GridTestSupport.h"

#include "controls/grid/GridCellCombo.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScrollInfo.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace gdi;

namespace {

std::vector<CGridCellId> SelectedCells(const CGridCtrl& grid) {
    std::vector<CGridCellId> cells;
    for (int r = 0; r < grid.GetRowCount(); ++r)
        for (int c = 0; c < grid.GetColumnCount(); ++c)
            if (grid.IsCellSelected(r, c))
                cells.emplace_back(r, c);
    return cells;
}

} // namespace

TEST(GridKeyboard, ArrowsStayInsideTheDataCellsAndSkipHiddenOnes) {
    GridHost host(8, 6, 1, 1);
    CGridCtrl& grid = *host.grid;
    grid.SetFocusCell(1, 1);

    host.Key(Qt::Key_Up);
    host.Key(Qt::Key_Left);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(1, 1)); // the fixed row and column are never reached
    EXPECT_TRUE(host.parent.received.empty());

    host.Key(Qt::Key_Down);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 1));
    ASSERT_EQ(host.parent.received.size(), 2u);
    EXPECT_EQ(host.parent.received[0].code, GVN_SELCHANGING);
    EXPECT_EQ(host.parent.received[1].code, GVN_SELCHANGED);
    EXPECT_EQ(host.parent.received[1].row, 2);
    EXPECT_EQ(SelectedCells(grid), std::vector<CGridCellId>{CGridCellId(2, 1)});

    grid.SetRowHeight(3, 0);
    grid.SetColumnWidth(2, 0);
    host.Key(Qt::Key_Down);
    host.Key(Qt::Key_Right);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(4, 3));
    host.Key(Qt::Key_Up);
    host.Key(Qt::Key_Left);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 1));

    host.Key(Qt::Key_End);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 5));
    host.Key(Qt::Key_Home);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 1));
    host.Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(7, 5));
    EXPECT_TRUE(grid.IsCellVisible(7, 5));
    host.Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(1, 1));

    // A hidden last column: End stops at the last one shown.
    grid.SetColumnWidth(5, 0);
    host.Key(Qt::Key_End);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(1, 4));
    host.Key(Qt::Key_Right);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(1, 4));
}

TEST(GridKeyboard, WithoutAFocusCellKeysGoToTheDialog) {
    GridHost host(4, 4, 1, 1);
    host.grid->ResetSelectedRange();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(host.grid, &down);
    EXPECT_FALSE(down.isAccepted());
    EXPECT_EQ(host.grid->GetFocusCell(), CGridCellId(-1, -1));
}

TEST(GridKeyboard, ShiftExtendsTheSelectionFromItsStart) {
    GridHost host(8, 6, 1, 1);
    CGridCtrl& grid = *host.grid;
    host.Click(2, 2);
    host.Key(Qt::Key_Down, Qt::ShiftModifier);
    host.Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(3, 3));
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(2, 2, 3, 3));
    EXPECT_EQ(grid.GetSelectedCount(), 4);
    host.Key(Qt::Key_Up, Qt::ShiftModifier);
    host.Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(1, 2, 2, 3));

    // A plain arrow starts again from one cell.
    host.Key(Qt::Key_Down);
    EXPECT_EQ(SelectedCells(grid), std::vector<CGridCellId>{CGridCellId(2, 3)});
}

TEST(GridKeyboard, ListModeSelectsWholeRows) {
    GridHost host(6, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    grid.SetListMode(true);
    grid.SetSingleRowSelection(true);
    grid.SetFocusCell(1, 2);
    host.parent.received.clear();
    host.Key(Qt::Key_Down);
    EXPECT_EQ(host.parent.Codes(), (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED}));
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(2, 1, 2, 3));
    host.Key(Qt::Key_Down, Qt::ShiftModifier); // a single-row list keeps one row
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(3, 1, 3, 3));
}

TEST(GridKeyboard, PageKeysMoveByWhatTheViewScrolled) {
    GridHost host(60, 3, 1, 1, 300, 200);
    CGridCtrl& grid = *host.grid;
    grid.SetFocusCell(2, 1);
    const int top = grid.GetTopleftNonFixedCell().row;
    host.Key(Qt::Key_PageDown);
    const int moved = grid.GetTopleftNonFixedCell().row - top;
    ASSERT_GT(moved, 0);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2 + moved, 1));
    EXPECT_TRUE(grid.IsCellVisible(grid.GetFocusCell()));

    host.Key(Qt::Key_PageUp);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 1));
    host.Key(Qt::Key_PageUp); // nothing left to scroll: the first data row
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(1, 1));

    for (int i = 0; i < 20; ++i)
        host.Key(Qt::Key_PageDown);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(59, 1));
    EXPECT_TRUE(grid.IsCellVisible(59, 1));
}

TEST(GridKeyboard, ArrowsScrollTheFocusIntoView) {
    GridHost host(40, 20, 1, 1, 300, 150);
    CGridCtrl& grid = *host.grid;
    grid.SetFocusCell(1, 1);
    for (int i = 0; i < 30; ++i)
        host.Key(Qt::Key_Down);
    for (int i = 0; i < 15; ++i)
        host.Key(Qt::Key_Right);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(31, 16));
    EXPECT_TRUE(grid.IsCellVisible(31, 16));
    EXPECT_GT(grid.GetScrollPos32(ui::SB_VERT), 0);
    EXPECT_GT(grid.GetScrollPos32(ui::SB_HORZ), 0);
}

TEST(GridKeyboard, TabWrapsRowsAndLeavesTheGridAfterTheLastCell) {
    ui::Dialog dialog(0);
    auto* layout = new QVBoxLayout(&dialog);
    auto* before = new QLineEdit(&dialog);
    auto* grid = new CGridCtrl(3, 3, 1, 1, &dialog);
    auto* after = new QLineEdit(&dialog);
    layout->addWidget(before);
    layout->addWidget(grid);
    layout->addWidget(after);
    grid->setMinimumSize(300, 120);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    grid->setFocus();
    grid->SetFocusCell(1, 1);

    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->GetFocusCell(), CGridCellId(1, 2));
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->GetFocusCell(), CGridCellId(2, 1)); // wrapped to the next row
    QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid->GetFocusCell(), CGridCellId(1, 2)); // and back to the end of the row above
    EXPECT_EQ(QApplication::focusWidget(), grid);

    grid->SetFocusCell(2, 2);
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->GetFocusCell(), CGridCellId(2, 2)); // the focus cell stays
    EXPECT_EQ(QApplication::focusWidget(), after);      // and the dialog moves on

    grid->setFocus();
    grid->SetFocusCell(1, 1);
    QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), before);
    EXPECT_EQ(grid->GetFocusCell(), CGridCellId(1, 1));

    // With the Tab flag off the grid leaves Tab to the dialog at once.
    grid->setFocus();
    grid->SetHandleTabKey(false);
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), after);
    EXPECT_EQ(grid->GetFocusCell(), CGridCellId(1, 1));
}

TEST(GridKeyboard, EnterAndEscapeNeverCloseTheDialogWhileACellHasTheFocus) {
    ui::Dialog dialog(0);
    auto* layout = new QVBoxLayout(&dialog);
    auto* grid = new CGridCtrl(4, 3, 1, 1, &dialog);
    auto* ok = new QPushButton(QStringLiteral("确定"), &dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(grid);
    layout->addWidget(ok);
    grid->setMinimumSize(300, 120);
    FillTexts(*grid);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    grid->setFocus();
    grid->SetFocusCell(1, 1);

    QTest::keyClick(grid, Qt::Key_Return); // opens the editor
    ASSERT_TRUE(grid->IsItemEditing(1, 1));
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, grid);
    QTest::keyClicks(editor, QStringLiteral("x"));
    QTest::keyClick(editor, Qt::Key_Return); // commits
    EXPECT_EQ(grid->GetItemText(1, 1), QStringLiteral("1,1x"));
    EXPECT_TRUE(dialog.isVisible());

    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); // cancels the edit only
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);

    // Nor do they from a drop-down list.
    grid->SetCellType(2, 2, RuntimeClass<CGridCellCombo>());
    grid->SetFocusCell(2, 2);
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_TRUE(grid->IsItemEditing(2, 2));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(grid->IsItemEditing(2, 2));
    QTest::keyClick(grid, Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(grid->IsItemEditing(2, 2));
    EXPECT_TRUE(dialog.isVisible());

    // Without a focus cell Escape is the dialog's again.
    grid->ResetSelectedRange();
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 2);
}
