// The print road: the chart laid out in twips (y upwards) into a band of the page at most four
// inches tall, always with the origin at the lower left of the plot.

#include "plotchart/ChartDrawing.h"
#include "plotchart/PlotChart.h"

#include "platform/ui/MessageBox.h"

#include <algorithm>

using namespace plotchart;

namespace {

constexpr int kChartHeight = 5760; // four inches

// The tick-label font: Arial of the given size in points, as a cell height in twips.
gdi::Font TickFont(int size, int escapement = 0, int pitchAndFamily = 16) {
    return ChartFont(20 * size, escapement, pitchAndFamily);
}

// The print length of a value: truncated, at least one scale unit for a value at least one above
// the minimum, and never past the plot.
int PrintLength(int v, int minimum, double scale, int limit) {
    int length = static_cast<int>((v - minimum) * scale);
    if (v - minimum >= 1 && length < 1)
        length = static_cast<int>(scale);
    return std::clamp(length, 0, std::max(limit, 0));
}

} // namespace

// ---- layout ----------------------------------------------------------------------------------------

void CPlotChart::SetPrintArea(int pageTop, int pageBottom, int left, int right, int top) {
    m_rcPrintPage = PrintPage{pageTop, pageBottom, left, right};
    m_nPrintLeft = left;
    m_nPrintRight = right;
    m_nPrintTop = top;
    m_nPrintBottom = std::max(top - kChartHeight, pageBottom);
}

int CPlotChart::PrintLabelSize() const {
    int s = 16;
    const bool wide = m_nWidth > m_nHeight;
    const int n = TextLength(wide ? m_strYTitle : m_strXTitle);
    const int room = wide ? m_nHeight : m_nWidth;
    while (s > 2 && (s / 2) * n > room)
        s -= 2;
    return s;
}

int CPlotChart::PrintChart(gdi::Dc* pDC) {
    m_nHeight = m_nPrintTop - m_nPrintBottom;
    m_nWidth = m_nPrintRight - m_nPrintLeft;
    pDC->SetMapMode(gdi::MM_TWIPS);

    const gdi::Font titleFont = ChartFont(-480, 0, 1, gdi::FW_BOLD, QStringLiteral("Times New Roman"));
    int titleHeight = 0;
    {
        FontScope font(pDC, titleFont);
        titleHeight = TextMetrics(pDC).tmHeight;
    }
    if (LayOutPrint(pDC, titleHeight)) {
        const int oldBkMode = pDC->SetBkMode(gdi::TRANSPARENT);
        {
            FontScope font(pDC, titleFont);
            const gdi::TEXTMETRIC tm = TextMetrics(pDC);
            TextAt(pDC, m_nPrintLeft + m_nWidth / 2 - (TextLength(m_strTitle) / 2) * tm.tmAveCharWidth,
                   m_nPrintTop - 50, m_strTitle);
        }
        if (m_bLegend)
            m_nPlotWidth = PrintLegend(pDC) - m_nOriginX - 200;
        if (m_nGraphType != GT_PIE)
            PrintAxes(pDC);
        PrintSeries(pDC);
        pDC->SetBkMode(oldBkMode);
    }
    m_nPrintBottom -= 90;
    return m_nPrintBottom;
}

// The plot rectangle of the print road; false when the print rectangle has no room for a plot.
bool CPlotChart::LayOutPrint(gdi::Dc* pDC, int titleHeight) {
    if (m_nWidth <= 0 || m_nHeight <= 0)
        return false;
    if (m_nGraphType == GT_PIE || m_nGraphType == GT_PIE_3D) {
        m_nPlotWidth = m_nPrintRight - m_nPrintLeft - 200;
        m_nPlotHeight = m_nHeight - titleHeight - 600;
        m_nOriginX = m_nPrintLeft + 500;
        m_nOriginY = m_nPrintBottom + 500;
    } else {
        const int s = PrintLabelSize();
        gdi::TEXTMETRIC tm;
        {
            FontScope font(pDC, ChartFont(-20 * s, 900, 16));
            tm = TextMetrics(pDC);
        }
        const QString& bottomTitle = m_bVertical ? m_strXTitle : m_strYTitle;
        const int band = bottomTitle.isEmpty() ? 0 : tm.tmHeight + 50;
        const int w = tm.tmAveCharWidth;
        if (m_bVertical) {
            m_nOriginX = m_nPrintLeft + static_cast<int>(IntText(m_nYMax).size()) * w + band + 100;
            m_nOriginY = m_nXLabelAngle == 0 ? m_nPrintBottom + 2 * band + 50
                                             : m_nPrintBottom + (m_nXTitleLength + 1) * band;
        } else {
            m_nOriginY = m_nPrintBottom + 2 * band + 50;
            m_nOriginX = m_nPrintLeft + m_nXTitleLength * w + band;
        }
        m_nPlotHeight = m_nPrintTop - titleHeight - m_nOriginY - 200;
        m_nPlotWidth = m_nWidth - m_nOriginX - 100;
    }
    if (m_bLegend) {
        // The legend's left edge, as PrintLegend will draw it.
        gdi::TEXTMETRIC tm;
        {
            FontScope font(pDC, ChartFont(-240, 0, 1, gdi::FW_NORMAL, QStringLiteral("Times New Roman")));
            tm = TextMetrics(pDC);
        }
        const int right = m_nPrintRight - 100;
        m_nPlotWidth = right - m_legend.GetLongest() * tm.tmAveCharWidth - 1000 - m_nOriginX - 200;
    }
    return m_nPlotWidth > 0 && m_nPlotHeight > 0;
}

int CPlotChart::PrintLegend(gdi::Dc* pDC) {
    const gdi::Font headingFont = ChartFont(-240, 0, 1, gdi::FW_NORMAL, QStringLiteral("Times New Roman"));
    const gdi::Font entryFont = ChartFont(-200, 0, 1, gdi::FW_NORMAL, QStringLiteral("Times New Roman"));
    int top = 0, bottom = 0, left = 0, right = 0;
    {
        FontScope font(pDC, headingFont);
        const int a = TextMetrics(pDC).tmAveCharWidth;
        const int mid = m_nPrintTop + (m_nPrintBottom - m_nPrintTop) / 2;
        const int half = (m_nMaxPoints + 1) / 2;
        top = mid + half * 240 + 300;
        bottom = mid - half * 240 - 300;
        right = m_nPrintRight - 100;
        left = right - m_legend.GetLongest() * a - 1000;
        m_nLegendWidth = right - left;
        pDC->Rectangle(gdi::Rect(left, top, right, bottom));
        pDC->TextOut(left + m_nLegendWidth / 2 - 360, top - 160, QStringLiteral("Legend"));
    }
    for (int i = 0; i < m_nMaxPoints; ++i) {
        int rowY = 0, swatchLeft = 0;
        {
            FontScope font(pDC, entryFont);
            const gdi::TEXTMETRIC tm = TextMetrics(pDC);
            rowY = top - tm.tmHeight * i;
            swatchLeft = left + 50 + (m_nLongestLegendText * tm.tmMaxCharWidth) / 2;
            TextAt(pDC, left + 100, rowY - 500, m_legend.GetEntryText(i));
        }
        FilledRect(pDC, GetColor(i), swatchLeft, rowY - 560, right - 100, rowY - 680);
    }
    return left;
}

// ---- axes ------------------------------------------------------------------------------------------

void CPlotChart::PrintAxes(gdi::Dc* pDC) {
    pDC->SetTextColor(kBlack);
    m_nPrintTopTickY = m_nOriginY;
    m_nPrintLastX = m_nOriginX;
    if (IsFlatType(m_nGraphType))
        PrintFlatAxes(pDC);
    else if (IsDepthType(m_nGraphType))
        PrintDepthAxes(pDC);
}

void CPlotChart::PrintAxisTitles(gdi::Dc* pDC, bool depth) {
    const int s = PrintLabelSize();
    const gdi::Font fontH = ChartFont(20 * s, 0, 16);
    const gdi::Font fontV = ChartFont(20 * s, 2700, 16);
    const QString& side = m_bVertical ? m_strYTitle : m_strXTitle;
    const QString& bottom = m_bVertical ? m_strXTitle : m_strYTitle;
    int sideHeight = 0;
    {
        FontScope font(pDC, fontV);
        const gdi::TEXTMETRIC tm = TextMetrics(pDC);
        sideHeight = tm.tmHeight;
        const int offset = depth && m_bVertical ? (TextLength(side) * tm.tmAveCharWidth) / 2
                                                : (TextLength(side) / 2) * tm.tmHeight;
        TextAt(pDC, m_nPrintLeft + 10, m_nPrintTop - m_nHeight / 2 - offset, side);
    }
    FontScope font(pDC, fontH);
    const gdi::TEXTMETRIC tm = TextMetrics(pDC);
    const int x = m_nOriginX + m_nPlotWidth / 2 - (TextLength(bottom) / 2) * tm.tmAveCharWidth;
    if (m_bVertical) {
        TextAt(pDC, x, m_nPrintBottom + sideHeight + 50, bottom);
    } else {
        const int b = bottom.isEmpty() ? 0 : tm.tmHeight + 50;
        TextAt(pDC, x, m_nPrintBottom + b + 50, bottom);
    }
}

// A label under the bottom axis at x: centred when not rotated, else started as rotated labels are.
void CPlotChart::PrintBottomLabel(gdi::Dc* pDC, const QString& text, int x, int escapement) {
    if (m_nXLabelAngle == 0) {
        FontScope font(pDC, TickFont(m_nXLabelSize));
        const gdi::TEXTMETRIC tm = TextMetrics(pDC);
        TextAt(pDC, x - (TextLength(text) * tm.tmAveCharWidth) / 2, m_nOriginY - 160, text);
        return;
    }
    FontScope font(pDC, TickFont(m_nXLabelSize, escapement));
    if (m_nXLabelAngle < 180) {
        const gdi::TEXTMETRIC tm = TextMetrics(pDC);
        TextAt(pDC, x - 10 * m_nXLabelSize,
               m_nOriginY - 10 * m_nXLabelSize - m_nXTitleLength * tm.tmAveCharWidth, text);
    } else {
        TextAt(pDC, x + 10 * m_nXLabelSize, m_nOriginY - 160, text);
    }
}

void CPlotChart::PrintFlatAxes(gdi::Dc* pDC) {
    const int ox = m_nOriginX, oy = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    const int n = GetSeriesCount();
    Line(pDC, ox, oy, ox, oy + H);
    Line(pDC, ox, oy, ox + W, oy);
    PrintAxisTitles(pDC, false);
    const bool scatter = m_nGraphType == GT_SCATTER;
    const int tc = m_nTickCount;

    if (m_bVertical) {
        if (tc >= 1) {
            const double step = (H - 100) / tc;
            for (int i = 1; i <= tc; ++i) {
                const int y = oy + static_cast<int>(i * step);
                Line(pDC, ox - 60, y, ox + 60, y);
                if (m_bGrid)
                    GridLine(pDC, kGrid, {{ox, y}, {ox + W, y}});
                const QString label = IntText(m_nYMin + i * m_nTickStep);
                FontScope font(pDC, TickFont(m_nYLabelSize));
                pDC->TextOut(ox - 20 * ((m_nYLabelSize / 2) * TextLength(label) + 10), y + 120, label);
                m_nPrintTopTickY = y;
            }
        }
        if (scatter) {
            if (tc >= 1) {
                const int step = (W - 200) / tc;
                for (int i = 1; i <= tc; ++i) {
                    const int x = ox + i * step;
                    Line(pDC, x, oy - 60, x, oy + 60);
                    const QString label = IntText(i * m_nTickStep);
                    FontScope font(pDC, TickFont(m_nXLabelSize));
                    const gdi::TEXTMETRIC tm = TextMetrics(pDC);
                    pDC->TextOut(x - (TextLength(label) * tm.tmAveCharWidth) / 2, oy - 160, label);
                    m_nPrintLastX = x;
                }
            }
        } else if (n > 0) {
            const int cw = W / n;
            for (int k = 1; k <= n; ++k) {
                const int x = ox + k * cw - cw / 2;
                Line(pDC, x, oy - 60, x, oy + 60);
                const QString& name = m_pSeriesList[static_cast<std::size_t>(k - 1)]->m_strName;
                if (m_nXLabelAngle == 0)
                    TextAt(pDC, x - 10 * (TextLength(name) / 2) * m_nXLabelSize, oy - 160, name);
                else
                    // Turned as on the screen and on the depth axes: escapement runs
                    // counter-clockwise on the page, so 10 × (360 - angle) would turn the names
                    // up into the plot.
                    PrintBottomLabel(pDC, name, x, 10 * m_nXLabelAngle);
                m_nPrintLastX = x;
            }
        }
        return;
    }

    if (!scatter && n > 0) {
        const int ch = (H - 50) / n;
        for (int k = 1; k <= n; ++k) {
            const int y = oy + k * ch - ch / 2;
            Line(pDC, ox - 60, y, ox + 60, y);
            const QString& name = m_pSeriesList[static_cast<std::size_t>(k - 1)]->m_strName;
            FontScope font(pDC, TickFont(m_nYLabelSize, 0, 17));
            TextAt(pDC, ox - 10 * (m_nYLabelSize * TextLength(name) + 20), y + 120, name);
            m_nPrintTopTickY = y;
        }
    }
    if (tc < 1)
        return;
    if (scatter) {
        const double step = (H - 100) / tc;
        for (int i = 1; i <= tc; ++i) {
            const int y = oy + static_cast<int>(i * step);
            Line(pDC, ox - 60, y, ox + 60, y);
            const QString label = IntText(i * m_nTickStep);
            FontScope font(pDC, TickFont(m_nYLabelSize));
            pDC->TextOut(ox - 10 * (m_nYLabelSize * TextLength(label) + 20), y + 120, label);
            m_nPrintTopTickY = y;
        }
    }
    const double step = (W - 200) / tc;
    for (int i = 1; i <= tc; ++i) {
        const int x = ox + static_cast<int>(i * step);
        Line(pDC, x, oy - 60, x, oy + 60);
        if (m_bGrid)
            GridLine(pDC, kGrid, {{x, oy}, {x, oy + H}});
        PrintBottomLabel(pDC, IntText(i * m_nTickStep), x, 10 * m_nXLabelAngle);
        m_nPrintLastX = x;
    }
}

void CPlotChart::PrintDepthAxes(gdi::Dc* pDC) {
    const int d = static_cast<int>(0.05 * (m_bVertical ? m_nPlotHeight : m_nPlotWidth));
    m_nDepth = d;
    m_nPlotWidth -= d;
    m_nPlotHeight -= d;
    const int ox = m_nOriginX, oy = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    const int d2 = static_cast<int>(0.5 * d);
    const int n = GetSeriesCount();
    const int tc = m_nTickCount;

    Line(pDC, ox + d, oy + d, ox + d, oy + d + H);
    Line(pDC, ox + d, oy + d, ox + d + W, oy + d);
    Line(pDC, ox, oy - d2, ox, oy + H);
    Line(pDC, ox - d2, oy, ox + W, oy);
    Line(pDC, ox, oy, ox + d, oy + d);
    Line(pDC, ox, oy + H, ox + d, oy + H + d);
    Line(pDC, ox + W, oy, ox + W + d, oy + d);
    pDC->MoveTo(ox + d, oy + H + d);
    pDC->LineTo(ox + W + d, oy + H + d);
    pDC->LineTo(ox + W + d, oy + d);
    PrintAxisTitles(pDC, true);

    if (m_bVertical) {
        if (tc >= 1) {
            const double step = static_cast<double>(H) / tc;
            for (int i = 1; i <= tc; ++i) {
                const int y = oy + static_cast<int>(i * step);
                Line(pDC, ox - d2, y, ox, y);
                if (m_bGrid)
                    GridLine(pDC, kGrid, {{ox, y}, {ox + d, y + d}, {ox + W + d, y + d}});
                const QString label = IntText(i * m_nTickStep);
                {
                    FontScope font(pDC, TickFont(m_nYLabelSize));
                    pDC->TextOut(ox - 20 * ((m_nYLabelSize / 2) * TextLength(label) + 10), y + 120, label);
                }
                m_nPrintTopTickY = y;
                const int ym =
                    oy + static_cast<int>(0.5 * i * step) - static_cast<int>(-0.5 * (i - 1) * step);
                Line(pDC, ox - d2, ym, ox, ym);
                if (m_bGrid)
                    GridLine(pDC, kLightGrid, {{ox, ym}, {ox + d, ym + d}, {ox + W + d, ym + d}});
            }
        }
        if (n > 0) {
            const int cw = W / n;
            for (int k = 1; k <= n; ++k) {
                const int x = ox - cw / 2 + k * cw;
                pDC->MoveTo(x, oy - d2);
                pDC->LineTo(x, oy);
                pDC->LineTo(x + d, oy + d);
                const QString& name = m_pSeriesList[static_cast<std::size_t>(k - 1)]->m_strName;
                if (m_nXLabelAngle == 0)
                    TextAt(pDC, x - 10 * (TextLength(name) / 2) * m_nXLabelSize, oy - 160, name);
                else
                    PrintBottomLabel(pDC, name, x, 10 * m_nXLabelAngle);
                m_nPrintLastX = x;
            }
        }
        return;
    }

    if (n > 0) {
        const int ch = (H - 50) / n;
        for (int k = 1; k <= n; ++k) {
            const int y = oy + k * ch;
            Line(pDC, ox - d2, y, ox, y);
            const QString& name = m_pSeriesList[static_cast<std::size_t>(k - 1)]->m_strName;
            FontScope font(pDC, TickFont(m_nYLabelSize, 0, 17));
            TextAt(pDC, ox - 10 * TextLength(name) * m_nYLabelSize, y + 120, name);
            m_nPrintTopTickY = y;
        }
    }
    if (tc < 1)
        return;
    const double step = (W - 200) / tc;
    const int quarter = static_cast<int>(0.25 * d);
    for (int i = 1; i <= tc; ++i) {
        const int x = ox + static_cast<int>(i * step);
        Line(pDC, x, oy - quarter, x, oy);
        if (m_bGrid)
            GridLine(pDC, kGrid, {{x, oy}, {x + d, oy + d}, {x + d, oy + H + d}});
        PrintBottomLabel(pDC, IntText(i * m_nTickStep), x, 10 * m_nXLabelAngle);
        m_nPrintLastX = x;
        const int xm = ox + static_cast<int>(0.5 * i * step) - static_cast<int>(-0.5 * (i - 1) * step);
        Line(pDC, xm, oy - quarter, xm, oy);
        if (m_bGrid)
            GridLine(pDC, kLightGrid, {{xm, oy}, {xm + d, oy + d}, {xm + d, oy + H + d}});
    }
}

// ---- series ----------------------------------------------------------------------------------------

void CPlotChart::PrintSeries(gdi::Dc* pDC) {
    switch (m_nGraphType) {
    case GT_BAR:
        PrintBar(pDC);
        break;
    case GT_LINE:
        PrintLine(pDC);
        break;
    case GT_PIE:
        PrintPie(pDC);
        break;
    case GT_SCATTER:
        PrintScatter(pDC);
        break;
    case GT_DISTRIBUTION:
        PrintDistribution(pDC);
        break;
    case GT_STACKED_BAR:
        PrintStackedBar(pDC);
        break;
    case GT_XY_LINE:
        PrintXYLine(pDC);
        break;
    case GT_BAR_3D:
        PrintBar3D(pDC);
        break;
    case GT_LINE_3D:
        PrintLine3D(pDC);
        break;
    case GT_PIE_3D:
        PrintPie3D(pDC);
        break;
    case GT_STACKED_BAR_3D:
        PrintStackedBar3D(pDC);
        break;
    default:
        ui::MessageBox(nullptr, QStringLiteral("No graph type to print"), QString(), ui::MB_OK);
        break;
    }
}

void CPlotChart::PrintBar(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    const int m = m_nMaxPoints;
    if (n == 0 || m <= 0 || m_nYMax == m_nYMin)
        return;
    const int x0 = m_nOriginX, y0 = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    const int range = m_nYMax - m_nYMin;
    if (m_bVertical) {
        const int gw = W / n;
        const int bw = static_cast<int>(gw * 0.6 / m);
        const double scale = static_cast<double>(H - 100) / range;
        for (int k = 1; k <= n; ++k) {
            const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
            const int xk = x0 + k * gw - gw / 2;
            for (int j = 0; j < m; ++j) {
                const int v = series.GetValueAt(j);
                if (v < 0)
                    continue;
                const int left = xk - (m * bw) / 2 + j * bw;
                FilledRect(pDC, GetColor(j), left, y0 + PrintLength(v, m_nYMin, scale, H), left + bw, y0);
            }
        }
        return;
    }
    const int gh = H / n;
    const int bh = static_cast<int>(gh * 0.6 / m);
    const double scale = static_cast<double>(W - 100) / range;
    for (int k = 1; k <= n; ++k) {
        const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
        const int yk = y0 + k * gh - gh / 2;
        for (int j = 0; j < m; ++j) {
            const int v = series.GetValueAt(j);
            if (v < 0)
                continue;
            const int bottom = yk - (m * bh) / 2 + j * bh;
            FilledRect(pDC, GetColor(j), x0, bottom + bh, x0 + PrintLength(v, m_nYMin, scale, W), bottom);
        }
    }
}

void CPlotChart::PrintStackedBar(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    const int m = m_nMaxPoints;
    if (n == 0 || m <= 0 || m_nYMax == m_nYMin)
        return;
    const int x0 = m_nOriginX, y0 = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    const int range = m_nYMax - m_nYMin;
    const int slot = (m_bVertical ? W : H) / n;
    const int thickness = static_cast<int>(slot * 0.6);
    const double scale = static_cast<double>((m_bVertical ? H : W) - 100) / range;
    for (int k = 1; k <= n; ++k) {
        const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
        const int centre = (m_bVertical ? x0 : y0) + k * slot - slot / 2;
        int from = m_bVertical ? y0 : x0;
        for (int j = 0; j < m; ++j) {
            const int v = series.GetValueAt(j);
            if (v < 0)
                continue;
            const int length = PrintLength(v, m_nYMin, scale, m_bVertical ? H : W);
            const int side = centre - thickness / 2;
            if (m_bVertical)
                FilledRect(pDC, GetColor(j), side, from + length, side + thickness, from);
            else
                FilledRect(pDC, GetColor(j), from, side + thickness, from + length, side);
            from += length;
        }
    }
}

void CPlotChart::PrintLine(gdi::Dc* pDC) {
    PrintLineSeries(pDC, false);
}

void CPlotChart::PrintXYLine(gdi::Dc* pDC) {
    PrintLineSeries(pDC, true);
}

void CPlotChart::PrintLineSeries(gdi::Dc* pDC, bool xy) {
    const int n = GetSeriesCount();
    const int m = m_nMaxPoints;
    if (n == 0 || m <= 0 || m_nYMax == m_nYMin)
        return;
    const int x0 = m_nOriginX, y0 = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    const int range = m_nYMax - m_nYMin;
    const int slot = (m_bVertical ? W : H) / n;
    // The full axis length and the one-unit minimum of the length rule.
    double unit = 0;
    int full = 0;
    if (m_bVertical) {
        unit = range == H ? m_nTickStep * 15.0 : static_cast<double>(H) / range * m_nTickStep;
        full = static_cast<int>(m_nTickCount * unit);
    } else {
        unit = static_cast<double>(W - 100) / range;
        full = static_cast<int>(range * unit);
    }
    const int limit = m_bVertical ? H : W;
    for (int j = 0; j < m; ++j) {
        const gdi::COLORREF colour = GetColor(j);
        bool havePrevious = false;
        gdi::Point previous;
        for (int k = 1; k <= n; ++k) {
            const int v = m_pSeriesList[static_cast<std::size_t>(k - 1)]->GetValueAt(j);
            if (v < 0)
                continue;
            int length = static_cast<int>(static_cast<double>(full) * (v - m_nYMin) / range);
            if (v - m_nYMin >= 1 && length < 1)
                length = static_cast<int>(unit);
            length = std::clamp(length, 0, std::max(limit, 0));
            const int centre = (m_bVertical ? x0 : y0) - slot / 2 + k * slot;
            const gdi::Point p =
                m_bVertical ? gdi::Point(centre, y0 + length) : gdi::Point(x0 + length, centre);
            if (havePrevious) {
                PenScope pen(pDC, SolidPen(colour, xy ? 40 : 20));
                Line(pDC, previous.x, previous.y, p.x, p.y);
            }
            if (!xy) {
                BrushScope brush(pDC, gdi::Brush::Solid(colour));
                pDC->Ellipse(gdi::Rect(p.x - 60, p.y + 60, p.x + 60, p.y - 60));
            }
            previous = p;
            havePrevious = true;
        }
    }
}

void CPlotChart::PrintScatter(gdi::Dc* pDC) {
    if (m_nYMax == 0)
        return;
    const int x0 = m_nOriginX, y0 = m_nOriginY;
    BrushScope brush(pDC, gdi::Brush::Solid(kBlack));
    for (const auto& series : m_pSeriesList) {
        if (series->GetPointCount() == 0)
            continue;
        const int x =
            x0 + static_cast<int>(static_cast<double>(series->GetFirstX()) * (m_nPrintLastX - x0) / m_nYMax);
        const int y = y0 + static_cast<int>(static_cast<double>(series->GetFirstY()) *
                                            (m_nPrintTopTickY - y0) / m_nYMax);
        pDC->Ellipse(gdi::Rect(x - 60, y + 60, x + 60, y - 60));
    }
}

void CPlotChart::PrintDistribution(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    if (n == 0 || m_nYMax == m_nYMin)
        return;
    const int x0 = m_nOriginX, y0 = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    // The value scale of the bars, so that the boxes agree with the value-axis labels.
    const double scale = static_cast<double>((m_bVertical ? H : W) - 100) / (m_nYMax - m_nYMin);
    const auto at = [&](int v) { return static_cast<int>((v - m_nYMin) * scale); };
    const int slot = (m_bVertical ? W : H) / n;
    const int width = static_cast<int>(slot * 0.8);
    BrushScope brush(pDC, gdi::Brush::Solid(kBlack));
    for (int k = 1; k <= n; ++k) {
        const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
        m_nMaxPoints = series.GetPointCount();
        const std::vector<int> values = SortedBoxValues(series);
        if (values.empty())
            continue;
        const BoxStats s = BoxStatsOf(values);
        const int mx = at(s.maximum), mn = at(s.minimum);
        if (m_bVertical) {
            const int xc = x0 + k * slot - slot / 2;
            const int left = xc - width / 2, right = left + width;
            pDC->Rectangle(gdi::Rect(left, y0 + mx, right, y0 + mx - 60));
            pDC->Rectangle(gdi::Rect(left, y0 + mn, right, y0 + mn + 60));
            pDC->Rectangle(gdi::Rect(xc - 40, y0 + mx, xc + 40, y0 + mn + 60));
            pDC->Rectangle(gdi::Rect(left, y0 + at(s.upperQuartile), right, y0 + at(s.lowerQuartile)));
            PenScope pen(pDC, SolidPen(kRed));
            Line(pDC, left, y0 + at(s.median), right, y0 + at(s.median));
        } else {
            const int yc = y0 + k * slot - slot / 2;
            const int top = yc + width / 2, bottom = top - width;
            pDC->Rectangle(gdi::Rect(x0 + mx - 60, top, x0 + mx, bottom));
            pDC->Rectangle(gdi::Rect(x0 + mn, top, x0 + mn + 60, bottom));
            pDC->Rectangle(gdi::Rect(x0 + mn + 60, yc + 40, x0 + mx, yc - 40));
            pDC->Rectangle(gdi::Rect(x0 + at(s.lowerQuartile), top, x0 + at(s.upperQuartile), bottom));
            PenScope pen(pDC, SolidPen(kRed));
            Line(pDC, x0 + at(s.median), top, x0 + at(s.median), bottom);
        }
    }
}

// The three faces of a depth bar from (left, bottom) to (right, top), y upwards: its front, the
// side or end face and the top or upper face, each filled and outlined in its own colour.
namespace {

void PrintVerticalFaces(gdi::Dc* pDC, gdi::COLORREF c, int left, int top, int right, int bottom, int d) {
    SolidRect(pDC, c, left, top, right, bottom);
    SolidPolygon(pDC, Shade(c, -35),
                 {{right, top}, {right, bottom}, {right + d, bottom + d}, {right + d, top + d}});
    SolidPolygon(pDC, Shade(c, 35), {{left, top}, {right, top}, {right + d, top + d}, {left + d, top + d}});
}

void PrintHorizontalFaces(gdi::Dc* pDC, gdi::COLORREF c, int start, int top, int end, int bottom, int d,
                          int e) {
    SolidRect(pDC, c, start, top, end, bottom);
    SolidPolygon(pDC, Shade(c, -35), {{start, top}, {end, top}, {end + e, top + d}, {start + e, top + d}});
    SolidPolygon(pDC, Shade(c, 35), {{end, top}, {end, bottom}, {end + e, bottom + d}, {end + e, top + d}});
}

} // namespace

void CPlotChart::PrintBar3D(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    const int m = m_nMaxPoints;
    if (n == 0 || m <= 0 || m_nYMax == m_nYMin)
        return;
    const int x0 = m_nOriginX, y0 = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight, d = m_nDepth;
    const int range = m_nYMax - m_nYMin;
    if (m_bVertical) {
        const int gw = (W - 100) / n;
        const int bw = static_cast<int>(gw * 0.8 / m);
        const double scale = H / range;
        for (int k = 1; k <= n; ++k) {
            const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
            const int xk = x0 - gw / 2 + k * gw;
            for (int j = 0; j < m; ++j) {
                const int v = series.GetValueAt(j);
                if (v < 0)
                    continue;
                const int left = xk - (m * bw) / 2 + j * bw;
                PrintVerticalFaces(pDC, GetColor(j), left, y0 + PrintLength(v, m_nYMin, scale, H), left + bw,
                                   y0, d);
            }
        }
        return;
    }
    const int gh = H / n;
    const int bh = static_cast<int>(gh * 0.8 / m);
    const double scale = static_cast<double>(W - 200) / range;
    for (int k = 1; k <= n; ++k) {
        const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
        const int yk = y0 + k * gh - gh / 2;
        for (int j = 0; j < m; ++j) {
            const int v = series.GetValueAt(j);
            if (v < 0)
                continue;
            const int bottom = yk - (m * bh) / 2 + j * bh;
            PrintHorizontalFaces(pDC, GetColor(j), x0, bottom + bh, x0 + PrintLength(v, m_nYMin, scale, W),
                                 bottom, d, d - m + j);
        }
    }
}

void CPlotChart::PrintStackedBar3D(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    const int m = m_nMaxPoints;
    if (n == 0 || m <= 0 || m_nYMax == m_nYMin)
        return;
    const int x0 = m_nOriginX, y0 = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight, d = m_nDepth;
    const int range = m_nYMax - m_nYMin;
    const int slot = (m_bVertical ? W : H) / n;
    const int thickness = static_cast<int>(slot * 0.8);
    const double scale = m_bVertical ? static_cast<double>(H) / range : static_cast<double>(W - 10) / range;
    for (int k = 1; k <= n; ++k) {
        const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
        const int centre = (m_bVertical ? x0 : y0) + k * slot - slot / 2;
        const int side = centre - thickness / 2;
        int from = m_bVertical ? y0 : x0;
        for (int j = 0; j < m; ++j) {
            const int v = series.GetValueAt(j);
            if (v < 0)
                continue;
            const int length = PrintLength(v, m_nYMin, scale, m_bVertical ? H : W);
            if (m_bVertical)
                PrintVerticalFaces(pDC, GetColor(j), side, from + length, side + thickness, from, d);
            else
                PrintHorizontalFaces(pDC, GetColor(j), from, side + thickness, from + length, side, d, d);
            from += length;
        }
    }
}

void CPlotChart::PrintLine3D(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    const int m = m_nMaxPoints;
    if (n == 0 || m <= 0 || m_nYMax == m_nYMin)
        return;
    const int x0 = m_nOriginX, y0 = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight, d = m_nDepth;
    const int range = m_nYMax - m_nYMin;
    const int t = d / 5;
    const int slot = m_bVertical ? (W - 100) / n : H / n;
    const double scale = m_bVertical ? H / range : static_cast<double>(W - 200) / range;
    for (int j = 0; j < m; ++j) {
        const gdi::COLORREF c = GetColor(j);
        const gdi::COLORREF lighter = Shade(c, 35);
        const gdi::COLORREF darker = Shade(c, -35);
        int drawn = 0;
        gdi::Point p;
        for (int k = 1; k <= n; ++k) {
            const int v = m_pSeriesList[static_cast<std::size_t>(k - 1)]->GetValueAt(j);
            if (v < 0)
                continue;
            int length = static_cast<int>((v - m_nYMin) * scale);
            if (v - m_nYMin >= 1 && length < 1)
                length = static_cast<int>(scale);
            const int centre = (m_bVertical ? x0 : y0) - slot / 2 + k * slot;
            const gdi::Point q =
                m_bVertical ? gdi::Point(centre, y0 + length) : gdi::Point(x0 + length, centre);
            if (drawn > 0) {
                if (m_bVertical) {
                    SolidPolygon(pDC, c, {p, {p.x, p.y - t}, {q.x, q.y - t}, q});
                    SolidPolygon(pDC, lighter, {p, {p.x + d, p.y + d}, {q.x + d, q.y + d}, q});
                } else {
                    SolidPolygon(pDC, c, {p, {p.x - t, p.y}, {q.x - t, q.y}, q});
                    SolidPolygon(pDC, lighter, {p, {p.x + d, p.y + t}, {q.x + d, q.y + t}, q});
                }
            }
            p = q;
            ++drawn;
        }
        if (drawn >= 2) {
            if (m_bVertical)
                SolidPolygon(pDC, darker, {p, {p.x + d, p.y + d}, {p.x + d, p.y + d - t}, {p.x, p.y + t}});
            else
                SolidPolygon(pDC, darker, {p, {p.x + d, p.y + t}, {p.x + d - t, p.y + t}, {p.x - t, p.y}});
        }
    }
}
