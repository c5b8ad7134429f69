#include "GridTestSupport.h"

#include "platform/gdi/System.h"

#include <gtest/gtest.h>

namespace {

// A cell class of a test's own, to check the run-time class factory.
class CTestCell : public CGridCell {
public:
    static constexpr const char* ClassName = "CTestCell";
    using BaseClass = CGridCell;
    const CRuntimeClass* GetRuntimeClass() const override { return RuntimeClass<CTestCell>(); }
};

} // namespace

TEST(GridModel, StartsEmptyWithNothingNamed) {
    CGridCtrl grid;
    EXPECT_EQ(grid.GetRowCount(), 0);
    EXPECT_EQ(grid.GetColumnCount(), 0);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(-1, -1));
    EXPECT_EQ(grid.GetSortColumn(), -1);
    EXPECT_TRUE(grid.GetSortAscending());
    EXPECT_FALSE(grid.IsValid(0, 0));
    EXPECT_FALSE(grid.IsValid(CGridCellRange(1, 0, 0, 0)));
    EXPECT_EQ(grid.GetCell(0, 0), nullptr);
    EXPECT_EQ(grid.property("windowClass").toString(), QStringLiteral("VeltoraGrid"));

    // Default cells: fixed ones on the 3-D face, the normal one on the window colour; all sized
    // from the message font.
    EXPECT_EQ(grid.GetDefaultCell(true, false)->GetBackClr(), gdi::GetSysColor(gdi::COLOR_3DFACE));
    EXPECT_EQ(grid.GetDefaultCell(false, false)->GetBackClr(), gdi::GetSysColor(gdi::COLOR_WINDOW));
    EXPECT_EQ(grid.GetDefaultCell(true, true)->GetTextClr(), gdi::GetSysColor(gdi::COLOR_WINDOWTEXT));
    const QFontMetrics fm = gdi::Font().Metrics();
    const CGridDefaultCell* def = grid.GetDefaultCell(false, false);
    EXPECT_EQ(def->GetWidth(), fm.horizontalAdvance(QStringLiteral(" XXXXXXXXXXXX ")));
    EXPECT_EQ(def->GetHeight(), (fm.ascent() + fm.descent()) * 3 / 2);
    EXPECT_EQ(def->GetMargin(), static_cast<unsigned>(fm.horizontalAdvance(QLatin1Char(' '))));
    EXPECT_EQ(def->GetFormat(), 0x8824u);
    EXPECT_TRUE(def->GetState() & GCS_READONLY);
}

TEST(GridModel, CountsGrowAndShrinkKeepingTexts) {
    CGridCtrl grid;
    EXPECT_TRUE(grid.SetRowCount(3));
    EXPECT_TRUE(grid.SetColumnCount(2));
    FillTexts(grid);
    EXPECT_TRUE(grid.SetColumnCount(4));
    EXPECT_TRUE(grid.SetRowCount(5));
    EXPECT_EQ(grid.GetItemText(2, 1), QStringLiteral("2,1"));
    EXPECT_TRUE(grid.GetItemText(4, 3).isEmpty());
    EXPECT_EQ(grid.GetRowHeight(4), grid.GetDefaultCell(false, false)->GetHeight());
    EXPECT_EQ(grid.GetColumnWidth(3), grid.GetDefaultCell(false, true)->GetWidth());

    grid.SetModified(false);
    EXPECT_TRUE(grid.SetRowCount(5)); // same count: no change, not marked modified
    EXPECT_FALSE(grid.GetModified());

    EXPECT_TRUE(grid.SetRowCount(1));
    EXPECT_EQ(grid.GetItemText(0, 1), QStringLiteral("0,1"));
    EXPECT_EQ(grid.GetCell(1, 0), nullptr);
    EXPECT_TRUE(grid.GetModified());
    EXPECT_FALSE(grid.SetRowCount(-1));
}

TEST(GridModel, FixedCountsMarkTheirCells) {
    CGridCtrl grid(4, 4, 0, 0);
    grid.SetItemBkColour(1, 2, gdi::Rgb(1, 2, 3));
    ASSERT_TRUE(grid.SetFixedRowCount(2));
    ASSERT_TRUE(grid.SetFixedColumnCount(1));
    EXPECT_EQ(grid.GetItemState(0, 0) & 0xF0, 0x70u); // corner
    EXPECT_EQ(grid.GetItemState(1, 2) & 0xF0, 0x30u); // fixed row
    EXPECT_EQ(grid.GetItemState(3, 0) & 0xF0, 0x50u); // fixed column
    EXPECT_EQ(grid.GetItemState(3, 3) & 0xF0, 0x00u);
    EXPECT_EQ(grid.GetItemBkColour(1, 2), gdi::CLR_DEFAULT); // a new header takes the header colours

    ASSERT_TRUE(grid.SetFixedRowCount(1));
    EXPECT_EQ(grid.GetItemState(1, 0) & 0xF0, 0x50u);
    EXPECT_EQ(grid.GetItemState(1, 2) & 0xF0, 0x00u);

    // A fixed count above the count grows the grid; a count below the fixed count lowers it.
    ASSERT_TRUE(grid.SetFixedColumnCount(6));
    EXPECT_EQ(grid.GetColumnCount(), 6);
    ASSERT_TRUE(grid.SetRowCount(0));
    EXPECT_EQ(grid.GetFixedRowCount(), 0);
}

TEST(GridModel, InsertsAndDeletesRowsAtBothEnds) {
    CGridCtrl grid;
    // On an empty grid a row insert first makes a column; an index equal to the count refuses.
    EXPECT_EQ(grid.InsertRow(QString(), 0), -1);
    EXPECT_EQ(grid.InsertRow(QStringLiteral("head")), 0);
    EXPECT_EQ(grid.GetColumnCount(), 1);
    EXPECT_EQ(grid.GetRowHeight(0), grid.GetTextExtent(0, 0, QStringLiteral("head")).cy);
    ASSERT_TRUE(grid.SetFixedRowCount(1));
    EXPECT_EQ(grid.InsertRow(QStringLiteral("x"), 0), -1); // not among the fixed rows
    EXPECT_EQ(grid.InsertRow(QStringLiteral("b")), 1);
    EXPECT_EQ(grid.InsertRow(QString()), 2);
    EXPECT_EQ(grid.GetRowHeight(2), grid.GetDefaultCell(true, false)->GetHeight());
    EXPECT_EQ(grid.InsertRow(QStringLiteral("a"), 1), 1); // first non-fixed place
    EXPECT_EQ(grid.GetItemText(1, 0), QStringLiteral("a"));
    EXPECT_EQ(grid.GetItemText(2, 0), QStringLiteral("b"));

    grid.SetFocusCell(2, 0);
    EXPECT_EQ(grid.InsertRow(QStringLiteral("c"), 1), 1);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(3, 0)); // the focus moved down with its row

    EXPECT_TRUE(grid.DeleteRow(grid.GetRowCount() - 1));
    EXPECT_TRUE(grid.DeleteRow(1));
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 0));
    EXPECT_TRUE(grid.DeleteRow(2)); // the focus row itself
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(-1, -1));
    EXPECT_FALSE(grid.DeleteRow(7));
    EXPECT_TRUE(grid.DeleteRow(0)); // a fixed row lowers the fixed count
    EXPECT_EQ(grid.GetFixedRowCount(), 0);
    EXPECT_EQ(grid.GetItemText(0, 0), QStringLiteral("a"));
}

TEST(GridModel, InsertsAndDeletesColumnsAtBothEnds) {
    CGridCtrl grid(2, 2, 1, 1);
    EXPECT_EQ(grid.InsertColumn(QStringLiteral("end"), gdi::DT_RIGHT, 2), 2); // index = count appends
    EXPECT_EQ(grid.InsertColumn(QStringLiteral("x"), 0, 0), -1);              // among the fixed columns
    EXPECT_EQ(grid.InsertColumn(QStringLiteral("mid"), gdi::DT_CENTER, 1), 1);
    EXPECT_EQ(grid.GetColumnCount(), 4);
    EXPECT_EQ(grid.GetItemText(0, 1), QStringLiteral("mid"));
    EXPECT_EQ(grid.GetItemText(0, 3), QStringLiteral("end"));
    EXPECT_EQ(grid.GetItemFormat(1, 3), gdi::DT_RIGHT);
    EXPECT_EQ(grid.GetColumnWidth(1), grid.GetTextExtent(0, 1, QStringLiteral("mid")).cx);
    EXPECT_EQ(grid.GetItemState(1, 1) & GCS_FIXED, 0u);

    EXPECT_TRUE(grid.DeleteColumn(3));
    EXPECT_TRUE(grid.DeleteColumn(0));
    EXPECT_EQ(grid.GetFixedColumnCount(), 0);
    EXPECT_EQ(grid.GetItemText(0, 0), QStringLiteral("mid"));
    EXPECT_FALSE(grid.DeleteColumn(-1));
    EXPECT_TRUE(grid.DeleteAllItems());
    EXPECT_EQ(grid.GetRowCount() + grid.GetColumnCount() + grid.GetFixedRowCount(), 0);
}

TEST(GridModel, CellTypesAreMadeFromRunTimeClasses) {
    CGridCtrl grid(3, 3, 1, 1);
    grid.SetItemText(1, 1, QStringLiteral("keep"));
    grid.SetItemBkColour(1, 1, gdi::Rgb(9, 9, 9));
    ASSERT_TRUE(grid.SetCellType(1, 1, RuntimeClass<CTestCell>()));
    CGridCellBase* cell = grid.GetCell(1, 1);
    EXPECT_TRUE(cell->IsKindOf(RuntimeClass<CTestCell>()));
    EXPECT_TRUE(cell->IsKindOf(RuntimeClass<CGridCellBase>()));
    EXPECT_EQ(cell->GetText(), QStringLiteral("keep"));
    EXPECT_EQ(cell->GetBackClr(), gdi::Rgb(9, 9, 9));
    EXPECT_EQ(cell->GetGrid(), &grid);

    EXPECT_FALSE(grid.SetCellType(5, 5, RuntimeClass<CTestCell>()));
    EXPECT_FALSE(grid.SetCellType(1, 1, RuntimeClass<CGridCellBase>())); // abstract: nothing to make
    EXPECT_FALSE(grid.SetDefaultCellType(RuntimeClass<CObject>()));
    ASSERT_TRUE(grid.SetDefaultCellType(RuntimeClass<CTestCell>()));
    grid.SetRowCount(4);
    EXPECT_TRUE(grid.GetCell(3, 0)->IsKindOf(RuntimeClass<CTestCell>()));
    // A new cell carries its place's fixed bits and its default cell's format.
    EXPECT_EQ(grid.GetItemState(3, 0) & 0xF0, 0x50u);
    EXPECT_EQ(grid.GetItemFormat(3, 0), 0x8824u);
}

TEST(GridModel, ANewCellReadsThroughToItsDefaultCell) {
    CGridCtrl grid(2, 2, 1, 0);
    CGridCell loose;
    EXPECT_EQ(loose.GetImage(), -1);
    EXPECT_EQ(loose.GetFormat(), 0u); // no grid, nothing to fall back on
    EXPECT_TRUE(loose.GetText().isEmpty());
    loose.SetGrid(&grid);
    EXPECT_EQ(loose.GetFormat(), 0x8824u);
    EXPECT_EQ(loose.GetFont(), grid.GetDefaultCell(false, false)->GetFont());
    EXPECT_EQ(loose.GetMargin(), grid.GetDefaultCell(false, false)->GetMargin());
    EXPECT_EQ(loose.GetTextClr(), gdi::CLR_DEFAULT);
}

TEST(GridModel, VirtualModeAsksTheParentForEveryCell) {
    struct Parent : NotifyRecorder {
        bool event(QEvent* e) override {
            if (NMHDR* hdr = NotifyHeader(e); hdr && hdr->code == GVN_GETDISPINFO) {
                GRIDITEM& item = reinterpret_cast<GRIDDISPINFO*>(hdr)->item;
                item.strText = QStringLiteral("v%1.%2").arg(item.row).arg(item.col);
                state = item.nState;
            }
            return NotifyRecorder::event(e);
        }
        unsigned state = 0;
    } parent;
    CGridCtrl grid(0, 0, 0, 0, &parent);
    grid.SetVirtualMode(true);
    EXPECT_FALSE(grid.IsEditable());
    grid.SetRowCount(1000);
    grid.SetColumnCount(3);
    grid.SetFixedRowCount(1);
    EXPECT_EQ(grid.GetItemText(500, 2), QStringLiteral("v500.2"));
    EXPECT_EQ(parent.state & 0x30, 0u);
    grid.GetItemText(0, 1);
    EXPECT_EQ(parent.state & 0x30, 0x30u);
    EXPECT_FALSE(grid.SetItemText(1, 1, QStringLiteral("no")));
    EXPECT_FALSE(grid.SetCellType(1, 1, RuntimeClass<CGridCell>()));
    // The selection is kept for cells that are not stored.
    EXPECT_FALSE(grid.SetItemState(700, 1, GCS_SELECTED));
    EXPECT_TRUE(grid.IsCellSelected(700, 1));
    EXPECT_FALSE(grid.SortItems(1, true)); // nothing stored to reorder
}

TEST(GridModel, SetItemStateOutsideTheGridLeavesTheSelectionAlone) {
    CGridCtrl grid(3, 3, 1, 1);
    EXPECT_FALSE(grid.SetItemState(9, 9, GCS_SELECTED));
    EXPECT_EQ(grid.GetSelectedCount(), 0);
    EXPECT_TRUE(grid.SetItemState(1, 1, GCS_SELECTED));
    EXPECT_EQ(grid.GetSelectedCount(), 1);
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(1, 1, 1, 1));
    EXPECT_TRUE(grid.DeleteRow(1)); // deleting clears the selection
    EXPECT_EQ(grid.GetSelectedCount(), 0);
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(2, 3, -1, -1));
}
