#include "controls/ChartLayout.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace chart {

double Scale(double largest, bool normalCurve) {
    double scale = 1.0;
    if (largest >= 1) {
        const QString digits = QString::asprintf("%.0f", largest);
        const double step = std::pow(10.0, static_cast<double>(digits.size() - 1));
        const double next = (digits.front().digitValue() + 1) * step;
        scale = largest < next ? next : largest;
    }
    if (normalCurve && scale < 20)
        scale = 20;
    return scale;
}

std::vector<int> AxisValues(double scale) {
    const long long top = static_cast<long long>(std::floor(scale + 1e-9));
    std::vector<int> values;
    if (top < 1)
        return values;
    long long step = 1;
    for (long long decade = 1;; decade *= 10) {
        const long long steps[] = {decade, 2 * decade, 5 * decade};
        const auto fits =
            std::find_if(std::begin(steps), std::end(steps), [&](long long s) { return top / s <= 5; });
        if (fits != std::end(steps)) {
            step = *fits;
            break;
        }
    }
    for (long long v = step; v <= top; v += step)
        values.push_back(static_cast<int>(v));
    return values;
}

int ValueY(const gdi::Rect& plot, int value, double scale) {
    // A value on a tick takes the tick's own y, so that label and tick meet exactly.
    const double ticks = value * kTicks / scale;
    if (std::abs(ticks - std::round(ticks)) < 1e-9)
        return TickY(plot, kTicks - static_cast<int>(std::lround(ticks)));
    return plot.bottom - static_cast<int>(std::lround(plot.Height() * value / scale));
}

std::vector<bool> SpacedLabels(const std::vector<int>& centres, const std::vector<int>& widths, int gap) {
    const std::size_t n = centres.size();
    std::vector<bool> keep(n, false);
    if (n == 0)
        return keep;
    const auto clear = [&](std::size_t a, std::size_t b) {
        // Text a lies left of text b with at least `gap` pixels between them.
        return centres[a] + (widths[a] + 1) / 2 + gap <= centres[b] - (widths[b] + 1) / 2;
    };
    std::size_t every = 1;
    for (; every < n; ++every) {
        bool fits = true;
        for (std::size_t i = 0; i + every < n && fits; i += every)
            fits = clear(i, i + every);
        if (fits)
            break;
    }
    std::size_t last = 0;
    for (std::size_t i = 0; i < n; i += every) {
        keep[i] = true;
        last = i;
    }
    if (last != n - 1) {
        // The last text is always shown; the kept one before it gives way when it crowds it.
        keep[n - 1] = true;
        if (last > 0 && !clear(last, n - 1))
            keep[last] = false;
    }
    return keep;
}

QString ValueText(double value) {
    QString text = QString::asprintf("%.1f", value);
    if (text.endsWith(QLatin1Char('0')))
        text.remove(QStringLiteral(".0"));
    return text;
}

gdi::Rect PlotRect(const gdi::Rect& client) {
    return gdi::Rect(client.left + 40, client.top + 30, client.right - 20, client.bottom - 20);
}

int TickY(const gdi::Rect& plot, int k) {
    return plot.top + k * plot.Height() / kTicks;
}

namespace {

int BarHeight(const gdi::Rect& plot, double value, double scale) {
    const double h = plot.Height() * value / scale;
    // A value far beyond the scale (the scale is not lowered when a value is replaced) still
    // gives a height that an int holds.
    return static_cast<int>(std::clamp(h, -1e6, 1e6));
}

} // namespace

gdi::Rect BarRect(const gdi::Rect& plot, int i, int n, double value, double scale) {
    const double w = static_cast<double>(plot.Width()) / n;
    const int left = static_cast<int>(plot.left + i * w) + (i == 0 ? 1 : 0);
    const int right = static_cast<int>(plot.left + (i + 1) * w + 1);
    return gdi::Rect(left, plot.bottom - BarHeight(plot, value, scale), right, plot.bottom);
}

gdi::Rect BarHitRect(const gdi::Rect& plot, int i, int n, double value, double scale) {
    const int w = plot.Width() / n;
    return gdi::Rect(plot.left + i * w + 2, plot.bottom - BarHeight(plot, value, scale),
                     plot.left + (i + 1) * w - 2, plot.bottom);
}

int LeadingInteger(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() &&
           (text[i] == QLatin1Char(' ') || (text[i] >= QLatin1Char('\t') && text[i] <= QLatin1Char('\r'))))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    long long value = 0;
    while (i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9') &&
           value < 1000000000LL)
        value = value * 10 + (text[i++].unicode() - '0');
    return static_cast<int>(negative ? -value : value);
}

Band BandOf(const QString& firstLabel, const QString& lastLabel) {
    const auto after = [](const QString& label, QChar c) {
        const qsizetype at = label.indexOf(c);
        return LeadingInteger(at < 0 ? label : label.mid(at + 1));
    };
    return Band{after(firstLabel, QLatin1Char('(')), after(lastLabel, QLatin1Char(','))};
}

Curve NormalCurve(const gdi::Rect& plot, const Band& band, int bars, double count, double mean, double sd,
                  double scale) {
    Curve curve;
    const int width = plot.Width();
    const double range = static_cast<double>(band.high) - band.low;
    if (!(sd > 0) || range <= 0 || bars <= 0 || width <= 0 || !(scale > 0))
        return curve;
    // The density times the band width of one bar gives the expected count of a bar, which the
    // axis scale turns into pixels.
    const double peak = count / (std::sqrt(2 * std::numbers::pi) * sd);
    const double factor = plot.Height() * range / bars / scale;
    curve.firstX = plot.left;
    curve.heights.reserve(static_cast<std::size_t>(width) + 1);
    for (int x = plot.left; x <= plot.right; ++x) {
        const double v = band.low + (x - plot.left) * range / width;
        const double z = v - mean;
        curve.heights.push_back(factor * peak * std::exp(-z * z / (2 * sd * sd)));
    }
    return curve;
}

Pie PieOf(const gdi::Rect& client) {
    Pie pie;
    const int w = client.Width(), h = client.Height();
    pie.centre = gdi::Point(client.left + w / 2, client.top + h / 2 + 15);
    pie.radius = std::min(h / 2 - 60, w / 2 - 70);
    pie.hitRadius = std::min(h / 2 - 40, w / 2 - 50);
    return pie;
}

gdi::Point PointAt(gdi::Point centre, double angle, double distance) {
    return gdi::Point(centre.x + static_cast<int>(std::lround(distance * std::cos(angle))),
                      centre.y - static_cast<int>(std::lround(distance * std::sin(angle))));
}

int HitTest(const Hit& hit, const gdi::Rect& client, gdi::Point point) {
    if (!hit.values || hit.values->empty() || !(hit.total > 0))
        return -1;
    const std::vector<double>& values = *hit.values;
    const int n = static_cast<int>(values.size());
    if (hit.style & kBars) {
        const gdi::Rect plot = PlotRect(client);
        const double scale = Scale(hit.largest, hit.normalCurve);
        for (int i = 0; i < n; ++i)
            if (BarHitRect(plot, i, n, values[static_cast<std::size_t>(i)], scale).PtInRect(point))
                return i;
    }
    if (hit.style & kPie) {
        const Pie pie = PieOf(client);
        const double dx = point.x - pie.centre.x;
        const double dy = pie.centre.y - point.y;
        const double distance = std::hypot(dx, dy);
        if (distance == 0 || distance >= pie.hitRadius)
            return -1;
        double angle = std::atan2(dy, dx);
        if (angle < 0)
            angle += 2 * std::numbers::pi;
        double start = 0;
        for (int i = 0; i < n; ++i) {
            const double end = start + values[static_cast<std::size_t>(i)] * 2 * std::numbers::pi / hit.total;
            if (angle >= start && angle < end)
                return i;
            start = end;
        }
    }
    return -1;
}

} // namespace chart
