#pragma once
// The arithmetic of the chart control, apart from its window: the value scale and its tick labels,
// the value texts, where bars, the pie and the normal curve go in a client rectangle, and which bar
// or slice a point hits.

#include "platform/gdi/Types.h"

#include <QString>

#include <vector>

namespace chart {

inline constexpr int kTicks = 20; // ticks on the value axis

// Chart style bits.
inline constexpr int kBars = 1;
inline constexpr int kPie = 2;

// The top of the value axis for the largest value: 1 below 1; otherwise the next step of the
// leading digit of the value written as a whole number (37 → 40, 87 → 90, 90 → 100, 100 → 200).
// With the normal curve the axis reaches at least 20.
double Scale(double largest, bool normalCurve);

// The labelled values of the value axis: the multiples of the smallest of 1, 2, 5, 10, 20, 50 …
// that gives at most five of them up to the scale. The values counted are students, so a label is
// always a whole number (never 7.5), and it stands at its own height, on a tick or between two.
std::vector<int> AxisValues(double scale);

// The y of `value` on the value axis.
int ValueY(const gdi::Rect& plot, int value, double scale);

// Which of n texts in a row keep their place when each would be drawn centred at centres[i] and
// widths[i] wide: the first, the last and every k-th between them, k the smallest spacing at which
// no kept text comes within `gap` pixels of its neighbour. The text before the last is dropped
// when it would crowd the last. A single text is always kept.
std::vector<bool> SpacedLabels(const std::vector<int>& centres, const std::vector<int>& widths, int gap);

// A value above its bar: "%.1f", without a final ".0".
QString ValueText(double value);

// The plot: the client rectangle less 40 pixels on the left, 30 at the top, 20 on the right and
// at the bottom.
gdi::Rect PlotRect(const gdi::Rect& client);

// The y of tick k of the value axis.
int TickY(const gdi::Rect& plot, int k);

// Bar i of n as drawn: equal widths in floating point, the first one pixel clear of the axis,
// each reaching one pixel into the next; H × value / scale high.
gdi::Rect BarRect(const gdi::Rect& plot, int i, int n, double value, double scale);

// Bar i of n as a click finds it: whole-pixel widths, two pixels in from each side.
gdi::Rect BarHitRect(const gdi::Rect& plot, int i, int n, double value, double scale);

// The whole number at the start of `text` as the C library reads one (blanks, a sign, digits;
// 0 when there is none).
int LeadingInteger(const QString& text);

// The score band of the bars: the number after the first "(" of the first label and after the
// first "," of the last label, each read from the label's start when that character is missing.
struct Band {
    int low = 0;
    int high = 0;
};
Band BandOf(const QString& firstLabel, const QString& lastLabel);

// The normal curve over the bars: for every pixel column x of the plot from its left to its right
// edge, the height above the axis of count / (√(2π) σ) · e^(−(v − μ)² / (2σ²)) scaled to the bars,
// v = the score at that column. Empty when there is no curve to draw: σ ≤ 0, an empty band, no
// bars or a plot without width.
struct Curve {
    int firstX = 0;
    std::vector<double> heights; // one per column, from firstX on
};
Curve NormalCurve(const gdi::Rect& plot, const Band& band, int bars, double count, double mean, double sd,
                  double scale);

// The pie: centred in the client rectangle 15 pixels below its middle; the drawn radius, and the
// radius within which a click selects a slice (20 pixels more).
struct Pie {
    gdi::Point centre;
    int radius = 0;
    int hitRadius = 0;
};
Pie PieOf(const gdi::Rect& client);

// The point at `distance` from `centre` in direction `angle` (radians, counter-clockwise from
// three o'clock, y downwards on the screen).
gdi::Point PointAt(gdi::Point centre, double angle, double distance);

// The values and style a hit test needs.
struct Hit {
    const std::vector<double>* values = nullptr;
    double total = 0;
    double largest = 0;
    int style = kPie;
    bool normalCurve = false;
};

// The index of the bar or slice under `point` in `client`, or −1: bars first (with the bar
// style), then the pie (with the pie style); nothing while the total is 0.
int HitTest(const Hit& hit, const gdi::Rect& client, gdi::Point point);

} // namespace chart
