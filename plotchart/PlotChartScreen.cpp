// The screen road: the chart's frame (title, legend, axes) and its series drawers, in device
// pixels with y growing downwards.

#include "plotchart/ChartDrawing.h"
#include "plotchart/PlotChart.h"

#include "platform/ui/MessageBox.h"

#include <algorithm>
#include <cstdlib>

using namespace plotchart;

namespace {

// Lowers a title font's height by 2 from `start` while half of it times the length exceeds the
// room, but only when a font of half the start height would not fit anyway.
int FittedHeight(int start, int length, int room) {
    int h = start;
    if ((start / 2) * length > room)
        while (h > 2 && (h / 2) * length > room)
            h -= 2;
    return h;
}

} // namespace

// ---- frame ---------------------------------------------------------------------------------------

void CPlotChart::DrawChart(gdi::Dc* pDC) {
    const int cw = pDC->GetDeviceCaps(gdi::HORZRES);
    const int ch = pDC->GetDeviceCaps(gdi::VERTRES);
    {
        BrushScope white(pDC, gdi::Brush::Solid(kWhite));
        pDC->Rectangle(gdi::Rect(0, 0, cw, ch));
    }
    m_nHeight = ch - 20;
    m_nWidth = cw - 5;
    if (!LayOutScreen(pDC))
        return;

    // Texts are drawn over the white ground, grid lines and legend without boxes of their own.
    const int oldBkMode = pDC->SetBkMode(gdi::TRANSPARENT);
    const int titleLength = TextLength(m_strTitle);
    {
        FontScope font(pDC, ChartFont(FittedHeight(24, titleLength, m_nWidth)));
        const gdi::TEXTMETRIC tm = TextMetrics(pDC);
        TextAt(pDC, cw / 2 - (titleLength / 2) * tm.tmAveCharWidth, 10, m_strTitle);
    }
    if (m_bLegend)
        m_nPlotWidth = DrawLegend(pDC) - m_nOriginX - 10;
    if (!IsPieType(m_nGraphType))
        DrawAxes(pDC);
    DrawSeries(pDC);
    pDC->SetBkMode(oldBkMode);
}

int CPlotChart::AxisTitleHeight() const {
    if (m_nWidth > m_nHeight)
        return FittedHeight(16, TextLength(m_strYTitle), m_nHeight);
    return FittedHeight(16, TextLength(m_strXTitle), m_nWidth);
}

int CPlotChart::LegendLeft() const {
    const int right = m_nWidth - 5;
    const int charWidth = static_cast<int>(m_nLegendFontSize * 0.66);
    return right - m_legend.GetLongest() * charWidth - 25;
}

bool CPlotChart::IsVerticalLayout() const {
    return m_bVertical == 1 || m_nGraphType == GT_LINE_3D;
}

bool CPlotChart::LayOutScreen(gdi::Dc* pDC) {
    if (m_nWidth <= 0 || m_nHeight <= 0)
        return false;
    if (IsPieType(m_nGraphType)) {
        m_nOriginX = 5;
        m_nPlotWidth = m_nWidth - 10;
        m_nPlotHeight = m_nHeight - 50;
        m_nOriginY = m_nHeight - 5;
    } else {
        gdi::TEXTMETRIC tm;
        {
            FontScope rotated(pDC, ChartFont(AxisTitleHeight(), 900));
            tm = TextMetrics(pDC);
        }
        const QString& sideTitle = IsVerticalLayout() ? m_strYTitle : m_strXTitle;
        const int titleRoom = sideTitle.isEmpty() ? 0 : tm.tmHeight + 10;
        if (IsVerticalLayout() && m_nGraphType != GT_SCATTER) {
            const int digits = static_cast<int>(IntText(m_nYMax).size());
            m_nOriginX = (m_nYLabelSize / 2) * digits + 50;
            m_nOriginY =
                m_nXLabelAngle == 0 ? m_nHeight - 50 : m_nHeight - (m_nXLabelSize / 2) * m_nXTitleLength - 15;
        } else {
            m_nOriginX = m_nXTitleLength * tm.tmAveCharWidth + titleRoom + 5;
            m_nOriginY = m_nHeight - tm.tmHeight - 15;
        }
        m_nPlotHeight = m_nOriginY - 40;
        m_nPlotWidth = m_nWidth - m_nOriginX - 5;
    }
    if (m_bLegend)
        m_nPlotWidth = LegendLeft() - m_nOriginX - 10;
    if (m_nPlotWidth <= 0 || m_nPlotHeight <= 0)
        return false;

    if (m_nGraphType == GT_BAR && !m_bFixedQuadrant) {
        int minX = 0, minY = 0;
        for (const auto& s : m_pSeriesList) {
            if (s->GetPointCount() == 0)
                continue;
            minX = std::min(minX, s->GetFirstX());
            minY = std::min(minY, s->GetFirstY());
        }
        m_nQuadrant = minX >= 0 ? (minY >= 0 ? 1 : 3) : (minY >= 0 ? 2 : 4);
    }
    if (m_nGraphType == GT_BAR) {
        if (m_nQuadrant == 2 || m_nQuadrant == 4)
            m_nOriginX += m_nPlotWidth / 2;
        if (m_nQuadrant == 3 || m_nQuadrant == 4)
            m_nOriginY -= m_nPlotHeight / 2;
    }
    return true;
}

int CPlotChart::DrawLegend(gdi::Dc* pDC) {
    const int right = m_nWidth - 5;
    const int boxHeight = 18 * m_nMaxPoints + 26;
    const int top = m_nHeight / 2 - boxHeight / 2;
    const int bottom = top + boxHeight;
    const int left = LegendLeft();
    m_nLegendWidth = right - left;
    pDC->Rectangle(gdi::Rect(left, top, right, bottom));
    {
        FontScope font(pDC, ChartFont(16));
        const gdi::TEXTMETRIC tm = TextMetrics(pDC);
        pDC->TextOut(left + m_nLegendWidth / 2 - 3 * tm.tmAveCharWidth, top + 3, QStringLiteral("Legend"));
    }
    const gdi::Font entryFont = ChartFont(m_nLegendFontSize);
    for (int i = 0; i < m_nMaxPoints; ++i) {
        const int y = top + 25 + 18 * i;
        {
            FontScope font(pDC, entryFont);
            TextAt(pDC, left + 5, y, m_legend.GetEntryText(i));
        }
        FilledRect(pDC, GetColor(i), left + (m_nLegendFontSize / 2) * m_nLongestLegendText + 10, y, right - 5,
                   y + 12);
    }
    return left;
}

// ---- axes ------------------------------------------------------------------------------------------

void CPlotChart::DrawAxes(gdi::Dc* pDC) {
    if (IsFlatType(m_nGraphType))
        DrawFlatAxes(pDC);
    else if (IsDepthType(m_nGraphType))
        DrawDepthAxes(pDC);
}

int CPlotChart::CategoryCentre(int k) const {
    const int n = GetSeriesCount();
    const int slot = m_nPlotWidth / n;
    // Quadrants 2 and 4 centre the category axis on the value axis.
    const bool centred = m_nGraphType == GT_BAR && (m_nQuadrant == 2 || m_nQuadrant == 4);
    const int start = centred ? m_nOriginX - m_nPlotWidth / 2 : m_nOriginX;
    return start + k * slot - slot / 2;
}

void CPlotChart::DrawFlatAxes(gdi::Dc* pDC) {
    const int ox = m_nOriginX, oy = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    pDC->SetTextColor(kBlack);
    m_nTopTickY = oy;
    m_nLastCategoryX = ox;
    {
        PenScope pen(pDC, SolidPen(kBlack, 2));
        const bool centredValues = m_nQuadrant == 3 || m_nQuadrant == 4;
        const bool centredCategories = m_nQuadrant == 2 || m_nQuadrant == 4;
        if (centredValues)
            Line(pDC, ox, oy + H / 2, ox, oy - H / 2);
        else
            Line(pDC, ox, oy, ox, oy - H);
        if (centredCategories)
            Line(pDC, ox - W / 2, oy, ox + W / 2, oy);
        else
            Line(pDC, ox, oy, ox + W, oy);
    }
    const bool centredTitles = m_nQuadrant == 3 || m_nQuadrant == 4;
    const bool leftTitles = m_nQuadrant == 2 || m_nQuadrant == 4;
    DrawAxisTitles(pDC, centredTitles ? oy : oy - H / 2, leftTitles ? ox : ox + W / 2);
    DrawValueTicks(pDC);
    DrawCategoryTicks(pDC, 0, 0);
}

// The title along the value axis (or the category axis in the horizontal layout) rotated at the
// left, centred on `sideMiddleY`; the other one under the plot, centred on `bottomMiddleX`.
void CPlotChart::DrawAxisTitles(gdi::Dc* pDC, int sideMiddleY, int bottomMiddleX) {
    const int height = AxisTitleHeight();
    const QString& side = IsVerticalLayout() ? m_strYTitle : m_strXTitle;
    const QString& bottom = IsVerticalLayout() ? m_strXTitle : m_strYTitle;
    {
        FontScope font(pDC, ChartFont(height, 900));
        const gdi::TEXTMETRIC tm = TextMetrics(pDC);
        TextAt(pDC, 10, sideMiddleY + (TextLength(side) * tm.tmAveCharWidth) / 2, side);
    }
    FontScope font(pDC, ChartFont(height));
    const gdi::TEXTMETRIC tm = TextMetrics(pDC);
    TextAt(pDC, bottomMiddleX - (TextLength(bottom) / 2) * tm.tmAveCharWidth, m_nHeight - 11, bottom);
}

void CPlotChart::DrawValueTicks(gdi::Dc* pDC) {
    const int ox = m_nOriginX, oy = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    const int d = m_nDepth;
    const bool depth = IsDepthType(m_nGraphType);
    // The depth layout labels the front axis, d left of and below the back wall.
    const int fx = depth ? ox - d : ox;
    const int fy = depth ? oy + d : oy;
    const int slant = depth ? static_cast<int>(0.2 * d) : 0;
    if (m_nTickCount < 1)
        return;

    const bool scatter = m_nGraphType == GT_SCATTER;
    if (!IsVerticalLayout() && !scatter) {
        // Values along the horizontal axis.
        const int s = (W - 10) / m_nTickCount;
        for (int n = 1; n <= m_nTickCount; ++n) {
            const int x = ox + n * s;
            const int xf = depth ? x - d : x;
            if (depth)
                Line(pDC, xf - slant, fy + slant, xf, fy);
            else
                Line(pDC, x, oy - 3, x, oy + 3);
            if (m_bGrid) {
                if (depth)
                    GridLine(pDC, kGrid, {{xf, fy}, {x, oy}, {x, oy - H}});
                else
                    GridLine(pDC, kGrid, {{x, oy}, {x, oy - H}});
            }
            const QString label = IntText(m_nYMin + n * m_nTickStep);
            FontScope font(pDC, ChartFont(m_nXLabelSize));
            const gdi::TEXTMETRIC tm = TextMetrics(pDC);
            pDC->TextOut(xf - (TextLength(label) * tm.tmAveCharWidth) / 2, fy + 8, label);
            m_nLastCategoryX = x;
        }
        return;
    }

    int s = (H - 10) / m_nTickCount;
    gdi::COLORREF gridColour = kGrid;
    if (scatter && m_nQuadrant == 2) {
        s *= 2;
        m_nTickCount /= 2;
        gridColour = kLightGrid;
    }
    const bool centredCategories = !depth && (m_nQuadrant == 2 || m_nQuadrant == 4);
    const int gridLeft = centredCategories ? ox - W / 2 : ox;
    const int gridRight = centredCategories ? ox + W / 2 : ox + W;
    const gdi::Font labelFont = ChartFont(m_nYLabelSize);
    const auto tick = [&](int y, int value) {
        const int yf = y + (fy - oy);
        if (depth)
            Line(pDC, fx - slant, yf + slant, fx, yf);
        else
            Line(pDC, ox - 3, y, ox + 3, y);
        if (m_bGrid) {
            if (depth)
                GridLine(pDC, gridColour, {{fx, yf}, {ox, y}, {ox + W, y}});
            else
                GridLine(pDC, gridColour, {{gridLeft, y}, {gridRight, y}});
        }
        const QString label = IntText(value);
        FontScope font(pDC, labelFont);
        pDC->TextOut(fx - (m_nYLabelSize / 2) * TextLength(label) - 10, yf - 6, label);
        m_nTopTickY = y;
    };
    if (!depth && (m_nQuadrant == 3 || m_nQuadrant == 4)) {
        // The value axis is centred on the category axis: the upper half counts down from the
        // maximum, the lower half down to the minimum.
        for (int n = 0; n <= m_nTickCount; ++n) {
            const int value = n <= m_nTickCount / 2 ? m_nYMax - n * m_nTickStep
                                                    : m_nYMin + (m_nTickCount - n) * m_nTickStep;
            tick(oy - H / 2 + 5 + n * s, value);
        }
        FontScope font(pDC, labelFont);
        pDC->TextOut(ox - (m_nYLabelSize / 2) - 10, oy - 6, QStringLiteral("0"));
    } else {
        for (int n = 1; n <= m_nTickCount; ++n)
            tick(oy - n * s, m_nYMin + n * m_nTickStep);
    }

    if (scatter) {
        // The scatter's horizontal axis is numeric too.
        const int spacing = (W - 20) / std::max(m_nTickCount, 1);
        for (int n = 1; n <= m_nTickCount; ++n) {
            const int x = ox + n * spacing;
            Line(pDC, x, oy - 3, x, oy + 3);
            const QString label = IntText(n * m_nTickStep);
            FontScope font(pDC, ChartFont(m_nXLabelSize));
            const gdi::TEXTMETRIC tm = TextMetrics(pDC);
            pDC->TextOut(x - (TextLength(label) * tm.tmAveCharWidth) / 2, oy + 8, label);
            m_nLastCategoryX = x;
        }
    }
}

// One tick and name per series; (frontDx, frontDy) moves them from the back wall onto the front
// axis of the depth layout.
void CPlotChart::DrawCategoryTicks(gdi::Dc* pDC, int frontDx, int frontDy) {
    const int n = GetSeriesCount();
    if (n == 0 || m_nGraphType == GT_SCATTER)
        return;
    const int ox = m_nOriginX + frontDx, oy = m_nOriginY + frontDy;
    if (!IsVerticalLayout()) {
        const int slot = m_nPlotHeight / n;
        const gdi::Font nameFont = ChartFont(m_nYLabelSize, 0, 0x11);
        for (int k = 1; k <= n; ++k) {
            const int y = oy + slot / 2 - k * slot;
            Line(pDC, ox - 3, y, ox + 3, y);
            const QString& name = m_pSeriesList[static_cast<std::size_t>(k - 1)]->m_strName;
            FontScope font(pDC, nameFont);
            TextAt(pDC, ox - (m_nYLabelSize / 2) * TextLength(name) - 10, y - 6, name);
            m_nTopTickY = y - frontDy;
        }
        return;
    }
    const gdi::Font nameFont = ChartFont(m_nXLabelSize, m_nXLabelAngle * 10);
    for (int k = 1; k <= n; ++k) {
        const int x = CategoryCentre(k) + frontDx;
        Line(pDC, x, oy - 3, x, oy + 3);
        const QString& name = m_pSeriesList[static_cast<std::size_t>(k - 1)]->m_strName;
        FontScope font(pDC, nameFont);
        if (m_nXLabelAngle == 0) {
            TextAt(pDC, x - (TextLength(name) * 8) / 2, oy + 8, name);
        } else if (m_nXLabelAngle < 180) {
            const gdi::TEXTMETRIC tm = TextMetrics(pDC);
            TextAt(pDC, x - 8, oy + 8 + m_nXTitleLength * tm.tmAveCharWidth, name);
        } else {
            TextAt(pDC, x + 2, oy + 8, name);
        }
        m_nLastCategoryX = x - frontDx;
    }
}

void CPlotChart::DrawDepthAxes(gdi::Dc* pDC) {
    pDC->SetTextColor(kBlack);
    const int d = static_cast<int>(m_nPlotHeight * m_dDepthRatio);
    m_nDepth = d;
    m_nOriginX += d;
    m_nOriginY -= d;
    m_nPlotWidth -= d;
    m_nPlotHeight -= d;
    const int ox = m_nOriginX, oy = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    m_nTopTickY = oy;
    m_nLastCategoryX = ox;
    {
        PenScope pen(pDC, SolidPen(kBlack, 2));
        Line(pDC, ox, oy, ox, oy - H);
        Line(pDC, ox, oy, ox + W, oy);
        const int fx = ox - d, fy = oy + d;
        const int below = static_cast<int>(0.2 * d);
        Line(pDC, fx, fy + below, fx, fy - H);
        Line(pDC, fx - below, fy, fx + W, fy);
        Line(pDC, fx, fy, ox, oy);
        Line(pDC, fx, fy - H, ox, oy - H);
        Line(pDC, fx + W, fy, ox + W, oy);
    }
    DrawAxisTitles(pDC, oy + d - H / 2, ox - d + W / 2);
    DrawValueTicks(pDC);
    DrawCategoryTicks(pDC, -d, d);
}

// ---- series ----------------------------------------------------------------------------------------

void CPlotChart::DrawSeries(gdi::Dc* pDC) {
    switch (m_nGraphType) {
    case GT_BAR:
        DrawBar(pDC);
        break;
    case GT_LINE:
        DrawLine(pDC);
        break;
    case GT_PIE:
        DrawPie(pDC);
        break;
    case GT_SCATTER:
        DrawScatter(pDC);
        break;
    case GT_DISTRIBUTION:
        DrawDistribution(pDC);
        break;
    case GT_STACKED_BAR:
        DrawStackedBar(pDC);
        break;
    case GT_XY_LINE:
        DrawXYLine(pDC);
        break;
    case GT_BAR_3D:
        DrawBar3D(pDC);
        break;
    case GT_LINE_3D:
        DrawLine3D(pDC);
        break;
    case GT_PIE_3D:
        DrawPie3D(pDC);
        break;
    case GT_STACKED_BAR_3D:
        DrawStackedBar3D(pDC);
        break;
    default:
        ui::MessageBox(nullptr, QStringLiteral("No graph type to display"), QString(), ui::MB_OK);
        break;
    }
}

void CPlotChart::DrawBar(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    const int P = m_nMaxPoints;
    if (n == 0 || P <= 0 || m_nYMax == m_nYMin)
        return;
    const int ox = m_nOriginX, oy = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    const int range = m_nYMax - m_nYMin;
    if (IsVerticalLayout()) {
        const double scale = static_cast<double>(H - 10) / range;
        const int slot = W / n;
        const int b = static_cast<int>(slot * 0.6 / P);
        const int g = P * b;
        // Quadrants 3 and 4 measure from zero at the category axis in both directions.
        const bool signedBars = m_nQuadrant == 3 || m_nQuadrant == 4;
        for (int k = 1; k <= n; ++k) {
            const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
            const int x = CategoryCentre(k);
            for (int j = 0; j < P; ++j) {
                const int v = series.GetValueAt(j);
                int top = 0;
                if (signedBars) {
                    const int length = std::clamp(static_cast<int>(v * scale), -(H / 2), H / 2);
                    top = oy - length;
                } else {
                    if (v < 0)
                        continue;
                    top = oy - std::clamp(static_cast<int>((v - m_nYMin) * scale), 0, H);
                }
                const int left = x - g / 2 + j * b;
                FilledRect(pDC, GetColor(j), left, top, left + b, oy);
            }
        }
        return;
    }
    const double scale = static_cast<double>(W - 10) / range;
    const int slot = H / n;
    const int b = static_cast<int>(slot * 0.6 / P);
    const int g = P * b;
    for (int k = 1; k <= n; ++k) {
        const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
        const int y = oy + slot / 2 - k * slot;
        for (int j = 0; j < P; ++j) {
            const int v = series.GetValueAt(j);
            if (v < 0)
                continue;
            const int length = std::clamp(static_cast<int>((v - m_nYMin) * scale), 0, W);
            const int top = y - g / 2 + j * b;
            FilledRect(pDC, GetColor(j), ox, top, ox + length, top + b);
        }
    }
}

void CPlotChart::DrawLine(gdi::Dc* pDC) {
    DrawLineSeries(pDC, false);
}

void CPlotChart::DrawXYLine(gdi::Dc* pDC) {
    DrawLineSeries(pDC, true);
}

// One line per key through the series in order. The plain line marks its points and keeps
// joining past a skipped value; the XY line joins only neighbouring series that both have one.
void CPlotChart::DrawLineSeries(gdi::Dc* pDC, bool xy) {
    const int n = GetSeriesCount();
    const int P = m_nMaxPoints;
    if (n == 0 || P <= 0 || m_nYMax == m_nYMin)
        return;
    const int ox = m_nOriginX, oy = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    const int range = m_nYMax - m_nYMin;
    const bool vertical = IsVerticalLayout();
    const int slot = (vertical ? W : H) / n;
    double scale = 0;
    if (xy)
        scale = static_cast<double>(vertical ? H : W) / range;
    else
        scale = vertical ? static_cast<double>(H - 10) / range : static_cast<double>(W) / range;
    for (int j = 0; j < P; ++j) {
        const gdi::COLORREF colour = GetColor(j);
        bool havePrevious = false;
        int px = 0, py = 0;
        for (int k = 1; k <= n; ++k) {
            const int v = m_pSeriesList[static_cast<std::size_t>(k - 1)]->GetValueAt(j);
            if (v < 0) {
                if (xy)
                    havePrevious = false;
                continue;
            }
            int length = static_cast<int>((v - m_nYMin) * scale);
            int x = 0, y = 0;
            if (vertical) {
                if (!xy && length > oy)
                    length = static_cast<int>(range * scale) + 5;
                x = ox + k * slot - slot / 2;
                y = oy - length;
            } else {
                x = ox + length;
                y = oy + slot / 2 - k * slot;
            }
            if (havePrevious) {
                PenScope pen(pDC, SolidPen(colour, xy ? 2 : 1));
                if (xy)
                    Line(pDC, px, py, x, y);
                else
                    Line(pDC, px + 2, py - 1, x - 3, y - 1);
            }
            if (!xy) {
                BrushScope brush(pDC, gdi::Brush::Solid(colour));
                pDC->Ellipse(gdi::Rect(x - 3, y - 3, x + 3, y + 3));
            }
            px = x;
            py = y;
            havePrevious = true;
        }
    }
}

void CPlotChart::DrawStackedBar(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    if (n == 0 || m_nMaxPoints <= 0 || m_nYMax == m_nYMin)
        return;
    const int ox = m_nOriginX, oy = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    const int range = m_nYMax - m_nYMin;
    const bool vertical = IsVerticalLayout();
    const int L = vertical ? H : W;
    const double scale = static_cast<double>(L - 10) / range;
    const int slot = (vertical ? W : H) / n;
    const int t = static_cast<int>(slot * 0.6);
    for (int k = 1; k <= n; ++k) {
        const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
        const int centre = vertical ? ox + k * slot - slot / 2 : oy + slot / 2 - k * slot;
        int from = vertical ? oy : ox;
        for (int j = 0; j < m_nMaxPoints; ++j) {
            const int v = series.GetValueAt(j);
            if (v < 0)
                continue;
            const int length = std::clamp(static_cast<int>((v - m_nYMin) * scale), 0, L);
            if (vertical) {
                const int to = from - length;
                FilledRect(pDC, GetColor(j), centre - t / 2, to, centre - t / 2 + t, from);
                from = to;
            } else {
                const int to = from + length;
                FilledRect(pDC, GetColor(j), from, centre - t / 2, to, centre - t / 2 + t);
                from = to;
            }
        }
    }
}

void CPlotChart::DrawScatter(gdi::Dc* pDC) {
    if (m_nYMax == 0 || m_nTickCount < 1)
        return;
    const int ox = m_nOriginX, oy = m_nOriginY;
    const bool lowerHalf = m_nQuadrant == 3 || m_nQuadrant == 4;
    const double sy = static_cast<double>(lowerHalf ? m_nTopTickY - oy : oy - m_nTopTickY) / m_nYMax;
    const double sx = static_cast<double>(m_nLastCategoryX - ox) / m_nYMax;
    BrushScope brush(pDC, gdi::Brush::Solid(kBlack));
    for (const auto& series : m_pSeriesList) {
        if (series->GetPointCount() == 0)
            continue;
        const int x = ox + static_cast<int>(series->GetFirstX() * sx);
        const int y = oy - static_cast<int>(series->GetFirstY() * sy);
        pDC->Ellipse(gdi::Rect(x - 3, y - 3, x + 3, y + 3));
    }
}

void CPlotChart::DrawDistribution(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    if (n == 0 || m_nYMax == m_nYMin)
        return;
    const int ox = m_nOriginX, oy = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    const bool vertical = IsVerticalLayout();
    // The value scale of the bars, so that the boxes agree with the value-axis labels.
    const double scale = static_cast<double>((vertical ? H : W) - 10) / (m_nYMax - m_nYMin);
    const int slot = (vertical ? W : H) / n;
    const int w = static_cast<int>(slot * 0.8);
    const auto at = [&](int v) { return static_cast<int>((v - m_nYMin) * scale); };
    BrushScope brush(pDC, gdi::Brush::Solid(kBlack));
    for (int k = 1; k <= n; ++k) {
        const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
        m_nMaxPoints = series.GetPointCount();
        const std::vector<int> values = SortedBoxValues(series);
        if (values.empty())
            continue;
        const BoxStats s = BoxStatsOf(values);
        if (vertical) {
            const int x = ox + k * slot - slot / 2;
            const int left = x - w / 2, right = left + w;
            const auto Y = [&](int v) { return oy - at(v); };
            pDC->Rectangle(gdi::Rect(left, Y(s.maximum), right, Y(s.maximum) + 3));
            pDC->Rectangle(gdi::Rect(left, Y(s.minimum), right, Y(s.minimum) - 3));
            pDC->Rectangle(gdi::Rect(x - 2, Y(s.maximum), x + 2, Y(s.minimum) - 3));
            pDC->Rectangle(gdi::Rect(left, Y(s.upperQuartile), right, Y(s.lowerQuartile)));
            PenScope pen(pDC, SolidPen(kRed));
            Line(pDC, left, Y(s.median), right, Y(s.median));
        } else {
            const int y = oy + slot / 2 - k * slot;
            const int top = y - w / 2, bottom = top + w;
            const auto X = [&](int v) { return ox + at(v); };
            pDC->Rectangle(gdi::Rect(X(s.maximum) - 3, top, X(s.maximum), bottom));
            pDC->Rectangle(gdi::Rect(X(s.minimum), top, X(s.minimum) + 3, bottom));
            pDC->Rectangle(gdi::Rect(X(s.minimum) + 3, y - 2, X(s.maximum), y + 2));
            pDC->Rectangle(gdi::Rect(X(s.lowerQuartile), top, X(s.upperQuartile), bottom));
            PenScope pen(pDC, SolidPen(kRed));
            Line(pDC, X(s.median), top, X(s.median), bottom);
        }
    }
}

void CPlotChart::DrawBar3D(gdi::Dc* pDC) {
    DrawDepthBar(pDC, false);
}

void CPlotChart::DrawStackedBar3D(gdi::Dc* pDC) {
    DrawDepthBar(pDC, true);
}

// Bars with a lit top and a shaded side: grouped side by side, or stacked one bar per series.
void CPlotChart::DrawDepthBar(gdi::Dc* pDC, bool stacked) {
    const int n = GetSeriesCount();
    const int P = m_nMaxPoints;
    if (n == 0 || P <= 0 || m_nYMax == m_nYMin)
        return;
    const int ox = m_nOriginX, oy = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight, d = m_nDepth;
    const bool vertical = IsVerticalLayout();
    const int L = vertical ? H : W;
    const double scale = static_cast<double>(L - 10) / (m_nYMax - m_nYMin);
    const int slot = (vertical ? W : H) / n;
    const int thickness = stacked ? static_cast<int>(slot * 0.8) : static_cast<int>(slot * 0.8 / P);

    // A bar from (left, top) to (right, bottom) in screen order, its value running up or right.
    const auto bar = [&](gdi::COLORREF c, int left, int top, int right, int bottom) {
        SolidRect(pDC, c, left, top, right, bottom);
        if (vertical) {
            SolidPolygon(pDC, Shade(c, -35),
                         {{right, top}, {right, bottom}, {right + d, bottom - d}, {right + d, top - d}});
            SolidPolygon(pDC, Shade(c, 35),
                         {{left, top}, {right, top}, {right + d, top - d}, {left + d, top - d}});
        } else {
            SolidPolygon(pDC, Shade(c, -35),
                         {{left, top}, {right, top}, {right + d, top - d}, {left + d, top - d}});
            SolidPolygon(pDC, Shade(c, 35),
                         {{right, top}, {right, bottom}, {right + d, bottom - d}, {right + d, top - d}});
        }
    };
    for (int k = 1; k <= n; ++k) {
        const CPlotSeries& series = *m_pSeriesList[static_cast<std::size_t>(k - 1)];
        const int centre = vertical ? ox + k * slot - slot / 2 : oy + slot / 2 - k * slot;
        int from = vertical ? oy : ox;
        for (int j = 0; j < P; ++j) {
            const int v = series.GetValueAt(j);
            if (v < 0)
                continue;
            const int length = std::clamp(static_cast<int>((v - m_nYMin) * scale), 0, L);
            const int side = stacked ? centre - thickness / 2 : centre - (P * thickness) / 2 + j * thickness;
            if (vertical) {
                const int base = stacked ? from : oy;
                bar(GetColor(j), side, base - length, side + thickness, base);
                if (stacked)
                    from = base - length;
            } else {
                const int base = stacked ? from : ox;
                bar(GetColor(j), base, side, base + length, side + thickness);
                if (stacked)
                    from = base + length;
            }
        }
    }
}

void CPlotChart::DrawLine3D(gdi::Dc* pDC) {
    const int n = GetSeriesCount();
    const int P = m_nMaxPoints;
    if (n == 0 || P <= 0 || m_nYMax == m_nYMin)
        return;
    const int ox = m_nOriginX, oy = m_nOriginY, W = m_nPlotWidth, H = m_nPlotHeight;
    const int range = m_nYMax - m_nYMin;
    const double scale = static_cast<double>(H - 10) / range;
    const int slot = W / n;
    const int s = m_nDepth / P;
    for (int j = 0; j < P; ++j) {
        // Key 0 lies farthest back.
        const int back = (P - j) * s;
        const int front = (P - j - 1) * s;
        const gdi::COLORREF face = Shade(GetColor(j), 35);
        bool havePrevious = false;
        int px = 0, py = 0;
        for (int k = 1; k <= n; ++k) {
            const int v = m_pSeriesList[static_cast<std::size_t>(k - 1)]->GetValueAt(j);
            if (v < 0) {
                havePrevious = false;
                continue;
            }
            int length = static_cast<int>((v - m_nYMin) * scale);
            if (length > oy)
                length = static_cast<int>(range * scale) + 5;
            const int x = ox + k * slot - slot / 2 + m_nLineOffsetX;
            const int y = oy - length - m_nLineOffsetY;
            if (havePrevious) {
                PenScope pen(pDC, SolidPen(kBlack, 2));
                Line(pDC, px + back, py - back, x + back, y - back);
                Line(pDC, px + front, py - front, x + front, y - front);
                Line(pDC, px + back, py - back, px + front, py - front);
                Line(pDC, x + back, y - back, x + front, y - front);
                BrushScope brush(pDC, gdi::Brush::Solid(face));
                pDC->Polygon({{px + back, py - back},
                              {x + back, y - back},
                              {x + front, y - front},
                              {px + front, py - front}});
            }
            px = x;
            py = y;
            havePrevious = true;
        }
    }
}
