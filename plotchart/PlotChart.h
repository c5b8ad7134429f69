#pragma once
// The plotting chart: named series of integer points drawn as one of eleven graph types, with
// title, axes, tick labels, grid lines, category labels and legend, on any device context.
//
// Two roads draw it. The screen road (DrawChart) paints the whole client area of a context whose
// surface gives the client size: a widget's painter, an image, or a recorder after SetDeviceInfo.
// It works in device pixels with y growing downwards and can put the origin in one of four
// quadrants. The print road (SetPrintArea, then PrintChart) switches a printer context to twips
// with y growing upwards and lays the chart into a band at most four inches tall, returning the y
// below it so that the caller can go on printing there.
//
// The chart owns its series, colours and legend entries; none of the classes is a window.

#include "platform/gdi/Colour.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/Font.h"

#include <QString>

#include <array>
#include <memory>
#include <vector>

inline constexpr int GT_BAR = 0;
inline constexpr int GT_LINE = 1;
inline constexpr int GT_PIE = 2;
inline constexpr int GT_SCATTER = 3;
inline constexpr int GT_DISTRIBUTION = 4;
inline constexpr int GT_STACKED_BAR = 20;
inline constexpr int GT_XY_LINE = 21;
inline constexpr int GT_BAR_3D = 30;
inline constexpr int GT_LINE_3D = 31;
inline constexpr int GT_PIE_3D = 32;
inline constexpr int GT_STACKED_BAR_3D = 320;

// One point of a series: its key (the point index on most graph types, which also picks its
// colour and legend entry) and its value.
class CPlotPoint {
public:
    CPlotPoint() = default;
    CPlotPoint(int x, int y) : m_nX(x), m_nY(y) {}
    virtual ~CPlotPoint() = default;

    void SetX(int x) { m_nX = x; }
    void SetY(int y) { m_nY = y; }
    int GetX() const { return m_nX; }
    int GetY() const { return m_nY; }

    int m_nX = 0;
    int m_nY = 0;
};

// One category of the chart: a group of bars, a pie, a box, a scatter dot (its first point).
class CPlotSeries {
public:
    CPlotSeries() = default;
    virtual ~CPlotSeries() = default;

    void SetName(const QString& name) { m_strName = name; }
    QString GetName() const { return m_strName; }
    void AddPoint(int x, int y);
    int GetPointCount() const { return static_cast<int>(m_pPoints.size()); }
    // The value of the first point (in the order added) whose key is x; 0 when there is none.
    int GetValueAt(int x) const;
    // The first point's key and value; the series must have a point.
    int GetFirstX() const;
    int GetFirstY() const;

    QString m_strName;
    std::vector<std::unique_ptr<CPlotPoint>> m_pPoints;
};

// A colour of the colour list. The index is kept as given; lookup is by position in the list.
class CPlotColor {
public:
    CPlotColor(int nIndex, gdi::COLORREF cr) : m_nIndex(nIndex), m_crColor(cr) {}
    virtual ~CPlotColor() = default;

    gdi::COLORREF GetColor() const { return m_crColor; }

    int m_nIndex = 0;
    gdi::COLORREF m_crColor = 0;
};

class CPlotLegendEntry {
public:
    CPlotLegendEntry() = default;
    virtual ~CPlotLegendEntry() = default;

    void Set(int nValue, const QString& text) {
        m_nValue = nValue;
        m_strText = text;
    }
    QString GetText() const { return m_strText; }

    int m_nValue = 0;
    QString m_strText;
};

class CPlotLegend {
public:
    CPlotLegend() = default;
    virtual ~CPlotLegend() = default;

    // Appends an entry and raises the longest text length (in GBK bytes) to the text's.
    void AddEntry(int nValue, const QString& text);
    // Entry n's text; n < 0 gives the first entry, n at or past the end an empty text.
    QString GetEntryText(int n) const;
    int GetLongest() const { return m_nLongest; }
    int GetEntryCount() const { return static_cast<int>(m_pEntries.size()); }
    // Out of range does nothing.
    void RemoveEntry(int n);
    void RemoveAll() { m_pEntries.clear(); }

    int m_nLongest = 0;
    std::vector<std::unique_ptr<CPlotLegendEntry>> m_pEntries;
};

// One slice label of a pie, made and thrown away within one pie drawing.
class CPlotPieLabel {
public:
    CPlotPieLabel() = default;
    virtual ~CPlotPieLabel() = default;

    int m_nLineStartX = 0;
    int m_nLineStartY = 0;
    int m_nLineEndX = 0;
    int m_nLineEndY = 0;
    int m_nTextX = 0;
    int m_nTextY = 0;
    int m_nQuadrant = 0; // 0 to 3, by the slice's middle angle
    QString m_strText;
};

class CPlotChart {
public:
    CPlotChart();
    // Also keeps the table of default colours; a chart made with a type other than GT_BAR keeps
    // the quadrant it is given instead of computing one.
    explicit CPlotChart(int nGraphType);
    virtual ~CPlotChart();
    CPlotChart(const CPlotChart&) = delete;
    CPlotChart& operator=(const CPlotChart&) = delete;

    // ---- setters ----
    void SetGraphType(int type) { m_nGraphType = type; }
    void SetTitle(const QString& title) { m_strTitle = title; }
    void SetXTitle(const QString& title);
    void SetYTitle(const QString& title) { m_strYTitle = title; }
    void SetXLabelAngle(int degrees) { m_nXLabelAngle = degrees; }
    int GetXLabelAngle() const { return m_nXLabelAngle; }
    void SetXLabelSize(int size) { m_nXLabelSize = size; }
    void SetYLabelSize(int size) { m_nYLabelSize = size; }
    void SetLegendFontSize(int size) { m_nLegendFontSize = size; }
    void SetGrid(int grid) { m_bGrid = grid; }
    // GT_LINE_3D keeps its value axis vertical whatever the argument.
    void SetVertical(int vertical);
    // Returns the tick count: the range over the step, plus one for a remainder. A step of 0
    // changes nothing and returns 0.
    int SetRange(int nMin, int nMax, int nStep);
    void SetDepthRatio(double ratio) { m_dDepthRatio = ratio; }
    // GT_BAR only: 1..4 fixes the quadrant; any other number puts the origin back at the lower
    // left without fixing it.
    void SetQuadrant(int q);
    void SetLineOffset(int dx, int dy) {
        m_nLineOffsetX = dx;
        m_nLineOffsetY = dy;
    }

    // ---- colours, series, legend ----
    void AddColor(int nIndex, gdi::COLORREF cr);
    // The colour at position i (i <= 0 gives the first); black when there is none.
    gdi::COLORREF GetColor(int i) const;
    // Out of range does nothing.
    void RemoveColor(int i);
    void RemoveAllColors() { m_pColorList.clear(); }

    // The chart takes ownership.
    void AddSeries(std::unique_ptr<CPlotSeries> series);
    // Removes the first series of that name; none does nothing.
    void RemoveSeries(const QString& name);
    void RemoveAllSeries() { m_pSeriesList.clear(); }
    int GetSeriesCount() const { return static_cast<int>(m_pSeriesList.size()); }

    // Ignored on a scatter chart.
    void AddLegendEntry(int nValue, const QString& text);
    void RemoveLegendEntry(int i) { m_legend.RemoveEntry(i); }
    void RemoveAllLegendEntries() { m_legend.RemoveAll(); }
    void RemoveAll();

    // ---- screen road ----
    void DrawChart(gdi::Dc* pDC);
    int DrawLegend(gdi::Dc* pDC);
    void DrawAxes(gdi::Dc* pDC);
    void DrawSeries(gdi::Dc* pDC);

    // ---- print road ----
    void SetPrintArea(int pageTop, int pageBottom, int left, int right, int top);
    // Returns the y (twips, y upwards) just below the chart.
    int PrintChart(gdi::Dc* pDC);
    int PrintLegend(gdi::Dc* pDC);
    void PrintAxes(gdi::Dc* pDC);
    void PrintSeries(gdi::Dc* pDC);

    // ---- fields ----
    int m_nTickStep = 10;
    std::vector<std::unique_ptr<CPlotSeries>> m_pSeriesList;
    int m_nGraphType = GT_BAR;
    int m_bVertical = 1;
    int m_nHeight = 0;
    int m_nWidth = 0;
    std::vector<std::unique_ptr<CPlotColor>> m_pColorList;
    QString m_strYTitle;
    QString m_strXTitle;
    int m_nOriginY = 0;
    int m_nOriginX = 0;
    int m_nPlotHeight = 0;
    int m_nPlotWidth = 0;
    int m_nYLabelSize = 12;
    int m_nXLabelSize = 12;
    int m_nLegendFontSize = 12;
    int m_nTickCount = 10;
    int m_nYMin = 0;
    int m_nYMax = 100;
    int m_nMaxPoints = 0;
    CPlotLegend m_legend;
    int m_bLegend = 0;
    int m_nLegendWidth = 0;
    int m_nXLabelAngle = 0;
    int m_nXTitleLength = 0; // GBK bytes
    QString m_strTitle;
    int m_bGrid = 0;
    int m_nLongestLegendText = 0; // GBK bytes
    int m_nTopTickY = 0;
    int m_nLastCategoryX = 0;
    int m_nDepth = 0;
    double m_dDepthRatio = 0.05;
    int m_nQuadrant = 1;
    int m_bFixedQuadrant = 0;
    int m_nLineOffsetX = 0;
    int m_nLineOffsetY = 0;

    // The print page as given to SetPrintArea.
    struct PrintPage {
        int top = 0;
        int bottom = 0;
        int left = 0;
        int right = 0;
    };
    PrintPage m_rcPrintPage;
    int m_nPrintLeft = 0;
    int m_nPrintTop = 0;
    int m_nPrintBottom = 0;
    int m_nPrintRight = 0;
    int m_nPrintTopTickY = 0;
    int m_nPrintLastX = 0;

    // Kept by the typed constructor; colours reach the drawing only through the colour list.
    std::array<gdi::COLORREF, 24> m_crDefaultColors{};

protected:
    // Metrics of the font selected in pDC, in its logical units. Tests replace them with fixed
    // numbers so that layouts do not depend on the machine's fonts.
    virtual gdi::TEXTMETRIC TextMetrics(gdi::Dc* pDC) const;

private:
    // Screen layout: the plot rectangle, legend width and quadrant; false when the client area
    // has no room for a plot.
    bool LayOutScreen(gdi::Dc* pDC);
    int AxisTitleHeight() const;
    int LegendLeft() const;
    bool IsVerticalLayout() const;
    void DrawFlatAxes(gdi::Dc* pDC);
    void DrawDepthAxes(gdi::Dc* pDC);
    void DrawAxisTitles(gdi::Dc* pDC, int yTitleX, int xTitleDy);
    void DrawValueTicks(gdi::Dc* pDC);
    void DrawCategoryTicks(gdi::Dc* pDC, int frontDx, int frontDy);
    int CategoryCentre(int k) const;

    void DrawBar(gdi::Dc* pDC);
    void DrawLine(gdi::Dc* pDC);
    void DrawPie(gdi::Dc* pDC);
    void DrawScatter(gdi::Dc* pDC);
    void DrawDistribution(gdi::Dc* pDC);
    void DrawStackedBar(gdi::Dc* pDC);
    void DrawXYLine(gdi::Dc* pDC);
    void DrawBar3D(gdi::Dc* pDC);
    void DrawLine3D(gdi::Dc* pDC);
    void DrawPie3D(gdi::Dc* pDC);
    void DrawStackedBar3D(gdi::Dc* pDC);
    void DrawDepthBar(gdi::Dc* pDC, bool stacked);
    void DrawLineSeries(gdi::Dc* pDC, bool xy);

    bool LayOutPrint(gdi::Dc* pDC, int titleHeight);
    int PrintLabelSize() const;
    void PrintFlatAxes(gdi::Dc* pDC);
    void PrintDepthAxes(gdi::Dc* pDC);
    void PrintAxisTitles(gdi::Dc* pDC, bool depth);
    void PrintBottomLabel(gdi::Dc* pDC, const QString& text, int x, int escapement);
    void PrintBar(gdi::Dc* pDC);
    void PrintLine(gdi::Dc* pDC);
    void PrintPie(gdi::Dc* pDC);
    void PrintScatter(gdi::Dc* pDC);
    void PrintDistribution(gdi::Dc* pDC);
    void PrintStackedBar(gdi::Dc* pDC);
    void PrintXYLine(gdi::Dc* pDC);
    void PrintBar3D(gdi::Dc* pDC);
    void PrintLine3D(gdi::Dc* pDC);
    void PrintPie3D(gdi::Dc* pDC);
    void PrintStackedBar3D(gdi::Dc* pDC);
    void PrintLineSeries(gdi::Dc* pDC, bool xy);

    // Both roads: the pies and the box plots share their arithmetic.
    struct PieGeometry;
    void PaintPies(gdi::Dc* pDC, const PieGeometry& g);
    // A pie's series name: under the pie on the screen, above it on the page.
    void PaintPieName(gdi::Dc* pDC, const PieGeometry& g, const QString& name, int left);
};
