#include "controls/ChartCtrl.h"

#include "controls/ChartLayout.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/System.h"
#include "platform/text/Gbk.h"
#include "platform/ui/Dialog.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <numbers>

namespace {

constexpr gdi::COLORREF kWhite = gdi::Rgb(255, 255, 255);
constexpr gdi::COLORREF kBlack = gdi::Rgb(0, 0, 0);
constexpr double kTwoPi = 2 * std::numbers::pi;

// The label a click notification carries is cut to this many bytes.
constexpr int kNotifyLabelBytes = 61;

// Wedges are aimed at points this far out, so that a slice of a fraction of a degree keeps its
// direction when the points are rounded to whole pixels.
constexpr double kFar = 100000;

gdi::LOGFONT GuiFont(int weight) {
    gdi::LOGFONT lf = gdi::GetMessageFont();
    lf.lfWeight = weight;
    return lf;
}

gdi::LOGFONT TitleFont() {
    gdi::LOGFONT lf = GuiFont(gdi::FW_BOLD);
    lf.lfFaceName = QStringLiteral("Arial");
    lf.lfHeight = 15;
    return lf;
}

} // namespace

CChartCtrl::CChartCtrl(QWidget* parent)
    : QWidget(parent), m_boldFont(GuiFont(gdi::FW_BOLD)), m_titleFont(TitleFont()),
      m_labelFont(gdi::GetMessageFont()) {
    setProperty("windowClass", QString::fromLatin1(WindowClassName));
    // The paint covers the whole client area from the off-screen picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CChartCtrl::~CChartCtrl() = default;

void CChartCtrl::SetColorScheme(int scheme) {
    using gdi::Rgb;
    switch (scheme) {
    case 0:
        m_colours.clear();
        break;
    case 1:
        m_colours = {Rgb(102, 102, 102), Rgb(221, 221, 221), Rgb(136, 136, 136),
                     Rgb(68, 68, 68),    Rgb(204, 204, 204), Rgb(170, 170, 170)};
        break;
    case 2:
        m_colours = {Rgb(0, 204, 0), Rgb(0, 0, 255),   Rgb(0, 204, 204), Rgb(255, 0, 0),
                     Rgb(204, 0, 0), Rgb(0, 255, 0),   Rgb(255, 0, 255), Rgb(204, 0, 204),
                     Rgb(0, 0, 204), Rgb(255, 255, 0), Rgb(204, 204, 0), Rgb(0, 255, 255)};
        break;
    default:
        break;
    }
}

void CChartCtrl::AddBrush(gdi::COLORREF colour) {
    m_colours.push_back(colour);
}

void CChartCtrl::SetChartStyle(int style) {
    m_nStyle = style;
    update();
}

bool CChartCtrl::AddValue(double value, const QString& label, bool redraw) {
    if (value < 0)
        return false;
    m_items.push_back(CChartItem{value, label});
    m_dTotal += value;
    m_dLargest = std::max(m_dLargest, value);
    m_nSelected = -1;
    if (redraw)
        update();
    return true;
}

bool CChartCtrl::SetValue(int index, double value, const QString& label) {
    if (index < 0 || index >= GetCount())
        return false;
    CChartItem& item = m_items[static_cast<std::size_t>(index)];
    m_dTotal += value - item.m_dValue;
    item.m_dValue = value;
    item.m_strLabel = label;
    m_dLargest = std::max(m_dLargest, value);
    update();
    return true;
}

bool CChartCtrl::RemoveValue(int index) {
    if (index < 0 || index >= GetCount())
        return false;
    m_items.erase(m_items.begin() + index);
    Recompute();
    m_nSelected = -1;
    update();
    return true;
}

void CChartCtrl::RemoveAll() {
    m_items.clear();
    m_dTotal = 0;
    m_dLargest = 0;
}

void CChartCtrl::Recompute() {
    m_dTotal = 0;
    m_dLargest = 0;
    for (const CChartItem& item : m_items) {
        m_dTotal += item.m_dValue;
        m_dLargest = std::max(m_dLargest, item.m_dValue);
    }
}

void CChartCtrl::SetMarker(int count, double mean, double sd) {
    m_nCount = count;
    m_dMean = mean;
    m_dSd = sd;
}

std::vector<double> CChartCtrl::Values() const {
    std::vector<double> values;
    values.reserve(m_items.size());
    for (const CChartItem& item : m_items)
        values.push_back(item.m_dValue);
    return values;
}

// ---- drawing -------------------------------------------------------------------------------------

void CChartCtrl::Draw(gdi::Dc& dc, const gdi::Rect& client) const {
    dc.FillSolidRect(client, kWhite);
    dc.SelectFont(m_labelFont);
    dc.SetTextColor(kBlack);
    dc.SetBkMode(gdi::TRANSPARENT);
    if (m_items.empty() || m_colours.size() < 2) {
        const QString notice = m_items.empty() ? QStringLiteral("Values count must be > 0")
                                               : QStringLiteral("Color count mus be > 1");
        dc.DrawText(notice, gdi::Rect(client.left, client.top + 50, client.right, client.bottom),
                    gdi::DT_CENTER | gdi::DT_SINGLELINE);
        return;
    }
    if (m_nStyle & chart::kBars)
        DrawBars(dc, client);
    if (m_nStyle & chart::kPie)
        DrawPie(dc, client);
    dc.SelectFont(m_titleFont);
    dc.DrawText(windowTitle(), client, gdi::DT_CENTER | gdi::DT_SINGLELINE);
}

void CChartCtrl::DrawBars(gdi::Dc& dc, const gdi::Rect& client) const {
    const gdi::Rect plot = chart::PlotRect(client);
    const double scale = chart::Scale(m_dLargest, m_bNormalCurve);
    const int n = GetCount();

    dc.SelectPen(gdi::Pen{gdi::PS_SOLID, 1, kBlack});
    dc.SelectFont(m_labelFont);
    std::vector<int> tickYs;
    for (int k = 0; k < chart::kTicks; ++k) {
        const int y = chart::TickY(plot, k);
        tickYs.push_back(y);
        dc.MoveTo(plot.left - 5, y);
        dc.LineTo(plot.left, y);
    }
    for (const int value : chart::AxisValues(scale)) {
        const int y = chart::ValueY(plot, value, scale);
        // A label between two ticks brings its own.
        if (std::find(tickYs.begin(), tickYs.end(), y) == tickYs.end()) {
            dc.MoveTo(plot.left - 5, y);
            dc.LineTo(plot.left, y);
        }
        dc.DrawText(QString::number(value), gdi::Rect(client.left, y - 5, plot.left - 5, y + 5),
                    gdi::DT_RIGHT | gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOCLIP);
    }
    dc.MoveTo(plot.left - 15, plot.bottom);
    dc.LineTo(plot.right + 15, plot.bottom);
    dc.MoveTo(plot.left, plot.top - 15);
    dc.LineTo(plot.left, plot.bottom + 15);

    dc.SelectFont(m_labelFont);
    gdi::TEXTMETRIC metrics{};
    const int minTextWidth = dc.GetTextMetrics(&metrics) ? std::max(1, int(metrics.tmAveCharWidth)) : 1;
    // Many narrow bars would run their texts into each other: only labels, and values, that keep
    // clear of their kept neighbours are drawn, each whole, centred on its bar and inside the
    // control (the table has every number).
    std::vector<int> labelCentres, labelWidths, valueCentres, valueWidths;
    for (int i = 0; i < n; ++i) {
        const CChartItem& item = m_items[static_cast<std::size_t>(i)];
        const gdi::Rect bar = chart::BarRect(plot, i, n, 0, scale);
        const bool texts = bar.Width() >= minTextWidth;
        const int centre = (bar.left + bar.right) / 2;
        const int label = texts ? dc.GetTextExtent(item.m_strLabel).cx : 0;
        labelWidths.push_back(label);
        // Two pixels kept from the control's edges, for glyphs a little wider than measured.
        labelCentres.push_back(std::clamp(centre, client.left + 2 + (label + 1) / 2,
                                          std::max(client.left + 2, client.right - 2 - (label + 1) / 2)));
        valueWidths.push_back(texts ? dc.GetTextExtent(chart::ValueText(item.m_dValue)).cx + 1 : 0);
        valueCentres.push_back(centre);
    }
    const std::vector<bool> labelled = chart::SpacedLabels(labelCentres, labelWidths, minTextWidth);
    const std::vector<bool> valued = chart::SpacedLabels(valueCentres, valueWidths, 2);
    // The bar's own width, or the text's when it is wider.
    const auto span = [](const gdi::Rect& bar, int centre, int width, int top, int bottom) {
        if (width <= bar.Width())
            return gdi::Rect(bar.left, top, bar.right, bottom);
        const int left = centre - (width + 1) / 2;
        return gdi::Rect(left, top, left + width + 1, bottom);
    };
    for (int i = 0; i < n; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        const CChartItem& item = m_items[k];
        const gdi::Rect bar = chart::BarRect(plot, i, n, item.m_dValue, scale);
        const gdi::COLORREF colour = m_colours[k % m_colours.size()];
        if (bar.Height() > 0) {
            dc.SelectPen(gdi::Pen{gdi::PS_SOLID, 1, colour});
            dc.SelectBrush(gdi::Brush::Solid(colour));
            dc.Rectangle(bar);
        }
        // A bar narrower than one character carries no texts (thousands of bars would otherwise
        // spend most of the painting on them).
        if (bar.Width() < minTextWidth)
            continue;
        if (valued[k]) {
            dc.SelectFont(i == m_nSelected ? m_boldFont : m_labelFont);
            dc.DrawText(chart::ValueText(item.m_dValue),
                        span(bar, valueCentres[k], valueWidths[k], bar.top - 15, bar.top),
                        gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOCLIP);
        }
        if (labelled[k]) {
            dc.SelectFont(m_labelFont);
            dc.DrawText(item.m_strLabel,
                        span(bar, labelCentres[k], labelWidths[k], plot.bottom + 2, plot.bottom + 17),
                        gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOCLIP);
        }
    }

    if (!m_bNormalCurve)
        return;
    const chart::Band band = chart::BandOf(m_items.front().m_strLabel, m_items.back().m_strLabel);
    const chart::Curve curve = chart::NormalCurve(plot, band, n, m_nCount, m_dMean, m_dSd, scale);
    if (curve.heights.empty())
        return;
    std::vector<gdi::Point> points;
    points.reserve(curve.heights.size());
    for (std::size_t i = 0; i < curve.heights.size(); ++i) {
        // Heights far above the plot are held where an int still holds them.
        const int h = static_cast<int>(std::min(curve.heights[i], 1e6));
        points.emplace_back(curve.firstX + static_cast<int>(i), plot.bottom - h);
    }
    dc.SelectPen(gdi::Pen{gdi::PS_SOLID, 1, kBlack});
    dc.Polyline(points);
}

void CChartCtrl::DrawPie(gdi::Dc& dc, const gdi::Rect& client) const {
    const chart::Pie pie = chart::PieOf(client);
    if (pie.radius <= 0)
        return;
    const gdi::Point c = pie.centre;
    const int r = pie.radius;
    const gdi::Rect box(c.x - r, c.y - r, c.x + r, c.y + r);
    const bool slices = m_dTotal > 0;

    // The slices are filled first and their black outlines drawn over them.
    if (slices) {
        dc.SelectPen(gdi::Pen{gdi::PS_NULL, 1, kBlack});
        double start = 0;
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            const double span = m_items[i].m_dValue * kTwoPi / m_dTotal;
            const gdi::Point from = chart::PointAt(c, start, kFar);
            const gdi::Point to = chart::PointAt(c, start + span, kFar);
            // A slice too thin to aim at draws nothing (equal rays would fill the whole circle).
            if (span > 0 && (from != to || span > std::numbers::pi)) {
                dc.SelectBrush(gdi::Brush::Solid(m_colours[i % m_colours.size()]));
                dc.Pie(box, from, to);
            }
            start += span;
        }
    }

    dc.SelectPen(gdi::Pen{gdi::PS_SOLID, 1, kBlack});
    dc.SelectBrush(gdi::Brush::Null());
    dc.Ellipse(box);
    dc.MoveTo(c);
    dc.LineTo(c.x + r, c.y);
    if (!slices)
        return;

    // Where each slice's label would go: out of the circle on the middle of the slice, then 40
    // pixels sideways, away from the centre.
    struct Label {
        double start = 0;
        double span = 0;
        gdi::Point end;
        int x = 0;
        QString text;
        gdi::Rect box;
        bool shown = false;
    };
    std::vector<Label> labels(m_items.size());
    dc.SelectFont(m_labelFont);
    const int lineHeight = dc.GetTextExtent(QStringLiteral("0")).cy;
    double start = 0;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        Label& l = labels[i];
        const CChartItem& item = m_items[i];
        l.start = start;
        l.span = item.m_dValue * kTwoPi / m_dTotal;
        const double middle = start + l.span / 2;
        l.end = chart::PointAt(c, middle, 1.2 * r);
        l.x = l.end.x > c.x ? l.end.x + 40 : l.end.x - 40;
        const QString percent = QString::asprintf("%.1f%%", item.m_dValue * 100 / m_dTotal);
        l.text = item.m_strLabel + QLatin1Char('\n') + percent;
        const int half = std::max(
            30, (std::max(dc.GetTextExtent(item.m_strLabel).cx, dc.GetTextExtent(percent).cx) + 3) / 2);
        l.box = gdi::Rect(l.x - half, l.end.y - 15, l.x + half, l.end.y + 15);
        start += l.span;
    }
    // A slice whose arc at the leader is thinner than a line of text gets no label (the table has
    // its number), and the larger slices claim their places first, so that no two labels overlap.
    std::vector<std::size_t> order(labels.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return labels[a].span > labels[b].span; });
    std::vector<gdi::Rect> taken;
    for (const std::size_t i : order) {
        Label& l = labels[i];
        if (l.span * 1.2 * r < lineHeight)
            continue;
        const bool clear = std::none_of(taken.begin(), taken.end(), [&](const gdi::Rect& t) {
            gdi::Rect overlap;
            return overlap.IntersectRect(t, l.box);
        });
        if (!clear)
            continue;
        l.shown = true;
        taken.push_back(l.box);
    }

    for (std::size_t i = 0; i < labels.size(); ++i) {
        const Label& l = labels[i];
        dc.MoveTo(c);
        dc.LineTo(chart::PointAt(c, l.start + l.span, r));
        if (!l.shown)
            continue;
        dc.MoveTo(chart::PointAt(c, l.start + l.span / 2, r));
        dc.LineTo(l.end);
        dc.LineTo(l.x, l.end.y);
        dc.SelectFont(static_cast<int>(i) == m_nSelected ? m_boldFont : m_labelFont);
        dc.DrawText(l.text, l.box, gdi::DT_CENTER);
    }
}

void CChartCtrl::paintEvent(QPaintEvent*) {
    // The picture follows the client size, so that a resized chart is drawn whole.
    if (m_picture.size() != size())
        m_picture = QImage(size(), QImage::Format_RGB32);
    if (m_picture.isNull())
        return;
    {
        QPainter painter(&m_picture);
        gdi::Dc dc(&painter);
        Draw(dc, gdi::Rect(0, 0, width(), height()));
    }
    QPainter(this).drawImage(0, 0, m_picture);
}

// ---- selection ---------------------------------------------------------------------------------------

void CChartCtrl::OnLButtonDown(gdi::Point point) {
    const std::vector<double> values = Values();
    const chart::Hit hit{&values, m_dTotal, m_dLargest, m_nStyle, m_bNormalCurve};
    m_nSelected = chart::HitTest(hit, gdi::Rect(0, 0, width(), height()), point);
    update();

    const int id = ui::Dialog::GetDlgCtrlId(this);
    NMCHART nm;
    nm.hdr.hwndFrom = this;
    nm.hdr.idFrom = static_cast<std::uintptr_t>(id);
    nm.hdr.code = NM_CHARTCLICK;
    nm.iItem = m_nSelected;
    if (m_nSelected >= 0) {
        const CChartItem& item = m_items[static_cast<std::size_t>(m_nSelected)];
        nm.label = text::CutToGbkBytes(item.m_strLabel, kNotifyLabelBytes);
        nm.value = item.m_dValue;
    }
    SendNotify(parentWidget(), id, &nm.hdr);
}

void CChartCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(gdi::Point(event->position().toPoint().x(), event->position().toPoint().y()));
    QWidget::mousePressEvent(event);
}

void CChartCtrl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange)
        update();
}
