#include "controls/grid/GridCellCheck.h"

#include "controls/grid/GridCtrl.h"
#include "platform/gdi/System.h"

using namespace gdi;

namespace {
int BoxSide() {
    return GetSystemMetrics(SM_CXMENUCHECK);
}
} // namespace

CGridCellCheck::CGridCellCheck() = default;
CGridCellCheck::~CGridCellCheck() = default;

bool CGridCellCheck::SetCheck(bool bChecked) {
    const bool bPrevious = m_bChecked;
    m_bChecked = bChecked;
    if (!m_Rect.IsRectEmpty())
        InvalidateDrawnRect();
    return bPrevious;
}

Rect CGridCellCheck::GetCheckPlacement() const {
    const int margin = static_cast<int>(GetMargin());
    const int side = BoxSide();
    return Rect(m_Rect.left + margin, m_Rect.top + margin, m_Rect.left + margin + side,
                m_Rect.top + margin + side);
}

bool CGridCellCheck::Draw(Dc* pDC, int nRow, int nCol, Rect rect, bool bEraseBkgnd) {
    const bool bResult = CGridCell::Draw(pDC, nRow, nCol, rect, bEraseBkgnd);
    m_Rect = rect;
    if (pDC)
        pDC->DrawFrameControl(GetCheckPlacement(), DFC_BUTTON,
                              DFCS_BUTTONCHECK | (m_bChecked ? DFCS_CHECKED : 0));
    return bResult;
}

bool CGridCellCheck::GetTextRect(Rect* pRect) {
    if (!CGridCell::GetTextRect(pRect))
        return false;
    pRect->left = std::min(pRect->left + BoxSide() + 2 * static_cast<int>(GetMargin()), pRect->right);
    return true;
}

Size CGridCellCheck::GetCellExtent(Dc* pDC) {
    Size size = CGridCell::GetCellExtent(pDC);
    const int extra = BoxSide() + 2 * static_cast<int>(GetMargin());
    size.cx += extra;
    size.cy += extra;
    return size;
}

void CGridCellCheck::OnClick(Point pointCellRelative) {
    const Point point(pointCellRelative.x + m_Rect.left, pointCellRelative.y + m_Rect.top);
    if (!GetCheckPlacement().PtInRect(point))
        return;
    m_bChecked = !m_bChecked;
    InvalidateDrawnRect();
}

void CGridCellCheck::InvalidateDrawnRect() {
    if (CGridCtrl* pGrid = GetGrid()) {
        Rect grown(m_Rect.left, m_Rect.top, m_Rect.right + 1, m_Rect.bottom + 1);
        pGrid->InvalidateRect(&grown);
    }
}
