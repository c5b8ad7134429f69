// Sizes of rows and columns, the mapping between cells and client pixels, scrolling, and the
// auto-size and expand-to-fit family.

#include "controls/grid/GridCtrl.h"

#include "platform/gdi/System.h"
#include "platform/text/NumberText.h"
#include "platform/ui/ScrollInfo.h"

#include <QHash>
#include <QScrollBar>

#include <map>
#include <numeric>
#include <tuple>
#include <typeindex>
#include <typeinfo>

using namespace gdi;
using namespace ui;

// ---- sizes -------------------------------------------------------------------------------------

int CGridCtrl::GetRowHeight(int nRow) const {
    if (nRow < 0 || nRow >= m_nRows || nRow >= static_cast<int>(m_arRowHeights.size()))
        return -1;
    return m_arRowHeights[static_cast<std::size_t>(nRow)];
}

int CGridCtrl::GetColumnWidth(int nCol) const {
    if (nCol < 0 || nCol >= m_nCols || nCol >= static_cast<int>(m_arColWidths.size()))
        return -1;
    return m_arColWidths[static_cast<std::size_t>(nCol)];
}

bool CGridCtrl::SetRowHeight(int nRow, int height) {
    if (nRow < 0 || nRow >= m_nRows || height < 0)
        return false;
    m_arRowHeights[static_cast<std::size_t>(nRow)] = height;
    ResetScrollBars();
    return true;
}

bool CGridCtrl::SetColumnWidth(int nCol, int width) {
    if (nCol < 0 || nCol >= m_nCols || width < 0)
        return false;
    m_arColWidths[static_cast<std::size_t>(nCol)] = width;
    ResetScrollBars();
    return true;
}

int CGridCtrl::GetFixedRowHeight() const {
    int nHeight = 0;
    for (int i = 0; i < m_nFixedRows; ++i)
        nHeight += GetRowHeight(i);
    return nHeight;
}

int CGridCtrl::GetFixedColumnWidth() const {
    int nWidth = 0;
    for (int i = 0; i < m_nFixedCols; ++i)
        nWidth += GetColumnWidth(i);
    return nWidth;
}

long CGridCtrl::GetVirtualWidth() const {
    return std::accumulate(m_arColWidths.begin(), m_arColWidths.end(), 0L);
}

long CGridCtrl::GetVirtualHeight() const {
    return std::accumulate(m_arRowHeights.begin(), m_arRowHeights.end(), 0L);
}

Size CGridCtrl::GetTextExtent(int nRow, int nCol, const QString& str) {
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return Size(0, 0);
    return pCell->GetTextExtent(str);
}

// ---- geometry ----------------------------------------------------------------------------------

CGridCellId CGridCtrl::GetTopleftNonFixedCell(bool bForceRecalculation) const {
    if (m_idTopLeftCell.IsValid() && !bForceRecalculation)
        return m_idTopLeftCell;

    const int nVertScroll = GetScrollPos32(SB_VERT);
    const int nHorzScroll = GetScrollPos32(SB_HORZ);

    m_idTopLeftCell.col = m_nFixedCols;
    int nRight = 0;
    while (nRight < nHorzScroll && m_idTopLeftCell.col < GetColumnCount() - 1)
        nRight += GetColumnWidth(m_idTopLeftCell.col++);

    m_idTopLeftCell.row = m_nFixedRows;
    int nTop = 0;
    while (nTop < nVertScroll && m_idTopLeftCell.row < GetRowCount() - 1)
        nTop += GetRowHeight(m_idTopLeftCell.row++);

    return m_idTopLeftCell;
}

CGridCellRange CGridCtrl::GetVisibleNonFixedCellRange(Rect* pRect, bool bForceRecalculation) const {
    Rect rect;
    GetClientRect(&rect);
    const CGridCellId idTopLeft = GetTopleftNonFixedCell(bForceRecalculation);

    int bottom = GetFixedRowHeight();
    int i = idTopLeft.row;
    for (; i < GetRowCount(); ++i) {
        bottom += GetRowHeight(i);
        if (bottom >= rect.bottom) {
            bottom = rect.bottom;
            break;
        }
    }
    const int maxVisibleRow = std::min(i, GetRowCount() - 1);

    int right = GetFixedColumnWidth();
    i = idTopLeft.col;
    for (; i < GetColumnCount(); ++i) {
        right += GetColumnWidth(i);
        if (right >= rect.right) {
            right = rect.right;
            break;
        }
    }
    const int maxVisibleCol = std::min(i, GetColumnCount() - 1);

    if (pRect)
        *pRect = Rect(0, 0, right, bottom);
    return CGridCellRange(idTopLeft.row, idTopLeft.col, maxVisibleRow, maxVisibleCol);
}

CGridCellRange CGridCtrl::GetUnobstructedNonFixedCellRange(bool bForceRecalculation) const {
    Rect rect;
    GetClientRect(&rect);
    const CGridCellId idTopLeft = GetTopleftNonFixedCell(bForceRecalculation);

    int bottom = GetFixedRowHeight();
    int i = idTopLeft.row;
    for (; i < GetRowCount(); ++i) {
        bottom += GetRowHeight(i);
        if (bottom >= rect.bottom)
            break;
    }
    int maxVisibleRow = std::min(i, GetRowCount() - 1);
    if (maxVisibleRow > 0 && bottom > rect.bottom)
        --maxVisibleRow;

    int right = GetFixedColumnWidth();
    i = idTopLeft.col;
    for (; i < GetColumnCount(); ++i) {
        right += GetColumnWidth(i);
        if (right >= rect.right)
            break;
    }
    int maxVisibleCol = std::min(i, GetColumnCount() - 1);
    if (maxVisibleCol > 0 && right > rect.right)
        --maxVisibleCol;

    return CGridCellRange(idTopLeft.row, idTopLeft.col, maxVisibleRow, maxVisibleCol);
}

bool CGridCtrl::GetCellOrigin(int nRow, int nCol, Point* p) const {
    if (!p || !IsValid(nRow, nCol))
        return false;

    CGridCellId idTopLeft;
    if (nCol >= m_nFixedCols || nRow >= m_nFixedRows)
        idTopLeft = GetTopleftNonFixedCell();
    if ((nRow >= m_nFixedRows && nRow < idTopLeft.row) || (nCol >= m_nFixedCols && nCol < idTopLeft.col))
        return false;

    p->x = 0;
    if (nCol < m_nFixedCols) {
        for (int i = 0; i < nCol; ++i)
            p->x += GetColumnWidth(i);
    } else {
        for (int i = 0; i < m_nFixedCols; ++i)
            p->x += GetColumnWidth(i);
        for (int i = idTopLeft.col; i < nCol; ++i)
            p->x += GetColumnWidth(i);
    }

    p->y = 0;
    if (nRow < m_nFixedRows) {
        for (int i = 0; i < nRow; ++i)
            p->y += GetRowHeight(i);
    } else {
        for (int i = 0; i < m_nFixedRows; ++i)
            p->y += GetRowHeight(i);
        for (int i = idTopLeft.row; i < nRow; ++i)
            p->y += GetRowHeight(i);
    }
    return true;
}

bool CGridCtrl::GetCellRect(int nRow, int nCol, Rect* pRect) const {
    Point origin;
    if (!pRect || !GetCellOrigin(nRow, nCol, &origin))
        return false;
    *pRect = Rect(origin.x, origin.y, origin.x + GetColumnWidth(nCol) - 1, origin.y + GetRowHeight(nRow) - 1);
    return true;
}

bool CGridCtrl::GetCellRangeRect(const CGridCellRange& cellRange, Rect* lpRect) const {
    Point minOrigin, maxOrigin;
    if (!lpRect || !GetCellOrigin(cellRange.minRow, cellRange.minCol, &minOrigin))
        return false;
    if (!GetCellOrigin(cellRange.maxRow, cellRange.maxCol, &maxOrigin))
        return false;
    *lpRect = Rect(minOrigin.x, minOrigin.y, maxOrigin.x + GetColumnWidth(cellRange.maxCol) - 1,
                   maxOrigin.y + GetRowHeight(cellRange.maxRow) - 1);
    return true;
}

bool CGridCtrl::GetTextRect(int nRow, int nCol, Rect* pRect) {
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell || !GetCellRect(nRow, nCol, pRect))
        return false;
    return pCell->GetTextRect(pRect);
}

CGridCellId CGridCtrl::GetCellFromPt(Point point, bool bAllowFixedCellCheck) const {
    CGridCellId cellID;
    const CGridCellId idTopLeft = GetTopleftNonFixedCell();
    if (!bAllowFixedCellCheck && !IsValid(idTopLeft))
        return cellID;

    const int fixedColWidth = GetFixedColumnWidth();
    if (point.x < 0 || (!bAllowFixedCellCheck && point.x < fixedColWidth)) {
        cellID.col = -1;
    } else if (point.x < fixedColWidth) {
        int xpos = 0;
        int col = 0;
        for (; col < m_nFixedCols; ++col) {
            xpos += GetColumnWidth(col);
            if (xpos > point.x)
                break;
        }
        cellID.col = col;
    } else {
        int xpos = fixedColWidth;
        int col = idTopLeft.col;
        for (; col < GetColumnCount(); ++col) {
            xpos += GetColumnWidth(col);
            if (xpos > point.x)
                break;
        }
        cellID.col = col >= GetColumnCount() ? -1 : col;
    }

    const int fixedRowHeight = GetFixedRowHeight();
    if (point.y < 0 || (!bAllowFixedCellCheck && point.y < fixedRowHeight)) {
        cellID.row = -1;
    } else if (point.y < fixedRowHeight) {
        int ypos = 0;
        int row = 0;
        for (; row < m_nFixedRows; ++row) {
            ypos += GetRowHeight(row);
            if (ypos > point.y)
                break;
        }
        cellID.row = row;
    } else {
        int ypos = fixedRowHeight;
        int row = idTopLeft.row;
        for (; row < GetRowCount(); ++row) {
            ypos += GetRowHeight(row);
            if (ypos > point.y)
                break;
        }
        cellID.row = row >= GetRowCount() ? -1 : row;
    }
    return cellID;
}

bool CGridCtrl::MouseOverRowResizeArea(Point point) const {
    if (point.x >= GetFixedColumnWidth())
        return false;
    const CGridCellId idCurrentCell = GetCellFromPt(point);
    Point start;
    if (!GetCellOrigin(idCurrentCell, &start))
        return false;
    const int endy = start.y + GetRowHeight(idCurrentCell.row);
    return (point.y - start.y < m_nResizeCaptureRange && idCurrentCell.row != 0) ||
           endy - point.y < m_nResizeCaptureRange;
}

bool CGridCtrl::MouseOverColumnResizeArea(Point point) const {
    if (point.y >= GetFixedRowHeight())
        return false;
    const CGridCellId idCurrentCell = GetCellFromPt(point);
    Point start;
    if (!GetCellOrigin(idCurrentCell, &start))
        return false;
    const int endx = start.x + GetColumnWidth(idCurrentCell.col);
    return (point.x - start.x < m_nResizeCaptureRange && idCurrentCell.col != 0) ||
           endx - point.x < m_nResizeCaptureRange;
}

bool CGridCtrl::IsCellVisible(int nRow, int nCol) const {
    if (!HasWindow())
        return false;

    CGridCellId TopLeft;
    if (nCol >= m_nFixedCols || nRow >= m_nFixedRows) {
        TopLeft = GetTopleftNonFixedCell();
        if (nCol >= m_nFixedCols && nCol < TopLeft.col)
            return false;
        if (nRow >= m_nFixedRows && nRow < TopLeft.row)
            return false;
    }

    Rect rect;
    GetClientRect(&rect);
    if (nCol < m_nFixedCols) {
        int x = 0;
        for (int i = 0; i <= nCol; ++i) {
            if (x >= rect.right)
                return false;
            x += GetColumnWidth(i);
        }
    } else {
        int x = GetFixedColumnWidth();
        for (int i = TopLeft.col; i <= nCol; ++i) {
            if (x >= rect.right)
                return false;
            x += GetColumnWidth(i);
        }
    }
    if (nRow < m_nFixedRows) {
        int y = 0;
        for (int i = 0; i <= nRow; ++i) {
            if (y >= rect.bottom)
                return false;
            y += GetRowHeight(i);
        }
    } else {
        int y = GetFixedRowHeight();
        for (int i = TopLeft.row; i <= nRow; ++i) {
            if (y >= rect.bottom)
                return false;
            y += GetRowHeight(i);
        }
    }
    return true;
}

// ---- scrolling ---------------------------------------------------------------------------------

int CGridCtrl::GetScrollPos32(int nBar, bool bGetTrackPos) const {
    const ScrollBarLink* link = nBar == SB_HORZ ? m_HScroll.get() : m_VScroll.get();
    return link ? link->GetScrollPos(bGetTrackPos) : 0;
}

bool CGridCtrl::SetScrollPos32(int nBar, int nPos, bool bRedraw) {
    m_idTopLeftCell.col = -1;
    ScrollBarLink* link = nBar == SB_HORZ ? m_HScroll.get() : m_VScroll.get();
    if (!link)
        return false;
    link->SetScrollPos(nPos);
    (void)bRedraw;
    return true;
}

void CGridCtrl::EnableScrollBars(int nBar, bool bEnable) {
    bool changed = false;
    if (bEnable) {
        if (!IsVisibleHScroll() && (nBar == SB_HORZ || nBar == SB_BOTH)) {
            m_nBarState |= 1;
            m_HScroll->ShowScrollBar(true);
            changed = true;
        }
        if (!IsVisibleVScroll() && (nBar == SB_VERT || nBar == SB_BOTH)) {
            m_nBarState |= 2;
            m_VScroll->ShowScrollBar(true);
            changed = true;
        }
    } else {
        if (IsVisibleHScroll() && (nBar == SB_HORZ || nBar == SB_BOTH)) {
            m_nBarState &= ~1;
            m_HScroll->ShowScrollBar(false);
            changed = true;
        }
        if (IsVisibleVScroll() && (nBar == SB_VERT || nBar == SB_BOTH)) {
            m_nBarState &= ~2;
            m_VScroll->ShowScrollBar(false);
            changed = true;
        }
    }
    if (changed) {
        LayoutScrollBars();
        update();
    }
}

void CGridCtrl::ResetScrollBars() {
    m_idTopLeftCell.col = -1;
    if (!m_bAllowDraw || !HasWindow() || !m_HScroll || !m_VScroll)
        return;

    Rect rect;
    GetClientRect(&rect);
    if (rect.left == rect.right || rect.top == rect.bottom)
        return;

    // The client area as it would be without bars.
    if (IsVisibleVScroll())
        rect.right += GetSystemMetrics(SM_CXVSCROLL) + GetSystemMetrics(SM_CXBORDER);
    if (IsVisibleHScroll())
        rect.bottom += GetSystemMetrics(SM_CYHSCROLL) + GetSystemMetrics(SM_CYBORDER);

    const int fixedWidth = GetFixedColumnWidth();
    const int fixedHeight = GetFixedRowHeight();
    if (fixedWidth >= rect.Width() || fixedHeight >= rect.Height()) {
        EnableScrollBars(SB_BOTH, false);
        return;
    }

    const long nonFixedWidth = GetVirtualWidth() - fixedWidth;
    const long nonFixedHeight = GetVirtualHeight() - fixedHeight;

    int visibleWidth = rect.Width() - fixedWidth;
    if (rect.Height() - fixedHeight < nonFixedHeight)
        visibleWidth -= GetSystemMetrics(SM_CXVSCROLL);
    int visibleHeight = rect.Height() - fixedHeight;
    if (visibleWidth < nonFixedWidth)
        visibleHeight -= GetSystemMetrics(SM_CYHSCROLL);

    if (visibleHeight >= nonFixedHeight) {
        EnableScrollBars(SB_VERT, false);
        m_nVScrollMax = 0;
    } else {
        EnableScrollBars(SB_VERT, true);
        m_nVScrollMax = static_cast<int>(nonFixedHeight - 1);
    }
    if (visibleWidth >= nonFixedWidth) {
        EnableScrollBars(SB_HORZ, false);
        m_nHScrollMax = 0;
    } else {
        EnableScrollBars(SB_HORZ, true);
        m_nHScrollMax = static_cast<int>(nonFixedWidth - 1);
    }

    SCROLLINFO si;
    si.fMask = SIF_PAGE | SIF_RANGE;
    si.nMin = 0;
    si.nMax = m_nHScrollMax;
    si.nPage = m_nHScrollMax > 0 ? static_cast<unsigned>(visibleWidth) : 0;
    m_HScroll->SetScrollInfo(si);

    si.fMask |= SIF_DISABLENOSCROLL;
    si.nMax = m_nVScrollMax;
    si.nPage = m_nVScrollMax > 0 ? static_cast<unsigned>(visibleHeight) : 0;
    m_VScroll->SetScrollInfo(si);

    m_nBarState = (m_HScroll->IsShown() ? 1 : 0) | (m_VScroll->IsShown() ? 2 : 0);
    LayoutScrollBars();
}

void CGridCtrl::OnVScroll(int nSBCode) {
    OnScroll(SB_VERT, nSBCode);
}

void CGridCtrl::OnHScroll(int nSBCode) {
    OnScroll(SB_HORZ, nSBCode);
}

// Both bars scroll alike, rows for the vertical one and columns for the horizontal one: a line is
// the first line of non-zero size from the top-left non-fixed cell on (before it, going back), a
// page is the client area beside the fixed lines. Only the non-fixed part is redrawn, the whole
// grid after a jump to either end.
void CGridCtrl::OnScroll(int nBar, int nSBCode) {
    EndEditing();
    HideTitleTip();

    const bool vertical = nBar == SB_VERT;
    const auto lineSize = [this, vertical](int line) {
        return vertical ? GetRowHeight(line) : GetColumnWidth(line);
    };
    const int scrollPos = GetScrollPos32(nBar);
    const int scrollMax = vertical ? m_nVScrollMax : m_nHScrollMax;
    const int lineCount = vertical ? m_nRows : m_nCols;
    const int fixedCount = vertical ? GetFixedRowCount() : GetFixedColumnCount();
    const int fixedSize = vertical ? GetFixedRowHeight() : GetFixedColumnWidth();
    const CGridCellId idTopLeft = GetTopleftNonFixedCell();
    const int firstLine = vertical ? idTopLeft.row : idTopLeft.col;
    Rect rect;
    GetClientRect(&rect);
    Rect scrolled = rect;
    (vertical ? scrolled.top : scrolled.left) = fixedSize;
    const int page = (vertical ? rect.Height() : rect.Width()) - fixedSize;

    switch (nSBCode) {
    case SB_LINEDOWN: // and SB_LINERIGHT
        if (scrollPos < scrollMax) {
            int line = firstLine;
            while (line < lineCount - 1 && lineSize(line) < 1)
                ++line;
            SetScrollPos32(nBar, scrollPos + std::max(0, lineSize(line)));
            if (GetScrollPos32(nBar) != scrollPos)
                InvalidateRect(&scrolled);
        }
        break;
    case SB_LINEUP: // and SB_LINELEFT
        if (scrollPos > 0 && firstLine > fixedCount) {
            int line = firstLine - 1;
            while (line > fixedCount && lineSize(line) < 1)
                --line;
            SetScrollPos32(nBar, std::max(0, scrollPos - std::max(0, lineSize(line))));
            InvalidateRect(&scrolled);
        }
        break;
    case SB_PAGEDOWN: // and SB_PAGERIGHT
        if (scrollPos < scrollMax) {
            SetScrollPos32(nBar, std::min(scrollMax, scrollPos + page));
            InvalidateRect(&scrolled);
        }
        break;
    case SB_PAGEUP: // and SB_PAGELEFT
        if (scrollPos > 0) {
            SetScrollPos32(nBar, std::max(0, scrollPos - page));
            InvalidateRect(&scrolled);
        }
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        SetScrollPos32(nBar, GetScrollPos32(nBar, true));
        m_idTopLeftCell.col = -1;
        if (GetTopleftNonFixedCell() != idTopLeft)
            InvalidateRect(&scrolled);
        break;
    case SB_TOP: // and SB_LEFT
        if (scrollPos > 0) {
            SetScrollPos32(nBar, 0);
            InvalidateRect(nullptr);
        }
        break;
    case SB_BOTTOM: // and SB_RIGHT
        if (scrollPos < scrollMax) {
            SetScrollPos32(nBar, scrollMax);
            InvalidateRect(nullptr);
        }
        break;
    default:
        break;
    }
}

void CGridCtrl::EnsureVisible(int nRow, int nCol) {
    if (!m_bAllowDraw)
        return;

    const CGridCellRange VisibleCells = GetVisibleNonFixedCellRange();
    int right = nCol - VisibleCells.GetMaxCol();
    int left = VisibleCells.GetMinCol() - nCol;
    int down = nRow - VisibleCells.GetMaxRow();
    int up = VisibleCells.GetMinRow() - nRow;

    int iColumnStart = VisibleCells.GetMaxCol() + 1;
    while (right > 0) {
        if (GetColumnWidth(iColumnStart) > 0)
            OnHScroll(SB_LINERIGHT);
        --right;
        ++iColumnStart;
    }
    iColumnStart = VisibleCells.GetMinCol() - 1;
    while (left > 0) {
        if (GetColumnWidth(iColumnStart) > 0)
            OnHScroll(SB_LINELEFT);
        --left;
        --iColumnStart;
    }
    int iRowStart = VisibleCells.GetMaxRow() + 1;
    while (down > 0) {
        if (GetRowHeight(iRowStart) > 0)
            OnVScroll(SB_LINEDOWN);
        --down;
        ++iRowStart;
    }
    iRowStart = VisibleCells.GetMinRow() - 1;
    while (up > 0) {
        if (GetRowHeight(iRowStart) > 0)
            OnVScroll(SB_LINEUP);
        --up;
        --iRowStart;
    }

    // A cell cut off by the right or bottom edge: one more line at a time, as long as scrolling
    // still moves it (at the end of the range it cannot, and the loop must stop).
    Rect rectCell;
    if (!GetCellRect(nRow, nCol, &rectCell))
        return;
    Rect rectWindow;
    GetClientRect(&rectWindow);
    while (rectCell.right > rectWindow.right && rectCell.left > GetFixedColumnWidth()) {
        const Rect before = rectCell;
        OnHScroll(SB_LINERIGHT);
        if (!GetCellRect(nRow, nCol, &rectCell) || rectCell == before)
            break;
    }
    while (rectCell.bottom > rectWindow.bottom && rectCell.top > GetFixedRowHeight()) {
        const Rect before = rectCell;
        OnVScroll(SB_LINEDOWN);
        if (!GetCellRect(nRow, nCol, &rectCell) || rectCell == before)
            break;
    }
}

// ---- auto-size and expand ----------------------------------------------------------------------

bool CGridCtrl::AutoSizeColumn(int nCol, unsigned nAutoSizeStyle, bool bResetScroll) {
    if (nCol < 0 || nCol >= m_nCols)
        return false;
    if (GetColumnWidth(nCol) < 1)
        return false;

    Dc dc;
    const unsigned style = nAutoSizeStyle == GVS_DEFAULT ? GetAutoSizeStyle() : nAutoSizeStyle;
    const int nStartRow = (style & GVS_HEADER) ? 0 : GetFixedRowCount();
    const int nEndRow = (style & GVS_DATA) ? GetRowCount() - 1 : GetFixedRowCount() - 1;

    if (m_bVirtualMode)
        SendCacheHintToParent(CGridCellRange(nStartRow, nCol, nEndRow, nCol));

    int width = 0;
    for (int nRow = nStartRow; nRow <= nEndRow; ++nRow)
        width = std::max(width, FittedCellWidth(nRow, nCol, dc));

    if (m_bVirtualMode)
        SendCacheHintToParent(CGridCellRange(-1, -1, -1, -1));

    m_arColWidths[static_cast<std::size_t>(nCol)] = FittedColumnWidth(nCol, width);
    if (bResetScroll)
        ResetScrollBars();
    return true;
}

int CGridCtrl::FittedCellWidth(int nRow, int nCol, Dc& dc, const Size* extent) {
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell || pCell->GetText().isEmpty())
        return 0;
    int width = extent ? extent->cx : pCell->GetCellExtent(&dc).cx;
    if (nRow == 0 && (GetSortOnClick() || GetSortColumn() == nCol)) {
        // The arrow is drawn as high as a capital letter less four pixels, at the text's right.
        const int margin = static_cast<int>(pCell->GetMargin());
        width += std::max(0, pCell->GetTextExtent(QStringLiteral("M"), &dc).cy - 2 * margin - 4);
    }
    return width;
}

int CGridCtrl::FittedColumnWidth(int nCol, int width) const {
    if (width > 0)
        return width;
    const CGridDefaultCell* pDefCell = GetDefaultCell(false, nCol < GetFixedColumnCount());
    return pDefCell ? pDefCell->GetWidth() : width;
}

bool CGridCtrl::WidenColumnToCell(int nRow, int nCol, bool bResetScroll) {
    if (nRow < 0 || nRow >= m_nRows || nCol < 0 || nCol >= m_nCols || GetColumnWidth(nCol) < 1)
        return false;
    Dc dc;
    const int width = FittedCellWidth(nRow, nCol, dc);
    int& current = m_arColWidths[static_cast<std::size_t>(nCol)];
    if (width <= current)
        return false;
    current = width;
    if (bResetScroll)
        ResetScrollBars();
    return true;
}

void CGridCtrl::RightAlignNumberColumns() {
    for (int nCol = 0; nCol < m_nCols; ++nCol) {
        text::NumberColumn column;
        for (int nRow = GetFixedRowCount(); nRow < m_nRows && !column.Decided(); ++nRow)
            column.Add(GetItemText(nRow, nCol));
        if (!column.HoldsNumbers())
            continue;
        for (int nRow = GetFixedRowCount(); nRow < m_nRows; ++nRow) {
            const unsigned format = GetItemFormat(nRow, nCol);
            SetItemFormat(nRow, nCol, (format & ~(DT_CENTER | DT_RIGHT)) | DT_RIGHT);
        }
    }
}

int CGridCtrl::WidthShowingAllColumns() const {
    // The client edge takes two pixels on each side.
    return static_cast<int>(GetVirtualWidth()) + 4 + GetSystemMetrics(SM_CXVSCROLL);
}

bool CGridCtrl::NarrowColumnToFit(int nCol, int minWidth) {
    if (nCol < 0 || nCol >= m_nCols)
        return false;
    Rect rect;
    GetClientRect(&rect);
    const long excess = GetVirtualWidth() - rect.Width();
    int& width = m_arColWidths[static_cast<std::size_t>(nCol)];
    if (excess <= 0 || width <= minWidth)
        return false;
    width = static_cast<int>(std::max<long>(minWidth, width - excess));
    ResetScrollBars();
    return true;
}

bool CGridCtrl::AutoSizeRow(int nRow, bool bResetScroll) {
    if (nRow < 0 || nRow >= m_nRows)
        return false;
    if (GetRowHeight(nRow) < 1)
        return false;

    Dc dc;
    if (m_bVirtualMode)
        SendCacheHintToParent(CGridCellRange(nRow, 0, nRow, m_nCols - 1));

    int height = 0;
    for (int nCol = 0; nCol < m_nCols; ++nCol)
        if (CGridCellBase* pCell = GetCell(nRow, nCol))
            height = std::max(height, pCell->GetCellExtent(&dc).cy);

    if (m_bVirtualMode)
        SendCacheHintToParent(CGridCellRange(-1, -1, -1, -1));

    m_arRowHeights[static_cast<std::size_t>(nRow)] = height;
    if (bResetScroll)
        ResetScrollBars();
    return true;
}

void CGridCtrl::AutoSizeColumns(unsigned nAutoSizeStyle) {
    for (int nCol = 0; nCol < GetColumnCount(); ++nCol)
        if (GetColumnWidth(nCol) > 0)
            AutoSizeColumn(nCol, nAutoSizeStyle, false);
    ResetScrollBars();
}

void CGridCtrl::AutoSizeRows() {
    for (int nRow = 0; nRow < GetRowCount(); ++nRow)
        if (GetRowHeight(nRow) > 0)
            AutoSizeRow(nRow, false);
    ResetScrollBars();
}

void CGridCtrl::AutoSize(unsigned nAutoSizeStyle) {
    Dc dc;
    const unsigned style = nAutoSizeStyle == GVS_DEFAULT ? GetAutoSizeStyle() : nAutoSizeStyle;
    const int nStartRow = (style & GVS_HEADER) ? 0 : GetFixedRowCount();
    const int nEndRow = (style & GVS_DATA) ? GetRowCount() - 1 : GetFixedRowCount() - 1;

    if (m_bVirtualMode)
        SendCacheHintToParent(CGridCellRange(nStartRow, 0, nEndRow, GetColumnCount()));

    for (int nRow = nStartRow; nRow <= nEndRow; ++nRow)
        if (GetRowHeight(nRow) > 0)
            m_arRowHeights[static_cast<std::size_t>(nRow)] = 1;

    // A long list repeats its texts (marks, ranks, classes) down its columns: a cell without a
    // picture is measured once for each text in the same kind of cell, font, format and margin.
    using Look = std::tuple<std::type_index, const gdi::Font*, unsigned, unsigned, CGridDefaultCell*>;
    std::map<Look, QHash<QString, Size>> measured;
    const auto extentOf = [&](CGridCellBase* pCell) {
        const QString text = pCell->GetText();
        if (text.isEmpty() || pCell->GetImage() >= 0)
            return pCell->GetCellExtent(&dc);
        QHash<QString, Size>& extents =
            measured[Look(typeid(*pCell), pCell->GetFontObject(), pCell->GetFormat(), pCell->GetMargin(),
                          pCell->GetDefaultCell())];
        auto it = extents.constFind(text);
        if (it == extents.cend())
            it = extents.insert(text, pCell->GetCellExtent(&dc));
        return *it;
    };

    for (int nCol = 0; nCol < GetColumnCount(); ++nCol) {
        if (GetColumnWidth(nCol) <= 0)
            continue;
        m_arColWidths[static_cast<std::size_t>(nCol)] = 0;
        for (int nRow = nStartRow; nRow <= nEndRow; ++nRow) {
            if (GetRowHeight(nRow) <= 0)
                continue;
            CGridCellBase* pCell = GetCell(nRow, nCol);
            if (!pCell)
                continue;
            const Size size = extentOf(pCell);
            int& width = m_arColWidths[static_cast<std::size_t>(nCol)];
            int& height = m_arRowHeights[static_cast<std::size_t>(nRow)];
            width = std::max(width, FittedCellWidth(nRow, nCol, dc, &size));
            height = std::max(height, size.cy);
        }
        int& width = m_arColWidths[static_cast<std::size_t>(nCol)];
        width = FittedColumnWidth(nCol, width);
    }

    if (m_bVirtualMode)
        SendCacheHintToParent(CGridCellRange(-1, -1, -1, -1));

    ResetScrollBars();
    Refresh();
}

namespace {

// Spreads `difference` pixels (either sign) over the shown sizes of one axis from `first` on:
// each shown size takes an even share, then the first ones take the remainder a pixel each. The
// remainder counts every size from `first`, shown or not, so that a hidden one still uses up its
// place in the count. A shown size never goes below one pixel: it would otherwise vanish or, in
// unsigned arithmetic, wrap round to an enormous size. False when nothing is shown.
bool SpreadToFit(std::vector<int>& sizes, int first, int count, long difference) {
    count = std::min(count, static_cast<int>(sizes.size()));
    const auto shown = [&sizes](int i) { return sizes[static_cast<std::size_t>(i)] > 0; };
    int nAffected = 0;
    for (int i = first; i < count; ++i)
        if (shown(i))
            ++nAffected;
    if (nAffected <= 0)
        return false;

    const auto adjust = [&sizes](int i, int delta) {
        int& size = sizes[static_cast<std::size_t>(i)];
        size = std::max(1, size + delta);
    };
    const int share = static_cast<int>(difference / nAffected);
    for (int i = first; i < count; ++i)
        if (shown(i))
            adjust(i, share);

    const int step = difference > 0 ? 1 : -1;
    const int leftOver = static_cast<int>((difference > 0 ? difference : -difference) % nAffected);
    for (int nCount = 0, i = first; i < count && nCount < leftOver; ++i, ++nCount)
        if (shown(i))
            adjust(i, step);
    return true;
}

} // namespace

void CGridCtrl::ExpandColumnsToFit(bool bExpandFixed) {
    const int nFirstColumn = bExpandFixed ? 0 : GetFixedColumnCount();
    if (GetColumnCount() <= nFirstColumn)
        return;

    SetScrollPos32(SB_HORZ, 0);
    Rect rect;
    GetClientRect(&rect);
    if (!SpreadToFit(m_arColWidths, nFirstColumn, GetColumnCount(), rect.Width() - GetVirtualWidth()))
        return;

    Refresh();
    ResetScrollBars();
}

void CGridCtrl::ExpandLastColumn() {
    int nLastColumn = GetColumnCount() - 1;
    while (nLastColumn >= 0 && GetColumnWidth(nLastColumn) <= 0)
        --nLastColumn;
    if (nLastColumn <= 0)
        return;

    SetScrollPos32(SB_HORZ, 0);
    Rect rect;
    GetClientRect(&rect);
    const long nDifference = rect.Width() - GetVirtualWidth();
    if (nDifference > 0) {
        m_arColWidths[static_cast<std::size_t>(nLastColumn)] += static_cast<int>(nDifference);
        Refresh();
    }
    ResetScrollBars();
}

void CGridCtrl::ExpandRowsToFit(bool bExpandFixed) {
    const int nFirstRow = bExpandFixed ? 0 : GetFixedRowCount();
    if (GetRowCount() <= nFirstRow)
        return;

    SetScrollPos32(SB_VERT, 0);
    Rect rect;
    GetClientRect(&rect);
    if (!SpreadToFit(m_arRowHeights, nFirstRow, GetRowCount(), rect.Height() - GetVirtualHeight()))
        return;

    Refresh();
    ResetScrollBars();
}

void CGridCtrl::ExpandToFit(bool bExpandFixed) {
    ExpandColumnsToFit(bExpandFixed);
    ExpandRowsToFit(bExpandFixed);
    ExpandColumnsToFit(bExpandFixed);
    Refresh();
}
