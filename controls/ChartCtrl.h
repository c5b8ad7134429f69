#pragma once
// The chart control: labelled non-negative values drawn as bars (the value above each bar, its
// label below, a value axis of 20 ticks, optionally the normal curve of a class's scores over the
// bars) or as a pie (slices with label and percentage on leader lines), titled with the window
// text. A click on a bar or slice selects it and is reported to the parent.

#include "controls/grid/Notify.h"
#include "platform/gdi/Colour.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Types.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <vector>

namespace gdi {
class Dc;
}

// One labelled value of the chart.
struct CChartItem {
    double m_dValue = 0;
    QString m_strLabel;
};

// The click notification (code 1): the index of the bar or slice hit (−1 for none), its label
// (cut to 61 bytes) and its value.
inline constexpr int NM_CHARTCLICK = 1;
struct NMCHART {
    NMHDR hdr;
    int iItem = -1;
    QString label;
    double value = 0;
};

class CChartCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* WindowClassName = "VeltoraChart";

    explicit CChartCtrl(QWidget* parent = nullptr);
    ~CChartCtrl() override;

    // Set by the owner: the bars also draw the normal curve of SetMarker's parameters.
    bool m_bNormalCurve = false;

    // 0 no colours, 1 six greys, 2 twelve colours; other numbers change nothing. No repaint.
    void SetColorScheme(int scheme);
    void AddBrush(gdi::COLORREF colour);
    // Style bits: 1 bars, 2 pie (both draw both).
    void SetChartStyle(int style);

    // False, and nothing changes, for a negative value.
    bool AddValue(double value, const QString& label, bool redraw = true);
    // The largest value is raised when exceeded, never lowered. False for an index outside.
    bool SetValue(int index, double value, const QString& label);
    // Total and largest value are recomputed from the rest. False for an index outside.
    bool RemoveValue(int index);
    // No repaint.
    void RemoveAll();
    // The normal curve's count of students, mean and standard deviation.
    void SetMarker(int count, double mean, double sd);

    // The title.
    void SetWindowText(const QString& text) { setWindowTitle(text); }
    QString GetWindowText() const { return windowTitle(); }

    int GetCount() const { return static_cast<int>(m_items.size()); }
    const CChartItem& GetItem(int index) const { return m_items.at(static_cast<std::size_t>(index)); }
    double GetTotal() const { return m_dTotal; }
    double GetLargest() const { return m_dLargest; }
    int GetChartStyle() const { return m_nStyle; }
    int GetSelectedIndex() const { return m_nSelected; }
    const std::vector<gdi::COLORREF>& GetColours() const { return m_colours; }
    // The off-screen picture of the last paint.
    const QImage& GetPicture() const { return m_picture; }

    // Paints the whole chart for a client area of `client`.
    void Draw(gdi::Dc& dc, const gdi::Rect& client) const;
    // Selects what lies under `point` (nothing: −1), repaints and tells the parent.
    void OnLButtonDown(gdi::Point point);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void DrawBars(gdi::Dc& dc, const gdi::Rect& client) const;
    void DrawPie(gdi::Dc& dc, const gdi::Rect& client) const;
    void Recompute();
    std::vector<double> Values() const;

    std::vector<CChartItem> m_items;
    std::vector<gdi::COLORREF> m_colours;
    gdi::Font m_boldFont;
    int m_nSelected = -1;
    gdi::Font m_titleFont;
    int m_nCount = 0;
    double m_dLargest = 0;
    double m_dMean = 0;
    double m_dSd = 0;
    gdi::Font m_labelFont;
    double m_dTotal = 0;
    int m_nStyle = 2;
    QImage m_picture;
};
