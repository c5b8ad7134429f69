#include "GridTestSupport.h"

#include "platform/gdi/Recorder.h"
#include "platform/gdi/System.h"
#include "platform/ui/ScrollInfo.h"

#include <gtest/gtest.h>

#include <QImage>

using namespace gdi;

namespace {

constexpr COLORREF kGridLine = Rgb(192, 192, 192);

// 4 rows of 20 and 3 columns of 60, one fixed row and column, in a 300 × 200 client: everything
// fits, so no bars.
class GridDraw : public ::testing::Test {
protected:
    void SetUp() override {
        grid.SetRowCount(4);
        grid.SetColumnCount(3);
        grid.SetFixedRowCount(1);
        grid.SetFixedColumnCount(1);
        for (int r = 0; r < 4; ++r)
            grid.SetRowHeight(r, 20);
        for (int c = 0; c < 3; ++c)
            grid.SetColumnWidth(c, 60);
        SizeClient(grid, 300, 200);
        FillTexts(grid);
    }

    void Paint() {
        rec.Clear();
        Dc dc(&rec);
        dc.SetSurfaceClip(Rect(0, 0, 300, 200));
        grid.OnDraw(&dc);
    }

    std::vector<DrawCall> Lines(COLORREF colour) const {
        std::vector<DrawCall> out;
        for (const DrawCall& c : rec.Of(DrawOp::Line))
            if (c.colour == colour)
                out.push_back(c);
        return out;
    }

    bool HasLine(Point from, Point to, COLORREF colour) const {
        for (const DrawCall& c : Lines(colour))
            if (c.from == from && c.to == to)
                return true;
        return false;
    }

    bool HasFill(const Rect& r, COLORREF colour) const {
        for (const DrawCall& c : rec.Of(DrawOp::Fill))
            if (c.rect == r && c.colour == colour)
                return true;
        return false;
    }

    const DrawCall* Text(const QString& text) const { return rec.FindText(text); }

    CGridCtrl grid;
    Recorder rec;
    const QFontMetrics fm = Font().Metrics();
    const int margin = fm.horizontalAdvance(QLatin1Char(' '));
};

} // namespace

TEST_F(GridDraw, GridLinesRunOnTheLastPixelOfEachNonFixedCell) {
    Paint();
    const auto lines = Lines(kGridLine);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(HasLine(Point(119, 20), Point(119, 80), kGridLine));
    EXPECT_TRUE(HasLine(Point(179, 20), Point(179, 80), kGridLine));
    EXPECT_TRUE(HasLine(Point(60, 39), Point(180, 39), kGridLine));
    EXPECT_TRUE(HasLine(Point(60, 79), Point(180, 79), kGridLine));

    grid.SetGridLines(GVL_HORZ);
    Paint();
    EXPECT_EQ(Lines(kGridLine).size(), 3u);
    grid.SetGridLines(GVL_NONE);
    Paint();
    EXPECT_TRUE(Lines(kGridLine).empty());
    EXPECT_TRUE(Lines(GetSysColor(COLOR_3DHIGHLIGHT)).empty()); // no header edges either
}

TEST_F(GridDraw, BackgroundIsFilledByAreaWithinTheClipBox) {
    Paint();
    EXPECT_TRUE(HasFill(Rect(0, 0, 60, 20), GetSysColor(COLOR_3DFACE)));
    EXPECT_TRUE(HasFill(Rect(60, 20, 180, 80), GetSysColor(COLOR_WINDOW)));
    EXPECT_TRUE(HasFill(Rect(180, 0, 300, 200), GetSysColor(COLOR_3DSHADOW)));
    EXPECT_TRUE(HasFill(Rect(0, 80, 180, 200), GetSysColor(COLOR_3DSHADOW)));

    // Only the cells meeting the clip box are drawn.
    rec.Clear();
    Dc dc(&rec);
    dc.SetSurfaceClip(Rect(130, 45, 140, 50));
    grid.OnDraw(&dc);
    const auto texts = rec.Of(DrawOp::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, QStringLiteral("2,2"));
}

TEST_F(GridDraw, HeadersAreRaisedAndTheFocusHeadersSunken) {
    Paint();
    // Header (0, 1), rect (60, 0)-(119, 19): highlight top and left, dark shadow right and bottom.
    EXPECT_TRUE(HasLine(Point(60, 19), Point(60, 0), GetSysColor(COLOR_3DHIGHLIGHT)));
    EXPECT_TRUE(HasLine(Point(60, 0), Point(119, 0), GetSysColor(COLOR_3DHIGHLIGHT)));
    EXPECT_TRUE(HasLine(Point(60, 19), Point(119, 19), GetSysColor(COLOR_3DDKSHADOW)));
    EXPECT_TRUE(HasLine(Point(119, 19), Point(119, -1), GetSysColor(COLOR_3DDKSHADOW)));
    EXPECT_TRUE(rec.Of(DrawOp::Edge).empty());

    grid.SetFocusCell(2, 2);
    Paint();
    std::vector<Rect> sunken;
    for (const DrawCall& c : rec.Of(DrawOp::Edge)) {
        EXPECT_EQ(c.format, BDR_SUNKENINNER);
        sunken.push_back(c.rect);
    }
    EXPECT_EQ(sunken, std::vector<Rect>({Rect(0, 40, 59, 59), Rect(120, 0, 179, 19)}));

    grid.SetTrackFocusCell(false);
    Paint();
    EXPECT_TRUE(rec.Of(DrawOp::Edge).empty());
}

TEST_F(GridDraw, SelectedAndFocusedCellsTakeTheirColours) {
    grid.SetItemState(1, 1, grid.GetItemState(1, 1) | GCS_SELECTED);
    grid.SetFocusCell(2, 2);
    grid.SetItemBkColour(3, 2, Rgb(255, 0, 0));
    Paint();

    EXPECT_TRUE(HasFill(Rect(60, 20, 120, 40), GetSysColor(COLOR_HIGHLIGHT)));
    EXPECT_EQ(Text(QStringLiteral("1,1"))->colour, GetSysColor(COLOR_HIGHLIGHTTEXT));
    EXPECT_EQ(Text(QStringLiteral("1,2"))->colour, GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_TRUE(HasFill(Rect(120, 60, 180, 80), Rgb(255, 0, 0))); // an own background is erased

    // The focus cell is framed in its text colour, its text area one pixel smaller.
    const auto frames = rec.Of(DrawOp::Frame);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].rect, Rect(120, 40, 179, 59));
    EXPECT_EQ(frames[0].colour, GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(Text(QStringLiteral("2,2"))->rect, Rect(120 + margin, 41, 178 - margin, 58));

    // Selected and focused: highlight fill and highlight text.
    grid.SetItemState(2, 2, grid.GetItemState(2, 2) | GCS_SELECTED);
    Paint();
    EXPECT_TRUE(HasFill(Rect(120, 40, 180, 60), GetSysColor(COLOR_HIGHLIGHT)));
    EXPECT_EQ(rec.Of(DrawOp::Frame)[0].colour, GetSysColor(COLOR_HIGHLIGHTTEXT));
}

TEST_F(GridDraw, TextFollowsTheCellFormat) {
    grid.SetItemFormat(3, 1, 0x26); // right, vertically centred, single line
    grid.SetItemFormat(3, 2, 0x25); // centred
    Paint();
    const int h = fm.ascent() + fm.descent();

    const DrawCall* right = Text(QStringLiteral("3,1"));
    ASSERT_TRUE(right);
    EXPECT_EQ(right->rect, Rect(60 + margin, 60, 119 - margin, 79));
    EXPECT_EQ(right->format, 0x26u | DT_NOPREFIX);
    EXPECT_EQ(right->textOrigin,
              Point(119 - margin - fm.horizontalAdvance(QStringLiteral("3,1")), 60 + (19 - h) / 2));

    const DrawCall* centre = Text(QStringLiteral("3,2"));
    ASSERT_TRUE(centre);
    const int width = (179 - margin) - (120 + margin);
    EXPECT_EQ(centre->textOrigin.x, 120 + margin + (width - fm.horizontalAdvance(QStringLiteral("3,2"))) / 2);

    // Default format 0x8824: left, centred vertically, shortened with an ellipsis.
    grid.SetItemText(1, 1, QStringLiteral("a text far too long for sixty pixels"));
    Paint();
    const DrawCall* shortened = nullptr;
    for (const DrawCall& c : rec.Calls())
        if (c.op == DrawOp::Text && c.text.startsWith(QStringLiteral("a ")))
            shortened = &c;
    ASSERT_TRUE(shortened);
    EXPECT_TRUE(shortened->text.endsWith(QStringLiteral("...")));
    EXPECT_LE(shortened->textSize.cx, (119 - margin) - (60 + margin));
    EXPECT_EQ(shortened->textOrigin.x, 60 + margin);
}

TEST_F(GridDraw, TheSortArrowStandsOnlyInTheSortHeader) {
    grid.SetSortColumn(1);
    grid.SetSortAscending(true);
    Paint();
    const auto arrows = rec.Of(DrawOp::Polygon);
    ASSERT_EQ(arrows.size(), 2u); // highlight copy, then the shadow one in place
    EXPECT_EQ(arrows[0].colour, GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_EQ(arrows[1].colour, GetSysColor(COLOR_3DSHADOW));
    const std::vector<Point>& tri = arrows[1].points;
    EXPECT_LT(tri[0].y, tri[1].y); // apex up when ascending
    for (const Point& p : tri) {
        EXPECT_GE(p.x, 60);
        EXPECT_LE(p.x, 119);
        EXPECT_LE(p.y, 19 - 1 - 2 + 1);
    }
    grid.SetSortAscending(false);
    Paint();
    EXPECT_GT(rec.Of(DrawOp::Polygon)[1].points[2].y, rec.Of(DrawOp::Polygon)[1].points[0].y);
}

TEST_F(GridDraw, RedrawCellDrawsOneCellWithItsLines) {
    Dc dc(&rec);
    ASSERT_TRUE(grid.RedrawCell(2, 1, &dc));
    EXPECT_TRUE(HasFill(Rect(60, 40, 120, 60), GetSysColor(COLOR_WINDOW)));
    EXPECT_TRUE(HasLine(Point(60, 59), Point(120, 59), kGridLine));
    EXPECT_TRUE(HasLine(Point(119, 40), Point(119, 60), kGridLine));
    EXPECT_FALSE(grid.RedrawCell(9, 9, &dc));
    grid.SetRedraw(false);
    EXPECT_FALSE(grid.RedrawCell(2, 1, &dc));
}

TEST_F(GridDraw, PaintsPixelsThroughQt) {
    grid.SetItemState(1, 1, grid.GetItemState(1, 1) | GCS_SELECTED);
    const QImage image = grid.grab().toImage();
    auto at = [&](int x, int y) { return FromQColor(image.pixelColor(x + 2, y + 2)); }; // inside the edge
    EXPECT_EQ(at(90, 25), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(at(119, 50), kGridLine);
    EXPECT_EQ(at(150, 50), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(at(250, 150), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(at(61, 0), GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_EQ(at(119, 10), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(FromQColor(image.pixelColor(0, 0)), GetSysColor(COLOR_3DSHADOW)); // the sunken edge
}

TEST(GridDrawVirtual, PaintingAsksForTheVisibleCellsBetweenTwoCacheHints) {
    struct Parent : NotifyRecorder {
        bool event(QEvent* e) override {
            if (NMHDR* hdr = NotifyHeader(e)) {
                if (hdr->code == GVN_ODCACHEHINT)
                    hints.push_back(reinterpret_cast<GRIDCACHEHINT*>(hdr)->range);
                if (hdr->code == GVN_GETDISPINFO) {
                    GRIDITEM& item = reinterpret_cast<GRIDDISPINFO*>(hdr)->item;
                    item.strText = QStringLiteral("r%1").arg(item.row);
                }
            }
            return NotifyRecorder::event(e);
        }
        std::vector<CGridCellRange> hints;
    } parent;
    CGridCtrl grid(0, 0, 0, 0, &parent);
    grid.SetVirtualMode(true);
    grid.SetRowCount(100000);
    grid.SetColumnCount(2);
    grid.SetFixedRowCount(1);
    for (int c = 0; c < 2; ++c)
        grid.SetColumnWidth(c, 50);
    SizeClient(grid, 200, 100);
    grid.SetScrollPos32(ui::SB_VERT, 50000 * grid.GetRowHeight(1));

    Recorder rec;
    Dc dc(&rec);
    dc.SetSurfaceClip(Rect(0, 0, 200, 100));
    grid.OnDraw(&dc);
    ASSERT_EQ(parent.hints.size(), 2u);
    EXPECT_EQ(parent.hints[0].minRow, 50001);
    EXPECT_EQ(parent.hints[1], CGridCellRange(-1, -1, -1, -1));
    EXPECT_NE(rec.FindText(QStringLiteral("r50001")), nullptr);
    EXPECT_NE(rec.FindText(QStringLiteral("r0")), nullptr);
    EXPECT_EQ(rec.FindText(QStringLiteral("r50000")), nullptr);
}

TEST_F(GridDraw, PrintingShadesHeadersAndGreysTextForTwoColourPrinters) {
    Recorder printed;
    Dc dc(&printed);
    dc.SetPrinting(true);
    dc.SetDeviceInfo(600, 600, 4800, 6000, 2);
    grid.SetItemFgColour(2, 2, Rgb(200, 100, 50));
    CGridCellBase* header = grid.GetCell(0, 1);
    ASSERT_TRUE(header->PrintCell(&dc, 0, 1, Rect(0, 0, 59, 19)));
    EXPECT_EQ(printed.Of(DrawOp::Fill).at(0).colour, GetSysColor(COLOR_3DFACE));

    printed.Clear();
    ASSERT_TRUE(grid.GetCell(2, 2)->PrintCell(&dc, 2, 2, Rect(0, 0, 59, 19)));
    EXPECT_TRUE(printed.Of(DrawOp::Fill).empty()); // a data cell on the default background: none
    // The text colour is the default cell's: an own text colour counts only with an own background.
    EXPECT_EQ(printed.Of(DrawOp::Text).at(0).colour, Rgb(0, 0, 0));
    // On a two-colour printer a text without background is weighted down to grey.
    grid.GetDefaultCell(false, false)->SetTextClr(Rgb(200, 100, 50));
    printed.Clear();
    grid.GetCell(2, 2)->PrintCell(&dc, 2, 2, Rect(0, 0, 59, 19));
    EXPECT_EQ(printed.Of(DrawOp::Text).at(0).colour, Rgb(60, 59, 5));

    grid.SetItemBkColour(2, 2, Rgb(255, 255, 0));
    printed.Clear();
    grid.GetCell(2, 2)->PrintCell(&dc, 2, 2, Rect(0, 0, 59, 19));
    EXPECT_EQ(printed.Of(DrawOp::Fill).at(0).rect, Rect(0, 0, 60, 20));
    EXPECT_EQ(printed.Of(DrawOp::Text).at(0).colour, Rgb(200, 100, 50));

    grid.SetItemBkColour(2, 2, CLR_DEFAULT);
    grid.SetShadedPrintOut(false);
    grid.SetItemFgColour(2, 2, Rgb(200, 100, 50));
    printed.Clear();
    grid.GetCell(0, 1)->PrintCell(&dc, 0, 1, Rect(0, 0, 59, 19));
    EXPECT_TRUE(printed.Of(DrawOp::Fill).empty());
    EXPECT_EQ(printed.Of(DrawOp::Text).at(0).colour, Rgb(0, 0, 0));
}
