#include "GridTestSupport.h"

#include "platform/gdi/System.h"
#include "platform/ui/ScrollInfo.h"

#include <gtest/gtest.h>

#include <QScrollBar>

using gdi::Point;
using gdi::Rect;
using namespace ui;

namespace {

// 100 rows of 20 pixels and 6 columns of 50, one fixed row and column, in a 250 × 200 client.
class GridGeometry : public ::testing::Test {
protected:
    void SetUp() override {
        grid.SetRowCount(100);
        grid.SetColumnCount(6);
        grid.SetFixedRowCount(1);
        grid.SetFixedColumnCount(1);
        for (int r = 0; r < 100; ++r)
            grid.SetRowHeight(r, 20);
        for (int c = 0; c < 6; ++c)
            grid.SetColumnWidth(c, 50);
        SizeClient(grid, 250, 200);
        grid.ResetScrollBars();
    }

    int VPos() const { return grid.GetScrollPos32(SB_VERT); }

    CGridCtrl grid;
    const int cx = gdi::GetSystemMetrics(gdi::SM_CXVSCROLL);
    const int cy = gdi::GetSystemMetrics(gdi::SM_CYHSCROLL);
};

} // namespace

TEST(GridCellIds, RangesAndIdsCompute) {
    EXPECT_FALSE(CGridCellId().IsValid());
    EXPECT_EQ(CGridCellId(2, 3), CGridCellId(2, 3));
    const CGridCellRange r(1, 2, 3, 5);
    EXPECT_TRUE(r.IsValid());
    EXPECT_EQ(r.GetRowSpan(), 3);
    EXPECT_EQ(r.GetColSpan(), 4);
    EXPECT_EQ(r.Count(), 12);
    EXPECT_TRUE(r.InRange(3, 5));
    EXPECT_FALSE(r.InRange(0, 2));
    EXPECT_EQ(r.GetTopLeft(), CGridCellId(1, 2));
    EXPECT_EQ(r.Intersect(CGridCellRange(2, 0, 9, 3)), CGridCellRange(2, 2, 3, 3));
    EXPECT_FALSE(r.Intersect(CGridCellRange(5, 5, 6, 6)).IsValid());
    EXPECT_FALSE(CGridCellRange(2, 0, 1, 0).IsValid());
    EXPECT_EQ(CGridCellRange().Count(), 0);
}

TEST_F(GridGeometry, ScrollRangesFollowTheWindowsArithmetic) {
    // With both bars shown, the "no bar" client area is taken as the client plus bar and border.
    EXPECT_TRUE(grid.IsVisibleVScroll());
    EXPECT_TRUE(grid.IsVisibleHScroll());
    Rect client;
    grid.GetClientRect(&client);
    EXPECT_EQ(client, Rect(0, 0, 250 - cx, 200 - cy));
    const int noBarWidth = client.Width() + cx + 1;
    const int noBarHeight = client.Height() + cy + 1;
    const int pageH = noBarWidth - cx - 50;
    const int pageV = noBarHeight - cy - 20;

    ASSERT_TRUE(grid.VerticalScrollBar() != nullptr);
    EXPECT_EQ(grid.VerticalScrollBar()->maximum(), 1979 - (pageV - 1));
    EXPECT_EQ(grid.VerticalScrollBar()->pageStep(), pageV);
    EXPECT_EQ(grid.HorizontalScrollBar()->maximum(), 249 - (pageH - 1));

    // Everything fits: no bars, positions back to 0.
    SizeClient(grid, 400, 2100);
    grid.ResetScrollBars();
    EXPECT_FALSE(grid.IsVisibleVScroll());
    EXPECT_FALSE(grid.IsVisibleHScroll());

    // Fixed rows taller than the client: no bars at all.
    SizeClient(grid, 100, 15);
    grid.ResetScrollBars();
    EXPECT_FALSE(grid.IsVisibleVScroll());
    EXPECT_FALSE(grid.IsVisibleHScroll());
}

TEST_F(GridGeometry, HitTestsAndCellRectsAtSeveralScrollPositions) {
    EXPECT_EQ(grid.GetCellFromPt(Point(0, 0)), CGridCellId(0, 0));
    EXPECT_EQ(grid.GetCellFromPt(Point(49, 19)), CGridCellId(0, 0));
    EXPECT_EQ(grid.GetCellFromPt(Point(50, 20)), CGridCellId(1, 1));
    EXPECT_EQ(grid.GetCellFromPt(Point(120, 45)), CGridCellId(2, 2));
    EXPECT_EQ(grid.GetCellFromPt(Point(-1, 5)), CGridCellId(0, -1));
    EXPECT_EQ(grid.GetCellFromPt(Point(10, 30), false), CGridCellId(1, -1));
    Rect r;
    ASSERT_TRUE(grid.GetCellRect(2, 2, &r));
    EXPECT_EQ(r, Rect(100, 40, 149, 59));

    for (int i = 0; i < 3; ++i)
        grid.OnVScroll(SB_LINEDOWN);
    EXPECT_EQ(VPos(), 60);
    EXPECT_EQ(grid.GetTopleftNonFixedCell(), CGridCellId(4, 1));
    EXPECT_EQ(grid.GetCellFromPt(Point(60, 25)), CGridCellId(4, 1));
    ASSERT_TRUE(grid.GetCellRect(4, 1, &r));
    EXPECT_EQ(r, Rect(50, 20, 99, 39));
    ASSERT_TRUE(grid.GetCellRect(0, 1, &r)); // the header does not scroll
    EXPECT_EQ(r, Rect(50, 0, 99, 19));
    EXPECT_FALSE(grid.GetCellRect(2, 1, &r)); // scrolled out above
    EXPECT_FALSE(grid.IsCellVisible(3, 1));

    grid.OnHScroll(SB_LINERIGHT);
    EXPECT_EQ(grid.GetTopleftNonFixedCell(), CGridCellId(4, 2));
    ASSERT_TRUE(grid.GetCellRect(4, 2, &r));
    EXPECT_EQ(r, Rect(50, 20, 99, 39));
    EXPECT_EQ(grid.GetCellFromPt(Point(10, 25)), CGridCellId(4, 0));

    // A thumb position inside a row shows from the next row boundary.
    grid.VerticalScrollBar()->setSliderDown(true);
    grid.VerticalScrollBar()->setSliderPosition(70);
    EXPECT_EQ(VPos(), 70);
    EXPECT_EQ(grid.GetTopleftNonFixedCell(), CGridCellId(5, 2));
    grid.VerticalScrollBar()->setSliderDown(false);
}

TEST_F(GridGeometry, VisibleRangesAndVisibility) {
    Rect vis;
    Rect client;
    grid.GetClientRect(&client);
    const CGridCellRange range = grid.GetVisibleNonFixedCellRange(&vis);
    const int lastRow = (client.Height() - 20 + 19) / 20; // partly shown rows count
    EXPECT_EQ(range, CGridCellRange(1, 1, lastRow, 4));
    EXPECT_EQ(vis, Rect(0, 0, client.right, client.bottom));
    EXPECT_EQ(grid.GetUnobstructedNonFixedCellRange().GetMaxRow(), lastRow - 1);
    EXPECT_TRUE(grid.IsCellVisible(lastRow, 1));
    EXPECT_FALSE(grid.IsCellVisible(lastRow + 1, 1));
    EXPECT_TRUE(grid.IsCellVisible(0, 0));
}

TEST_F(GridGeometry, LinePageAndEndScrolling) {
    for (int c = 1; c < 6; ++c)
        grid.SetColumnWidth(c, 100); // more than two pages of columns
    grid.ResetScrollBars();
    Rect client;
    grid.GetClientRect(&client);
    for (const int bar : {SB_VERT, SB_HORZ}) {
        const bool vertical = bar == SB_VERT;
        const auto scroll = [&](int code) { vertical ? grid.OnVScroll(code) : grid.OnHScroll(code); };
        const auto pos = [&] { return grid.GetScrollPos32(bar); };
        scroll(SB_LINEUP); // at the start: nothing
        EXPECT_EQ(pos(), 0);
        scroll(SB_PAGEDOWN); // a page is the client beside the fixed lines
        EXPECT_EQ(pos(), vertical ? client.Height() - 20 : client.Width() - 50);
        scroll(SB_PAGEUP);
        EXPECT_EQ(pos(), 0);

        const int maxPos = (vertical ? grid.VerticalScrollBar() : grid.HorizontalScrollBar())->maximum();
        for (int i = 0; i < 200; ++i)
            scroll(SB_PAGEDOWN);
        EXPECT_EQ(pos(), maxPos); // stops exactly at the end
        scroll(SB_TOP);
        EXPECT_EQ(pos(), 0);
        scroll(SB_BOTTOM);
        EXPECT_EQ(pos(), maxPos);
        scroll(SB_TOP);
        EXPECT_EQ(grid.GetScrollPos32(vertical ? SB_HORZ : SB_VERT), 0); // the other bar stays
    }

    // A hidden row or column at the start is skipped by a line step; a step back goes one line.
    grid.SetRowHeight(1, 0);
    grid.OnVScroll(SB_LINEDOWN);
    EXPECT_EQ(VPos(), 20);
    EXPECT_EQ(grid.GetTopleftNonFixedCell(), CGridCellId(3, 1));
    grid.SetColumnWidth(1, 0);
    grid.OnHScroll(SB_LINERIGHT);
    EXPECT_EQ(grid.GetScrollPos32(SB_HORZ), 100);
    EXPECT_EQ(grid.GetTopleftNonFixedCell(), CGridCellId(3, 3));
    grid.OnHScroll(SB_LINERIGHT);
    grid.OnHScroll(SB_LINELEFT);
    EXPECT_EQ(grid.GetScrollPos32(SB_HORZ), 100);
}

TEST_F(GridGeometry, EnsureVisibleScrollsAndStopsAtTheEnd) {
    grid.EnsureVisible(50, 5);
    EXPECT_TRUE(grid.IsCellVisible(50, 5));
    Rect r, client;
    grid.GetClientRect(&client);
    ASSERT_TRUE(grid.GetCellRect(50, 5, &r));
    EXPECT_LE(r.bottom, client.bottom);

    // A last column wider than the client cannot be brought fully into view: no endless loop.
    grid.SetColumnWidth(5, 1000);
    grid.EnsureVisible(1, 5);
    EXPECT_TRUE(grid.IsCellVisible(1, 5));
    grid.SetRowHeight(99, 1000);
    grid.EnsureVisible(99, 1);
    EXPECT_TRUE(grid.IsCellVisible(99, 1));
}

TEST_F(GridGeometry, ResizeAreasLieOnHeaderBorders) {
    EXPECT_TRUE(grid.MouseOverColumnResizeArea(Point(98, 5)));
    EXPECT_TRUE(grid.MouseOverColumnResizeArea(Point(101, 5))); // left edge of column 2
    EXPECT_FALSE(grid.MouseOverColumnResizeArea(Point(75, 5)));
    EXPECT_FALSE(grid.MouseOverColumnResizeArea(Point(1, 5)));   // left edge of column 0
    EXPECT_FALSE(grid.MouseOverColumnResizeArea(Point(98, 25))); // not in the header row
    EXPECT_TRUE(grid.MouseOverRowResizeArea(Point(10, 38)));
    EXPECT_FALSE(grid.MouseOverRowResizeArea(Point(10, 1)));
    EXPECT_EQ(grid.GetPointClicked(1, 1, Point(60, 30)), Point(10, 10));
}

TEST(ScrollInfo, ClampsPageAndPositionAsSetScrollInfoDoes) {
    ScrollInfo info;
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 500; // larger than the range: cut to its size
    si.nPos = 50;
    EXPECT_EQ(info.Set(si), 0);
    EXPECT_EQ(info.Page(), 100u);
    EXPECT_FALSE(info.CanScroll());
    EXPECT_FALSE(info.Visible());

    si.nPage = 10;
    si.nPos = 95;
    EXPECT_EQ(info.Set(si), 90); // the last page starts at nMax - nPage + 1
    EXPECT_TRUE(info.Visible());
    EXPECT_TRUE(info.Enabled());

    // Nothing left to scroll: hidden, or disabled but kept with SIF_DISABLENOSCROLL.
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
    si.nMax = 5;
    info.Set(si);
    EXPECT_TRUE(info.Visible());
    EXPECT_FALSE(info.Enabled());
    EXPECT_EQ(info.Pos(), 0);
    si.fMask = SIF_RANGE;
    info.Set(si);
    EXPECT_FALSE(info.Visible());

    SCROLLINFO out;
    out.fMask = SIF_RANGE | SIF_POS;
    ASSERT_TRUE(info.Get(&out));
    EXPECT_EQ(out.nMax, 5);
}

TEST(ScrollInfo, TheLinkLetsTheOwnerDecideThePosition) {
    QScrollBar bar(Qt::Vertical);
    std::vector<int> codes;
    ScrollBarLink* self = nullptr;
    ScrollBarLink link(&bar, [&](int code) {
        codes.push_back(code);
        if (code == SB_LINEDOWN)
            self->SetScrollPos(self->GetScrollPos(false) + 7);
    });
    self = &link;
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMax = 99;
    si.nPage = 10;
    link.SetScrollInfo(si);
    EXPECT_EQ(bar.maximum(), 90);
    EXPECT_EQ(bar.pageStep(), 10);

    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(codes, std::vector<int>({SB_LINEDOWN, SB_ENDSCROLL}));
    EXPECT_EQ(link.GetScrollPos(false), 7);
    EXPECT_EQ(bar.value(), 7);

    codes.clear();
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd); // the owner ignores it: nothing moves
    EXPECT_EQ(codes, std::vector<int>({SB_PAGEDOWN, SB_ENDSCROLL}));
    EXPECT_EQ(bar.value(), 7);
}
