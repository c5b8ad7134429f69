// The pies of both roads: one pie per series, one slice per key with a value of at least 1, each
// labelled with its percentage at the end of a leader line. The print road walks the same end
// points with y growing upwards, so its pies are the screen's turned over top to bottom.

#include "plotchart/ChartDrawing.h"
#include "plotchart/PlotChart.h"

#include <algorithm>
#include <cmath>
#include <optional>

using namespace plotchart;

struct CPlotChart::PieGeometry {
    bool print = false; // twips with y upwards
    bool depth = false;
    int labelWidth = 0; // c: the width a label's text is given
    int lineHeight = 0; // h: one label line
    int textGap = 5;    // from the leader's end to a label on its right
    int radius = 0;
    int centreY = 0;
    int thickness = 0;     // depth pies: the lower circle lies this much right and down
    bool nameFont = false; // the series name in a font of its own (print) or the context's
};

namespace {

constexpr double kDegree = 0.017453277777777776;

// The point e degrees round the diamond inscribed in the pie's box, walking from its left corner
// downwards (on the screen) in four straight legs.
gdi::Point DiamondPoint(int e, int left, int cy, int r) {
    const int u = e * r / 90;
    switch (e / 90) {
    case 0:
        return {left + u, cy + u};
    case 1:
        return {left + u, cy + 2 * r - u};
    case 2:
        return {left + 4 * r - u, cy + 2 * r - u};
    case 3:
        return {left + 4 * r - u, cy + u - 4 * r};
    default:
        return {left, cy - 1};
    }
}

// The point e degrees round the circle, the same way round.
gdi::Point CirclePoint(int e, int cx, int cy, int r) {
    if (e >= 360)
        return {cx - r, cy - 1};
    const double a = e * kDegree;
    return {cx - static_cast<int>(r * std::cos(a)), cy + static_cast<int>(r * std::sin(a))};
}

struct Slice {
    int key = 0;
    int value = 0;
    int endAngle = 0;
    int middleAngle = 0;
};

// The slices of a pie, its keys with a value of at least 1 in key order, and their angles.
std::vector<Slice> SlicesOf(const CPlotSeries& series, int keys, long long* total) {
    *total = 0;
    for (int j = 0; j < keys; ++j) {
        const int v = series.GetValueAt(j);
        if (v >= 1)
            *total += v;
    }
    std::vector<Slice> slices;
    if (*total <= 0)
        return slices;
    double sum = 0;
    for (int j = 0; j < keys; ++j) {
        const int v = series.GetValueAt(j);
        if (v < 1)
            continue;
        sum += v;
        Slice s;
        s.key = j;
        s.value = v;
        s.endAngle = static_cast<int>(sum / *total * 100 * 360 * 0.01);
        s.middleAngle = static_cast<int>((sum - v / 2) / *total * 100 * 360 * 0.01);
        slices.push_back(s);
    }
    return slices;
}

// The label of a slice: its percentage at the end of a leader line drawn outwards from the middle
// of the slice's edge, the text beside the leader's end on the side away from the pie.
CPlotPieLabel LabelOf(const Slice& s, long long total, int left, int cy, int r, int c, int h, int textGap,
                      bool print) {
    CPlotPieLabel label;
    label.m_strText = QStringLiteral("%1%").arg(static_cast<long long>(s.value) * 100 / total);
    const int a = s.middleAngle;
    const int q = std::min(a / 90, 3);
    const int um = a * r / 90;
    const gdi::Point m = DiamondPoint(a, left, cy, r);
    label.m_nQuadrant = q;
    switch (q) {
    case 0:
        label.m_nLineStartX = m.x + (r - um) / 2;
        label.m_nLineStartY = m.y - (m.y - cy) / 2;
        label.m_nLineEndX = m.x - r / 2;
        label.m_nLineEndY = m.y + r / 2;
        label.m_nTextX = label.m_nLineEndX - c;
        label.m_nTextY = label.m_nLineEndY;
        break;
    case 1:
        label.m_nLineStartX = m.x - (um - r) / 2;
        label.m_nLineStartY = m.y - (m.y - cy) / 2;
        label.m_nLineEndX = m.x + r / 2;
        label.m_nLineEndY = m.y + r / 2;
        label.m_nTextX = label.m_nLineEndX + textGap;
        label.m_nTextY = label.m_nLineEndY;
        break;
    case 2:
        label.m_nLineStartX = m.x - (3 * r - um) / 2;
        label.m_nLineStartY = m.y + (cy - m.y) / 2;
        label.m_nLineEndX = m.x + r / 2;
        label.m_nLineEndY = m.y - r / 2;
        label.m_nTextX = label.m_nLineEndX + textGap;
        label.m_nTextY = label.m_nLineEndY - h;
        break;
    default:
        label.m_nLineStartX = m.x + (um - 3 * r) / 2;
        label.m_nLineStartY = m.y + (cy - m.y) / 2;
        label.m_nLineEndX = m.x - r / 2;
        label.m_nLineEndY = m.y - r / 2;
        label.m_nTextX = label.m_nLineEndX - c;
        label.m_nTextY = label.m_nLineEndY - h;
        break;
    }
    // A text hangs below its y on the screen and on the page alike; on the page that is towards
    // the pie where the screen's is away from it, so the print road lifts it one line to keep it
    // beyond the leader's end.
    if (print)
        label.m_nTextY += h;
    return label;
}

// A label whose text starts inside an earlier label's box moves one line away from the pie's
// middle, and is checked again from the first.
void SeparateLabels(std::vector<CPlotPieLabel>& labels, int c, int h, bool print) {
    if (h < 1)
        return;
    const auto inside = [&](const CPlotPieLabel& a, const CPlotPieLabel& b) {
        if (a.m_nTextX < b.m_nTextX || a.m_nTextX >= b.m_nTextX + c)
            return false;
        // On the page a text hangs below its y; on the screen below means larger y.
        return print ? a.m_nTextY > b.m_nTextY - h && a.m_nTextY <= b.m_nTextY
                     : a.m_nTextY >= b.m_nTextY && a.m_nTextY < b.m_nTextY + h;
    };
    for (std::size_t i = 1; i < labels.size();) {
        bool moved = false;
        for (std::size_t j = 0; j < i; ++j) {
            if (!inside(labels[i], labels[j]))
                continue;
            const int step = labels[i].m_nQuadrant >= 2 ? -h : h;
            labels[i].m_nTextY += step;
            labels[i].m_nLineEndY += step;
            moved = true;
            break;
        }
        if (!moved)
            ++i;
    }
}

// The pie's side: each slice's lower circle and the band that joins it to the top, in a darker
// shade of the slice's colour.
void PaintPieSide(gdi::Dc* pDC, const CPlotChart& chart, const std::vector<Slice>& slices,
                  const gdi::Rect& box, int t) {
    const int r = box.Width() / 2, cy = box.top + r, cx = box.left + r;
    gdi::Rect lowerBox = box;
    lowerBox.OffsetRect(t, t);
    const gdi::Point shift(t, t);
    gdi::Point previous = CirclePoint(360, cx, cy, r);
    int previousAngle = 0;
    gdi::COLORREF previousDark = Shade(chart.GetColor(slices.front().key), -35);
    for (const Slice& s : slices) {
        const gdi::Point current = CirclePoint(s.endAngle, cx, cy, r);
        const gdi::COLORREF dark = Shade(chart.GetColor(s.key), -35);
        PenScope pen(pDC, SolidPen(dark));
        BrushScope brush(pDC, gdi::Brush::Solid(dark));
        if (s.endAngle / 90 < 2 || previousAngle / 90 < 2) {
            pDC->Polygon({previous, current, current + shift, previous + shift});
            pDC->Pie(lowerBox, previous + shift, current + shift);
        } else {
            pDC->Pie(lowerBox, previous + shift, current + shift);
            PenScope sidePen(pDC, SolidPen(previousDark));
            BrushScope sideBrush(pDC, gdi::Brush::Solid(previousDark));
            pDC->Polygon({previous, previous + shift, current + shift});
        }
        previous = current;
        previousAngle = s.endAngle;
        previousDark = dark;
    }
}

} // namespace

void CPlotChart::PaintPieName(gdi::Dc* pDC, const PieGeometry& g, const QString& name, int left) {
    if (name.isEmpty())
        return;
    const int r = g.radius, cy = g.centreY, h = g.lineHeight;
    const int length = TextLength(name);
    if (!g.print) {
        pDC->TextOut(left + r - (length * 8) / 2, cy + static_cast<int>(1.5 * r) + h + 15, name);
        return;
    }
    const int x = left + r - 20 * ((m_nXLabelSize / 2) * (length / 2));
    const int y = cy - r - h - 600;
    if (g.nameFont) {
        FontScope font(pDC, ChartFont(20 * m_nXLabelSize, 0, 16));
        pDC->TextOut(x, y, name);
    } else {
        pDC->TextOut(x, y, name);
    }
}

void CPlotChart::PaintPies(gdi::Dc* pDC, const PieGeometry& g) {
    const int n = GetSeriesCount();
    if (n == 0)
        return;
    const int r = g.radius, cy = g.centreY;
    const int ox = m_nOriginX, W = m_nPlotWidth;
    // Pie sweeps counter-clockwise in logical units with y taken as growing downwards, so the
    // print road, walking the screen's end points with y upwards, gets each slice mirrored onto
    // its own share of the page.
    for (int k = 1; k <= n; ++k) {
        const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
        const int left = n == 1 ? ox + W / 2 - r : (W / n) / 2 * (2 * k - 1) + ox - r + 15;
        const int cx = left + r;
        PaintPieName(pDC, g, series.m_strName, left);

        long long total = 0;
        const std::vector<Slice> slices = SlicesOf(series, m_nMaxPoints, &total);
        if (slices.empty() || r <= 0)
            continue;
        const gdi::Rect box(left, cy - r, left + 2 * r, cy + r);
        if (g.depth)
            PaintPieSide(pDC, *this, slices, box, g.thickness);

        std::vector<CPlotPieLabel> labels;
        gdi::Point previous = g.depth ? CirclePoint(360, cx, cy, r) : gdi::Point(left, cy - 1);
        for (const Slice& s : slices) {
            const gdi::Point current =
                g.depth ? CirclePoint(s.endAngle, cx, cy, r) : DiamondPoint(s.endAngle, left, cy, r);
            {
                const gdi::COLORREF colour = GetColor(s.key);
                PenScope pen(pDC, SolidPen(colour));
                BrushScope brush(pDC, gdi::Brush::Solid(colour));
                pDC->Pie(box, previous, current);
            }
            previous = current;
            labels.push_back(LabelOf(s, total, left, cy, r, g.labelWidth, g.lineHeight, g.textGap, g.print));
        }
        SeparateLabels(labels, g.labelWidth, g.lineHeight, g.print);

        std::optional<PenScope> black;
        std::optional<BrushScope> blackBrush;
        if (g.depth) {
            black.emplace(pDC, SolidPen(kBlack));
            blackBrush.emplace(pDC, gdi::Brush::Solid(kBlack));
        }
        for (const CPlotPieLabel& label : labels) {
            pDC->MoveTo(label.m_nLineStartX, label.m_nLineStartY);
            pDC->LineTo(label.m_nLineEndX, label.m_nLineEndY);
            pDC->TextOut(label.m_nTextX, label.m_nTextY, label.m_strText);
        }
    }
}

void CPlotChart::DrawPie(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    if (n == 0)
        return;
    const gdi::TEXTMETRIC tm = TextMetrics(pDC);
    PieGeometry g;
    g.lineHeight = tm.tmHeight + 6;
    g.labelWidth = tm.tmMaxCharWidth + 10;
    g.radius = (std::min(m_nPlotWidth, m_nPlotHeight) / n - 3 * g.labelWidth) / 3;
    g.centreY = (m_nPlotHeight + 60) / 2;
    PaintPies(pDC, g);
}

void CPlotChart::DrawPie3D(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    if (n == 0)
        return;
    PenScope pen(pDC, SolidPen(kBlack));
    BrushScope brush(pDC, gdi::Brush::Solid(kWhite));
    const gdi::TEXTMETRIC tm = TextMetrics(pDC);
    PieGeometry g;
    g.depth = true;
    g.lineHeight = tm.tmHeight + 6;
    g.labelWidth = tm.tmMaxCharWidth + 10;
    g.radius = (std::min(m_nPlotWidth, m_nPlotHeight) / n - 3 * g.labelWidth) / 3;
    g.centreY = (m_nPlotHeight + 60) / 2;
    g.thickness = static_cast<int>(g.radius * m_dDepthRatio);
    PaintPies(pDC, g);
}

void CPlotChart::PrintPie(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    if (n == 0)
        return;
    const gdi::TEXTMETRIC tm = TextMetrics(pDC);
    PieGeometry g;
    g.print = true;
    g.nameFont = true;
    g.textGap = 50;
    g.labelWidth = tm.tmMaxCharWidth + 50;
    g.lineHeight = tm.tmHeight + 30;
    g.radius = (std::min(m_nPlotWidth, m_nPlotHeight) / n - 3 * g.labelWidth) / 3;
    g.centreY = m_nPrintTop - m_nPlotHeight / 2 - 500;
    PaintPies(pDC, g);
}

void CPlotChart::PrintPie3D(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    if (n == 0)
        return;
    PenScope pen(pDC, SolidPen(kBlack));
    BrushScope brush(pDC, gdi::Brush::Solid(kWhite));
    const gdi::TEXTMETRIC tm = TextMetrics(pDC);
    PieGeometry g;
    g.print = true;
    g.depth = true;
    g.textGap = 50;
    g.labelWidth = tm.tmMaxCharWidth + 10;
    g.lineHeight = tm.tmHeight + 6;
    g.radius = (std::min(m_nPlotWidth, m_nPlotHeight) / n - 3 * g.labelWidth) / 3;
    g.thickness = static_cast<int>(g.radius * m_dDepthRatio);
    g.centreY = m_nPrintTop - m_nPlotHeight / 2 - g.thickness - 500;
    PaintPies(pDC, g);
}
