#include "plotchart/PlotChart.h"

#include "platform/gdi/Dc.h"
#include "platform/gdi/Recorder.h"
#include "platform/ui/MessageBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using gdi::DrawCall;
using gdi::DrawOp;

namespace {

constexpr gdi::COLORREF kRed = gdi::Rgb(255, 0, 0);
constexpr gdi::COLORREF kBlue = gdi::Rgb(0, 0, 255);
constexpr gdi::COLORREF kGreen = gdi::Rgb(0, 255, 0);

// A chart whose text metrics are fixed, so that layouts do not depend on the machine's fonts.
class TestChart : public CPlotChart {
public:
    using CPlotChart::CPlotChart;

protected:
    gdi::TEXTMETRIC TextMetrics(gdi::Dc*) const override {
        gdi::TEXTMETRIC tm;
        tm.tmHeight = 16;
        tm.tmAveCharWidth = 6;
        tm.tmMaxCharWidth = 12;
        return tm;
    }
};

std::unique_ptr<CPlotSeries> Series(const QString& name, std::initializer_list<std::pair<int, int>> points) {
    auto s = std::make_unique<CPlotSeries>();
    s->SetName(name);
    for (const auto& [x, y] : points)
        s->AddPoint(x, y);
    return s;
}

// A recorder whose surface is a client area (the screen road) or a page at 1440 dots an inch, on
// which device x is the twips x and device y the twips y turned over (the print road).
struct Surface {
    Surface(int dpi, int width, int height) : dc(&recorder) { dc.SetDeviceInfo(dpi, dpi, width, height); }
    // The shapes filled with `colour`.
    std::vector<DrawCall> Filled(gdi::COLORREF colour, DrawOp op = DrawOp::Rectangle) const {
        std::vector<DrawCall> out;
        for (const DrawCall& c : recorder.Of(op))
            if (c.bkColour == colour && !c.brushNull)
                out.push_back(c);
        return out;
    }
    gdi::Recorder recorder;
    gdi::Dc dc;
};

struct Screen : Surface {
    Screen(int width, int height) : Surface(96, width, height) {}
};

struct Page : Surface {
    Page() : Surface(1440, 12240, 15840) {}
};

int CentreY(const DrawCall& c) {
    return (c.rect.top + c.rect.bottom) / 2;
}

} // namespace

// ---- data model --------------------------------------------------------------------------------

TEST(PlotChartModel, RangeQuadrantVerticalAndLengths) {
    CPlotChart chart;
    EXPECT_EQ(chart.SetRange(0, 95, 10), 10);
    EXPECT_EQ(chart.SetRange(0, 100, 10), 10);
    EXPECT_EQ(chart.SetRange(0, 101, 10), 11);
    EXPECT_EQ(chart.m_nTickCount, 11);
    // A step of 0 would divide by zero: nothing changes.
    EXPECT_EQ(chart.SetRange(5, 50, 0), 0);
    EXPECT_EQ(chart.m_nYMin, 0);
    EXPECT_EQ(chart.m_nYMax, 101);
    EXPECT_EQ(chart.m_nTickCount, 11);

    CPlotChart line(GT_LINE);
    line.SetQuadrant(3);
    EXPECT_EQ(line.m_nQuadrant, 1);
    CPlotChart bar(GT_BAR);
    EXPECT_EQ(bar.m_bFixedQuadrant, 0);
    bar.SetQuadrant(3);
    EXPECT_EQ(bar.m_nQuadrant, 3);
    EXPECT_EQ(bar.m_bFixedQuadrant, 1);
    CPlotChart bar2;
    bar2.SetQuadrant(7);
    EXPECT_EQ(bar2.m_nQuadrant, 1);
    EXPECT_EQ(bar2.m_bFixedQuadrant, 0);

    CPlotChart depthLine(GT_LINE_3D);
    depthLine.SetVertical(0);
    EXPECT_EQ(depthLine.m_bVertical, 1);

    // Title and legend lengths count GBK bytes.
    chart.SetXTitle(QStringLiteral("班级A"));
    EXPECT_EQ(chart.m_nXTitleLength, 5);
    chart.AddLegendEntry(0, QStringLiteral("语文"));
    chart.AddLegendEntry(1, QStringLiteral("Eng"));
    EXPECT_EQ(chart.m_nLongestLegendText, 4);
    EXPECT_EQ(chart.m_legend.GetLongest(), 4);
}

TEST(PlotChartModel, SeriesColoursAndLegendLists) {
    CPlotSeries s;
    s.AddPoint(2, 40);
    s.AddPoint(2, 70);
    EXPECT_EQ(s.GetValueAt(2), 40);
    EXPECT_EQ(s.GetValueAt(5), 0);
    EXPECT_EQ(s.GetFirstX(), 2);
    EXPECT_EQ(s.GetFirstY(), 40);

    CPlotChart scatter(GT_SCATTER);
    scatter.AddLegendEntry(0, QStringLiteral("x"));
    EXPECT_EQ(scatter.m_legend.GetEntryCount(), 0);
    EXPECT_EQ(scatter.m_bLegend, 0);

    CPlotChart chart;
    chart.AddSeries(Series(QStringLiteral("a"), {{0, 1}, {1, 2}, {2, 3}}));
    chart.AddSeries(Series(QStringLiteral("b"), {{0, 1}}));
    EXPECT_EQ(chart.m_nMaxPoints, 3);
    chart.RemoveSeries(QStringLiteral("none"));
    EXPECT_EQ(chart.GetSeriesCount(), 2);
    chart.RemoveSeries(QStringLiteral("a"));
    ASSERT_EQ(chart.GetSeriesCount(), 1);
    EXPECT_EQ(chart.m_pSeriesList[0]->GetName(), QStringLiteral("b"));
    chart.RemoveAllSeries();
    EXPECT_EQ(chart.m_nMaxPoints, 3);

    chart.AddColor(0, kRed);
    chart.AddColor(1, kGreen);
    chart.AddColor(2, kBlue);
    EXPECT_EQ(chart.GetColor(-4), kRed);
    EXPECT_EQ(chart.GetColor(2), kBlue);
    EXPECT_EQ(chart.GetColor(3), 0u);
    chart.RemoveColor(3);
    chart.RemoveColor(-1);
    EXPECT_EQ(chart.m_pColorList.size(), 3u);
    chart.RemoveColor(1);
    EXPECT_EQ(chart.GetColor(1), kBlue);

    chart.AddLegendEntry(0, QStringLiteral("one"));
    chart.AddLegendEntry(1, QStringLiteral("two"));
    EXPECT_EQ(chart.m_legend.GetEntryText(-1), QStringLiteral("one"));
    EXPECT_EQ(chart.m_legend.GetEntryText(2), QString());
    chart.RemoveLegendEntry(5);
    chart.RemoveLegendEntry(-1);
    EXPECT_EQ(chart.m_legend.GetEntryCount(), 2);
    chart.RemoveLegendEntry(0);
    EXPECT_EQ(chart.m_legend.GetEntryText(0), QStringLiteral("two"));
    EXPECT_EQ(chart.m_bLegend, 1);

    chart.AddSeries(Series(QStringLiteral("c"), {{0, 1}}));
    chart.RemoveAll();
    EXPECT_TRUE(chart.m_pSeriesList.empty());
    EXPECT_TRUE(chart.m_pColorList.empty());
    EXPECT_EQ(chart.m_legend.GetEntryCount(), 0);
}

// ---- screen frame --------------------------------------------------------------------------------

TEST(PlotChartScreen, TitleAxesOriginAndLegendRows) {
    {
        TestChart chart;
        chart.SetTitle(QString(40, QLatin1Char('T')));
        Screen screen(300, 200);
        chart.DrawChart(&screen.dc);
        const DrawCall* title = screen.recorder.FindText(chart.m_strTitle);
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->font.lfHeight, 14);
        EXPECT_EQ(title->textOrigin, gdi::Point(150 - 20 * 6, 10));
    }
    {
        TestChart chart;
        chart.SetRange(0, 1000, 100);
        Screen screen(400, 300);
        chart.DrawChart(&screen.dc);
        EXPECT_EQ(chart.m_nOriginX, 74);
        EXPECT_EQ(chart.m_nOriginY, 230);
        EXPECT_EQ(chart.m_nPlotHeight, 190);
        EXPECT_EQ(chart.m_nPlotWidth, 395 - 74 - 5);
        // Rotated category names make room by the x title's length, in GBK bytes.
        chart.SetXTitle(QStringLiteral("班级"));
        chart.SetXLabelAngle(45);
        chart.DrawChart(&screen.dc);
        EXPECT_EQ(chart.m_nOriginY, 280 - 6 * 4 - 15);
    }
    {
        TestChart chart;
        for (int i = 0; i < 5; ++i)
            chart.AddColor(i, gdi::Rgb(10 * i, 20, 30));
        chart.AddSeries(Series(QStringLiteral("s"), {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}}));
        chart.AddLegendEntry(0, QStringLiteral("a"));
        chart.AddLegendEntry(1, QStringLiteral("b"));
        chart.AddLegendEntry(2, QStringLiteral("c"));
        Screen screen(400, 300);
        chart.DrawChart(&screen.dc);
        const int right = chart.m_nWidth - 5;
        std::vector<DrawCall> swatches;
        for (const DrawCall& c : screen.recorder.Of(DrawOp::Rectangle))
            if (c.rect.right == right - 5 && c.rect.Height() == 12)
                swatches.push_back(c);
        ASSERT_EQ(swatches.size(), 5u);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(swatches[static_cast<std::size_t>(i)].bkColour, gdi::Rgb(10 * i, 20, 30));
        EXPECT_NE(screen.recorder.FindText(QStringLiteral("c")), nullptr);
        EXPECT_NE(screen.recorder.FindText(QStringLiteral("Legend")), nullptr);
        // The plot ends 10 pixels left of the legend box.
        EXPECT_EQ(chart.m_nPlotWidth, right - 25 - int(12 * 0.66) - chart.m_nOriginX - 10);
    }
}

TEST(PlotChartScreen, BarsScaleClampAndQuadrants) {
    TestChart chart;
    chart.AddColor(0, kRed);
    chart.AddColor(1, kBlue);
    chart.AddColor(2, kGreen);
    chart.AddSeries(Series(QStringLiteral("a"), {{0, 50}, {1, 0}, {2, 150}}));
    Screen screen(400, 320);
    chart.DrawChart(&screen.dc);
    ASSERT_EQ(chart.m_nPlotHeight, 210);
    const int oy = chart.m_nOriginY;
    const auto red = screen.Filled(kRed), blue = screen.Filled(kBlue), green = screen.Filled(kGreen);
    ASSERT_EQ(red.size(), 1u);
    ASSERT_EQ(blue.size(), 1u);
    ASSERT_EQ(green.size(), 1u);
    EXPECT_EQ(red[0].rect.Height(), 100);
    EXPECT_EQ(red[0].rect.bottom, oy);
    EXPECT_EQ(blue[0].rect.Height(), 0);
    // Longer than the plot: cut at the top of the value axis.
    EXPECT_EQ(green[0].rect.top, oy - 210);

    // First points below zero put the origin halfway up (quadrant 3), and negative bars hang
    // from it; a series without points has no say.
    TestChart negative;
    negative.AddColor(0, kRed);
    negative.AddSeries(std::make_unique<CPlotSeries>());
    negative.AddSeries(Series(QStringLiteral("n"), {{0, -25}}));
    Screen s2(400, 320);
    negative.DrawChart(&s2.dc);
    EXPECT_EQ(negative.m_nQuadrant, 3);
    EXPECT_EQ(negative.m_nOriginY, 250 - 105);
    // The empty series' missing key is a flat bar on the axis.
    const auto hanging = s2.Filled(kRed);
    ASSERT_EQ(hanging.size(), 2u);
    EXPECT_EQ(hanging[0].rect.Height(), 0);
    EXPECT_EQ(hanging[1].rect.top, negative.m_nOriginY);
    EXPECT_EQ(hanging[1].rect.Height(), 50);

    // A fixed quadrant is kept.
    negative.SetQuadrant(1);
    negative.DrawChart(&s2.dc);
    EXPECT_EQ(negative.m_nOriginY, 250);

    // Negative first keys centre the category axis on the value axis (quadrant 2).
    TestChart left;
    left.AddSeries(Series(QStringLiteral("a"), {{-1, 10}}));
    left.AddSeries(Series(QStringLiteral("b"), {{0, 10}}));
    Screen s3(400, 320);
    left.DrawChart(&s3.dc);
    EXPECT_EQ(left.m_nQuadrant, 2);
    const DrawCall* a = s3.recorder.FindText(QStringLiteral("a"));
    const DrawCall* b = s3.recorder.FindText(QStringLiteral("b"));
    ASSERT_TRUE(a && b);
    EXPECT_LT(a->textOrigin.x, left.m_nOriginX);
    EXPECT_GT(b->textOrigin.x, left.m_nOriginX);
}

TEST(PlotChartScreen, LinesKeepGoingThroughMissingKeysAndDepthIsAShareOfTheHeight) {
    TestChart chart(GT_LINE);
    chart.AddColor(0, kRed);
    chart.AddColor(1, kBlue);
    chart.AddSeries(Series(QStringLiteral("a"), {{0, 50}, {1, 50}}));
    chart.AddSeries(Series(QStringLiteral("b"), {{0, 50}}));
    Screen screen(400, 320);
    chart.DrawChart(&screen.dc);
    const auto blueDots = screen.Filled(kBlue, DrawOp::Ellipse);
    ASSERT_EQ(blueDots.size(), 2u);
    EXPECT_EQ(CentreY(blueDots[0]), chart.m_nOriginY - 100);
    EXPECT_EQ(CentreY(blueDots[1]), chart.m_nOriginY);
    int blueSegments = 0;
    for (const DrawCall& c : screen.recorder.Of(DrawOp::Line))
        blueSegments += c.colour == kBlue;
    EXPECT_EQ(blueSegments, 1);

    TestChart depth(GT_BAR_3D);
    depth.AddSeries(Series(QStringLiteral("a"), {{0, 50}}));
    Screen s2(400, 510);
    depth.DrawChart(&s2.dc);
    EXPECT_EQ(depth.m_nDepth, 20);
    EXPECT_EQ(depth.m_nPlotHeight, 380);
    EXPECT_EQ(depth.m_nOriginX, 6 * 3 + 50 + 20);
}

TEST(PlotChartScreen, PieSlicesLabelsAndSeparation) {
    TestChart chart(GT_PIE);
    chart.AddColor(0, kRed);
    chart.AddColor(1, kBlue);
    chart.AddColor(2, kGreen);
    chart.AddSeries(Series(QStringLiteral("p"), {{0, 30}, {1, 30}, {2, 40}}));
    Screen screen(400, 300);
    chart.DrawChart(&screen.dc);
    // r = (230 - 3 × 22) / 3 = 54 round cy = 145, the box's left edge at 5 + 385 / 2 - 54.
    const auto pies = screen.recorder.Of(DrawOp::Pie);
    ASSERT_EQ(pies.size(), 3u);
    EXPECT_EQ(pies[0].rect, gdi::Rect(143, 91, 251, 199));
    // The slices end 108°, 216° and 360° round the inscribed diamond from its left corner.
    EXPECT_EQ(pies[0].from, gdi::Point(143, 144));
    EXPECT_EQ(pies[0].to, gdi::Point(143 + 64, 145 + 108 - 64));
    EXPECT_EQ(pies[1].to, gdi::Point(143 + 216 - 129, 145 + 108 - 129));
    EXPECT_EQ(pies[2].to, gdi::Point(143, 144));
    EXPECT_EQ(pies[1].bkColour, kBlue);
    int thirty = 0, forty = 0;
    for (const DrawCall& c : screen.recorder.Of(DrawOp::Text)) {
        thirty += c.text == QStringLiteral("30%");
        forty += c.text == QStringLiteral("40%");
    }
    EXPECT_EQ(thirty, 2);
    EXPECT_EQ(forty, 1);

    // Two one-unit slices between two large ones share a middle angle, hence a label spot; the
    // later label moves one line (22 pixels) up, its slice lying in the upper half.
    TestChart crowded(GT_PIE);
    crowded.AddSeries(Series(QStringLiteral("p"), {{0, 500}, {1, 1}, {2, 1}, {3, 500}}));
    Screen s2(400, 300);
    crowded.DrawChart(&s2.dc);
    std::vector<DrawCall> zero;
    for (const DrawCall& c : s2.recorder.Of(DrawOp::Text))
        if (c.text == QStringLiteral("0%"))
            zero.push_back(c);
    ASSERT_EQ(zero.size(), 2u);
    EXPECT_EQ(zero[1].textOrigin.x, zero[0].textOrigin.x);
    EXPECT_EQ(zero[1].textOrigin.y, zero[0].textOrigin.y - 22);

    // A pie whose values are all below 1 shows only its name.
    TestChart empty(GT_PIE);
    empty.AddSeries(Series(QStringLiteral("nothing"), {{0, 0}, {1, -3}}));
    Screen s3(400, 300);
    empty.DrawChart(&s3.dc);
    EXPECT_TRUE(s3.recorder.Of(DrawOp::Pie).empty());
    EXPECT_NE(s3.recorder.FindText(QStringLiteral("nothing")), nullptr);
}

// Each slice covers its own share of the circle on the screen and on the page: a 25 % slice is
// the quarter from the left round to the bottom on the screen, and to the top on the page.
TEST(PlotChartScreen, PieSlicesCoverTheirOwnShareOnScreenAndPage) {
    const auto colourAt = [](const gdi::BitmapDc& dc, const DrawCall& pie, double degrees) {
        const double cx = (pie.rect.left + pie.rect.right) / 2.0;
        const double cy = (pie.rect.top + pie.rect.bottom) / 2.0;
        const double r = 0.6 * pie.rect.Width() / 2;
        const double a = degrees * 3.14159265358979 / 180;
        return gdi::FromQColor(dc.Image().pixelColor(static_cast<int>(cx + r * std::cos(a)),
                                                     static_cast<int>(cy - r * std::sin(a))));
    };
    for (const bool print : {false, true}) {
        SCOPED_TRACE(print ? "page" : "screen");
        TestChart chart(GT_PIE);
        chart.AddColor(0, kRed);
        chart.AddColor(1, kBlue);
        chart.AddSeries(Series(QStringLiteral("p"), {{0, 25}, {1, 75}}));
        gdi::Recorder recorder;
        gdi::BitmapDc dc(600, 600, gdi::Rgb(255, 255, 255), &recorder);
        if (print) {
            chart.SetPrintArea(0, -9000, 0, 9000, 0);
            chart.PrintChart(&dc);
        } else {
            chart.DrawChart(&dc);
        }
        const auto pies = recorder.Of(DrawOp::Pie);
        ASSERT_EQ(pies.size(), 2u);
        // Angles as seen on the image, counter-clockwise from the right.
        const double keyZero = print ? 150 : 210;
        EXPECT_EQ(colourAt(dc, pies[0], keyZero), kRed);
        EXPECT_EQ(colourAt(dc, pies[0], keyZero + 180), kBlue);
        EXPECT_EQ(colourAt(dc, pies[0], print ? 210 : 150), kBlue);
    }
}

TEST(PlotChartScreen, BoxPlotsUseTheBarScale) {
    TestChart chart(GT_DISTRIBUTION);
    chart.SetRange(0, 10, 1);
    chart.AddSeries(
        Series(QStringLiteral("a"), {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 8}}));
    chart.AddSeries(Series(QStringLiteral("one"), {{0, 5}}));
    chart.AddSeries(std::make_unique<CPlotSeries>());
    Screen screen(400, 320);
    chart.DrawChart(&screen.dc);
    ASSERT_EQ(chart.m_nPlotHeight, 210);
    const int oy = chart.m_nOriginY;
    const auto Y = [oy](int v) { return oy - 20 * v; };
    const auto boxes = screen.Filled(0);
    // Two series with values, four shapes each; the empty series draws none.
    ASSERT_EQ(boxes.size(), 8u);
    EXPECT_EQ(boxes[0].rect.top, Y(8));                                                       // maximum cap
    EXPECT_EQ(boxes[1].rect.bottom, Y(1));                                                    // minimum cap
    EXPECT_EQ(boxes[3].rect, gdi::Rect(boxes[3].rect.left, Y(6), boxes[3].rect.right, Y(2))); // quartiles
    std::vector<DrawCall> medians;
    for (const DrawCall& c : screen.recorder.Of(DrawOp::Line))
        if (c.colour == kRed)
            medians.push_back(c);
    ASSERT_EQ(medians.size(), 2u);
    EXPECT_EQ(medians[0].from.y, Y(4));
    // One value: a flat box at the median.
    EXPECT_EQ(boxes[7].rect.Height(), 0);
    EXPECT_EQ(boxes[7].rect.top, Y(5));
    EXPECT_EQ(medians[1].from.y, Y(5));
}

// Caller limits that would divide by zero or read past a list draw nothing for that part.
TEST(PlotChartScreen, CallerLimitsDrawNothingForThatPart) {
    const int types[] = {GT_BAR,     GT_LINE,   GT_PIE,     GT_SCATTER, GT_DISTRIBUTION,  GT_STACKED_BAR,
                         GT_XY_LINE, GT_BAR_3D, GT_LINE_3D, GT_PIE_3D,  GT_STACKED_BAR_3D};
    ui::ScriptedMessageBoxes boxes;
    for (const int type : types) {
        SCOPED_TRACE(type);
        // Series removed after adding: points are still counted, but there is nothing to draw.
        TestChart chart(type);
        chart.AddSeries(Series(QStringLiteral("gone"), {{0, 5}, {1, 6}}));
        chart.AddLegendEntry(0, QStringLiteral("k"));
        chart.RemoveAllSeries();
        Screen screen(400, 300);
        chart.DrawChart(&screen.dc);
        EXPECT_TRUE(screen.recorder.Of(DrawOp::Pie).empty());
        EXPECT_TRUE(screen.recorder.Of(DrawOp::Ellipse).empty());
        Page page;
        chart.SetPrintArea(0, -15840, 1440, 10800, -1440);
        chart.PrintChart(&page.dc);

        // Series without points, equal minimum and maximum, no ticks.
        TestChart flat(type);
        flat.AddSeries(std::make_unique<CPlotSeries>());
        flat.AddSeries(Series(QStringLiteral("s"), {{0, 5}}));
        flat.SetRange(7, 7, 1);
        Screen s2(400, 300);
        flat.DrawChart(&s2.dc);
        EXPECT_EQ(s2.recorder.FindText(QStringLiteral("8")), nullptr);
        flat.SetPrintArea(0, -15840, 1440, 10800, -1440);
        flat.PrintChart(&page.dc);

        // Too small a client area or print rectangle: the white ground and nothing else.
        Screen tiny(60, 60);
        chart.DrawChart(&tiny.dc);
        EXPECT_EQ(tiny.recorder.Calls().size(), 1u);
        Page narrow;
        chart.SetPrintArea(0, -15840, 1440, 1440, -1440);
        EXPECT_EQ(chart.PrintChart(&narrow.dc), -1440 - 5760 - 90);
        EXPECT_TRUE(narrow.recorder.Calls().empty());
    }
    EXPECT_TRUE(boxes.Texts().isEmpty());

    // With max = min no bar scales; a scatter with max 0 draws no dots.
    TestChart bars;
    bars.AddSeries(Series(QStringLiteral("s"), {{0, 5}}));
    bars.AddColor(0, kRed);
    bars.SetRange(5, 5, 1);
    Screen s3(400, 300);
    bars.DrawChart(&s3.dc);
    EXPECT_TRUE(s3.Filled(kRed).empty());
    TestChart scatter(GT_SCATTER);
    scatter.SetRange(-10, 0, 5);
    scatter.AddSeries(Series(QStringLiteral("s"), {{1, 1}}));
    Screen s4(400, 300);
    scatter.DrawChart(&s4.dc);
    EXPECT_TRUE(s4.recorder.Of(DrawOp::Ellipse).empty());
}

TEST(PlotChartScreen, UnknownGraphTypeShowsItsMessageOncePerCall) {
    ui::ScriptedMessageBoxes boxes;
    TestChart chart(99);
    chart.AddSeries(Series(QStringLiteral("s"), {{0, 5}}));
    chart.SetTitle(QStringLiteral("t"));
    Screen screen(400, 300);
    chart.DrawChart(&screen.dc);
    EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("No graph type to display")});
    EXPECT_NE(screen.recorder.FindText(QStringLiteral("t")), nullptr);
    boxes.Clear();
    Page page;
    chart.SetPrintArea(0, -15840, 1440, 10800, -1440);
    chart.PrintChart(&page.dc);
    EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("No graph type to print")});
}

// ---- print road ----------------------------------------------------------------------------------

TEST(PlotChartPrint, PrintAreaBandAndMargins) {
    TestChart chart;
    chart.SetPrintArea(0, -15840, 1440, 10800, -1440);
    EXPECT_EQ(chart.m_nPrintBottom, -7200);
    Page page;
    EXPECT_EQ(chart.PrintChart(&page.dc), -7290);
    EXPECT_EQ(chart.m_nPrintBottom, -7290);
    EXPECT_EQ(page.dc.GetMapMode(), gdi::MM_TWIPS);
    // The page ends sooner: the chart is cut at its bottom.
    chart.SetPrintArea(0, -5000, 1440, 10800, -1440);
    EXPECT_EQ(chart.m_nPrintBottom, -5000);
    EXPECT_EQ(chart.PrintChart(&page.dc), -5090);

    // An empty bottom-axis title leaves no label band: the origin sits 50 twips up.
    chart.SetPrintArea(0, -15840, 1440, 10800, -1440);
    chart.PrintChart(&page.dc);
    EXPECT_EQ(chart.m_nOriginY, -7200 + 50);
    EXPECT_EQ(chart.m_nPlotHeight, -1440 - 16 - (-7150) - 200);

    TestChart pie(GT_PIE);
    pie.SetPrintArea(0, -15840, 1440, 10800, -1440);
    pie.PrintChart(&page.dc);
    EXPECT_EQ(pie.m_nOriginX, 1940);
    EXPECT_EQ(pie.m_nOriginY, -6700);
    EXPECT_EQ(pie.m_nPlotWidth, 9160);
    EXPECT_EQ(pie.m_nPlotHeight, 5760 - 16 - 600);

    // A legend without points is 600 twips tall and holds only its heading; the plot ends 200
    // twips left of it.
    TestChart legend;
    legend.AddLegendEntry(0, QStringLiteral("abc"));
    legend.SetPrintArea(0, -15840, 1440, 10800, -1440);
    Page p2;
    legend.PrintChart(&p2.dc);
    const auto rects = p2.recorder.Of(DrawOp::Rectangle);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].rect.Height(), 600);
    EXPECT_EQ(rects[0].rect.right, 10700);
    EXPECT_EQ(legend.m_nPlotWidth, rects[0].rect.left - legend.m_nOriginX - 200);
    EXPECT_NE(p2.recorder.FindText(QStringLiteral("Legend")), nullptr);

    // The value-axis title runs downwards on the page.
    legend.SetYTitle(QStringLiteral("分数"));
    Page p3;
    legend.SetPrintArea(0, -15840, 1440, 10800, -1440);
    legend.PrintChart(&p3.dc);
    const DrawCall* title = p3.recorder.FindText(QStringLiteral("分数"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->font.lfEscapement, 2700);

    // Rotated category names turn the same way as on the screen, away from the plot.
    TestChart rotated;
    rotated.AddSeries(Series(QStringLiteral("一班"), {{0, 5}}));
    rotated.SetXLabelAngle(45);
    rotated.SetPrintArea(0, -15840, 1440, 10800, -1440);
    Page p4;
    rotated.PrintChart(&p4.dc);
    const DrawCall* name = p4.recorder.FindText(QStringLiteral("一班"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->font.lfEscapement, 450);
}

TEST(PlotChartPrint, LengthRuleNegativeValuesAndLineScale) {
    TestChart bars;
    bars.AddColor(0, kRed);
    bars.AddColor(1, kBlue);
    bars.AddColor(2, kGreen);
    bars.AddSeries(Series(QStringLiteral("s"), {{0, 40}, {1, -5}, {2, 60}}));
    bars.SetPrintArea(0, -15840, 1440, 10800, -1440);
    Page page;
    bars.PrintChart(&page.dc);
    EXPECT_TRUE(page.Filled(kBlue).empty());
    const auto red = page.Filled(kRed);
    ASSERT_EQ(red.size(), 1u);
    EXPECT_EQ(red[0].rect.Height(), static_cast<int>(40 * ((bars.m_nPlotHeight - 100) / 100.0)));
    EXPECT_EQ(red[0].rect.bottom, -bars.m_nOriginY);

    // One unit above the minimum of a tall range still rises one tick unit.
    TestChart tall(GT_LINE);
    tall.AddColor(0, kRed);
    tall.SetRange(0, 10000, 1000);
    tall.AddSeries(Series(QStringLiteral("s"), {{0, 1}}));
    tall.SetPrintArea(0, -15840, 1440, 10800, -1440);
    Page p2;
    tall.PrintChart(&p2.dc);
    const auto dot = p2.Filled(kRed, DrawOp::Ellipse);
    ASSERT_EQ(dot.size(), 1u);
    EXPECT_EQ(-CentreY(dot[0]), tall.m_nOriginY + static_cast<int>(tall.m_nPlotHeight / 10000.0 * 1000));

    // Points divide by max - min: the maximum reaches the full height, the middle half of it.
    TestChart lines(GT_LINE);
    lines.AddColor(0, kRed);
    lines.SetRange(50, 100, 10);
    lines.AddSeries(Series(QStringLiteral("a"), {{0, 100}}));
    lines.AddSeries(Series(QStringLiteral("b"), {{0, 75}}));
    // A page ending 5266 twips below the top leaves a plot of 5000 twips: 1000 a tick.
    lines.SetPrintArea(0, -6706, 1440, 10800, -1440);
    Page p3;
    lines.PrintChart(&p3.dc);
    const auto dots = p3.Filled(kRed, DrawOp::Ellipse);
    ASSERT_EQ(dots.size(), 2u);
    const int H = lines.m_nPlotHeight;
    ASSERT_EQ(H, 5000);
    EXPECT_EQ(-CentreY(dots[0]), lines.m_nOriginY + H);
    EXPECT_EQ(-CentreY(dots[1]), lines.m_nOriginY + H / 2);
    const auto joins = p3.recorder.Of(DrawOp::Line);
    EXPECT_TRUE(std::any_of(joins.begin(), joins.end(),
                            [](const DrawCall& c) { return c.colour == kRed && c.penWidth == 20; }));

    // Box plots print on the bars' scale.
    TestChart box(GT_DISTRIBUTION);
    box.SetRange(0, 10, 1);
    box.AddSeries(
        Series(QStringLiteral("a"), {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 8}}));
    box.SetPrintArea(0, -15840, 1440, 10800, -1440);
    Page p4;
    box.PrintChart(&p4.dc);
    const auto shapes = p4.Filled(0);
    ASSERT_EQ(shapes.size(), 4u);
    const double unit = (box.m_nPlotHeight - 100) / 10.0;
    EXPECT_EQ(shapes[3].rect.top, -(box.m_nOriginY + static_cast<int>(6 * unit)));
    EXPECT_EQ(shapes[3].rect.bottom, -(box.m_nOriginY + static_cast<int>(2 * unit)));
}
