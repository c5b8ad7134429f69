// Painting, redrawing single cells, and the window events that concern sizes, colours, fonts,
// the cursor, the wheel and the auto-scroll timer.

#include "controls/grid/GridCtrl.h"

#include "platform/gdi/System.h"
#include "platform/ui/ScrollInfo.h"

#include <QCursor>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimerEvent>
#include <QWheelEvent>

using namespace gdi;
using namespace ui;

void CGridCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const int edge = ClientEdge();
    const QRect widgetRect = rect();

    if (edge > 0) {
        // The sunken client edge, and the box where the two bars meet.
        Dc frame(&painter);
        Rect outer(0, 0, widgetRect.width(), widgetRect.height());
        frame.DrawEdge(outer, EDGE_SUNKEN, BF_RECT);
    }
    if (IsVisibleHScroll() && IsVisibleVScroll()) {
        const QRect corner(m_pVBar->x(), m_pHBar->y(), m_pVBar->width(), m_pHBar->height());
        painter.fillRect(corner, ToQColor(GetSysColor(COLOR_3DFACE)));
    }

    Rect client;
    GetClientRect(&client);
    if (client.IsRectEmpty())
        return;
    painter.translate(edge, edge);
    Rect clip = Rect::FromQRect(event->rect().translated(-edge, -edge));
    if (!clip.IntersectRect(clip, client))
        return;
    Dc dc(&painter);
    dc.SetSurfaceClip(clip);
    // Qt's backing store already composes the frame off screen; the double-buffering flag needs
    // no second buffer here.
    OnDraw(&dc);

    if (m_rcTrackLine) {
        // The sizing line, inverted over whatever lies below it.
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillRect(m_rcTrackLine->ToQRect(), Qt::white);
    }
}

void CGridCtrl::OnDraw(Dc* pDC) {
    if (!m_bAllowDraw || !pDC)
        return;
    Rect clipRect;
    if (pDC->GetClipBox(&clipRect) != SIMPLEREGION)
        return;

    EraseBkgnd(pDC);

    const int nFixedRowHeight = GetFixedRowHeight();
    const int nFixedColWidth = GetFixedColumnWidth();
    const CGridCellId idTopLeft = GetTopleftNonFixedCell();
    const int minVisibleRow = idTopLeft.row;
    const int minVisibleCol = idTopLeft.col;
    Rect VisRect;
    const CGridCellRange VisCellRange = GetVisibleNonFixedCellRange(&VisRect);
    const int maxVisibleRow = VisCellRange.GetMaxRow();
    const int maxVisibleCol = VisCellRange.GetMaxCol();

    if (m_bVirtualMode)
        SendCacheHintToParent(VisCellRange);

    // Rows from `firstRow` starting at y, columns from `firstCol` starting at x; a row or column
    // of size 0 is skipped, and the loops stop once they pass the clip box.
    auto drawBlock = [&](int firstRow, int lastRow, int y0, int firstCol, int lastCol, int x0) {
        Rect rect;
        rect.bottom = y0 - 1;
        for (int row = firstRow; row <= lastRow; ++row) {
            const int h = GetRowHeight(row);
            if (h <= 0)
                continue;
            rect.top = rect.bottom + 1;
            rect.bottom = rect.top + h - 1;
            if (rect.top >= clipRect.bottom)
                break;
            if (rect.bottom < clipRect.top)
                continue;
            rect.right = x0 - 1;
            for (int col = firstCol; col <= lastCol; ++col) {
                const int w = GetColumnWidth(col);
                if (w <= 0)
                    continue;
                rect.left = rect.right + 1;
                rect.right = rect.left + w - 1;
                if (rect.left >= clipRect.right)
                    break;
                if (rect.right < clipRect.left)
                    continue;
                if (CGridCellBase* pCell = GetCell(row, col)) {
                    pCell->SetCoords(row, col);
                    pCell->Draw(pDC, row, col, rect, false);
                }
            }
        }
    };

    drawBlock(0, m_nFixedRows - 1, 0, 0, m_nFixedCols - 1, 0);
    drawBlock(minVisibleRow, maxVisibleRow, nFixedRowHeight, 0, m_nFixedCols - 1, 0);
    drawBlock(0, m_nFixedRows - 1, 0, minVisibleCol, maxVisibleCol, nFixedColWidth);
    drawBlock(minVisibleRow, maxVisibleRow, nFixedRowHeight, minVisibleCol, maxVisibleCol, nFixedColWidth);

    const Pen oldPen = pDC->SelectPen(Pen{PS_SOLID, 1, m_crGridLineColour});
    if (m_nGridLines == GVL_BOTH || m_nGridLines == GVL_VERT) {
        int x = nFixedColWidth;
        for (int col = minVisibleCol; col <= maxVisibleCol; ++col) {
            if (GetColumnWidth(col) <= 0)
                continue;
            x += GetColumnWidth(col);
            pDC->MoveTo(x - 1, nFixedRowHeight);
            pDC->LineTo(x - 1, VisRect.bottom);
        }
    }
    if (m_nGridLines == GVL_BOTH || m_nGridLines == GVL_HORZ) {
        int y = nFixedRowHeight;
        for (int row = minVisibleRow; row <= maxVisibleRow; ++row) {
            if (GetRowHeight(row) <= 0)
                continue;
            y += GetRowHeight(row);
            pDC->MoveTo(nFixedColWidth, y - 1);
            pDC->LineTo(VisRect.right, y - 1);
        }
    }
    pDC->SelectPen(oldPen);

    if (m_bVirtualMode)
        SendCacheHintToParent(CGridCellRange(-1, -1, -1, -1));
}

void CGridCtrl::EraseBkgnd(Dc* pDC) {
    Rect VisRect, ClipRect, rect;
    const CGridCellRange visCells = GetVisibleNonFixedCellRange(&VisRect);
    (void)visCells;
    if (pDC->GetClipBox(&ClipRect) != SIMPLEREGION)
        return;
    Rect client;
    GetClientRect(&client);

    const int nFixedColumnWidth = GetFixedColumnWidth();
    const int nFixedRowHeight = GetFixedRowHeight();
    auto fill = [&](const Rect& area, COLORREF colour) {
        Rect r;
        if (r.IntersectRect(area, ClipRect))
            pDC->FillSolidRect(r, colour);
    };

    fill(Rect(0, 0, nFixedColumnWidth, nFixedRowHeight), m_cellFixedRowColDef->GetBackClr());
    fill(Rect(nFixedColumnWidth, 0, VisRect.right, nFixedRowHeight), m_cellFixedRowDef->GetBackClr());
    fill(Rect(0, nFixedRowHeight, nFixedColumnWidth, VisRect.bottom), m_cellFixedColDef->GetBackClr());
    fill(Rect(nFixedColumnWidth, nFixedRowHeight, VisRect.right, VisRect.bottom),
         m_cellDefault->GetBackClr());
    fill(Rect(VisRect.right, client.top, client.right, client.bottom), m_crGridBkColour);
    fill(Rect(client.left, VisRect.bottom, VisRect.right, client.bottom), m_crGridBkColour);
}

bool CGridCtrl::RedrawCell(int nRow, int nCol, Dc* pDC) {
    if (!m_bAllowDraw || !IsCellVisible(nRow, nCol))
        return false;
    Rect rect;
    if (!GetCellRect(nRow, nCol, &rect))
        return false;

    if (!pDC) {
        // Qt draws only in its paint event: the cell's area is invalidated instead.
        Rect grown(rect.left, rect.top, rect.right + 1, rect.bottom + 1);
        InvalidateRect(&grown);
        return true;
    }

    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!IsCellFixed(nRow, nCol)) {
        if (pCell)
            pCell->Draw(pDC, nRow, nCol, rect, true);
        const Pen oldPen = pDC->SelectPen(Pen{PS_SOLID, 1, m_crGridLineColour});
        if (m_nGridLines == GVL_BOTH || m_nGridLines == GVL_HORZ) {
            pDC->MoveTo(rect.left, rect.bottom);
            pDC->LineTo(rect.right + 1, rect.bottom);
        }
        if (m_nGridLines == GVL_BOTH || m_nGridLines == GVL_VERT) {
            pDC->MoveTo(rect.right, rect.top);
            pDC->LineTo(rect.right, rect.bottom + 1);
        }
        pDC->SelectPen(oldPen);
    } else if (pCell) {
        pCell->Draw(pDC, nRow, nCol, rect, true);
    }
    return true;
}

bool CGridCtrl::RedrawRow(int row) {
    bool bResult = true;
    for (int col = 0; col < GetColumnCount(); ++col)
        bResult = RedrawCell(row, col) && bResult;
    return bResult;
}

bool CGridCtrl::RedrawColumn(int col) {
    bool bResult = true;
    for (int row = 0; row < GetRowCount(); ++row)
        bResult = RedrawCell(row, col) && bResult;
    return bResult;
}

void CGridCtrl::Refresh() {
    if (HasWindow() && m_bAllowDraw)
        update();
}

bool CGridCtrl::InvalidateCellRect(int row, int col) {
    if (!HasWindow() || !m_bAllowDraw || !IsValid(row, col) || !IsCellVisible(row, col))
        return false;
    Rect rect;
    if (!GetCellRect(row, col, &rect))
        return false;
    rect.right++;
    rect.bottom++;
    InvalidateRect(&rect);
    return true;
}

bool CGridCtrl::InvalidateCellRect(const CGridCellRange& cellRange) {
    if (!HasWindow() || !m_bAllowDraw)
        return false;
    const CGridCellRange visibleCellRange = GetVisibleNonFixedCellRange().Intersect(cellRange);
    Rect rect;
    if (!GetCellRangeRect(visibleCellRange, &rect))
        return false;
    rect.right++;
    rect.bottom++;
    InvalidateRect(&rect);
    return true;
}

void CGridCtrl::SetRedraw(bool bAllowDraw, bool bResetScrollBars) {
    if (bAllowDraw && !m_bAllowDraw) {
        m_bAllowDraw = true;
        Refresh();
    }
    m_bAllowDraw = bAllowDraw;
    if (bResetScrollBars)
        ResetScrollBars();
}

// ---- window events -----------------------------------------------------------------------------

void CGridCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    OnSize();
}

void CGridCtrl::OnSize() {
    if (m_bInOnSize)
        return;
    m_bInOnSize = true;
    if (HasWindow()) {
        m_DropTarget.Register(this);
        EndEditing();
        LayoutScrollBars();
        ResetScrollBars();
    }
    m_bInOnSize = false;
}

void CGridCtrl::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        QWidget::wheelEvent(event);
        return;
    }
    if (m_nRowsPerWheelNotch != -1) {
        const int lines = delta * m_nRowsPerWheelNotch / 120;
        for (int i = 0; i < std::abs(lines); ++i)
            OnVScroll(lines > 0 ? SB_LINEUP : SB_LINEDOWN);
    } else {
        const int pages = delta / 120;
        for (int i = 0; i < std::abs(pages); ++i)
            OnVScroll(pages > 0 ? SB_PAGEUP : SB_PAGEDOWN);
    }
    event->accept();
}

void CGridCtrl::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_nQtTimerId)
        OnTimer(kAutoScrollTimerId);
    else
        QWidget::timerEvent(event);
}

void CGridCtrl::OnTimer(unsigned nIDEvent) {
    if (nIDEvent != kAutoScrollTimerId)
        return;

    const Point pt = WidgetToClient(mapFromGlobal(QCursor::pos()));
    Rect rect;
    GetClientRect(&rect);
    const int nFixedRowHeight = GetFixedRowHeight();
    const int nFixedColWidth = GetFixedColumnWidth();

    const int clampedX = std::clamp(pt.x, rect.left, rect.right);
    const int clampedY = std::clamp(pt.y, rect.top, rect.bottom);
    if (pt.y > rect.bottom) {
        OnKeyDown(VK_DOWN, 0, 0);
        OnSelecting(GetCellFromPt(Point(clampedX, rect.bottom)));
    } else if (pt.y < nFixedRowHeight) {
        OnKeyDown(VK_UP, 0, 0);
        OnSelecting(GetCellFromPt(Point(clampedX, nFixedRowHeight + 1)));
    }
    if (pt.x > rect.right) {
        OnKeyDown(VK_RIGHT, 0, 0);
        OnSelecting(GetCellFromPt(Point(rect.right, clampedY)));
    } else if (pt.x < nFixedColWidth) {
        OnKeyDown(VK_LEFT, 0, 0);
        OnSelecting(GetCellFromPt(Point(nFixedColWidth + 1, clampedY)));
    }
}

void CGridCtrl::OnCaptureChanged(QWidget* pWnd) {
    if (pWnd == this)
        return;
    if (m_nTimerID != 0) {
        killTimer(m_nQtTimerId);
        m_nQtTimerId = 0;
        m_nTimerID = 0;
    }
    if (m_MouseMode == MOUSE_DRAGGING)
        m_MouseMode = MOUSE_NOTHING;
}

void CGridCtrl::OnSysColorChange() {
    for (CGridDefaultCell* pCell : {m_cellDefault.get(), m_cellFixedColDef.get(), m_cellFixedRowDef.get(),
                                    m_cellFixedRowColDef.get()}) {
        if (pCell->GetTextClr() == m_crWindowText)
            pCell->SetTextClr(GetSysColor(COLOR_WINDOWTEXT));
        if (pCell->GetBackClr() == m_crWindowColour)
            pCell->SetBackClr(GetSysColor(COLOR_WINDOW));
    }
    if (GetGridBkColor() == m_crShadow)
        SetGridBkColor(GetSysColor(COLOR_3DSHADOW));
    ResetColours();
    Refresh();
}

void CGridCtrl::OnSettingChange() {
    OnSysColorChange();
    m_nRowsPerWheelNotch = GetMouseScrollLines();
}

void CGridCtrl::OnSetFont(const LOGFONT& lf) {
    for (CGridDefaultCell* pCell :
         {m_cellDefault.get(), m_cellFixedColDef.get(), m_cellFixedRowDef.get(), m_cellFixedRowColDef.get()})
        pCell->SetFont(&lf);
    Refresh();
}

const Font* CGridCtrl::OnGetFont() const {
    return m_cellDefault ? m_cellDefault->GetFontObject() : nullptr;
}

bool CGridCtrl::OnSetCursor(Point point) {
    if (m_MouseMode == MOUSE_OVER_COL_DIVIDE) {
        setCursor(Qt::SizeHorCursor);
        return true;
    }
    if (m_MouseMode == MOUSE_OVER_ROW_DIVIDE) {
        setCursor(Qt::SizeVerCursor);
        return true;
    }
    if (!m_bVirtualMode) {
        const CGridCellId cell = GetCellFromPt(point);
        if (CGridCellBase* pCell = GetCell(cell.row, cell.col))
            return pCell->OnSetCursor();
    }
    setCursor(Qt::ArrowCursor);
    return true;
}
