#pragma once
// A progress bar that paints itself: the done part and the rest in two colours, with a text
// centred over the whole bar that changes colour where the fill ends. The text is the window
// text, or the percentage while the window text is empty.

#include "platform/gdi/Colour.h"
#include "platform/gdi/Types.h"

#include <QString>
#include <QWidget>

namespace gdi {
class Dc;
}

namespace progress {

// The filled width of a bar `width` pixels wide at `pos` between `lower` and `upper`, truncated;
// 0 when the bounds leave no range. The position is not clamped to the range.
int FilledWidth(int pos, int lower, int upper, int width);

// The percentage text, "37%": the done fraction times 100, truncated.
QString PercentText(int pos, int lower, int upper);

} // namespace progress

class CTextProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit CTextProgressBar(QWidget* parent = nullptr);
    ~CTextProgressBar() override;

    // No repaint.
    void SetRange(int lower, int upper);
    void GetRange(int* lower, int* upper) const;
    // Returns the previous position; repaints at once only when the filled width changes.
    int SetPos(int pos);
    int GetPos() const { return m_nPos; }
    int StepIt() { return SetPos(m_nPos + m_nStepSize); }
    int OffsetPos(int n) { return SetPos(m_nPos + n); }
    // Returns the previous step.
    int SetStep(int step);

    void SetShowText(bool show);
    bool GetShowText() const { return m_bShowText; }

    // Each returns the colour given; none repaints.
    gdi::COLORREF SetBarColour(gdi::COLORREF colour) { return m_colBar = colour; }
    gdi::COLORREF SetBgColour(gdi::COLORREF colour) { return m_colBk = colour; }
    gdi::COLORREF SetTextColour(gdi::COLORREF colour) { return m_colText = colour; }
    gdi::COLORREF SetTextBkColour(gdi::COLORREF colour) { return m_colTextOnBar = colour; }
    gdi::COLORREF GetBarColour() const { return m_colBar; }
    gdi::COLORREF GetBgColour() const { return m_colBk; }
    gdi::COLORREF GetTextColour() const { return m_colText; }
    gdi::COLORREF GetTextBkColour() const { return m_colTextOnBar; }

    // The window text: shown instead of the percentage when not empty.
    void SetWindowText(const QString& text) { setWindowTitle(text); }
    QString GetWindowText() const { return m_strText; }

    // The filled width of the last repaint (−1 until one was computed, and again after a resize).
    int GetBarWidth() const { return m_nBarWidth; }

    // Paints the bar for a client area of `client`; nothing while the bounds leave no range.
    void Draw(gdi::Dc& dc, const gdi::Rect& client) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int m_nPos = 0;
    int m_nStepSize = 1;
    int m_nMax = 100;
    int m_nMin = 0;
    QString m_strText;
    bool m_bShowText = true;
    int m_nBarWidth = -1;
    gdi::COLORREF m_colBar;
    gdi::COLORREF m_colBk;
    gdi::COLORREF m_colText;
    gdi::COLORREF m_colTextOnBar;
};
