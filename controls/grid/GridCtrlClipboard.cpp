// The clipboard (cut, copy, paste, delete, select all) as tab-separated text, and drag-and-drop
// of the selection. Every change of a cell's text made here passes the same begin-edit and
// end-edit notifications as typing, so the owner can refuse or store it in one place.

#include "controls/grid/GridCtrl.h"

#include "controls/grid/InPlaceEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>

#include <algorithm>

using namespace gdi;

namespace {

CGridCtrl::DragRunner& DragRunnerSlot() {
    static CGridCtrl::DragRunner runner;
    return runner;
}

unsigned RunQtDrag(CGridCtrl& grid, std::unique_ptr<QMimeData> data, unsigned allowed) {
    auto* drag = new QDrag(&grid);
    drag->setMimeData(data.release());
    Point hotSpot;
    if (const std::unique_ptr<ImageList> image = grid.CreateDragImage(&hotSpot);
        image && image->GetImageCount() > 0) {
        drag->setPixmap(QPixmap::fromImage(image->Image(0)));
        drag->setHotSpot(QPoint(hotSpot.x, hotSpot.y));
    }
    Qt::DropActions actions;
    if (allowed & DROPEFFECT_COPY)
        actions |= Qt::CopyAction;
    if (allowed & DROPEFFECT_MOVE)
        actions |= Qt::MoveAction;
    switch (drag->exec(actions, Qt::MoveAction)) {
    case Qt::CopyAction:
        return DROPEFFECT_COPY;
    case Qt::MoveAction:
        return DROPEFFECT_MOVE;
    default:
        return DROPEFFECT_NONE;
    }
}

Qt::DropAction ToDropAction(unsigned effect) {
    return effect == DROPEFFECT_COPY ? Qt::CopyAction : Qt::MoveAction;
}

} // namespace

void CGridCtrl::SetDragRunner(DragRunner runner) {
    DragRunnerSlot() = std::move(runner);
}

// ---- changing cells as an edit would -----------------------------------------------------------

void CGridCtrl::SetTextThroughEdit(int nRow, int nCol, const QString& str) {
    if (!IsValid(nRow, nCol) || !IsCellEditable(nRow, nCol))
        return;
    if (SendMessageToParent(nRow, nCol, GVN_BEGINLABELEDIT) < 0)
        return;
    // The owner may have replaced the cell while it answered: everything below goes by position.
    const QString strOld = GetItemText(nRow, nCol);
    if (strOld == str)
        return;
    SetItemText(nRow, nCol, str);
    if (ValidateEdit(nRow, nCol, str) && SendMessageToParent(nRow, nCol, GVN_ENDLABELEDIT) >= 0) {
        SetModified(true, nRow, nCol);
        RedrawCell(nRow, nCol);
    } else {
        SetItemText(nRow, nCol, strOld);
    }
}

void CGridCtrl::ClearCellRange(int nMinRow, int nMinCol, int nMaxRow, int nMaxCol) {
    const CGridCellRange range(nMinRow, nMinCol, nMaxRow, nMaxCol);
    if (IsValid(range)) {
        for (int row = nMinRow; row <= nMaxRow; ++row)
            for (int col = nMinCol; col <= nMaxCol; ++col)
                if (GetRowHeight(row) > 0 && GetColumnWidth(col) > 0)
                    SetTextThroughEdit(row, col, QString());
    }
    Refresh();
}

void CGridCtrl::ClearSelectedText() {
    if (!m_bEditable)
        return;
    // In reading order, from a copy: the owner's answers may change the selection.
    std::vector<CGridCellId> cells;
    for (const auto& [key, cell] : m_SelectedCellMap)
        cells.push_back(cell);
    std::sort(cells.begin(), cells.end(), [](const CGridCellId& a, const CGridCellId& b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    });
    for (const CGridCellId& cell : cells)
        SetTextThroughEdit(cell.row, cell.col, QString());
}

// ---- copy and paste ----------------------------------------------------------------------------

std::unique_ptr<QMimeData> CGridCtrl::CopyTextFromGrid() {
    const CGridCellRange selection = GetSelectedCellRange();
    if (!IsValid(selection))
        return nullptr;
    if (m_bVirtualMode)
        SendCacheHintToParent(selection);

    QString text;
    bool bFirstRow = true;
    for (int row = selection.minRow; row <= selection.maxRow; ++row) {
        if (GetRowHeight(row) <= 0)
            continue;
        if (!bFirstRow)
            text += QLatin1Char('\n');
        bFirstRow = false;
        bool bFirstField = true;
        for (int col = selection.minCol; col <= selection.maxCol; ++col) {
            if (GetColumnWidth(col) <= 0)
                continue;
            if (!bFirstField)
                text += QLatin1Char('\t');
            bFirstField = false;
            if (IsCellSelected(row, col))
                text += GetItemText(row, col);
        }
    }

    if (m_bVirtualMode)
        SendCacheHintToParent(CGridCellRange(-1, -1, -1, -1));

    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    return data;
}

bool CGridCtrl::PasteTextToGrid(CGridCellId cell, const QMimeData* pDataObject, bool bSelectPastedCells) {
    if (!IsValid(cell) || !IsCellEditable(cell) || !pDataObject || !pDataObject->hasText())
        return false;
    const QString text = pDataObject->text();

    // Tabs separate the fields of the grid's own copies and of spreadsheets; commas only separate
    // fields of a text without tabs, so a copied cell holding a comma comes back as one cell.
    const QChar separator = text.contains(u'\t') ? QChar(u'\t') : QChar(u',');

    int maxRow = -1;
    int maxCol = -1;
    int row = cell.row;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        while (row < m_nRows && GetRowHeight(row) == 0)
            ++row;
        if (row >= m_nRows)
            break;
        // A blank line (a lone carriage return included) takes a row and writes nothing.
        if (!line.trimmed().isEmpty()) {
            int col = cell.col;
            for (const QString& field : line.split(separator)) {
                while (col < m_nCols && GetColumnWidth(col) == 0)
                    ++col;
                if (col >= m_nCols)
                    break;
                if (IsValid(row, col)) {
                    SetTextThroughEdit(row, col, field.trimmed());
                    SetItemState(row, col, GetItemState(row, col) & ~GCS_SELECTED);
                    maxRow = std::max(maxRow, row);
                    maxCol = std::max(maxCol, col);
                }
                ++col;
            }
        }
        ++row;
    }

    if (bSelectPastedCells && maxRow >= 0) {
        SetSelectedRange(cell.row, cell.col, maxRow, maxCol, true, true);
    } else {
        m_PrevSelectedCellMap.clear();
        SetSelectedRange(-1, -1, -1, -1, false, true);
        Refresh();
    }
    return true;
}

void CGridCtrl::OnEditCopy() {
    std::unique_ptr<QMimeData> data = CopyTextFromGrid();
    if (data)
        QApplication::clipboard()->setMimeData(data.release());
}

void CGridCtrl::OnEditCut() {
    if (!m_bEditable)
        return;
    std::unique_ptr<QMimeData> data = CopyTextFromGrid();
    if (!data)
        return;
    QApplication::clipboard()->setMimeData(data.release());
    ClearSelectedText();
}

void CGridCtrl::OnEditPaste() {
    if (!m_bEditable)
        return;
    CGridCellId cell;
    const CGridCellRange selection = GetSelectedCellRange();
    if (IsValid(selection))
        cell = selection.GetTopLeft();
    else if (IsValid(m_idCurrentCell))
        cell = m_idCurrentCell;
    else
        cell = GetTopleftNonFixedCell();
    if (!IsValid(cell))
        return;

    if (CGridCellBase* pCell = GetCell(cell.row, cell.col); pCell && pCell->IsEditing()) {
        if (auto* pEdit = qobject_cast<CGridInPlaceEdit*>(pCell->GetEditWnd())) {
            pEdit->PasteText();
            return;
        }
        if (auto* pEdit = qobject_cast<QLineEdit*>(pCell->GetEditWnd())) {
            pEdit->paste();
            return;
        }
    }
    PasteTextToGrid(cell, QApplication::clipboard()->mimeData(), true);
}

void CGridCtrl::OnEditSelectAll() {
    SendMessageToParent(m_LeftClickDownCell.row, m_LeftClickDownCell.col, GVN_SELCHANGING);
    SelectAllCells();
    SendMessageToParent(m_idCurrentCell.row, m_idCurrentCell.col, GVN_SELCHANGED);
}

void CGridCtrl::OnUpdateEditCopy(ui::CmdUI* pCmdUI) const {
    if (pCmdUI)
        pCmdUI->Enable(GetSelectedCount() > 0);
}

void CGridCtrl::OnUpdateEditCut(ui::CmdUI* pCmdUI) const {
    if (pCmdUI)
        pCmdUI->Enable(m_bEditable && GetSelectedCount() > 0);
}

void CGridCtrl::OnUpdateEditPaste(ui::CmdUI* pCmdUI) const {
    if (!pCmdUI)
        return;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    pCmdUI->Enable(IsValid(m_idCurrentCell) && IsCellEditable(m_idCurrentCell) && data && data->hasText());
}

void CGridCtrl::OnUpdateEditSelectAll(ui::CmdUI* pCmdUI) const {
    if (pCmdUI)
        pCmdUI->Enable(m_bEnableSelection);
}

bool CGridCtrl::OnCmdMsg(int id) {
    switch (id) {
    case ui::ID_EDIT_CUT:
        OnEditCut();
        return true;
    case ui::ID_EDIT_COPY:
        OnEditCopy();
        return true;
    case ui::ID_EDIT_PASTE:
        OnEditPaste();
        return true;
    case ui::ID_EDIT_SELECT_ALL:
        OnEditSelectAll();
        return true;
    default:
        return false;
    }
}

bool CGridCtrl::OnUpdateCmdUI(int id, ui::CmdUI& cmdUI) {
    switch (id) {
    case ui::ID_EDIT_CUT:
        OnUpdateEditCut(&cmdUI);
        return true;
    case ui::ID_EDIT_COPY:
        OnUpdateEditCopy(&cmdUI);
        return true;
    case ui::ID_EDIT_PASTE:
        OnUpdateEditPaste(&cmdUI);
        return true;
    case ui::ID_EDIT_SELECT_ALL:
        OnUpdateEditSelectAll(&cmdUI);
        return true;
    default:
        return false;
    }
}

// ---- drag source -------------------------------------------------------------------------------

std::unique_ptr<ImageList> CGridCtrl::CreateDragImage(Point* pHotSpot) {
    Rect rect;
    CGridCellBase* pCell = GetCell(m_idCurrentCell.row, m_idCurrentCell.col);
    if (!pHotSpot || !pCell || !GetCellRect(m_idCurrentCell, &rect) || rect.Width() <= 0 ||
        rect.Height() <= 0)
        return nullptr;
    *pHotSpot = Point(rect.Width(), rect.Height());

    QImage image(rect.Width(), rect.Height(), QImage::Format_ARGB32);
    const COLORREF mask = m_cellDefault->GetBackClr();
    image.fill(ToQColor(mask));
    {
        QPainter painter(&image);
        Dc dc(&painter);
        pCell->Draw(&dc, m_idCurrentCell.row, m_idCurrentCell.col, Rect(0, 0, rect.Width(), rect.Height()),
                    false);
    }
    auto list = std::make_unique<ImageList>(rect.Width(), rect.Height());
    list->Add(image, mask);
    return list;
}

void CGridCtrl::OnBeginDrag() {
    if (!m_bAllowDragAndDrop)
        return;
    std::unique_ptr<QMimeData> data = CopyTextFromGrid();
    if (!data)
        return;
    const CGridCellId topLeft = GetSelectedCellRange().GetTopLeft();
    SendMessageToParent(topLeft.row, topLeft.col, GVN_BEGINDRAG);
    m_MouseMode = MOUSE_DRAGGING;
    m_bLMouseButtonDown = false;

    const unsigned allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    const DragRunner& runner = DragRunnerSlot();
    const unsigned effect =
        runner ? runner(*this, std::move(data), allowed) : RunQtDrag(*this, std::move(data), allowed);
    if (effect & DROPEFFECT_MOVE)
        ClearSelectedText();
    // The drag took the button's release with it.
    ReleaseMouseCapture();
    if (m_MouseMode == MOUSE_DRAGGING)
        m_MouseMode = MOUSE_NOTHING;
}

// ---- drop target -------------------------------------------------------------------------------

unsigned CGridCtrl::OnDragEnter(const QMimeData* pDataObject, unsigned dwKeyState, Point point) {
    if (!m_bAllowDragAndDrop || !pDataObject || !pDataObject->hasText())
        return DROPEFFECT_NONE;
    m_LastDragOverCell = GetCellFromPt(point, false);
    if (!IsValid(m_LastDragOverCell) || !IsCellEditable(m_LastDragOverCell))
        return DROPEFFECT_NONE;
    SetItemState(m_LastDragOverCell.row, m_LastDragOverCell.col,
                 GetItemState(m_LastDragOverCell.row, m_LastDragOverCell.col) | GCS_DROPHILITED);
    RedrawCell(m_LastDragOverCell);
    return (dwKeyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}

unsigned CGridCtrl::OnDragOver(const QMimeData* pDataObject, unsigned dwKeyState, Point point) {
    if (!m_bAllowDragAndDrop || !m_bEditable || !pDataObject || !pDataObject->hasText())
        return DROPEFFECT_NONE;
    const CGridCellId cell = GetCellFromPt(point, false);
    if (!IsValid(cell)) {
        OnDragLeave();
        m_LastDragOverCell = CGridCellId(-1, -1);
        return DROPEFFECT_NONE;
    }
    if (!IsCellEditable(cell))
        return DROPEFFECT_NONE;
    if (cell != m_LastDragOverCell) {
        if (IsValid(m_LastDragOverCell)) {
            SetItemState(m_LastDragOverCell.row, m_LastDragOverCell.col,
                         GetItemState(m_LastDragOverCell.row, m_LastDragOverCell.col) & ~GCS_DROPHILITED);
            RedrawCell(m_LastDragOverCell);
        }
        m_LastDragOverCell = cell;
        SetItemState(cell.row, cell.col, GetItemState(cell.row, cell.col) | GCS_DROPHILITED);
        RedrawCell(cell);
    }
    return (dwKeyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}

void CGridCtrl::OnDragLeave() {
    if (!IsValid(m_LastDragOverCell))
        return;
    SetItemState(m_LastDragOverCell.row, m_LastDragOverCell.col,
                 GetItemState(m_LastDragOverCell.row, m_LastDragOverCell.col) & ~GCS_DROPHILITED);
    RedrawCell(m_LastDragOverCell);
}

bool CGridCtrl::OnDrop(const QMimeData* pDataObject, unsigned, Point) {
    m_MouseMode = MOUSE_NOTHING;
    if (!m_bAllowDragAndDrop || !IsValid(m_LastDragOverCell) || !IsCellEditable(m_LastDragOverCell))
        return false;
    OnDragLeave();
    return PasteTextToGrid(m_LastDragOverCell, pDataObject, false);
}

// ---- Qt drag events ----------------------------------------------------------------------------

void CGridCtrl::dragEnterEvent(QDragEnterEvent* event) {
    const unsigned effect =
        m_DropTarget.OnDragEnter(this, event->mimeData(), MouseKeyFlags(event->modifiers()),
                                 WidgetToClient(event->position().toPoint()));
    if (effect != DROPEFFECT_NONE) {
        event->setDropAction(ToDropAction(effect));
        event->accept();
    } else if (m_DropTarget.IsRegistered() && m_bAllowDragAndDrop && event->mimeData() &&
               event->mimeData()->hasText()) {
        // Not over an editable cell yet; later moves may find one.
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CGridCtrl::dragMoveEvent(QDragMoveEvent* event) {
    const unsigned effect =
        m_DropTarget.OnDragOver(this, event->mimeData(), MouseKeyFlags(event->modifiers()),
                                WidgetToClient(event->position().toPoint()));
    if (effect != DROPEFFECT_NONE) {
        event->setDropAction(ToDropAction(effect));
        event->accept();
    } else {
        event->ignore();
    }
}

void CGridCtrl::dragLeaveEvent(QDragLeaveEvent* event) {
    m_DropTarget.OnDragLeave(this);
    event->accept();
}

void CGridCtrl::dropEvent(QDropEvent* event) {
    const unsigned effect = (event->modifiers() & Qt::ControlModifier) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    if (m_DropTarget.OnDrop(this, event->mimeData(), effect, WidgetToClient(event->position().toPoint()))) {
        event->setDropAction(ToDropAction(effect));
        event->accept();
    } else {
        event->ignore();
    }
}
