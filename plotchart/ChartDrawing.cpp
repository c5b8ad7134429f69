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
