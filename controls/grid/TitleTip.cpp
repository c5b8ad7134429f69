#include "controls/grid/TitleTip.h"

#include "controls/grid/GridCtrl.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/System.h"
#include "platform/text/DisplayText.h"

#include <QApplication>
#include <QPainter>

using namespace gdi;

namespace {
QPoint ClientToGlobal(QWidget* parent, Point p) {
    if (auto* pGrid = qobject_cast<CGridCtrl*>(parent))
        return pGrid->mapToGlobal(pGrid->ClientToWidget(p));
    return parent->mapToGlobal(QPoint(p.x, p.y));
}
} // namespace

CGridTitleTip::CGridTitleTip()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus) {
    setProperty("windowClass", QString::fromLatin1(WindowClassName));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

CGridTitleTip::~CGridTitleTip() = default;

bool CGridTitleTip::Create(QWidget* pParentWnd) {
    if (!pParentWnd)
        return false;
    m_pParentWnd = pParentWnd;
    m_bCreated = true;
    return true;
}

bool CGridTitleTip::DestroyWindow() {
    Hide();
    m_bCreated = false;
    return true;
}

void CGridTitleTip::Show(Rect rectTitle, const QString& strTitle, int xoffset, const Rect* lpHoverRect,
                         const LOGFONT* lpLogFont, COLORREF crTextClr, COLORREF crBackClr) {
    if (!m_bCreated || !m_pParentWnd)
        return;
    if (rectTitle.IsRectEmpty() || isVisible())
        return;

    m_rectHover = lpHoverRect ? *lpHoverRect : rectTitle;
    m_rectHover.right++;
    m_rectHover.bottom++;

    if (!QApplication::focusWidget())
        return;

    // A tip wider than the screen helps nobody, and a huge text would make a huge window.
    m_strText = QLatin1Char(' ') + text::ForDisplay(strTitle) + QLatin1Char(' ');
    if (lpLogFont)
        m_font.emplace(*lpLogFont);
    else if (auto* pGrid = qobject_cast<CGridCtrl*>(m_pParentWnd); pGrid && pGrid->GetFont())
        m_font = *pGrid->GetFont();
    else
        m_font.emplace(FromQFont(m_pParentWnd->font()));
    m_crText = crTextClr;
    m_crBack = crBackClr;

    Dc measure;
    measure.SelectFont(*m_font);
    const Size size = measure.GetTextExtent(m_strText);
    const int overhang = m_font->GetTextMetrics().tmOverhang;
    const int right = rectTitle.left + xoffset + size.cx + overhang;
    if (right + xoffset <= rectTitle.right - xoffset)
        return; // the text fits in its cell

    const QPoint topLeft = ClientToGlobal(m_pParentWnd, Point(rectTitle.left + xoffset, rectTitle.top));
    setGeometry(QRect(topLeft, QSize(right - rectTitle.left, rectTitle.Height())));
    show();
    raise();
    update();
}

void CGridTitleTip::Hide() {
    if (m_bCreated)
        hide();
}

bool CGridTitleTip::OnParentMouseMove(Point point) {
    if (!isVisible() || m_rectHover.PtInRect(point))
        return false;
    Hide();
    return true;
}

void CGridTitleTip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Dc dc(&painter);
    const Rect all(0, 0, width(), height());
    dc.FillSolidRect(all, m_crBack != CLR_DEFAULT ? m_crBack : GetSysColor(COLOR_INFOBK));
    dc.FrameRect(all, Brush::Solid(GetSysColor(COLOR_WINDOWFRAME)));
    if (m_font)
        dc.SelectFont(*m_font);
    dc.SetTextColor(m_crText != CLR_DEFAULT ? m_crText : GetSysColor(COLOR_INFOTEXT));
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(1, 1, m_strText);
}
