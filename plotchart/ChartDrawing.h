#pragma once
// What the screen and print roads of the plotting chart share: fonts, pens and brushes selected
// for one shape and put back after it, colour shades for depth faces, box-plot statistics and the
// lengths the layout formulas count.

#include "platform/gdi/Dc.h"
#include "platform/gdi/Font.h"
#include "plotchart/PlotChart.h"

#include <QString>

#include <vector>

namespace plotchart {

// A chart font: the face, height and escapement (tenths of a degree, counter-clockwise on the
// page) given, bold unless said, default character set.
gdi::Font ChartFont(int height, int escapement = 0, int pitchAndFamily = 0x10, int weight = gdi::FW_BOLD,
                    const QString& face = QStringLiteral("Arial"));

// Selects a font, pen or brush for as long as it lives and puts the previous one back.
class FontScope {
public:
    FontScope(gdi::Dc* dc, const gdi::Font& font) : m_dc(dc), m_old(dc->SelectFont(font)) {}
    ~FontScope() { m_dc->SelectFont(m_old); }
    FontScope(const FontScope&) = delete;
    FontScope& operator=(const FontScope&) = delete;

private:
    gdi::Dc* m_dc;
    gdi::Font m_old;
};

class PenScope {
public:
    PenScope(gdi::Dc* dc, const gdi::Pen& pen) : m_dc(dc), m_old(dc->SelectPen(pen)) {}
    ~PenScope() { m_dc->SelectPen(m_old); }
    PenScope(const PenScope&) = delete;
    PenScope& operator=(const PenScope&) = delete;

private:
    gdi::Dc* m_dc;
    gdi::Pen m_old;
};

class BrushScope {
public:
    BrushScope(gdi::Dc* dc, const gdi::Brush& brush) : m_dc(dc), m_old(dc->SelectBrush(brush)) {}
    ~BrushScope() { m_dc->SelectBrush(m_old); }
    BrushScope(const BrushScope&) = delete;
    BrushScope& operator=(const BrushScope&) = delete;

private:
    gdi::Dc* m_dc;
    gdi::Brush m_old;
};

inline gdi::Pen SolidPen(gdi::COLORREF colour, int width = 1) {
    return gdi::Pen{gdi::PS_SOLID, width, colour};
}

inline constexpr gdi::COLORREF kBlack = 0;
inline constexpr gdi::COLORREF kWhite = gdi::Rgb(255, 255, 255);
inline constexpr gdi::COLORREF kRed = gdi::Rgb(255, 0, 0);
inline constexpr gdi::COLORREF kGrid = gdi::Rgb(128, 128, 128);
inline constexpr gdi::COLORREF kLightGrid = gdi::Rgb(225, 225, 225);

// Bars, lines, scatter, box plots, stacked bars and XY lines: axes without depth.
bool IsFlatType(int type);
// Bars, lines and stacked bars drawn with depth faces.
bool IsDepthType(int type);
bool IsPieType(int type);

// A text, unless it is empty.
void TextAt(gdi::Dc* dc, int x, int y, const QString& text);
// A line in the current pen.
void Line(gdi::Dc* dc, int x1, int y1, int x2, int y2);
// A one-pixel solid line through the points, in its own pen.
void GridLine(gdi::Dc* dc, gdi::COLORREF colour, const std::vector<gdi::Point>& points);
// A rectangle filled with `fill` and outlined with the current pen.
void FilledRect(gdi::Dc* dc, gdi::COLORREF fill, int l, int t, int r, int b);
// Shapes filled and outlined in one colour.
void SolidRect(gdi::Dc* dc, gdi::COLORREF colour, int l, int t, int r, int b);
void SolidPolygon(gdi::Dc* dc, gdi::COLORREF colour, const std::vector<gdi::Point>& points);

// The colour with `delta` added to each of red, green and blue, kept within 0..255: the darker
// (-35) and lighter (+35) faces of the depth shapes.
gdi::COLORREF Shade(gdi::COLORREF colour, int delta);

// Length of a title or label as the layout formulas count it: GBK bytes, a Chinese character two.
int TextLength(const QString& s);

// "%d".
QString IntText(int value);

// Minimum, quartiles, median and maximum of values sorted ascending. The median of an even run
// is a + (b - a) / 2 in whole numbers; the quartiles are the medians of the lower and upper
// halves, the middle value left out of both for an odd count. With one value the empty halves
// take the median.
struct BoxStats {
    int minimum = 0;
    int lowerQuartile = 0;
    int median = 0;
    int upperQuartile = 0;
    int maximum = 0;
};
BoxStats BoxStatsOf(const std::vector<int>& sorted);

// The values of keys 0 … point count - 1 of a series, a value below 0 counting as 0, sorted
// ascending.
std::vector<int> SortedBoxValues(const CPlotSeries& series);

} // namespace plotchart
