// The keyboard: moving the focus cell and the selection, paging, the clipboard shortcuts, typing
// that opens an editor, and the end of an in-place edit.

#include "controls/grid/GridCtrl.h"

#include "platform/ui/ScrollInfo.h"

#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

using namespace gdi;
using namespace ui;

namespace {

Qt::KeyboardModifiers KeyModifiers() {
    return QGuiApplication::keyboardModifiers();
}

bool IsKeptControlChar(char32_t ch) {
    return ch == VK_BACK || ch == VK_TAB || ch == VK_RETURN || ch == VK_ESCAPE;
}

} // namespace

int CGridCtrl::FirstVisibleRow() const {
    for (int row = m_nFixedRows; row < m_nRows; ++row)
        if (GetRowHeight(row) > 0)
            return row;
    return -1;
}

int CGridCtrl::LastVisibleRow() const {
    for (int row = m_nRows - 1; row >= m_nFixedRows; --row)
        if (GetRowHeight(row) > 0)
            return row;
    return -1;
}

int CGridCtrl::FirstVisibleColumn() const {
    for (int col = m_nFixedCols; col < m_nCols; ++col)
        if (GetColumnWidth(col) > 0)
            return col;
    return -1;
}

int CGridCtrl::LastVisibleColumn() const {
    for (int col = m_nCols - 1; col >= m_nFixedCols; --col)
        if (GetColumnWidth(col) > 0)
            return col;
    return -1;
}

unsigned CGridCtrl::OnGetDlgCode() const {
    unsigned nCode = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (m_bHandleTabKey && !(KeyModifiers() & Qt::ControlModifier))
        nCode |= DLGC_WANTTAB;
    return nCode;
}

bool CGridCtrl::RunEditShortcut(unsigned nChar) {
    switch (nChar) {
    case 'A':
        OnEditSelectAll();
        return true;
    case 'C':
    case VK_INSERT:
        OnEditCopy();
        return true;
    case 'V':
        OnEditPaste();
        return true;
    case 'X':
        OnEditCut();
        return true;
    default:
        return false;
    }
}

void CGridCtrl::MoveFocusOutOfGrid(bool bForward) {
    m_bKeyNotHandled = true;
    focusNextPrevChild(bForward);
}

CGridCellId CGridCtrl::CellBackFrom(CGridCellId next, bool& bChangeLine) {
    for (int col = next.col - 1; col >= m_nFixedCols; --col)
        if (GetColumnWidth(col) > 0) {
            next.col = col;
            return next;
        }
    // Past the first column: the end of the row above, or out of the grid.
    int row = next.row - 1;
    while (row >= m_nFixedRows && GetRowHeight(row) <= 0)
        --row;
    if (row >= m_nFixedRows && LastVisibleColumn() >= 0) {
        next.row = row;
        next.col = LastVisibleColumn();
        bChangeLine = true;
    } else {
        MoveFocusOutOfGrid(false);
    }
    return next;
}

CGridCellId CGridCtrl::CellOnFrom(CGridCellId next, bool bWrap, bool& bChangeLine) {
    for (int col = next.col + 1; col < m_nCols; ++col)
        if (GetColumnWidth(col) > 0) {
            next.col = col;
            return next;
        }
    if (!bWrap)
        return next;
    // Past the last column: the start of the row below, or out of the grid.
    int row = next.row + 1;
    while (row < m_nRows && GetRowHeight(row) <= 0)
        ++row;
    if (row < m_nRows && FirstVisibleColumn() >= 0) {
        next.row = row;
        next.col = FirstVisibleColumn();
        bChangeLine = true;
    } else {
        MoveFocusOutOfGrid(true);
    }
    return next;
}

CGridCellId CGridCtrl::CellPageFrom(CGridCellId next, bool bDown) {
    const CGridCellId idOldTopLeft = GetTopleftNonFixedCell();
    OnVScroll(bDown ? SB_PAGEDOWN : SB_PAGEUP);
    const int increment = GetTopleftNonFixedCell(true).row - idOldTopLeft.row;
    if (bDown)
        next.row = increment ? std::min(m_nRows - 1, next.row + increment) : m_nRows - 1;
    else
        next.row = increment ? std::max(m_nFixedRows, next.row + increment) : m_nFixedRows;
    return next;
}

CGridCellId CGridCtrl::CellAtEdgeFrom(CGridCellId next, bool bEnd, bool bCtrl) {
    if (bCtrl) {
        OnVScroll(bEnd ? SB_BOTTOM : SB_TOP);
        const int row = bEnd ? LastVisibleRow() : FirstVisibleRow();
        if (row >= 0)
            next.row = row;
    }
    OnHScroll(bEnd ? SB_RIGHT : SB_LEFT);
    const int col = bEnd ? LastVisibleColumn() : FirstVisibleColumn();
    if (col >= 0)
        next.col = col;
    return next;
}

CGridCellId CGridCtrl::CellForKey(unsigned nChar, bool bCtrl, bool bShift, bool bHandled, bool& bChangeLine) {
    CGridCellId next = m_idCurrentCell;
    switch (nChar) {
    case VK_DELETE:
        ClearSelectedText();
        break;
    case VK_DOWN:
        for (int row = next.row + 1; row < m_nRows; ++row)
            if (GetRowHeight(row) > 0) {
                next.row = row;
                break;
            }
        break;
    case VK_UP:
        for (int row = next.row - 1; row >= m_nFixedRows; --row)
            if (GetRowHeight(row) > 0) {
                next.row = row;
                break;
            }
        break;
    case VK_TAB:
        next = bShift ? CellBackFrom(next, bChangeLine) : CellOnFrom(next, true, bChangeLine);
        break;
    case VK_RIGHT:
        next = CellOnFrom(next, false, bChangeLine);
        break;
    case VK_LEFT:
        for (int col = next.col - 1; col >= m_nFixedCols; --col)
            if (GetColumnWidth(col) > 0) {
                next.col = col;
                break;
            }
        break;
    case VK_NEXT:
    case VK_PRIOR:
        next = CellPageFrom(next, nChar == VK_NEXT);
        break;
    case VK_HOME:
    case VK_END:
        next = CellAtEdgeFrom(next, nChar == VK_END, bCtrl);
        break;
    case VK_F2:
        OnEditCell(m_idCurrentCell.row, m_idCurrentCell.col, Point(-1, -1), VK_LBUTTON);
        break;
    default:
        m_bKeyNotHandled = !bHandled;
        break;
    }
    return next;
}

void CGridCtrl::SelectByKey(const CGridCellId& next, unsigned nChar, bool bShift) {
    if (m_MouseMode != MOUSE_NOTHING)
        return;
    m_PrevSelectedCellMap.clear();
    m_MouseMode = m_bListMode ? MOUSE_SELECT_ROW : MOUSE_SELECT_CELLS;
    if (!bShift || nChar == VK_TAB)
        m_SelectionStartCell = next;
    else if (!IsValid(m_SelectionStartCell))
        m_SelectionStartCell = m_idCurrentCell;
    SendMessageToParent(next.row, next.col, GVN_SELCHANGING);
    OnSelecting(next);
    SendMessageToParent(next.row, next.col, GVN_SELCHANGED);
    m_MouseMode = MOUSE_NOTHING;
}

void CGridCtrl::ScrollToKeyedCell(const CGridCellId& next, unsigned nChar, bool bShift, bool bChangeLine) {
    if (!IsCellVisible(next)) {
        switch (nChar) {
        case VK_RIGHT:
            OnHScroll(SB_LINERIGHT);
            break;
        case VK_LEFT:
            OnHScroll(SB_LINELEFT);
            break;
        case VK_DOWN:
            OnVScroll(SB_LINEDOWN);
            break;
        case VK_UP:
            OnVScroll(SB_LINEUP);
            break;
        case VK_TAB:
            if (bShift) {
                if (bChangeLine) {
                    OnVScroll(SB_LINEUP);
                    SetScrollPos32(SB_HORZ, m_nHScrollMax);
                } else {
                    OnHScroll(SB_LINELEFT);
                }
            } else if (bChangeLine) {
                OnVScroll(SB_LINEDOWN);
                SetScrollPos32(SB_HORZ, 0);
            } else {
                OnHScroll(SB_LINERIGHT);
            }
            break;
        default:
            break;
        }
        EnsureVisible(next);
        InvalidateRect(nullptr);
    }
    EnsureVisible(next);
}

void CGridCtrl::OnKeyDown(unsigned nChar, unsigned, unsigned) {
    m_bKeyNotHandled = false;
    if (!IsValid(m_idCurrentCell)) {
        m_bKeyNotHandled = true;
        return;
    }
    const Qt::KeyboardModifiers modifiers = KeyModifiers();
    const bool bCtrl = (modifiers & Qt::ControlModifier) != 0;
    const bool bShift = (modifiers & Qt::ShiftModifier) != 0;

    const bool bHandled = bCtrl && RunEditShortcut(nChar);
    if (nChar == VK_INSERT && bShift) {
        OnEditPaste();
        return;
    }
    // Ctrl+A and the paste may have moved or cleared the focus cell.
    if (!IsValid(m_idCurrentCell))
        return;

    bool bChangeLine = false;
    const CGridCellId next = CellForKey(nChar, bCtrl, bShift, bHandled, bChangeLine);
    if (next == m_idCurrentCell)
        return;
    SelectByKey(next, nChar, bShift);
    SetFocusCell(next);
    ScrollToKeyedCell(next, nChar, bShift, bChangeLine);
}

void CGridCtrl::OnChar(unsigned nChar) {
    if ((KeyModifiers() & Qt::ControlModifier) || m_MouseMode != MOUSE_NOTHING || nChar == VK_ESCAPE)
        return;
    if (m_bHandleTabKey && nChar == VK_TAB)
        return;
    OnEditCell(m_idCurrentCell.row, m_idCurrentCell.col, Point(-1, -1), CharKey(nChar));
}

void CGridCtrl::OnImeChar(unsigned nChar) {
    if ((KeyModifiers() & Qt::ControlModifier) || m_MouseMode != MOUSE_NOTHING || nChar == VK_ESCAPE)
        return;
    OnEditCell(m_idCurrentCell.row, m_idCurrentCell.col, Point(-1, -1), CharKey(nChar));
}

void CGridCtrl::OnEndInPlaceEdit(const GRIDDISPINFO* pgvDispInfo) {
    if (!pgvDispInfo || !HasWindow())
        return;
    const GRIDITEM& item = pgvDispInfo->item;
    OnEndEditCell(item.row, item.col, item.strText);

    const auto nChar = static_cast<unsigned>(item.lParam);
    if (nChar != VK_TAB && !IsNavigationKey(nChar))
        return;
    OnKeyDown(nChar, 1, 0);
    // Tab past the last cell handed the focus on to the next control: no new edit here.
    if (nChar == VK_TAB && m_bKeyNotHandled)
        return;
    OnEditCell(m_idCurrentCell.row, m_idCurrentCell.col, Point(-1, -1), nChar);
}

bool CGridCtrl::event(QEvent* event) {
    if (NMHDR* hdr = NotifyHeader(event)) {
        if (hdr->code == GVN_ENDLABELEDIT && hdr->idFrom == kInPlaceControlId) {
            OnEndInPlaceEdit(reinterpret_cast<GRIDDISPINFO*>(hdr));
            AsWindowMessage(event)->SetResult(0);
            return true;
        }
        return QWidget::event(event);
    }

    if (event->type() == QEvent::Hide) {
        HideTitleTip(); // the tip is a window of its own
    } else if (event->type() == QEvent::ShortcutOverride) {
        auto* ke = static_cast<QKeyEvent*>(event);
        const bool bFocusCell = IsValid(m_idCurrentCell);
        bool bWanted = false;
        switch (ke->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            bWanted = (OnGetDlgCode() & DLGC_WANTTAB) != 0;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Delete:
        case Qt::Key_Insert:
        case Qt::Key_F2:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            bWanted = bFocusCell;
            break;
        case Qt::Key_A:
        case Qt::Key_C:
        case Qt::Key_V:
        case Qt::Key_X:
            bWanted = bFocusCell && (ke->modifiers() & Qt::ControlModifier);
            break;
        default:
            break;
        }
        if (bWanted) {
            event->accept();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) && (OnGetDlgCode() & DLGC_WANTTAB)) {
            // Before QWidget's focus chain sees it.
            keyPressEvent(ke);
            return true;
        }
    }
    return QWidget::event(event);
}

void CGridCtrl::keyPressEvent(QKeyEvent* event) {
    HideTitleTip();
    const bool bHadFocusCell = IsValid(m_idCurrentCell);
    const unsigned vk = VirtualKeyOf(event->key());
    bool bNotHandled = true;
    if (vk != 0) {
        OnKeyDown(vk, static_cast<unsigned>(event->count()), 0);
        bNotHandled = m_bKeyNotHandled;
    }

    // The character the key types, as WM_CHAR would bring it after WM_KEYDOWN.
    bool bTyped = false;
    for (const char32_t ch : event->text().toUcs4()) {
        if (ch < 0x20 ? !IsKeptControlChar(ch) : ch == 0x7F)
            continue;
        OnChar(static_cast<unsigned>(ch));
        bTyped = bTyped || ch >= 0x20;
    }

    if (vk == VK_TAB) {
        // Past the last cell OnKeyDown moved the focus on; without a focus cell it is done here.
        if (!bHadFocusCell)
            focusNextPrevChild(!(event->modifiers() & Qt::ShiftModifier) && event->key() != Qt::Key_Backtab);
        event->accept();
        return;
    }
    if (vk == VK_RETURN || vk == VK_ESCAPE) {
        // While a cell has the focus these belong to the grid, not to the dialog's buttons.
        event->setAccepted(bHadFocusCell);
        return;
    }
    event->setAccepted(bTyped || !bNotHandled);
}

void CGridCtrl::inputMethodEvent(QInputMethodEvent* event) {
    for (const char32_t ch : event->commitString().toUcs4())
        OnImeChar(static_cast<unsigned>(ch));
    event->accept();
}

QVariant CGridCtrl::inputMethodQuery(Qt::InputMethodQuery query) const {
    Rect rect;
    if (query == Qt::ImCursorRectangle && GetCellRect(m_idCurrentCell, &rect))
        return QRect(ClientToWidget(rect.TopLeft()), QSize(rect.Width(), rect.Height()));
    return QWidget::inputMethodQuery(query);
}
