#include "plotchart/PlotChart.h"

#include "platform/text/Gbk.h"

#include <algorithm>

namespace {

// Kept by the typed constructor for callers that want a ready palette.
constexpr std::array<gdi::COLORREF, 24> kDefaultColors = {
    0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0x3399FF, 0x9933FF, 0xCC0099, 0xFFFF00,
    0x000000, 0xFFFFFF, 0xFFB1C7, 0xB1E2FF, 0xFFFF8E, 0x00C000, 0x003250, 0xC0C000,
    0xC00000, 0xC0C0C0, 0x808080, 0x6BC6FF, 0x800000, 0x000080, 0x6B8FFF, 0xE1E1E1,
};

} // namespace

// ---- CPlotSeries -------------------------------------------------------------------------------

void CPlotSeries::AddPoint(int x, int y) {
    m_pPoints.push_back(std::make_unique<CPlotPoint>(x, y));
}

int CPlotSeries::GetValueAt(int x) const {
    for (const auto& p : m_pPoints)
        if (p->m_nX == x)
            return p->m_nY;
    return 0;
}

int CPlotSeries::GetFirstX() const {
    return m_pPoints.empty() ? 0 : m_pPoints.front()->m_nX;
}

int CPlotSeries::GetFirstY() const {
    return m_pPoints.empty() ? 0 : m_pPoints.front()->m_nY;
}

// ---- CPlotLegend -------------------------------------------------------------------------------

void CPlotLegend::AddEntry(int nValue, const QString& text) {
    auto entry = std::make_unique<CPlotLegendEntry>();
    entry->Set(nValue, text);
    m_pEntries.push_back(std::move(entry));
    m_nLongest = std::max(m_nLongest, text::GbkLength(text));
}

QString CPlotLegend::GetEntryText(int n) const {
    if (m_pEntries.empty())
        return QString();
    if (n < 0)
        n = 0;
    if (n >= GetEntryCount())
        return QString();
    return m_pEntries[static_cast<std::size_t>(n)]->GetText();
}

void CPlotLegend::RemoveEntry(int n) {
    if (n < 0 || n >= GetEntryCount())
        return;
    m_pEntries.erase(m_pEntries.begin() + n);
}

// ---- CPlotChart: construction and setters -------------------------------------------------------

CPlotChart::CPlotChart() = default;

CPlotChart::CPlotChart(int nGraphType)
    : m_nGraphType(nGraphType), m_bFixedQuadrant(nGraphType != GT_BAR ? 1 : 0),
      m_crDefaultColors(kDefaultColors) {}

CPlotChart::~CPlotChart() = default;

void CPlotChart::SetXTitle(const QString& title) {
    m_strXTitle = title;
    m_nXTitleLength = text::GbkLength(title);
}

void CPlotChart::SetVertical(int vertical) {
    m_bVertical = m_nGraphType == GT_LINE_3D ? 1 : vertical;
}

int CPlotChart::SetRange(int nMin, int nMax, int nStep) {
    if (nStep == 0)
        return 0;
    m_nYMin = nMin;
    m_nYMax = nMax;
    m_nTickStep = nStep;
    const int range = nMax - nMin;
    m_nTickCount = range / nStep;
    if (m_nTickCount * nStep < range)
        ++m_nTickCount;
    return m_nTickCount;
}

void CPlotChart::SetQuadrant(int q) {
    if (m_nGraphType != GT_BAR)
        return;
    if (q >= 1 && q <= 4) {
        m_nQuadrant = q;
        m_bFixedQuadrant = 1;
    } else {
        m_nQuadrant = 1;
    }
}

// ---- colours, series, legend --------------------------------------------------------------------

void CPlotChart::AddColor(int nIndex, gdi::COLORREF cr) {
    m_pColorList.push_back(std::make_unique<CPlotColor>(nIndex, cr));
}

gdi::COLORREF CPlotChart::GetColor(int i) const {
    const int at = std::max(i, 0);
    if (at >= static_cast<int>(m_pColorList.size()))
        return 0;
    return m_pColorList[static_cast<std::size_t>(at)]->GetColor();
}

void CPlotChart::RemoveColor(int i) {
    if (i < 0 || i >= static_cast<int>(m_pColorList.size()))
        return;
    m_pColorList.erase(m_pColorList.begin() + i);
}

void CPlotChart::AddSeries(std::unique_ptr<CPlotSeries> series) {
    if (!series)
        return;
    m_nMaxPoints = std::max(m_nMaxPoints, series->GetPointCount());
    m_pSeriesList.push_back(std::move(series));
}

void CPlotChart::RemoveSeries(const QString& name) {
    const auto it = std::find_if(m_pSeriesList.begin(), m_pSeriesList.end(),
                                 [&name](const auto& s) { return s->m_strName == name; });
    if (it != m_pSeriesList.end())
        m_pSeriesList.erase(it);
}

void CPlotChart::AddLegendEntry(int nValue, const QString& text) {
    if (m_nGraphType == GT_SCATTER)
        return;
    m_legend.AddEntry(nValue, text);
    m_bLegend = 1;
    m_nLongestLegendText = std::max(m_nLongestLegendText, text::GbkLength(text));
}

void CPlotChart::RemoveAll() {
    RemoveAllSeries();
    RemoveAllLegendEntries();
    RemoveAllColors();
}

gdi::TEXTMETRIC CPlotChart::TextMetrics(gdi::Dc* pDC) const {
    gdi::TEXTMETRIC tm;
    pDC->GetTextMetrics(&tm);
    return tm;
}
