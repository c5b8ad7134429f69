// The chart control: its scale and texts, the bars, the normal curve and the pie as drawn on fixed
// client sizes, clicks and what the parent is told of them.

#include "controls/ChartCtrl.h"
#include "controls/ChartLayout.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/Recorder.h"
#include "platform/text/Gbk.h"
#include "platform/ui/Dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

using gdi::DrawOp;
using gdi::Point;
using gdi::Rect;
using gdi::Rgb;

namespace {

gdi::Recorder Draw(const CChartCtrl& chart, int width, int height) {
    gdi::Recorder rec;
    gdi::Dc dc(&rec);
    chart.Draw(dc, Rect(0, 0, width, height));
    return rec;
}

// Three values 10, 25, 30 labelled A, B, C, in the twelve colours.
void Fill(CChartCtrl& chart, int style) {
    chart.SetColorScheme(2);
    chart.SetChartStyle(style);
    chart.AddValue(10, QStringLiteral("A"), false);
    chart.AddValue(25, QStringLiteral("B"), false);
    chart.AddValue(30, QStringLiteral("C"), false);
}

// A parent that keeps the click notifications it gets.
class Owner : public QWidget {
public:
    bool event(QEvent* e) override {
        if (NMHDR* hdr = NotifyHeader(e)) {
            const auto* nm = reinterpret_cast<NMCHART*>(hdr);
            clicks.push_back(*nm);
            return true;
        }
        return QWidget::event(e);
    }
    std::vector<NMCHART> clicks;
};

} // namespace

TEST(ChartLayout, ScaleRoundsUpAtTheLeadingDigit) {
    EXPECT_EQ(chart::Scale(37, false), 40);
    EXPECT_EQ(chart::Scale(87, false), 90);
    EXPECT_EQ(chart::Scale(90, false), 100);
    EXPECT_EQ(chart::Scale(100, false), 200);
    EXPECT_EQ(chart::Scale(150, false), 200);
    EXPECT_EQ(chart::Scale(9, false), 10);
    EXPECT_EQ(chart::Scale(0.5, false), 1);
    EXPECT_EQ(chart::Scale(0, false), 1);
    // With the normal curve the axis is at least 20 high.
    EXPECT_EQ(chart::Scale(9, true), 20);
    EXPECT_EQ(chart::Scale(0.5, true), 20);
    EXPECT_EQ(chart::Scale(37, true), 40);
}

TEST(ChartLayout, AxisLabelsAndValueTexts) {
    EXPECT_EQ(chart::AxisValues(chart::Scale(37, false)), (std::vector<int>{10, 20, 30, 40}));
    EXPECT_EQ(chart::AxisValues(chart::Scale(150, false)), (std::vector<int>{50, 100, 150, 200}));

    EXPECT_EQ(chart::ValueText(12.0), QStringLiteral("12"));
    EXPECT_EQ(chart::ValueText(10.5), QStringLiteral("10.5"));
    EXPECT_EQ(chart::ValueText(100), QStringLiteral("100"));
    EXPECT_EQ(chart::ValueText(0.04), QStringLiteral("0"));
}

TEST(ChartLayout, AxisLabelsCountWholeStudents) {
    // Scales whose quarters are no whole numbers label whole steps instead.
    EXPECT_EQ(chart::AxisValues(10), (std::vector<int>{2, 4, 6, 8, 10})); // not 2.5, 7.5
    EXPECT_EQ(chart::AxisValues(30), (std::vector<int>{10, 20, 30}));     // not 22.5
    EXPECT_EQ(chart::AxisValues(9), (std::vector<int>{2, 4, 6, 8}));
    EXPECT_EQ(chart::AxisValues(3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(chart::AxisValues(1), (std::vector<int>{1}));
    for (const double largest :
         {0.0, 0.5, 1.0, 2.0, 2.5, 5.0, 6.0, 7.0, 8.0, 9.0, 12.0, 25.0, 37.0, 55.0, 150.0, 700.0}) {
        const double scale = chart::Scale(largest, false);
        const std::vector<int> values = chart::AxisValues(scale);
        EXPECT_FALSE(values.empty()) << scale;
        EXPECT_LE(values.size(), 5u) << scale;
        if (scale >= 2)
            EXPECT_GE(values.size(), 2u) << scale;
        for (const int v : values)
            EXPECT_LE(v, scale);
    }
    // A value on a tick sits on it; one between ticks at its own height.
    const Rect plot(40, 30, 280, 180);
    EXPECT_EQ(chart::ValueY(plot, 30, 40), chart::TickY(plot, 5));
    EXPECT_EQ(chart::ValueY(plot, 2, 9), 180 - 33);
}

TEST(ChartLayout, SpacedLabelsKeepTheEndsAndEveryKth) {
    // Ten texts 19 wide every 10 pixels: every third keeps 5 pixels apart.
    std::vector<int> centres, widths(10, 19);
    for (int i = 0; i < 10; ++i)
        centres.push_back(i * 10);
    EXPECT_EQ(chart::SpacedLabels(centres, widths, 5),
              (std::vector<bool>{true, false, false, true, false, false, true, false, false, true}));
    // With eleven the last but one kept (9) would crowd the last (10) and gives way.
    centres.push_back(100);
    widths.push_back(19);
    EXPECT_EQ(chart::SpacedLabels(centres, widths, 5),
              (std::vector<bool>{true, false, false, true, false, false, true, false, false, false, true}));
    // Texts that fit all stay; one alone stays.
    EXPECT_EQ(chart::SpacedLabels({0, 40, 80}, {20, 20, 20}, 5), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(chart::SpacedLabels({0}, {500}, 5), (std::vector<bool>{true}));
}

TEST(ChartLayout, NormalCurvePeaksAtTheMeanScaledToTheBars) {
    // 240 × 230: the plot runs from x 40 to 220 and from y 30 to 210 (180 pixels high).
    const Rect plot = chart::PlotRect(Rect(0, 0, 240, 230));
    ASSERT_EQ(plot, Rect(40, 30, 220, 210));
    const chart::Band band = chart::BandOf(QStringLiteral("(0,10]"), QStringLiteral("(90,100]"));
    EXPECT_EQ(band.low, 0);
    EXPECT_EQ(band.high, 100);
    const chart::Curve curve = chart::NormalCurve(plot, band, 10, 100, 50, 10, chart::Scale(37, true));
    ASSERT_EQ(curve.heights.size(), 181u);
    EXPECT_EQ(curve.firstX, 40);
    // 180 × 100 / (√(2π) · 10) × 100 / 10 / 40, at the column of v = 50.
    EXPECT_NEAR(curve.heights[90], 179.52, 0.01);
    EXPECT_NEAR(curve.heights[72], 179.52 * std::exp(-0.5 * 1.0 * 1.0), 0.01); // one σ below, v = 40
    EXPECT_LT(curve.heights[0], 0.001);

    // The low band is labelled by its bound alone, the high one may lack its comma.
    const chart::Band bare = chart::BandOf(QStringLiteral("60"), QStringLiteral("100"));
    EXPECT_EQ(bare.low, 60);
    EXPECT_EQ(bare.high, 100);
    EXPECT_EQ(chart::LeadingInteger(QStringLiteral(" -12x")), -12);
    EXPECT_EQ(chart::LeadingInteger(QStringLiteral("x")), 0);

    // Nothing to draw: one student or equal scores, an empty band, no room.
    EXPECT_TRUE(chart::NormalCurve(plot, band, 10, 1, 50, 0, 40).heights.empty());
    EXPECT_TRUE(chart::NormalCurve(plot, band, 10, 1, 50, -1, 40).heights.empty());
    EXPECT_TRUE(chart::NormalCurve(plot, chart::Band{50, 50}, 10, 100, 50, 10, 40).heights.empty());
    EXPECT_TRUE(chart::NormalCurve(plot, chart::Band{60, 50}, 10, 100, 50, 10, 40).heights.empty());
    const Rect narrow = chart::PlotRect(Rect(0, 0, 60, 230));
    EXPECT_TRUE(chart::NormalCurve(narrow, band, 10, 100, 50, 10, 40).heights.empty());
}

TEST(ChartCtrl, BarsAxisAndTitleOnA300By200Client) {
    CChartCtrl chart;
    EXPECT_EQ(chart.property("windowClass").toString(), QStringLiteral("VeltoraChart"));
    Fill(chart, chart::kBars);
    chart.SetWindowText(QStringLiteral("1班语文"));
    const gdi::Recorder rec = Draw(chart, 300, 200);

    // Plot (40, 30)–(280, 180), 150 high; scale 40; bars 80 wide.
    const auto bars = rec.Of(DrawOp::Rectangle);
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[0].rect, Rect(41, 143, 121, 180));
    EXPECT_EQ(bars[1].rect, Rect(120, 87, 201, 180));
    EXPECT_EQ(bars[2].rect, Rect(200, 68, 281, 180));
    EXPECT_EQ(bars[0].bkColour, Rgb(0, 204, 0));
    EXPECT_EQ(bars[1].bkColour, Rgb(0, 0, 255));
    EXPECT_EQ(bars[1].colour, Rgb(0, 0, 255)); // outlined in its own colour

    const gdi::DrawCall* value = rec.FindText(QStringLiteral("25"));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->rect, Rect(120, 72, 201, 87));
    const gdi::DrawCall* label = rec.FindText(QStringLiteral("C"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->rect, Rect(200, 182, 281, 197));
    const gdi::DrawCall* top = rec.FindText(QStringLiteral("40"));
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->rect, Rect(0, 25, 35, 35));
    EXPECT_NE(rec.FindText(QStringLiteral("10")), nullptr);

    // 20 ticks and the two axes.
    const auto lines = rec.Of(DrawOp::Line);
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[1].from, Point(35, 37)); // tick 1 at 30 + 150 / 20
    EXPECT_EQ(lines[20].from, Point(25, 180));
    EXPECT_EQ(lines[20].to, Point(295, 180));

    const gdi::DrawCall* title = rec.FindText(QStringLiteral("1班语文"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->font.lfFaceName, QStringLiteral("Arial"));
    EXPECT_EQ(title->font.lfWeight, gdi::FW_BOLD);
    EXPECT_EQ(title->rect.top, 0);
    EXPECT_TRUE(rec.Of(DrawOp::Polyline).empty()); // no curve unless asked
}

TEST(ChartCtrl, BarsNarrowerThanACharacterCarryNoTexts) {
    CChartCtrl chart;
    chart.SetColorScheme(2);
    chart.SetChartStyle(chart::kBars);
    for (int i = 0; i < 1000; ++i)
        chart.AddValue(7, QStringLiteral("L"), false);
    gdi::Recorder rec = Draw(chart, 300, 200);
    EXPECT_EQ(rec.Of(DrawOp::Rectangle).size(), 1000u); // every bar is drawn
    EXPECT_EQ(rec.FindText(QStringLiteral("7")), nullptr);
    EXPECT_EQ(rec.FindText(QStringLiteral("L")), nullptr);

    // Wide enough bars keep both texts.
    CChartCtrl few;
    few.SetColorScheme(2);
    few.SetChartStyle(chart::kBars);
    few.AddValue(7, QStringLiteral("L"), false);
    rec = Draw(few, 300, 200);
    EXPECT_NE(rec.FindText(QStringLiteral("7")), nullptr);
    EXPECT_NE(rec.FindText(QStringLiteral("L")), nullptr);
}

namespace {

// The band chart of a total at width 10: 45 bands "(0,10]" … "(440,450]" with counts that rise
// and fall, a few of them empty.
void FillBands(CChartCtrl& chart, int style) {
    chart.SetColorScheme(2);
    chart.SetChartStyle(style);
    for (int i = 0; i < 45; ++i) {
        const int count = i < 3 || i > 42 ? i % 2 : 1 + (22 - std::abs(22 - i)) / 2;
        chart.AddValue(count, QStringLiteral("(%1,%2]").arg(i * 10).arg(i * 10 + 10), false);
    }
}

Rect TextBox(const gdi::DrawCall& c) {
    return Rect(c.textOrigin.x, c.textOrigin.y, c.textOrigin.x + c.textSize.cx,
                c.textOrigin.y + c.textSize.cy);
}

// Pairs of the texts whose drawn boxes overlap, by text.
std::vector<std::string> Overlaps(const std::vector<gdi::DrawCall>& texts) {
    std::vector<std::string> out;
    for (std::size_t a = 0; a < texts.size(); ++a)
        for (std::size_t b = a + 1; b < texts.size(); ++b) {
            Rect overlap;
            if (overlap.IntersectRect(TextBox(texts[a]), TextBox(texts[b])))
                out.push_back(texts[a].text.toStdString() + " / " + texts[b].text.toStdString());
        }
    return out;
}

} // namespace

TEST(ChartCtrl, ManyBandsDrawLabelsThatDoNotOverlap) {
    CChartCtrl chart;
    FillBands(chart, chart::kBars);
    for (const int width : {480, 640}) {
        const gdi::Recorder rec = Draw(chart, width, 360);
        const int plotBottom = chart::PlotRect(Rect(0, 0, width, 360)).bottom;
        std::vector<gdi::DrawCall> under;
        for (const gdi::DrawCall& c : rec.Of(DrawOp::Text))
            if (c.rect.top > plotBottom)
                under.push_back(c);
        ASSERT_GE(under.size(), 4u) << "width " << width;
        EXPECT_LT(under.size(), 45u);
        EXPECT_EQ(under.front().text, QStringLiteral("(0,10]"));
        EXPECT_EQ(under.back().text, QStringLiteral("(440,450]"));
        EXPECT_TRUE(Overlaps(under).empty()) << Overlaps(under).front();
        for (const gdi::DrawCall& c : under) { // each label whole, not cut to its bar, inside the control
            EXPECT_GE(c.rect.Width(), c.textSize.cx) << c.text.toStdString();
            EXPECT_GE(c.textOrigin.x, 0) << c.text.toStdString();
            EXPECT_LE(c.textOrigin.x + c.textSize.cx, width) << c.text.toStdString();
        }
        // Nor do the values over the bars run into each other, nor into anything else drawn.
        std::vector<gdi::DrawCall> texts;
        for (const gdi::DrawCall& c : rec.Of(DrawOp::Text))
            if (c.text != QStringLiteral("1班总分"))
                texts.push_back(c);
        EXPECT_GT(texts.size(), under.size() + 10);
        EXPECT_TRUE(Overlaps(texts).empty()) << Overlaps(texts).front();

        // The value axis counts students: whole numbers only.
        for (const gdi::DrawCall& c : rec.Of(DrawOp::Text)) {
            if (c.rect.right > chart::PlotRect(Rect(0, 0, width, 360)).left)
                continue;
            bool whole = false;
            c.text.toInt(&whole);
            EXPECT_TRUE(whole) << c.text.toStdString();
        }
        EXPECT_NE(rec.FindText(QStringLiteral("12")), nullptr); // largest 12: scale 20, every 5th
    }

    const auto pie = [] {
        CChartCtrl p;
        FillBands(p, chart::kPie);
        return Draw(p, 480, 360);
    }();
    std::vector<gdi::DrawCall> labels;
    for (const gdi::DrawCall& c : pie.Of(DrawOp::Text))
        if (c.text.contains(QLatin1Char('\n')))
            labels.push_back(c);
    ASSERT_GE(labels.size(), 4u);
    EXPECT_LT(labels.size(), 40u);
    EXPECT_TRUE(Overlaps(labels).empty()) << Overlaps(labels).front();
    // The thinnest slices (one student) carry no label; the largest does.
    EXPECT_NE(pie.FindText(QStringLiteral("(220,230]\n") +
                           QString::asprintf("%.1f%%", 12 * 100.0 / chart.GetTotal())),
              nullptr);
    for (const gdi::DrawCall& c : labels)
        EXPECT_FALSE(c.text.startsWith(QStringLiteral("(10,20]"))) << c.text.toStdString();
}

TEST(ChartCtrl, CurveIsDrawnOverTheBarsOrSkipped) {
    CChartCtrl chart;
    chart.SetColorScheme(2);
    chart.SetChartStyle(chart::kBars);
    chart.m_bNormalCurve = true;
    for (int i = 0; i < 10; ++i)
        chart.AddValue(i == 4 ? 37 : 5, QStringLiteral("(%1,%2]").arg(i * 10).arg(i * 10 + 10), false);
    chart.SetMarker(100, 50, 10);
    const auto curves = Draw(chart, 240, 230).Of(DrawOp::Polyline);
    ASSERT_EQ(curves.size(), 1u);
    ASSERT_EQ(curves[0].points.size(), 181u);
    EXPECT_EQ(curves[0].points[90], Point(130, 31)); // 210 − 179
    EXPECT_EQ(curves[0].colour, Rgb(0, 0, 0));

    chart.SetMarker(1, 50, 0);
    EXPECT_TRUE(Draw(chart, 240, 230).Of(DrawOp::Polyline).empty());
}

TEST(ChartCtrl, PieSlicesUnderTheirOutlines) {
    CChartCtrl chart;
    chart.SetColorScheme(2);
    chart.AddValue(1, QStringLiteral("A"), false);
    chart.AddValue(1, QStringLiteral("B"), false);
    chart.AddValue(2, QStringLiteral("C"), false);
    const gdi::Recorder rec = Draw(chart, 300, 200);

    // Centre (150, 115), radius 40.
    const auto pies = rec.Of(DrawOp::Pie);
    ASSERT_EQ(pies.size(), 3u);
    EXPECT_EQ(pies[0].rect, Rect(110, 75, 190, 155));
    EXPECT_EQ(pies[0].from.y, 115); // from three o'clock
    EXPECT_GT(pies[0].from.x, 150);
    EXPECT_EQ(pies[0].to.x, 150); // to twelve o'clock
    EXPECT_LT(pies[0].to.y, 115);
    EXPECT_EQ(pies[2].bkColour, Rgb(0, 204, 204));
    const auto circles = rec.Of(DrawOp::Ellipse);
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(circles[0].rect, Rect(110, 75, 190, 155));
    EXPECT_TRUE(circles[0].brushNull);

    // Wedges come first, every outline after them.
    std::size_t lastPie = 0, firstLine = rec.Calls().size();
    for (std::size_t i = 0; i < rec.Calls().size(); ++i) {
        if (rec.Calls()[i].op == DrawOp::Pie)
            lastPie = i;
        if (rec.Calls()[i].op == DrawOp::Line)
            firstLine = std::min(firstLine, i);
    }
    EXPECT_LT(lastPie, firstLine);
    const auto lines = rec.Of(DrawOp::Line);
    ASSERT_EQ(lines.size(), 1u + 3u * 3u); // the radius at 0, and per slice its radius and leader
    EXPECT_EQ(lines[0].to, Point(190, 115));
    EXPECT_EQ(lines[1].to, Point(150, 75)); // A ends at twelve o'clock
    // A's leader leaves at 45°, reaches 1.2 r and turns right, away from the centre.
    EXPECT_EQ(lines[2].from, Point(178, 87));
    EXPECT_EQ(lines[2].to, Point(184, 81));
    EXPECT_EQ(lines[3].to, Point(224, 81));
    const gdi::DrawCall* text = rec.FindText(QStringLiteral("A\n25.0%"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->rect, Rect(194, 66, 254, 96));
    // B's leader turns left.
    EXPECT_EQ(lines[6].to.x, lines[6].from.x - 40);

    // Too small a control for a pie: only the title is drawn.
    const gdi::Recorder small = Draw(chart, 130, 200);
    EXPECT_TRUE(small.Of(DrawOp::Ellipse).empty());
    EXPECT_TRUE(small.Of(DrawOp::Pie).empty());
}

TEST(ChartCtrl, NoticesInsteadOfAChart) {
    CChartCtrl chart;
    gdi::Recorder rec = Draw(chart, 300, 200);
    ASSERT_EQ(rec.Calls().size(), 2u); // the white fill and the notice
    EXPECT_EQ(rec.Calls()[0].colour, Rgb(255, 255, 255));
    EXPECT_EQ(rec.Calls()[1].text, QStringLiteral("Values count must be > 0"));
    EXPECT_EQ(rec.Calls()[1].rect.top, 50);

    chart.AddValue(150, QStringLiteral("One"), false);
    rec = Draw(chart, 300, 200);
    ASSERT_EQ(rec.Calls().size(), 2u);
    EXPECT_EQ(rec.Calls()[1].text, QStringLiteral("Color count mus be > 1"));
    chart.AddBrush(Rgb(1, 2, 3));
    EXPECT_EQ(Draw(chart, 300, 200).Calls().size(), 2u);
    chart.AddBrush(Rgb(4, 5, 6));
    EXPECT_GT(Draw(chart, 300, 200).Calls().size(), 2u);
    chart.SetColorScheme(7); // unknown: the colours stay
    EXPECT_EQ(chart.GetColours().size(), 2u);
    chart.SetColorScheme(1);
    EXPECT_EQ(chart.GetColours().size(), 6u);
}

TEST(ChartCtrl, ValuesKeepTheirTotalAndLargest) {
    CChartCtrl chart;
    EXPECT_FALSE(chart.AddValue(-1, QStringLiteral("x")));
    EXPECT_EQ(chart.GetCount(), 0);
    chart.AddValue(10, QStringLiteral("A"));
    chart.AddValue(37, QStringLiteral("B"));
    EXPECT_EQ(chart.GetTotal(), 47);
    // Replacing the largest by a smaller value keeps the scale; removing it lowers it.
    EXPECT_TRUE(chart.SetValue(1, 5, QStringLiteral("b")));
    EXPECT_EQ(chart.GetLargest(), 37);
    EXPECT_EQ(chart.GetTotal(), 15);
    EXPECT_EQ(chart.GetItem(1).m_strLabel, QStringLiteral("b"));
    EXPECT_TRUE(chart.SetValue(1, 50, QStringLiteral("b")));
    EXPECT_EQ(chart.GetLargest(), 50);
    EXPECT_TRUE(chart.RemoveValue(1));
    EXPECT_EQ(chart.GetLargest(), 10);
    EXPECT_EQ(chart.GetTotal(), 10);
    EXPECT_FALSE(chart.RemoveValue(1));
    EXPECT_FALSE(chart.SetValue(-1, 1, QString()));
    chart.RemoveAll();
    EXPECT_EQ(chart.GetCount(), 0);
    EXPECT_EQ(chart.GetTotal(), 0);
    EXPECT_EQ(chart.GetLargest(), 0);
}

TEST(ChartCtrl, HitsOnBarsAndSlices) {
    const std::vector<double> values{10, 20, 30};
    const Rect client(0, 0, 300, 200);
    chart::Hit bars{&values, 60, 30, chart::kBars, false};
    EXPECT_EQ(chart::HitTest(bars, client, Point(80, 170)), 0);
    EXPECT_EQ(chart::HitTest(bars, client, Point(160, 170)), 1);
    EXPECT_EQ(chart::HitTest(bars, client, Point(80, 100)), -1);  // above the bar
    EXPECT_EQ(chart::HitTest(bars, client, Point(119, 170)), -1); // in the gap between two bars
    EXPECT_EQ(chart::HitTest(bars, client, Point(42, 179)), 0);
    EXPECT_EQ(chart::HitTest(bars, client, Point(41, 179)), -1);

    // The pie: centre (150, 115), hit radius 60; slices of 10, 20 and 30 from three o'clock.
    const chart::Pie pie = chart::PieOf(client);
    EXPECT_EQ(pie.radius, 40);
    EXPECT_EQ(pie.hitRadius, 60);
    chart::Hit slices{&values, 60, 30, chart::kPie, false};
    EXPECT_EQ(chart::HitTest(slices, client, Point(170, 105)), 0);
    EXPECT_EQ(chart::HitTest(slices, client, Point(130, 105)), 1);
    EXPECT_EQ(chart::HitTest(slices, client, Point(150, 150)), 2);
    EXPECT_EQ(chart::HitTest(slices, client, Point(205, 115)), 0);  // 55 out, beyond the drawn circle
    EXPECT_EQ(chart::HitTest(slices, client, Point(210, 115)), -1); // at the hit radius
    EXPECT_EQ(chart::HitTest(slices, client, Point(150, 115)), -1); // the centre
    // Both styles: a bar first, then the pie.
    chart::Hit both{&values, 60, 30, chart::kBars | chart::kPie, false};
    EXPECT_EQ(chart::HitTest(both, client, Point(160, 170)), 1);
    EXPECT_EQ(chart::HitTest(both, client, Point(170, 95)), 0);

    const std::vector<double> zeros{0, 0};
    chart::Hit none{&zeros, 0, 0, chart::kBars | chart::kPie, false};
    EXPECT_EQ(chart::HitTest(none, client, Point(170, 105)), -1);
    EXPECT_EQ(chart::HitTest(none, client, Point(80, 179)), -1);
}

TEST(ChartCtrl, AClickSelectsAndTellsTheParent) {
    Owner owner;
    auto* chart = new CChartCtrl(&owner);
    ui::Dialog::SetDlgCtrlId(chart, 1124);
    chart->resize(300, 200);
    chart->SetColorScheme(2);
    const QString longLabel = QString(40, QChar(0x5206));
    chart->AddValue(1, longLabel, false);
    chart->AddValue(3, QStringLiteral("B"), false);

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(170, 105), chart->mapToGlobal(QPointF(170, 105)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &press);
    EXPECT_EQ(chart->GetSelectedIndex(), 0);
    ASSERT_EQ(owner.clicks.size(), 1u);
    EXPECT_EQ(owner.clicks[0].hdr.code, NM_CHARTCLICK);
    EXPECT_EQ(owner.clicks[0].hdr.idFrom, 1124u);
    EXPECT_EQ(owner.clicks[0].hdr.hwndFrom, chart);
    EXPECT_EQ(owner.clicks[0].iItem, 0);
    EXPECT_EQ(owner.clicks[0].label, longLabel.left(30)); // 61 bytes hold 30 whole characters
    EXPECT_EQ(text::GbkLength(owner.clicks[0].label), 60);
    EXPECT_EQ(owner.clicks[0].value, 1);
    // The selected slice's text is bold.
    const gdi::Recorder drawn = Draw(*chart, 300, 200); // outlives `selected`, which points into it
    const gdi::DrawCall* selected = drawn.FindText(longLabel + QStringLiteral("\n25.0%"));
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->font.lfWeight, gdi::FW_BOLD);

    chart->OnLButtonDown(Point(5, 5));
    EXPECT_EQ(chart->GetSelectedIndex(), -1);
    ASSERT_EQ(owner.clicks.size(), 2u);
    EXPECT_EQ(owner.clicks[1].iItem, -1);
    EXPECT_TRUE(owner.clicks[1].label.isEmpty());
    EXPECT_EQ(owner.clicks[1].value, 0);

    // The picture follows the client size.
    (void)chart->grab();
    EXPECT_EQ(chart->GetPicture().size(), QSize(300, 200));
    chart->resize(320, 240);
    (void)chart->grab();
    EXPECT_EQ(chart->GetPicture().size(), QSize(320, 240));
}
