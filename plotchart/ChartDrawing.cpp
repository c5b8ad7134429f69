#include "plotchart/ChartDrawing.h"

#include "platform/text/Gbk.h"

#include <algorithm>

namespace plotchart {

gdi::Font ChartFont(int height, int escapement, int pitchAndFamily, int weight, const QString& face) {
    gdi::LOGFONT lf;
    lf.lfHeight = height;
    lf.lfEscapement = escapement;
    lf.lfOrientation = escapement;
    lf.lfWeight = weight;
    lf.lfCharSet = gdi::DEFAULT_CHARSET;
    lf.lfPitchAndFamily = static_cast<std::uint8_t>(pitchAndFamily);
    lf.lfFaceName = face;
    return gdi::Font(lf);
}

gdi::COLORREF Shade(gdi::COLORREF colour, int delta) {
    const auto channel = [delta](int v) { return std::clamp(v + delta, 0, 255); };
    return gdi::Rgb(channel(gdi::GetRValue(colour)), channel(gdi::GetGValue(colour)),
                    channel(gdi::GetBValue(colour)));
}

bool IsFlatType(int type) {
    return type == GT_BAR || type == GT_LINE || type == GT_SCATTER || type == GT_DISTRIBUTION ||
           type == GT_STACKED_BAR || type == GT_XY_LINE;
}

bool IsDepthType(int type) {
    return type == GT_BAR_3D || type == GT_LINE_3D || type == GT_STACKED_BAR_3D;
}

bool IsPieType(int type) {
    return type == GT_PIE || type == GT_PIE_3D;
}

void TextAt(gdi::Dc* dc, int x, int y, const QString& text) {
    if (!text.isEmpty())
        dc->TextOut(x, y, text);
}

void Line(gdi::Dc* dc, int x1, int y1, int x2, int y2) {
    dc->MoveTo(x1, y1);
    dc->LineTo(x2, y2);
}

void GridLine(gdi::Dc* dc, gdi::COLORREF colour, const std::vector<gdi::Point>& points) {
    PenScope pen(dc, SolidPen(colour));
    dc->MoveTo(points.front());
    for (std::size_t i = 1; i < points.size(); ++i)
        dc->LineTo(points[i]);
}

void FilledRect(gdi::Dc* dc, gdi::COLORREF fill, int l, int t, int r, int b) {
    BrushScope brush(dc, gdi::Brush::Solid(fill));
    dc->Rectangle(gdi::Rect(l, t, r, b));
}

void SolidRect(gdi::Dc* dc, gdi::COLORREF colour, int l, int t, int r, int b) {
    PenScope pen(dc, SolidPen(colour));
    FilledRect(dc, colour, l, t, r, b);
}

void SolidPolygon(gdi::Dc* dc, gdi::COLORREF colour, const std::vector<gdi::Point>& points) {
    PenScope pen(dc, SolidPen(colour));
    BrushScope brush(dc, gdi::Brush::Solid(colour));
    dc->Polygon(points);
}

int TextLength(const QString& s) {
    return text::GbkLength(s);
}

QString IntText(int value) {
    return QString::number(value);
}

namespace {

// The median of sorted[from, to); the run must not be empty.
int MedianOf(const std::vector<int>& sorted, std::size_t from, std::size_t to) {
    const std::size_t count = to - from;
    const std::size_t mid = from + count / 2;
    if (count % 2 == 1)
        return sorted[mid];
    const int a = sorted[mid - 1];
    const int b = sorted[mid];
    return a + (b - a) / 2;
}

} // namespace

BoxStats BoxStatsOf(const std::vector<int>& sorted) {
    BoxStats s;
    const std::size_t m = sorted.size();
    if (m == 0)
        return s;
    s.minimum = sorted.front();
    s.maximum = sorted.back();
    s.median = MedianOf(sorted, 0, m);
    const std::size_t half = m / 2;
    s.lowerQuartile = half > 0 ? MedianOf(sorted, 0, half) : s.median;
    s.upperQuartile = half > 0 ? MedianOf(sorted, m - half, m) : s.median;
    return s;
}

std::vector<int> SortedBoxValues(const CPlotSeries& series) {
    std::vector<int> values;
    const int count = series.GetPointCount();
    values.reserve(static_cast<std::size_t>(count));
    for (int j = 0; j < count; ++j)
        values.push_back(std::max(series.GetValueAt(j), 0));
    std::sort(values.begin(), values.end());
    return values;
}

} // namespace plotchart
