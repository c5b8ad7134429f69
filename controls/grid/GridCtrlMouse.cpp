// The mouse: clicks, drag-selection with auto-scroll, resizing rows and columns on the header
// borders, double clicks that fit a border or open an editor, the right button, and the title tip.

#include "controls/grid/GridCtrl.h"

#include "platform/ui/Messages.h"

#include <QFocusEvent>
#include <QMouseEvent>

#include <cstdlib>

using namespace gdi;

// ---- helpers -----------------------------------------------------------------------------------

void CGridCtrl::HideTitleTip() {
    if (m_TitleTip)
        m_TitleTip->Hide();
}

void CGridCtrl::StartAutoScrollTimer() {
    if (m_nQtTimerId != 0)
        killTimer(m_nQtTimerId);
    m_nQtTimerId = startTimer(m_nTimerInterval);
    m_nTimerID = static_cast<int>(kAutoScrollTimerId);
}

void CGridCtrl::KillAutoScrollTimer() {
    if (m_nQtTimerId != 0)
        killTimer(m_nQtTimerId);
    m_nQtTimerId = 0;
    m_nTimerID = 0;
}

void CGridCtrl::ReleaseMouseCapture() {
    m_bMouseCaptured = false;
}

void CGridCtrl::SetTrackingLine(const std::optional<Rect>& rect) {
    if (m_rcTrackLine)
        InvalidateRect(&*m_rcTrackLine);
    m_rcTrackLine = rect;
    if (m_rcTrackLine)
        InvalidateRect(&*m_rcTrackLine);
}

bool CGridCtrl::IsClickOnText(const CGridCellId& cell, Point point) {
    Rect rect;
    CGridCellBase* pCell = GetCell(cell.row, cell.col);
    if (!pCell || !GetCellRect(cell, &rect) || !pCell->GetTextRect(&rect))
        return false;
    return rect.PtInRect(point);
}

// ---- left button -------------------------------------------------------------------------------

void CGridCtrl::OnLButtonDown(unsigned nFlags, Point point) {
    HideTitleTip();
    setFocus(Qt::MouseFocusReason);

    m_LeftClickDownPoint = point;
    m_bLMouseButtonDown = true;
    m_LeftClickDownCell = GetCellFromPt(point);
    if (!IsValid(m_LeftClickDownCell))
        return;

    if (!(nFlags & MK_SHIFT))
        m_SelectionStartCell = m_LeftClickDownCell;
    else if (!IsValid(m_SelectionStartCell))
        m_SelectionStartCell = m_idCurrentCell;

    EndEditing();
    // The end of an edit reached the owner, which may have rebuilt the grid.
    if (!IsValid(m_LeftClickDownCell))
        return;
    if (CGridCellBase* pCell = GetCell(m_LeftClickDownCell.row, m_LeftClickDownCell.col))
        pCell->OnClickDown(GetPointClicked(m_LeftClickDownCell.row, m_LeftClickDownCell.col, point));

    const bool bCtrl = (nFlags & MK_CONTROL) != 0;
    const bool bOnText = IsClickOnText(m_LeftClickDownCell, point);

    if (m_LeftClickDownCell == m_idCurrentCell && !bCtrl && bOnText && IsCellEditable(m_LeftClickDownCell)) {
        m_MouseMode = MOUSE_PREPARE_EDIT;
        return;
    }

    bool bTakeFocus = true;
    if (IsCellSelected(m_LeftClickDownCell)) {
        if (bCtrl) {
            // Ctrl takes a selected cell (its row in list mode) out of the selection.
            SetFocusCell(m_LeftClickDownCell);
            const int row = m_LeftClickDownCell.row;
            const int firstCol = m_bListMode ? m_nFixedCols : m_LeftClickDownCell.col;
            const int lastCol = m_bListMode ? m_nCols - 1 : m_LeftClickDownCell.col;
            for (int col = firstCol; col <= lastCol; ++col) {
                SetItemState(row, col, GetItemState(row, col) & ~GCS_SELECTED);
                RedrawCell(row, col);
            }
            return;
        }
        // A press on the selection may start dragging it; without drag-and-drop the click
        // simply makes the cell the focus cell, as on any other cell.
        if (m_bAllowDragAndDrop) {
            m_MouseMode = MOUSE_PREPARE_DRAG;
            bTakeFocus = false;
        }
    }
    if (bTakeFocus && m_MouseMode != MOUSE_OVER_COL_DIVIDE && m_MouseMode != MOUSE_OVER_ROW_DIVIDE)
        SetFocusCell(IsCellFixed(m_LeftClickDownCell.row, m_LeftClickDownCell.col) ? CGridCellId(-1, -1)
                                                                                   : m_LeftClickDownCell);

    m_bMouseCaptured = true;
    if (m_MouseMode == MOUSE_NOTHING) {
        if (m_bAllowColumnResize && MouseOverColumnResizeArea(point)) {
            setCursor(Qt::SizeHorCursor);
            m_MouseMode = MOUSE_OVER_COL_DIVIDE;
        } else if (m_bAllowRowResize && MouseOverRowResizeArea(point)) {
            setCursor(Qt::SizeVerCursor);
            m_MouseMode = MOUSE_OVER_ROW_DIVIDE;
        }
    }

    Rect client;
    GetClientRect(&client);
    if (m_MouseMode == MOUSE_OVER_COL_DIVIDE) {
        m_MouseMode = MOUSE_SIZING_COL;
        Rect visible;
        GetVisibleNonFixedCellRange(&visible);
        Point start;
        GetCellOrigin(m_LeftClickDownCell, &start);
        int& col = m_LeftClickDownCell.col;
        const int last = m_nCols - 1;
        if (GetColumnWidth(last) < m_nResizeCaptureRange &&
            std::abs(point.x - visible.right) < m_nResizeCaptureRange) {
            col = last;
        } else {
            // A left edge is the border of the column before.
            if (point.x - start.x < m_nResizeCaptureRange && col > 0)
                --col;
            if (!m_bHiddenColUnhide)
                while (col >= 0 && GetColumnWidth(col) <= 0)
                    --col;
        }
        Point origin;
        if (col < 0 || !GetCellOrigin(m_LeftClickDownCell, &origin)) {
            m_MouseMode = MOUSE_NOTHING;
            return;
        }
        m_nClipMin = origin.x + 1;
        m_nClipMax = m_nClipMin + (client.Width() - GetFixedColumnWidth());
        const int x = std::clamp(point.x, m_nClipMin, m_nClipMax);
        SetTrackingLine(Rect(x, client.top, x + 2, client.bottom));
    } else if (m_MouseMode == MOUSE_OVER_ROW_DIVIDE) {
        m_MouseMode = MOUSE_SIZING_ROW;
        Rect visible;
        GetVisibleNonFixedCellRange(&visible);
        Point start;
        GetCellOrigin(m_LeftClickDownCell, &start);
        int& row = m_LeftClickDownCell.row;
        const int last = m_nRows - 1;
        if (GetRowHeight(last) < m_nResizeCaptureRange &&
            std::abs(point.y - visible.bottom) < m_nResizeCaptureRange) {
            row = last;
        } else {
            if (point.y - start.y < m_nResizeCaptureRange && row > 0)
                --row;
            if (!m_bHiddenRowUnhide)
                while (row >= 0 && GetRowHeight(row) <= 0)
                    --row;
        }
        Point origin;
        if (row < 0 || !GetCellOrigin(m_LeftClickDownCell, &origin)) {
            m_MouseMode = MOUSE_NOTHING;
            return;
        }
        m_nClipMin = origin.y + 1;
        m_nClipMax = m_nClipMin + (client.Height() - GetFixedRowHeight());
        const int y = std::clamp(point.y, m_nClipMin, m_nClipMax);
        SetTrackingLine(Rect(client.left, y, client.right, y + 2));
    } else if (m_MouseMode != MOUSE_PREPARE_DRAG) {
        const CGridCellId cell = m_LeftClickDownCell;
        SendMessageToParent(cell.row, cell.col, GVN_SELCHANGING);
        m_PrevSelectedCellMap.clear();
        if (bCtrl)
            m_PrevSelectedCellMap = m_SelectedCellMap;
        CGridCellId clicked = m_LeftClickDownCell;
        if (clicked.row < m_nFixedRows) {
            OnFixedRowClick(clicked);
        } else if (clicked.col < m_nFixedCols) {
            OnFixedColumnClick(clicked);
        } else if (IsValid(clicked)) {
            m_MouseMode = m_bListMode ? MOUSE_SELECT_ROW : MOUSE_SELECT_CELLS;
            OnSelecting(clicked);
            StartAutoScrollTimer();
        }
    }
    m_LastMousePoint = point;
}

void CGridCtrl::OnMouseMove(unsigned, Point point) {
    if (m_TitleTip)
        m_TitleTip->OnParentMouseMove(point);

    Rect client;
    GetClientRect(&client);
    if (!client.PtInRect(point) && m_MouseMode != MOUSE_DRAGGING)
        return;

    const bool bGesture = m_bLMouseButtonDown && m_MouseMode != MOUSE_NOTHING && IsValid(m_LeftClickDownCell);
    if (bGesture) {
        switch (m_MouseMode) {
        case MOUSE_SELECT_COL:
        case MOUSE_SELECT_ROW:
        case MOUSE_SELECT_CELLS: {
            const CGridCellId idCurrentCell = GetCellFromPt(point);
            if (!IsValid(idCurrentCell) || idCurrentCell == m_idCurrentCell)
                break;
            OnSelecting(idCurrentCell);
            if ((idCurrentCell.row >= m_nFixedRows && idCurrentCell.col >= m_nFixedCols) ||
                m_MouseMode == MOUSE_SELECT_COL || m_MouseMode == MOUSE_SELECT_ROW)
                SetFocusCell(idCurrentCell);
            break;
        }
        case MOUSE_SIZING_ROW: {
            const int y = std::clamp(point.y, m_nClipMin, m_nClipMax);
            SetTrackingLine(Rect(client.left, y, client.right, y + 2));
            break;
        }
        case MOUSE_SIZING_COL: {
            const int x = std::clamp(point.x, m_nClipMin, m_nClipMax);
            SetTrackingLine(Rect(x, client.top, x + 2, client.bottom));
            break;
        }
        case MOUSE_PREPARE_EDIT:
        case MOUSE_PREPARE_DRAG:
            m_MouseMode = MOUSE_PREPARE_DRAG;
            OnBeginDrag();
            break;
        default:
            break;
        }
    } else {
        if (m_bAllowColumnResize && MouseOverColumnResizeArea(point)) {
            if (m_MouseMode != MOUSE_OVER_COL_DIVIDE) {
                setCursor(Qt::SizeHorCursor);
                m_MouseMode = MOUSE_OVER_COL_DIVIDE;
            }
        } else if (m_bAllowRowResize && MouseOverRowResizeArea(point)) {
            if (m_MouseMode != MOUSE_OVER_ROW_DIVIDE) {
                setCursor(Qt::SizeVerCursor);
                m_MouseMode = MOUSE_OVER_ROW_DIVIDE;
            }
        } else if (m_MouseMode != MOUSE_NOTHING) {
            setCursor(Qt::ArrowCursor);
            m_MouseMode = MOUSE_NOTHING;
        }

        if (m_MouseMode == MOUSE_NOTHING && !(m_bVirtualMode && !m_bTitleTips)) {
            const CGridCellId idCurrentCell = GetCellFromPt(point);
            if (CGridCellBase* pCell = GetCell(idCurrentCell.row, idCurrentCell.col)) {
                pCell->OnMouseOver();
                Rect textRect, cellRect;
                const QString strTip = pCell->GetTipText();
                if (m_bTitleTips && m_TitleTip && !strTip.isEmpty() && !pCell->IsEditing() &&
                    GetCellRect(idCurrentCell, &textRect) && pCell->GetTipTextRect(&textRect) &&
                    GetCellRect(idCurrentCell, &cellRect))
                    m_TitleTip->Show(textRect, strTip, 0, &cellRect, pCell->GetFont(), m_crTTipTextClr,
                                     m_crTTipBackClr);
            }
        }
    }
    m_LastMousePoint = point;
}

void CGridCtrl::OnLButtonUp(unsigned, Point point) {
    m_bLMouseButtonDown = false;
    const int nClipMax = m_nClipMax;
    m_nClipMin = 0;
    m_nClipMax = -1;
    if (m_bMouseCaptured) {
        ReleaseMouseCapture();
        KillAutoScrollTimer();
    }

    const CGridCellId click = m_LeftClickDownCell;
    switch (m_MouseMode) {
    case MOUSE_PREPARE_EDIT:
        OnEditCell(m_idCurrentCell.row, m_idCurrentCell.col,
                   GetPointClicked(m_idCurrentCell.row, m_idCurrentCell.col, point), VK_LBUTTON);
        break;
    case MOUSE_PREPARE_DRAG: {
        // A press on the selection let go without dragging.
        if (CGridCellBase* pCell = GetCell(m_idCurrentCell.row, m_idCurrentCell.col))
            pCell->OnClick(GetPointClicked(m_idCurrentCell.row, m_idCurrentCell.col, point));
        SendMessageToParent(click.row, click.col, NM_CLICK);
        SendMessageToParent(click.row, click.col, GVN_SELCHANGING);
        ResetSelectedRange();
        // The clicked cell becomes the focus cell and the selection, as a click elsewhere does.
        if (IsValid(click) && !IsCellFixed(click.row, click.col)) {
            m_SelectionStartCell = click;
            SetFocusCell(click);
            m_MouseMode = m_bListMode ? MOUSE_SELECT_ROW : MOUSE_SELECT_CELLS;
            OnSelecting(click);
        }
        SendMessageToParent(m_idCurrentCell.row, m_idCurrentCell.col, GVN_SELCHANGED);
        break;
    }
    case MOUSE_SIZING_COL: {
        SetTrackingLine(std::nullopt);
        // The cursor cannot go past the right end of its confinement; leftwards the width stops
        // at 0 or 1.
        if (point.x > nClipMax && nClipMax >= 0)
            point.x = nClipMax;
        Point start;
        if (point != m_LeftClickDownPoint && (point.x != 0 || point.y != 0) && GetCellOrigin(click, &start)) {
            const int width = std::max(point.x - start.x, m_bAllowColHide ? 0 : 1);
            SetColumnWidth(click.col, width);
            ResetScrollBars();
            InvalidateRect(nullptr);
        }
        break;
    }
    case MOUSE_SIZING_ROW: {
        SetTrackingLine(std::nullopt);
        if (point.y > nClipMax && nClipMax >= 0)
            point.y = nClipMax;
        Point start;
        if (point != m_LeftClickDownPoint && (point.x != 0 || point.y != 0) && GetCellOrigin(click, &start)) {
            const int height = std::max(point.y - start.y, m_bAllowRowHide ? 0 : 1);
            SetRowHeight(click.row, height);
            ResetScrollBars();
            InvalidateRect(nullptr);
        }
        break;
    }
    default:
        // A press outside all cells started nothing that the owner could be told of.
        if (!IsValid(click))
            break;
        SendMessageToParent(m_idCurrentCell.row, m_idCurrentCell.col, GVN_SELCHANGED);
        if (CGridCellBase* pCell = GetCell(m_idCurrentCell.row, m_idCurrentCell.col))
            pCell->OnClick(GetPointClicked(m_idCurrentCell.row, m_idCurrentCell.col, point));
        SendMessageToParent(click.row, click.col, NM_CLICK);
        break;
    }

    m_MouseMode = MOUSE_NOTHING;
    setCursor(Qt::ArrowCursor);
    if (IsValid(click) && HasWindow())
        ui::PostMessage(GetOwner(), ui::WM_COMMAND, static_cast<std::uintptr_t>(GetDlgCtrlID() & 0xFFFF),
                        reinterpret_cast<std::intptr_t>(this));
}

void CGridCtrl::OnLButtonDblClk(unsigned, Point point) {
    HideTitleTip();
    const CGridCellId cell = GetCellFromPt(point);
    if (!IsValid(cell))
        return;

    // Qt brings no move between the release and the double click that would have set these.
    if (m_MouseMode == MOUSE_NOTHING) {
        if (m_bAllowColumnResize && MouseOverColumnResizeArea(point))
            m_MouseMode = MOUSE_OVER_COL_DIVIDE;
        else if (m_bAllowRowResize && MouseOverRowResizeArea(point))
            m_MouseMode = MOUSE_OVER_ROW_DIVIDE;
    }

    Point start;
    if (m_MouseMode == MOUSE_OVER_COL_DIVIDE) {
        int col = cell.col;
        if (GetCellOrigin(cell, &start) && point.x - start.x < m_nResizeCaptureRange)
            --col;
        while (col >= 0 && GetColumnWidth(col) <= 0)
            --col;
        if (col >= 0) {
            AutoSizeColumn(col, GetAutoSizeStyle(), true);
            InvalidateRect(nullptr);
        }
    } else if (m_MouseMode == MOUSE_OVER_ROW_DIVIDE) {
        int row = cell.row;
        if (GetCellOrigin(cell, &start) && point.y - start.y < m_nResizeCaptureRange)
            --row;
        while (row >= 0 && GetRowHeight(row) <= 0)
            --row;
        if (row >= 0) {
            AutoSizeRow(row, true);
            InvalidateRect(nullptr);
        }
    } else if (m_MouseMode == MOUSE_NOTHING) {
        const bool bOnText = IsClickOnText(cell, point);
        if (!IsCellFixed(cell.row, cell.col) && bOnText && (IsValid(m_LeftClickDownCell) || m_bListMode))
            OnEditCell(cell.row, cell.col, GetPointClicked(cell.row, cell.col, point), VK_LBUTTON);
        if (CGridCellBase* pCell = GetCell(cell.row, cell.col))
            pCell->OnDblClick(GetPointClicked(cell.row, cell.col, point));
        SendMessageToParent(cell.row, cell.col, NM_DBLCLK);
    }
}

// ---- right button ------------------------------------------------------------------------------

void CGridCtrl::OnRButtonUp(unsigned, Point point) {
    m_bRMouseButtonDown = false;
    EndEditing();
    const CGridCellId cell = GetCellFromPt(point);
    if (!IsValid(cell)) {
        SendMessageToParent(-1, -1, NM_RCLICK);
        return;
    }
    SetFocusCell(-1, -1);
    SetFocusCell(std::max(cell.row, m_nFixedRows), std::max(cell.col, m_nFixedCols));
    if (CGridCellBase* pCell = GetCell(cell.row, cell.col))
        pCell->OnRClick(GetPointClicked(cell.row, cell.col, point));
    SendMessageToParent(cell.row, cell.col, NM_RCLICK);
}

// ---- Qt events ---------------------------------------------------------------------------------

void CGridCtrl::mousePressEvent(QMouseEvent* event) {
    const Point point = WidgetToClient(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(MouseKeyFlags(event->modifiers()) | MK_LBUTTON, point);
    else if (event->button() == Qt::RightButton)
        m_bRMouseButtonDown = true;
    event->accept();
}

void CGridCtrl::mouseMoveEvent(QMouseEvent* event) {
    unsigned flags = MouseKeyFlags(event->modifiers());
    if (event->buttons() & Qt::LeftButton)
        flags |= MK_LBUTTON;
    OnMouseMove(flags, WidgetToClient(event->position().toPoint()));
    event->accept();
}

void CGridCtrl::mouseReleaseEvent(QMouseEvent* event) {
    const Point point = WidgetToClient(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        OnLButtonUp(MouseKeyFlags(event->modifiers()), point);
    else if (event->button() == Qt::RightButton)
        OnRButtonUp(MouseKeyFlags(event->modifiers()), point);
    event->accept();
}

void CGridCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    const Point point = WidgetToClient(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        OnLButtonDblClk(MouseKeyFlags(event->modifiers()) | MK_LBUTTON, point);
    else if (event->button() == Qt::RightButton)
        m_bRMouseButtonDown = true;
    event->accept();
}

void CGridCtrl::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    HideTitleTip();
    // A window that took over in the middle of a gesture (a message box) ends it.
    if (m_bMouseCaptured) {
        ReleaseMouseCapture();
        OnCaptureChanged(nullptr);
    }
}
