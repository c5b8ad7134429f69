#include "GridTestSupport.h"

#include "platform/gdi/System.h"

#include <gtest/gtest.h>

using namespace gdi;

namespace {

// A cell that records when the grid asks it to open its editor.
class CEditProbeCell : public CGridCell {
public:
    static constexpr const char* ClassName = "CEditProbeCell";
    using BaseClass = CGridCell;
    const CRuntimeClass* GetRuntimeClass() const override { return RuntimeClass<CEditProbeCell>(); }
    bool Edit(int, int, Rect, Point, unsigned, unsigned nChar) override {
        editedWith = static_cast<int>(nChar);
        return true;
    }
    int editedWith = -1;
};

} // namespace

TEST(GridAttributes, OnlyTextDataAndImageMarkTheCellModified) {
    CGridCtrl grid(3, 3, 1, 0);
    grid.SetModified(false);
    LOGFONT lf;
    lf.lfHeight = -20;
    EXPECT_TRUE(grid.SetItemFormat(1, 1, DT_RIGHT));
    EXPECT_TRUE(grid.SetItemBkColour(1, 1, Rgb(1, 1, 1)));
    EXPECT_TRUE(grid.SetItemFgColour(1, 1, Rgb(2, 2, 2)));
    EXPECT_TRUE(grid.SetItemFont(1, 1, &lf));
    EXPECT_FALSE(grid.GetModified());
    EXPECT_FALSE(grid.GetModified(1, 1));

    EXPECT_TRUE(grid.SetItemImage(1, 2, 3));
    EXPECT_TRUE(grid.GetModified());
    EXPECT_TRUE(grid.GetModified(1, 2));
    EXPECT_TRUE(grid.SetItemData(2, 2, 42));
    EXPECT_TRUE(grid.SetItemText(2, 1, QStringLiteral("t")));
    EXPECT_TRUE(grid.GetModified(2, 1));

    // Clearing one cell while the grid flag is down clears every cell.
    grid.SetModified(false);
    EXPECT_FALSE(grid.GetModified(1, 2));
    EXPECT_FALSE(grid.GetModified(2, 2));
    grid.SetItemText(2, 1, QStringLiteral("u"));
    grid.SetModified(false, 2, 1);
    EXPECT_TRUE(grid.GetModified()); // the grid flag stays up
    EXPECT_FALSE(grid.GetModified(2, 1));
}

TEST(GridAttributes, MissingCellsAnswerWithTheFallbacks) {
    CGridCtrl grid(2, 2, 1, 0);
    EXPECT_FALSE(grid.SetItemText(5, 0, QStringLiteral("x")));
    EXPECT_TRUE(grid.GetItemText(5, 0).isEmpty());
    EXPECT_EQ(grid.GetItemImage(5, 0), -1);
    EXPECT_EQ(grid.GetItemData(5, 0), 0);
    EXPECT_EQ(grid.GetItemState(5, 0), 0u);
    EXPECT_EQ(grid.GetItemFormat(5, 0), 0u);
    EXPECT_EQ(grid.GetItemBkColour(5, 0), 0u);
    EXPECT_EQ(grid.GetItemFgColour(5, 0), 0u);
    EXPECT_FALSE(grid.IsItemEditing(5, 0));

    // The font outside the grid is that of the default cell of the same kind.
    LOGFONT header;
    header.lfHeight = -18;
    header.lfFaceName = QStringLiteral("黑体");
    grid.GetDefaultCell(true, false)->SetFont(&header);
    ASSERT_NE(grid.GetItemFont(-1, 7), nullptr);
    EXPECT_EQ(*grid.GetItemFont(-1, 7), header);
    EXPECT_EQ(*grid.GetItemFont(7, 7), GetMessageFont());
    EXPECT_EQ(*grid.GetItemFont(0, 1), header); // a header cell without a font of its own
}

TEST(GridAttributes, EditabilityFollowsTheGridSwitchFirst) {
    CGridCtrl grid(3, 3, 1, 1);
    grid.SetItemState(1, 1, grid.GetItemState(1, 1) | GCS_READONLY);
    EXPECT_FALSE(grid.IsCellEditable(1, 1));
    EXPECT_TRUE(grid.IsCellEditable(2, 2));
    EXPECT_TRUE(grid.IsCellEditable(9, 9)); // no cell, no read-only bit
    grid.SetEditable(false);
    EXPECT_FALSE(grid.IsCellEditable(2, 2));
    EXPECT_FALSE(grid.IsCellEditable(9, 9));

    grid.SetItemState(2, 2, GCS_SELECTED);
    EXPECT_TRUE(grid.IsCellSelected(2, 2));
    grid.EnableCellSelection(false);
    EXPECT_FALSE(grid.IsCellSelected(2, 2));
}

TEST(GridAttributes, SizesRefuseBadArgumentsAndHideAtZero) {
    CGridCtrl grid(3, 3, 1, 1);
    EXPECT_FALSE(grid.SetColumnWidth(1, -1));
    EXPECT_FALSE(grid.SetRowHeight(3, 10));
    EXPECT_EQ(grid.GetColumnWidth(3), -1);
    EXPECT_TRUE(grid.SetColumnWidth(1, 0));
    EXPECT_FALSE(grid.AutoSizeColumn(1));
    EXPECT_EQ(grid.GetColumnWidth(1), 0);
    EXPECT_TRUE(grid.SetColumnWidth(2, 33));
    EXPECT_EQ(grid.GetVirtualWidth(), grid.GetColumnWidth(0) + 33);
    EXPECT_EQ(grid.GetFixedColumnWidth(), grid.GetColumnWidth(0));
}

TEST(GridAttributes, AutoSizeMeasuresWithTheLocalFontMetrics) {
    CGridCtrl grid(3, 3, 1, 0);
    grid.SetItemText(0, 0, QStringLiteral("学号"));
    grid.SetItemText(1, 0, QStringLiteral("201801"));
    grid.SetItemText(2, 0, QStringLiteral("1"));
    grid.SetItemText(1, 1, QStringLiteral("x"));
    grid.SetRowHeight(2, 0); // hidden: stays hidden and is not measured
    grid.SetColumnWidth(2, 0);
    grid.AutoSize();

    const QFontMetrics fm = Font().Metrics();
    const int m = fm.horizontalAdvance(QLatin1Char(' '));
    const int h = fm.ascent() + fm.descent();
    auto width = [&](const QString& s) { return fm.horizontalAdvance(s) + 4 * m; };
    EXPECT_EQ(grid.GetColumnWidth(0),
              std::max(width(QStringLiteral("学号")), width(QStringLiteral("201801"))));
    EXPECT_EQ(grid.GetRowHeight(1), h + 2 * m);
    EXPECT_EQ(grid.GetRowHeight(2), 0);
    EXPECT_EQ(grid.GetColumnWidth(2), 0);
    // An empty cell does not widen its column.
    EXPECT_EQ(grid.GetColumnWidth(1), width(QStringLiteral("x")));

    // Headers only: the data rows no longer count.
    grid.SetItemText(1, 1, QStringLiteral("a much longer data text"));
    grid.SetItemText(0, 1, QStringLiteral("h"));
    ASSERT_TRUE(grid.AutoSizeColumn(1, GVS_HEADER));
    EXPECT_EQ(grid.GetColumnWidth(1), width(QStringLiteral("h")));
    ASSERT_TRUE(grid.AutoSizeColumn(1, GVS_BOTH)); // the empty row 2 does not count
    EXPECT_EQ(grid.GetColumnWidth(1), width(QStringLiteral("a much longer data text")));
}

TEST(GridAttributes, AHugeTextIsKeptWholeAndMeasuredByItsStart) {
    // A text of a damaged file: a million characters would be measured, and the column sized, to
    // millions of pixels; the cell keeps the text, the column takes the width of its first ones.
    CGridCtrl grid(2, 2, 1, 0);
    const QString huge = QString(1 << 20, u'长');
    grid.SetItemText(1, 1, huge);
    ASSERT_TRUE(grid.AutoSizeColumn(1));
    EXPECT_EQ(grid.GetItemText(1, 1), huge);
    EXPECT_LT(grid.GetColumnWidth(1), 200000);
    EXPECT_GT(grid.GetColumnWidth(1), 1000);
}

TEST(GridAttributes, ExpandToFitSpreadsTheDifferenceWithoutWrapping) {
    CGridCtrl grid(2, 3, 0, 0);
    SizeClient(grid, 150, 100);
    grid.SetColumnWidth(0, 52);
    grid.SetColumnWidth(1, 52);
    grid.SetColumnWidth(2, 53); // 7 pixels too wide
    grid.ExpandColumnsToFit();
    EXPECT_EQ(grid.GetColumnWidth(0), 49);
    EXPECT_EQ(grid.GetColumnWidth(1), 50);
    EXPECT_EQ(grid.GetColumnWidth(2), 51);

    // Far too wide: a narrow column stops at one pixel instead of wrapping.
    grid.SetColumnWidth(0, 1);
    grid.SetColumnWidth(1, 400);
    grid.SetColumnWidth(2, 400);
    grid.ExpandColumnsToFit();
    EXPECT_EQ(grid.GetColumnWidth(0), 1);
    EXPECT_GT(grid.GetColumnWidth(1), 0);
    EXPECT_LT(grid.GetColumnWidth(1), 400);

    // A hidden column takes a step of the remainder but stays hidden.
    grid.SetColumnWidth(0, 0);
    grid.SetColumnWidth(1, 10);
    grid.SetColumnWidth(2, 10);
    grid.ExpandColumnsToFit();
    EXPECT_EQ(grid.GetColumnWidth(0), 0);
    EXPECT_EQ(grid.GetColumnWidth(1) + grid.GetColumnWidth(2), 150);

    grid.SetRowHeight(0, 10);
    grid.SetRowHeight(1, 11);
    grid.ExpandRowsToFit();
    EXPECT_EQ(grid.GetRowHeight(0) + grid.GetRowHeight(1), 100);
}

TEST(GridAttributes, ExpandLastColumnTakesTheFreeWidth) {
    CGridCtrl grid(1, 3, 0, 0);
    SizeClient(grid, 300, 50);
    for (int c = 0; c < 3; ++c)
        grid.SetColumnWidth(c, 40);
    grid.SetColumnWidth(2, 0);
    grid.ExpandLastColumn();
    EXPECT_EQ(grid.GetColumnWidth(1), 300 - 40);
    EXPECT_EQ(grid.GetColumnWidth(2), 0);

    grid.SetColumnWidth(1, 0);
    grid.ExpandLastColumn(); // only column 0 shows: nothing happens
    EXPECT_EQ(grid.GetColumnWidth(0), 40);
}

TEST(GridAttributes, EditNotificationsAreAnsweredSynchronously) {
    NotifyRecorder parent;
    CGridCtrl grid(3, 3, 1, 1, &parent);
    grid.SetDlgCtrlID(1007);
    grid.SetItemText(1, 1, QStringLiteral("old"));

    parent.answers[GVN_ENDLABELEDIT] = -1; // the dialog refuses the new text
    grid.OnEndEditCell(1, 1, QStringLiteral("new"));
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("old"));
    ASSERT_EQ(parent.received.size(), 1u);
    EXPECT_EQ(parent.received[0].controlId, 1007);
    EXPECT_EQ(parent.received[0].code, GVN_ENDLABELEDIT);
    EXPECT_EQ(parent.received[0].row, 1);

    parent.answers[GVN_ENDLABELEDIT] = 0;
    grid.SetModified(false);
    grid.OnEndEditCell(1, 1, QStringLiteral("new"));
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("new"));
    EXPECT_TRUE(grid.GetModified(1, 1));
    grid.OnEndEditCell(1, 1, QStringLiteral("new")); // unchanged: no notification
    EXPECT_EQ(parent.received.size(), 2u);

    SizeClient(grid, 300, 200);
    ASSERT_TRUE(grid.SetCellType(2, 2, RuntimeClass<CEditProbeCell>()));
    auto* probe = static_cast<CEditProbeCell*>(grid.GetCell(2, 2));
    parent.answers[GVN_BEGINLABELEDIT] = -1;
    grid.OnEditCell(2, 2, Point(-1, -1), 'a');
    EXPECT_EQ(probe->editedWith, -1); // vetoed
    parent.answers[GVN_BEGINLABELEDIT] = 0;
    grid.OnEditCell(2, 2, Point(-1, -1), 'a');
    EXPECT_EQ(probe->editedWith, 'a');
    EXPECT_EQ(parent.Codes().back(), GVN_BEGINLABELEDIT);

    // Another owner than the parent.
    NotifyRecorder owner;
    grid.SetOwner(&owner);
    grid.SendMessageToParent(-1, -1, NM_RCLICK);
    ASSERT_EQ(owner.received.size(), 1u);
    EXPECT_EQ(owner.received[0].row, -1);
}

TEST(GridAttributes, ModesResetWhatDependsOnThem) {
    CGridCtrl grid(4, 4, 1, 1);
    grid.SetItemState(2, 2, GCS_SELECTED);
    grid.SetSortColumn(2);
    grid.SetFocusCell(0, 2); // a fixed row is raised to the first data row
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(1, 2));
    EXPECT_TRUE(grid.GetItemState(1, 2) & GCS_FOCUSED);
    grid.SetListMode(true);
    EXPECT_EQ(grid.GetSelectedCount(), 0);
    EXPECT_EQ(grid.GetSortColumn(), -1);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(-1, -1));
    EXPECT_FALSE(grid.GetItemState(1, 2) & GCS_FOCUSED);
    EXPECT_FALSE(grid.GetFixedColumnSelection());

    grid.SetSingleRowSelection(true);
    grid.SetMouseMode(CGridCtrl::MOUSE_SELECT_ROW);
    grid.OnSelecting(CGridCellId(2, 2));
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(2, 1, 2, 3));
    grid.ResetSelectedRange();
    EXPECT_EQ(grid.GetSelectedCount(), 0);
}

TEST(GridAttributes, FontAndSystemColourChangesReachTheDefaultCells) {
    CGridCtrl grid(2, 2, 1, 0);
    LOGFONT lf;
    lf.lfHeight = -24;
    grid.SetFont(lf);
    const QFontMetrics fm(ToQFont(lf));
    EXPECT_EQ(grid.GetFont()->GetLogFont(), lf);
    EXPECT_EQ(grid.GetDefaultCell(true, true)->GetHeight(), (fm.ascent() + fm.descent()) * 3 / 2);

    grid.SetItemBkColour(1, 1, CLR_DEFAULT);
    SetSysColor(COLOR_WINDOW, Rgb(250, 250, 200));
    grid.OnSysColorChange();
    EXPECT_EQ(grid.GetDefaultCell(false, false)->GetBackClr(), Rgb(250, 250, 200));
    EXPECT_EQ(grid.GetDefaultCell(true, false)->GetBackClr(), GetSysColor(COLOR_3DFACE));
    ResetSysColors();
    grid.OnSysColorChange();
    EXPECT_EQ(grid.GetDefaultCell(false, false)->GetBackClr(), GetSysColor(COLOR_WINDOW));
}

TEST(GridAttributes, ItemRecordsApplyOnlyTheMaskedFields) {
    CGridCtrl grid(3, 3, 1, 1);
    GRIDITEM item;
    item.row = 1;
    item.col = 2;
    item.mask = GVIF_TEXT | GVIF_BKCLR | GVIF_STATE;
    item.strText = QStringLiteral("甲");
    item.crBkClr = Rgb(1, 2, 3);
    item.crFgClr = Rgb(9, 9, 9); // not in the mask
    item.nState = GCS_SELECTED;
    grid.SetModified(false);
    ASSERT_TRUE(grid.SetItem(&item));
    EXPECT_EQ(grid.GetItemText(1, 2), QStringLiteral("甲"));
    EXPECT_EQ(grid.GetItemBkColour(1, 2), Rgb(1, 2, 3));
    EXPECT_EQ(grid.GetItemFgColour(1, 2), CLR_DEFAULT);
    EXPECT_TRUE(grid.IsCellSelected(1, 2));
    EXPECT_TRUE(grid.GetModified());

    GRIDITEM out;
    out.row = 1;
    out.col = 2;
    out.mask = GVIF_TEXT | GVIF_FORMAT;
    ASSERT_TRUE(grid.GetItem(&out));
    EXPECT_EQ(out.strText, QStringLiteral("甲"));
    EXPECT_EQ(out.nFormat, 0x8824u);
    EXPECT_EQ(out.crBkClr, CLR_DEFAULT); // untouched
    out.row = 7;
    EXPECT_FALSE(grid.GetItem(&out));
}

TEST(GridAttributes, FindNextCellSearchesInTheAskedDirection) {
    CGridCtrl grid(5, 5, 1, 1);
    grid.SetItemState(3, 2, GCS_SELECTED);
    grid.SetItemState(2, 4, GCS_READONLY);
    EXPECT_EQ(grid.FindNextCell(CGridCellId(1, 2), GVNI_SELECTED | GVNI_BELOW), CGridCellId(3, 2));
    EXPECT_EQ(grid.FindNextCell(CGridCellId(4, 2), GVNI_SELECTED | GVNI_ABOVE), CGridCellId(3, 2));
    EXPECT_EQ(grid.FindNextCell(CGridCellId(2, 1), GVNI_READONLY | GVNI_TORIGHT), CGridCellId(2, 4));
    EXPECT_EQ(grid.FindNextCell(CGridCellId(2, 4), GVNI_READONLY | GVNI_TOLEFT), CGridCellId(-1, -1));
    EXPECT_EQ(grid.FindNextCell(CGridCellId(2, 3), GVNI_SELECTED | GVNI_ALL), CGridCellId(3, 2));
}
