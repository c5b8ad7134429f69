#include "controls/TextProgressBar.h"

#include "platform/gdi/Dc.h"
#include "platform/gdi/System.h"

#include <QEvent>
#include <QPainter>

#include <utility>

namespace progress {

int FilledWidth(int pos, int lower, int upper, int width) {
    if (upper <= lower)
        return 0;
    // In whole numbers, so that the truncation is that of the exact fraction.
    return static_cast<int>(static_cast<long long>(pos - lower) * width / (upper - lower));
}

QString PercentText(int pos, int lower, int upper) {
    return QString::asprintf("%d%%", FilledWidth(pos, lower, upper, 100));
}

} // namespace progress

CTextProgressBar::CTextProgressBar(QWidget* parent)
    : QWidget(parent), m_colBar(gdi::GetSysColor(gdi::COLOR_HIGHLIGHT)),
      m_colBk(gdi::GetSysColor(gdi::COLOR_WINDOW)), m_colText(gdi::GetSysColor(gdi::COLOR_HIGHLIGHT)),
      m_colTextOnBar(gdi::GetSysColor(gdi::COLOR_WINDOW)) {}

CTextProgressBar::~CTextProgressBar() = default;

void CTextProgressBar::SetRange(int lower, int upper) {
    m_nMin = lower;
    m_nMax = upper;
}

void CTextProgressBar::GetRange(int* lower, int* upper) const {
    if (lower)
        *lower = m_nMin;
    if (upper)
        *upper = m_nMax;
}

int CTextProgressBar::SetPos(int pos) {
    const int old = m_nPos;
    m_nPos = pos;
    const int width = progress::FilledWidth(pos, m_nMin, m_nMax, this->width());
    if (width != m_nBarWidth) {
        m_nBarWidth = width;
        repaint();
    }
    return old;
}

int CTextProgressBar::SetStep(int step) {
    return std::exchange(m_nStepSize, step);
}

void CTextProgressBar::SetShowText(bool show) {
    if (show != m_bShowText) {
        m_bShowText = show;
        update();
    }
}

void CTextProgressBar::Draw(gdi::Dc& dc, const gdi::Rect& client) const {
    if (m_nMax <= m_nMin)
        return;
    const int split = client.left + progress::FilledWidth(m_nPos, m_nMin, m_nMax, client.Width());
    const gdi::Rect done(client.left, client.top, split, client.bottom);
    const gdi::Rect rest(split, client.top, client.right, client.bottom);
    dc.FillSolidRect(done, m_colBar);
    dc.FillSolidRect(rest, m_colBk);
    if (!m_bShowText)
        return;
    const QString text = m_strText.isEmpty() ? progress::PercentText(m_nPos, m_nMin, m_nMax) : m_strText;
    dc.SetBkMode(gdi::TRANSPARENT);
    constexpr unsigned format = gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE;
    // The same text twice, each clipped to its part, so that it changes colour where the fill ends.
    for (const auto& [part, colour] : {std::pair{done, m_colTextOnBar}, std::pair{rest, m_colText}}) {
        const int saved = dc.SaveDC();
        dc.IntersectClipRect(part);
        dc.SetTextColor(colour);
        dc.DrawText(text, client, format);
        dc.RestoreDC(saved);
    }
}

void CTextProgressBar::paintEvent(QPaintEvent*) {
    if (m_nMax <= m_nMin)
        return;
    QImage picture(size(), QImage::Format_RGB32);
    if (picture.isNull())
        return;
    {
        QPainter painter(&picture);
        gdi::Dc dc(&painter);
        dc.SelectFont(gdi::Font(gdi::FromQFont(font())));
        Draw(dc, gdi::Rect(0, 0, width(), height()));
    }
    QPainter(this).drawImage(0, 0, picture);
}

void CTextProgressBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_nBarWidth = -1; // the next position repaints
}

void CTextProgressBar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange && windowTitle() != m_strText) {
        m_strText = windowTitle();
        update();
    }
}
