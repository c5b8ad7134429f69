#include "controls/grid/GridCtrl.h"

#include "platform/gdi/System.h"
#include "platform/res/StringTable.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScrollInfo.h"

#include <QApplication>
#include <QMimeData>
#include <QScrollBar>

#include <cstdarg>

using namespace gdi;

namespace {
constexpr unsigned WS_VISIBLE = 0x10000000;
} // namespace

// ---- construction and window -------------------------------------------------------------------

CGridCtrl::CGridCtrl(int nRows, int nCols, int nFixedRows, int nFixedCols, QWidget* parent)
    : QWidget(parent) {
    setProperty("windowClass", QString::fromLatin1(WindowClassName));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled);
    // Moves without a button drive the resize cursor and the title tip.
    setMouseTracking(true);
    RegisterWindowClass();
    m_TitleTip = std::make_unique<CGridTitleTip>();

    m_cellDefault = std::make_unique<CGridDefaultCell>();
    m_cellFixedColDef = std::make_unique<CGridDefaultCell>();
    m_cellFixedRowDef = std::make_unique<CGridDefaultCell>();
    m_cellFixedRowColDef = std::make_unique<CGridDefaultCell>();

    m_pHBar = new QScrollBar(Qt::Horizontal, this);
    m_pVBar = new QScrollBar(Qt::Vertical, this);
    m_pHBar->setFocusPolicy(Qt::NoFocus);
    m_pVBar->setFocusPolicy(Qt::NoFocus);
    m_HScroll = std::make_unique<ui::ScrollBarLink>(m_pHBar, [this](int code) { OnHScroll(code); });
    m_VScroll = std::make_unique<ui::ScrollBarLink>(m_pVBar, [this](int code) { OnVScroll(code); });

    ResetColours();
    m_nRowsPerWheelNotch = GetMouseScrollLines();
    m_pRtcDefault = RuntimeClass<CGridCell>();

    for (CGridDefaultCell* pCell : {m_cellDefault.get(), m_cellFixedColDef.get(), m_cellFixedRowDef.get(),
                                    m_cellFixedRowColDef.get()}) {
        pCell->SetGrid(this);
        pCell->SetTextClr(m_crWindowText);
        pCell->SetBackClr(m_cr3DFace);
    }
    m_cellDefault->SetBackClr(m_crWindowColour);
    m_crGridBkColour = m_crShadow;
    m_cellVirtual.SetGrid(this);

    SetRowCount(nRows);
    SetColumnCount(nCols);
    SetFixedRowCount(nFixedRows);
    SetFixedColumnCount(nFixedCols);

    m_crTTipBackClr = CLR_DEFAULT;
    m_crTTipTextClr = CLR_DEFAULT;
    m_SelectedCellMap.clear();
    m_PrevSelectedCellMap.clear();
    m_bPrintPreviewRunning = false;
    m_bShadedPrintOut = true;
    SetPrintMarginInfo(2, 2, 4, 4, 1, 1, 1);

    PreSubclassWindow();
}

CGridCtrl::~CGridCtrl() {
    m_SelectedCellMap.clear();
    m_PrevSelectedCellMap.clear();
    DeleteAllItems();
    m_bDestroying = true;
    m_HScroll.reset();
    m_VScroll.reset();
}

void CGridCtrl::ResetColours() {
    m_crWindowText = GetSysColor(COLOR_WINDOWTEXT);
    m_crWindowColour = GetSysColor(COLOR_WINDOW);
    m_cr3DFace = GetSysColor(COLOR_3DFACE);
    m_crShadow = GetSysColor(COLOR_3DSHADOW);
}

bool CGridCtrl::Create(const Rect& rect, QWidget* parent, unsigned nID, unsigned dwStyle) {
    try {
        setParent(parent);
        setGeometry(rect.ToQRect());
        SetDlgCtrlID(static_cast<int>(nID));
        m_arRowHeights.assign(static_cast<std::size_t>(m_nRows), m_cellDefault->GetHeight());
        m_arColWidths.assign(static_cast<std::size_t>(m_nCols), m_cellDefault->GetWidth());
        if (dwStyle & WS_VISIBLE)
            show();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CGridCtrl::PreSubclassWindow() {
    ApplyClientEdge();
}

bool CGridCtrl::ApplyClientEdge() {
    static bool s_bInProcedure = false;
    if (s_bInProcedure)
        return false;
    s_bInProcedure = true;
    m_TitleTip->Create(this);
    m_bClientEdge = true;
    LayoutScrollBars();
    update();
    s_bInProcedure = false;
    return true;
}

// Qt widgets need no class registration; the name is kept as a property for form loaders.
bool CGridCtrl::RegisterWindowClass() {
    return true;
}

int CGridCtrl::GetDlgCtrlID() const {
    return ui::Dialog::GetDlgCtrlId(this);
}
void CGridCtrl::SetDlgCtrlID(int nID) {
    ui::Dialog::SetDlgCtrlId(this, nID);
}

QWidget* CGridCtrl::GetOwner() const {
    return m_pOwner ? m_pOwner : parentWidget();
}

void CGridCtrl::GetClientRect(Rect* pRect) const {
    if (!pRect)
        return;
    const int edge = ClientEdge();
    int w = width() - 2 * edge;
    int h = height() - 2 * edge;
    if (IsVisibleVScroll())
        w -= GetSystemMetrics(SM_CXVSCROLL);
    if (IsVisibleHScroll())
        h -= GetSystemMetrics(SM_CYHSCROLL);
    *pRect = Rect(0, 0, std::max(0, w), std::max(0, h));
}

QPoint CGridCtrl::ClientToWidget(Point p) const {
    return QPoint(p.x + ClientEdge(), p.y + ClientEdge());
}
Point CGridCtrl::WidgetToClient(const QPoint& p) const {
    return Point(p.x() - ClientEdge(), p.y() - ClientEdge());
}

void CGridCtrl::InvalidateRect(const Rect* pRect) {
    if (!pRect) {
        update();
        return;
    }
    Rect client, r;
    GetClientRect(&client);
    if (!r.IntersectRect(*pRect, client))
        return;
    r.OffsetRect(ClientEdge(), ClientEdge());
    update(r.ToQRect());
}

void CGridCtrl::LayoutScrollBars() {
    if (!m_pHBar || !m_pVBar)
        return;
    const int edge = ClientEdge();
    const int cx = GetSystemMetrics(SM_CXVSCROLL);
    const int cy = GetSystemMetrics(SM_CYHSCROLL);
    const bool h = IsVisibleHScroll();
    const bool v = IsVisibleVScroll();
    const int innerW = std::max(0, width() - 2 * edge);
    const int innerH = std::max(0, height() - 2 * edge);
    m_pVBar->setGeometry(edge + innerW - cx, edge, cx, std::max(0, innerH - (h ? cy : 0)));
    m_pHBar->setGeometry(edge, edge + innerH - cy, std::max(0, innerW - (v ? cx : 0)), cy);
}

QScrollBar* CGridCtrl::HorizontalScrollBar() const {
    return m_pHBar;
}
QScrollBar* CGridCtrl::VerticalScrollBar() const {
    return m_pVBar;
}

// ---- notifications -----------------------------------------------------------------------------

LRESULT CGridCtrl::SendMessageToParent(int nRow, int nCol, int nMessage) const {
    if (!HasWindow())
        return 0;
    NMGRIDCELL nmgv;
    nmgv.row = nRow;
    nmgv.col = nCol;
    nmgv.hdr.hwndFrom = const_cast<CGridCtrl*>(this);
    nmgv.hdr.idFrom = static_cast<std::uintptr_t>(GetDlgCtrlID());
    nmgv.hdr.code = nMessage;
    return SendNotify(GetOwner(), GetDlgCtrlID(), &nmgv.hdr);
}

LRESULT CGridCtrl::SendDisplayRequestToParent(GRIDDISPINFO* pDisplayInfo) const {
    if (!HasWindow() || !pDisplayInfo)
        return 0;
    pDisplayInfo->hdr.hwndFrom = const_cast<CGridCtrl*>(this);
    pDisplayInfo->hdr.idFrom = static_cast<std::uintptr_t>(GetDlgCtrlID());
    pDisplayInfo->hdr.code = GVN_GETDISPINFO;
    return SendNotify(GetOwner(), GetDlgCtrlID(), &pDisplayInfo->hdr);
}

LRESULT CGridCtrl::SendCacheHintToParent(const CGridCellRange& range) const {
    if (!HasWindow())
        return 0;
    GRIDCACHEHINT hint;
    hint.hdr.hwndFrom = const_cast<CGridCtrl*>(this);
    hint.hdr.idFrom = static_cast<std::uintptr_t>(GetDlgCtrlID());
    hint.hdr.code = GVN_ODCACHEHINT;
    hint.range = range;
    return SendNotify(GetOwner(), GetDlgCtrlID(), &hint.hdr);
}

// ---- cells -------------------------------------------------------------------------------------

CGridCellBase* CGridCtrl::GetCell(int nRow, int nCol) const {
    if (nRow < 0 || nRow >= m_nRows || nCol < 0 || nCol >= m_nCols)
        return nullptr;

    if (m_bVirtualMode) {
        const CGridDefaultCell* pDef = GetDefaultCell(nRow < m_nFixedRows, nCol < m_nFixedCols);
        GRIDITEM& item = m_dispInfo.item;
        item.row = nRow;
        item.col = nCol;
        item.mask = 0xFFFFFFFF;
        item.nState = 0;
        item.nFormat = pDef->GetFormat();
        item.iImage = pDef->GetImage();
        item.crBkClr = pDef->GetBackClr();
        item.crFgClr = pDef->GetTextClr();
        item.lParam = pDef->GetData();
        item.lfFont = pDef->GetFont() ? *pDef->GetFont() : LOGFONT();
        item.nMargin = pDef->GetMargin();
        item.strText.clear();
        if (m_SelectedCellMap.count(CellKey(nRow, nCol)))
            item.nState |= GCS_SELECTED;
        if (nRow < m_nFixedRows)
            item.nState |= GCS_FIXED | GCS_FIXEDROW;
        if (nCol < m_nFixedCols)
            item.nState |= GCS_FIXED | GCS_FIXEDCOL;
        if (CGridCellId(nRow, nCol) == m_idCurrentCell)
            item.nState |= GCS_FOCUSED;

        if (m_pfnCallback)
            m_pfnCallback(&m_dispInfo, m_lParam);
        else
            SendDisplayRequestToParent(&m_dispInfo);

        m_cellVirtual.SetState(item.nState);
        m_cellVirtual.SetText(item.strText);
        m_cellVirtual.SetData(item.lParam);
        m_cellVirtual.SetImage(item.iImage);
        m_cellVirtual.SetFormat(item.nFormat);
        m_cellVirtual.SetTextClr(item.crFgClr);
        m_cellVirtual.SetBackClr(item.crBkClr);
        m_cellVirtual.SetFont(&item.lfFont);
        m_cellVirtual.SetMargin(item.nMargin);
        m_cellVirtual.SetGrid(const_cast<CGridCtrl*>(this));
        return &m_cellVirtual;
    }

    if (nRow >= static_cast<int>(m_RowData.size()))
        return nullptr;
    const CGridRow* pRow = &m_RowData[static_cast<std::size_t>(nRow)];
    if (nCol >= static_cast<int>(pRow->size()))
        return nullptr;
    return (*pRow)[static_cast<std::size_t>(nCol)].get();
}

CGridDefaultCell* CGridCtrl::GetDefaultCell(bool bFixedRow, bool bFixedCol) const {
    if (bFixedRow && bFixedCol)
        return m_cellFixedRowColDef.get();
    if (bFixedRow)
        return m_cellFixedRowDef.get();
    if (bFixedCol)
        return m_cellFixedColDef.get();
    return m_cellDefault.get();
}

bool CGridCtrl::IsValid(int nRow, int nCol) const {
    return nRow >= 0 && nRow < m_nRows && nCol >= 0 && nCol < m_nCols;
}

bool CGridCtrl::IsValid(const CGridCellRange& range) const {
    return range.IsValid() && range.maxRow < m_nRows && range.maxCol < m_nCols;
}

CGridCellRange CGridCtrl::GetCellRange() const {
    return CGridCellRange(0, 0, m_nRows - 1, m_nCols - 1);
}

bool CGridCtrl::IsCellFixed(int nRow, int nCol) const {
    return nRow < m_nFixedRows || nCol < m_nFixedCols;
}

CGridCellId CGridCtrl::FindNextCell(CGridCellId start, unsigned nFlags) const {
    const CGridCellId none;
    unsigned wanted = nFlags & 0x1F;
    if (nFlags & GVNI_MODIFIED)
        wanted |= GCS_MODIFIED;
    const int row = start.row < 1 ? m_nFixedRows : start.row;
    const int col = start.col < 1 ? m_nFixedCols : start.col;
    auto match = [&](int r, int c) { return (GetItemState(r, c) & wanted) != 0; };

    const unsigned dir = nFlags & 0xF00;
    if ((dir & GVNI_ALL) == GVNI_ALL) {
        for (int r = row; r < m_nRows; ++r)
            for (int c = (r == row ? col + 1 : m_nFixedCols); c < m_nCols; ++c)
                if (match(r, c))
                    return {r, c};
        return none;
    }
    if ((dir & (GVNI_BELOW | GVNI_TORIGHT)) == (GVNI_BELOW | GVNI_TORIGHT)) {
        for (int r = row; r < m_nRows; ++r)
            for (int c = col + 1; c < m_nCols; ++c)
                if (match(r, c))
                    return {r, c};
        return none;
    }
    if (dir & GVNI_ABOVE) {
        for (int r = row - 1; r >= m_nFixedRows; --r)
            if (match(r, col))
                return {r, col};
    } else if (dir & GVNI_BELOW) {
        for (int r = row + 1; r < m_nRows; ++r)
            if (match(r, col))
                return {r, col};
    } else if (dir & GVNI_TOLEFT) {
        for (int c = col - 1; c >= m_nFixedCols; --c)
            if (match(row, c))
                return {row, c};
    } else if (dir & GVNI_TORIGHT) {
        for (int c = col + 1; c < m_nCols; ++c)
            if (match(row, c))
                return {row, c};
    }
    return none;
}

bool CGridCtrl::SetItem(const GRIDITEM* pItem) {
    if (!pItem || m_bVirtualMode)
        return false;
    CGridCellBase* pCell = GetCell(pItem->row, pItem->col);
    if (!pCell)
        return false;
    SetModified(true, pItem->row, pItem->col);
    if (pItem->mask & GVIF_TEXT)
        pCell->SetText(pItem->strText);
    if (pItem->mask & GVIF_IMAGE)
        pCell->SetImage(pItem->iImage);
    if (pItem->mask & GVIF_PARAM)
        pCell->SetData(pItem->lParam);
    if (pItem->mask & GVIF_STATE)
        SetItemState(pItem->row, pItem->col, pItem->nState);
    if (pItem->mask & GVIF_BKCLR)
        pCell->SetBackClr(pItem->crBkClr);
    if (pItem->mask & GVIF_FGCLR)
        pCell->SetTextClr(pItem->crFgClr);
    if (pItem->mask & GVIF_FORMAT)
        pCell->SetFormat(pItem->nFormat);
    if (pItem->mask & GVIF_FONT)
        pCell->SetFont(&pItem->lfFont);
    if (pItem->mask & GVIF_MARGIN)
        pCell->SetMargin(pItem->nMargin);
    return true;
}

bool CGridCtrl::GetItem(GRIDITEM* pItem) const {
    if (!pItem)
        return false;
    CGridCellBase* pCell = GetCell(pItem->row, pItem->col);
    if (!pCell)
        return false;
    if (pItem->mask & GVIF_TEXT)
        pItem->strText = pCell->GetText();
    if (pItem->mask & GVIF_IMAGE)
        pItem->iImage = pCell->GetImage();
    if (pItem->mask & GVIF_PARAM)
        pItem->lParam = pCell->GetData();
    if (pItem->mask & GVIF_STATE)
        pItem->nState = pCell->GetState();
    if (pItem->mask & GVIF_BKCLR)
        pItem->crBkClr = pCell->GetBackClr();
    if (pItem->mask & GVIF_FGCLR)
        pItem->crFgClr = pCell->GetTextClr();
    if (pItem->mask & GVIF_FORMAT)
        pItem->nFormat = pCell->GetFormat();
    if (pItem->mask & GVIF_FONT)
        pItem->lfFont = pCell->GetFont() ? *pCell->GetFont() : LOGFONT();
    if (pItem->mask & GVIF_MARGIN)
        pItem->nMargin = pCell->GetMargin();
    return true;
}

// ---- cell attributes ---------------------------------------------------------------------------

bool CGridCtrl::SetItemText(int nRow, int nCol, const QString& str) {
    if (m_bVirtualMode)
        return false;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return false;
    pCell->SetText(str);
    SetModified(true, nRow, nCol);
    return true;
}

bool CGridCtrl::SetItemTextFmt(int nRow, int nCol, const char* szFmt, ...) {
    if (m_bVirtualMode || !szFmt || !GetCell(nRow, nCol))
        return false;
    va_list args;
    va_start(args, szFmt);
    const QString text = QString::vasprintf(szFmt, args);
    va_end(args);
    return SetItemText(nRow, nCol, text);
}

bool CGridCtrl::SetItemTextFmtID(int nRow, int nCol, int nID, ...) {
    if (m_bVirtualMode || !GetCell(nRow, nCol))
        return false;
    const QByteArray format = res::LoadString(nID).toUtf8();
    va_list args;
    va_start(args, nID);
    const QString text = QString::vasprintf(format.constData(), args);
    va_end(args);
    return SetItemText(nRow, nCol, text);
}

QString CGridCtrl::GetItemText(int nRow, int nCol) const {
    const CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell ? pCell->GetText() : QString();
}

bool CGridCtrl::SetItemData(int nRow, int nCol, LPARAM lParam) {
    if (m_bVirtualMode)
        return false;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return false;
    pCell->SetData(lParam);
    SetModified(true, nRow, nCol);
    return true;
}

LPARAM CGridCtrl::GetItemData(int nRow, int nCol) const {
    const CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell ? pCell->GetData() : 0;
}

bool CGridCtrl::SetItemImage(int nRow, int nCol, int iImage) {
    if (m_bVirtualMode)
        return false;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return false;
    SetModified(true, nRow, nCol);
    pCell->SetImage(iImage);
    return true;
}

int CGridCtrl::GetItemImage(int nRow, int nCol) const {
    const CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell ? pCell->GetImage() : -1;
}

bool CGridCtrl::SetItemState(int nRow, int nCol, unsigned state) {
    // The cell must exist before the selection is touched: an out-of-range call changes nothing.
    CGridCellBase* pCell = m_bVirtualMode ? nullptr : GetCell(nRow, nCol);
    if (m_bVirtualMode ? !IsValid(nRow, nCol) : !pCell)
        return false;

    const unsigned long long key = CellKey(nRow, nCol);
    const bool bSelected = m_SelectedCellMap.count(key) != 0;
    if ((state & GCS_SELECTED) && !bSelected)
        m_SelectedCellMap[key] = CGridCellId(nRow, nCol);
    else if (!(state & GCS_SELECTED) && bSelected)
        m_SelectedCellMap.erase(key);

    if (m_bVirtualMode)
        return false;
    pCell->SetState(state);
    return true;
}

unsigned CGridCtrl::GetItemState(int nRow, int nCol) const {
    const CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell ? pCell->GetState() : 0;
}

bool CGridCtrl::SetItemFormat(int nRow, int nCol, unsigned nFormat) {
    if (m_bVirtualMode)
        return false;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return false;
    pCell->SetFormat(nFormat);
    return true;
}

unsigned CGridCtrl::GetItemFormat(int nRow, int nCol) const {
    const CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell ? pCell->GetFormat() : 0;
}

bool CGridCtrl::SetItemBkColour(int nRow, int nCol, COLORREF cr) {
    if (m_bVirtualMode)
        return false;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return false;
    pCell->SetBackClr(cr);
    return true;
}

COLORREF CGridCtrl::GetItemBkColour(int nRow, int nCol) const {
    const CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell ? pCell->GetBackClr() : 0;
}

bool CGridCtrl::SetItemFgColour(int nRow, int nCol, COLORREF cr) {
    if (m_bVirtualMode)
        return false;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return false;
    pCell->SetTextClr(cr);
    return true;
}

COLORREF CGridCtrl::GetItemFgColour(int nRow, int nCol) const {
    const CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell ? pCell->GetTextClr() : 0;
}

bool CGridCtrl::SetItemFont(int nRow, int nCol, const LOGFONT* plf) {
    if (m_bVirtualMode)
        return false;
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return false;
    pCell->SetFont(plf);
    return true;
}

const LOGFONT* CGridCtrl::GetItemFont(int nRow, int nCol) const {
    const CGridCellBase* pCell = GetCell(nRow, nCol);
    if (pCell && pCell->GetFont())
        return pCell->GetFont();
    return GetDefaultCell(nRow < m_nFixedRows, nCol < m_nFixedCols)->GetFont();
}

bool CGridCtrl::IsItemEditing(int nRow, int nCol) const {
    const CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell && pCell->IsEditing();
}

bool CGridCtrl::IsCellEditable(int nRow, int nCol) const {
    return m_bEditable && !(GetItemState(nRow, nCol) & GCS_READONLY);
}

bool CGridCtrl::IsCellSelected(int nRow, int nCol) const {
    if (!m_bEnableSelection)
        return false;
    if (m_bVirtualMode)
        return m_SelectedCellMap.count(CellKey(nRow, nCol)) != 0;
    return (GetItemState(nRow, nCol) & GCS_SELECTED) != 0;
}

// ---- modes and flags ---------------------------------------------------------------------------

void CGridCtrl::SetListMode(bool bEnableListMode) {
    ResetSelectedRange();
    SetSortColumn(-1);
    m_bListMode = bEnableListMode;
    SetFixedColumnSelection(false);
    Refresh();
}

void CGridCtrl::SetGridLines(int nWhichLines) {
    m_nGridLines = nWhichLines;
    Refresh();
}

void CGridCtrl::SetSortColumn(int nCol) {
    if (m_nSortColumn >= 0)
        InvalidateCellRect(0, m_nSortColumn);
    m_nSortColumn = nCol;
    if (nCol >= 0)
        InvalidateCellRect(0, nCol);
}

void CGridCtrl::SetModified(bool bModified, int nRow, int nCol) {
    // Data changed in the sort column: the header's sort mark no longer tells the truth.
    if (nCol < 0 || nCol == GetSortColumn())
        SetSortColumn(-1);

    if (nRow < 0 || nCol < 0) {
        m_bModified = bModified;
    } else if (bModified) {
        SetItemState(nRow, nCol, GetItemState(nRow, nCol) | GCS_MODIFIED);
        m_bModified = true;
    } else {
        SetItemState(nRow, nCol, GetItemState(nRow, nCol) & ~GCS_MODIFIED);
    }

    if (!m_bModified && !m_bVirtualMode) {
        for (int row = 0; row < m_nRows; ++row)
            for (int col = 0; col < m_nCols; ++col)
                if (CGridCellBase* pCell = GetCell(row, col); pCell && pCell->IsModified())
                    SetItemState(row, col, pCell->GetState() & ~GCS_MODIFIED);
    }
}

bool CGridCtrl::GetModified(int nRow, int nCol) const {
    if (nRow < 0 || nCol < 0)
        return m_bModified;
    return (GetItemState(nRow, nCol) & GCS_MODIFIED) != 0;
}

void CGridCtrl::SetVirtualMode(bool bVirtual) {
    DeleteAllItems();
    m_bVirtualMode = bVirtual;
    if (m_bVirtualMode) {
        SetEditable(false);
        SetSortOnClick(false);
        SetAutoSizeStyle(GVS_HEADER);
        SetFixedColumnSelection(false);
        SetFixedRowSelection(false);
    }
}

int CGridCtrl::GetMouseScrollLines() const {
    return static_cast<int>(GetWheelScrollLines());
}

void CGridCtrl::SetFont(const LOGFONT& lf, bool bRedraw) {
    OnSetFont(lf);
    if (!bRedraw)
        return;
    Refresh();
}

void CGridCtrl::SetPrintMarginInfo(int nHeaderHeight, int nFooterHeight, int nLeftMargin, int nRightMargin,
                                   int nTopMargin, int nBottomMargin, int nGap) {
    auto keep = [](int& field, int value) {
        if (value >= 0)
            field = value;
    };
    keep(m_nHeaderHeight, nHeaderHeight);
    keep(m_nFooterHeight, nFooterHeight);
    keep(m_nLeftMargin, nLeftMargin);
    keep(m_nRightMargin, nRightMargin);
    keep(m_nTopMargin, nTopMargin);
    keep(m_nBottomMargin, nBottomMargin);
    keep(m_nGap, nGap);
}

void CGridCtrl::GetPrintMarginInfo(int& nHeaderHeight, int& nFooterHeight, int& nLeftMargin,
                                   int& nRightMargin, int& nTopMargin, int& nBottomMargin, int& nGap) const {
    nHeaderHeight = m_nHeaderHeight;
    nFooterHeight = m_nFooterHeight;
    nLeftMargin = m_nLeftMargin;
    nRightMargin = m_nRightMargin;
    nTopMargin = m_nTopMargin;
    nBottomMargin = m_nBottomMargin;
    nGap = m_nGap;
}

// ---- focus and selection -----------------------------------------------------------------------

CGridCellId CGridCtrl::SetFocusCell(CGridCellId cell) {
    if (cell == m_idCurrentCell)
        return m_idCurrentCell;

    const CGridCellId idPrev = m_idCurrentCell;
    if (cell.row != -1 && cell.row < m_nFixedRows)
        cell.row = m_nFixedRows;
    if (cell.col != -1 && cell.col < m_nFixedCols)
        cell.col = m_nFixedCols;
    m_idCurrentCell = cell;

    if (IsValid(idPrev)) {
        SetItemState(idPrev.row, idPrev.col, GetItemState(idPrev.row, idPrev.col) & ~GCS_FOCUSED);
        RedrawCell(idPrev);
        if (m_bTrackFocusCell && idPrev.col != m_idCurrentCell.col)
            for (int row = 0; row < m_nFixedRows; ++row)
                RedrawCell(row, idPrev.col);
        if (m_bTrackFocusCell && idPrev.row != m_idCurrentCell.row)
            for (int col = 0; col < m_nFixedCols; ++col)
                RedrawCell(idPrev.row, col);
    }
    if (IsValid(m_idCurrentCell)) {
        SetItemState(m_idCurrentCell.row, m_idCurrentCell.col,
                     GetItemState(m_idCurrentCell.row, m_idCurrentCell.col) | GCS_FOCUSED);
        RedrawCell(m_idCurrentCell);
        if (m_bTrackFocusCell && idPrev.col != m_idCurrentCell.col)
            for (int row = 0; row < m_nFixedRows; ++row)
                RedrawCell(row, m_idCurrentCell.col);
        if (m_bTrackFocusCell && idPrev.row != m_idCurrentCell.row)
            for (int col = 0; col < m_nFixedCols; ++col)
                RedrawCell(m_idCurrentCell.row, col);
    }
    return idPrev;
}

CGridCellRange CGridCtrl::GetSelectedCellRange() const {
    CGridCellRange selection(m_nRows, m_nCols, -1, -1);
    for (const auto& [key, cell] : m_SelectedCellMap) {
        if (!IsValid(cell))
            continue;
        selection.minRow = std::min(selection.minRow, cell.row);
        selection.minCol = std::min(selection.minCol, cell.col);
        selection.maxRow = std::max(selection.maxRow, cell.row);
        selection.maxCol = std::max(selection.maxCol, cell.col);
    }
    return selection;
}

void CGridCtrl::SetSelectedRange(const CGridCellRange& Range, bool bForceRepaint, bool bSelectCells) {
    SetSelectedRange(Range.minRow, Range.minCol, Range.maxRow, Range.maxCol, bForceRepaint, bSelectCells);
}

void CGridCtrl::SetSelectedRange(int nMinRow, int nMinCol, int nMaxRow, int nMaxCol, bool bForceRepaint,
                                 bool bSelectCells) {
    if (!m_bEnableSelection)
        return;
    // Repainting here is invalidation: Qt paints in its paint event, also for a forced repaint.
    (void)bForceRepaint;

    auto raise = [](int& v, int fixed) {
        if (v >= 0 && v < fixed)
            v = fixed;
    };
    raise(nMinRow, m_nFixedRows);
    raise(nMaxRow, m_nFixedRows);
    raise(nMinCol, m_nFixedCols);
    raise(nMaxCol, m_nFixedCols);

    const CGridCellRange visible = GetVisibleNonFixedCellRange();
    const CGridCellRange range(nMinRow, nMinCol, nMaxRow, nMaxCol);
    auto repaint = [&](int row, int col) {
        if (visible.InRange(row, col))
            RedrawCell(row, col);
    };

    if (bSelectCells) {
        const auto old = m_SelectedCellMap;
        for (const auto& [key, cell] : old) {
            if (!IsValid(cell)) {
                m_SelectedCellMap.erase(key);
                continue;
            }
            SetItemState(cell.row, cell.col, GetItemState(cell.row, cell.col) & ~GCS_SELECTED);
            m_SelectedCellMap.erase(key);
            if (!range.InRange(cell))
                repaint(cell.row, cell.col);
        }
        if (!GetSingleRowSelection()) {
            if (nMinRow < 0)
                return;
            if (nMinRow >= 0 && nMinCol >= 0 && nMaxRow >= 0 && nMaxCol >= 0) {
                for (const auto& [key, cell] : m_PrevSelectedCellMap) {
                    if (!IsValid(cell))
                        continue;
                    SetItemState(cell.row, cell.col, GetItemState(cell.row, cell.col) | GCS_SELECTED);
                    repaint(cell.row, cell.col);
                }
            }
        }
    }

    if (IsValid(range)) {
        for (int row = nMinRow; row <= nMaxRow; ++row) {
            for (int col = nMinCol; col <= nMaxCol; ++col) {
                const bool bSelected = IsCellSelected(row, col);
                if (bSelectCells == bSelected)
                    continue;
                const unsigned state = GetItemState(row, col);
                SetItemState(row, col, bSelectCells ? state | GCS_SELECTED : state & ~GCS_SELECTED);
                repaint(row, col);
            }
        }
    }
}

void CGridCtrl::ClearSelection() {
    for (const auto& [key, cell] : m_SelectedCellMap)
        if (CGridCellBase* pCell = m_bVirtualMode ? nullptr : GetCell(cell.row, cell.col))
            pCell->SetState(pCell->GetState() & ~GCS_SELECTED);
    m_SelectedCellMap.clear();
    m_PrevSelectedCellMap.clear();
}

void CGridCtrl::ResetSelectedRange() {
    m_PrevSelectedCellMap.clear();
    SetSelectedRange(-1, -1, -1, -1);
    SetFocusCell(-1, -1);
}

void CGridCtrl::SelectAllCells() {
    if (!m_bEnableSelection)
        return;
    SetSelectedRange(m_nFixedRows, m_nFixedCols, m_nRows - 1, m_nCols - 1);
}

void CGridCtrl::SelectColumns(CGridCellId currentCell, bool bForceRedraw, bool bSelectCells) {
    if (!m_bEnableSelection || !IsValid(currentCell) || currentCell.col < m_nFixedCols)
        return;
    if (GetSingleColSelection())
        SetSelectedRange(m_nFixedRows, currentCell.col, m_nRows - 1, currentCell.col, bForceRedraw,
                         bSelectCells);
    else
        SetSelectedRange(m_nFixedRows, std::min(m_SelectionStartCell.col, currentCell.col), m_nRows - 1,
                         std::max(m_SelectionStartCell.col, currentCell.col), bForceRedraw, bSelectCells);
}

void CGridCtrl::SelectRows(CGridCellId currentCell, bool bForceRedraw, bool bSelectCells) {
    if (!m_bEnableSelection || !IsValid(currentCell) || currentCell.row < m_nFixedRows)
        return;
    if (GetSingleRowSelection())
        SetSelectedRange(currentCell.row, m_nFixedCols, currentCell.row, m_nCols - 1, bForceRedraw,
                         bSelectCells);
    else
        SetSelectedRange(std::min(m_SelectionStartCell.row, currentCell.row), m_nFixedCols,
                         std::max(m_SelectionStartCell.row, currentCell.row), m_nCols - 1, bForceRedraw,
                         bSelectCells);
}

void CGridCtrl::SelectCells(CGridCellId currentCell, bool bForceRedraw, bool bSelectCells) {
    if (!m_bEnableSelection || !IsValid(currentCell) || IsCellFixed(currentCell.row, currentCell.col))
        return;
    SetSelectedRange(std::min(m_SelectionStartCell.row, currentCell.row),
                     std::min(m_SelectionStartCell.col, currentCell.col),
                     std::max(m_SelectionStartCell.row, currentCell.row),
                     std::max(m_SelectionStartCell.col, currentCell.col), bForceRedraw, bSelectCells);
}

void CGridCtrl::OnSelecting(const CGridCellId& currentCell) {
    if (!m_bEnableSelection)
        return;
    switch (m_MouseMode) {
    case MOUSE_SELECT_ALL:
        SelectAllCells();
        break;
    case MOUSE_SELECT_COL:
        SelectColumns(currentCell, false);
        break;
    case MOUSE_SELECT_ROW:
        SelectRows(currentCell, false);
        break;
    case MOUSE_SELECT_CELLS:
        SelectCells(currentCell, false);
        break;
    default:
        break;
    }
}

// ---- header clicks and editing -----------------------------------------------------------------

void CGridCtrl::OnFixedRowClick(CGridCellId& cell) {
    if (!IsValid(cell))
        return;
    if (m_bSortOnClick) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (m_compareChooser)
            m_pfnCompare = m_compareChooser(cell.col);
        if (cell.col == GetSortColumn())
            SortItems(cell.col, !GetSortAscending());
        else
            SortItems(cell.col, true);
        Refresh();
        QApplication::restoreOverrideCursor();
    }
    if (m_bFixedRowSelection) {
        m_MouseMode = cell.col < m_nFixedCols ? MOUSE_SELECT_ALL : MOUSE_SELECT_COL;
        OnSelecting(cell);
    }
}

void CGridCtrl::OnFixedColumnClick(CGridCellId& cell) {
    if (!IsValid(cell) || !m_bFixedColumnSelection)
        return;
    m_MouseMode = cell.row < m_nFixedRows ? MOUSE_SELECT_ALL : MOUSE_SELECT_ROW;
    OnSelecting(cell);
}

void CGridCtrl::OnEditCell(int nRow, int nCol, Point point, unsigned nChar) {
    HideTitleTip();
    if (!IsValid(nRow, nCol) || !IsCellEditable(nRow, nCol))
        return;
    if (CGridCellBase* pCell = GetCell(nRow, nCol); pCell && pCell->IsEditing()) {
        // Keys typed faster than the editor took the focus go to the open editor.
        Rect rect;
        GetCellRect(nRow, nCol, &rect);
        pCell->Edit(nRow, nCol, rect, point, kInPlaceControlId, nChar);
        return;
    }
    EnsureVisible(nRow, nCol);
    Rect rect;
    if (!IsCellVisible(nRow, nCol) || !GetCellRect(nRow, nCol, &rect))
        return;
    if (SendMessageToParent(nRow, nCol, GVN_BEGINLABELEDIT) < 0)
        return;
    // The owner may have replaced the cell (another cell type) while it answered.
    CGridCellBase* pCell = GetCell(nRow, nCol);
    if (!pCell)
        return;
    pCell->Edit(nRow, nCol, rect, point, kInPlaceControlId, nChar);
}

void CGridCtrl::OnEndEditCell(int nRow, int nCol, const QString& str) {
    // The grid may have been reloaded while the editor was open.
    if (!IsValid(nRow, nCol))
        return;
    const QString strCurrentText = GetItemText(nRow, nCol);
    if (strCurrentText != str) {
        SetItemText(nRow, nCol, str);
        if (ValidateEdit(nRow, nCol, str) && SendMessageToParent(nRow, nCol, GVN_ENDLABELEDIT) >= 0) {
            SetModified(true, nRow, nCol);
            RedrawCell(nRow, nCol);
        } else {
            SetItemText(nRow, nCol, strCurrentText);
        }
    }
    if (CGridCellBase* pCell = GetCell(nRow, nCol))
        pCell->OnEndEdit();
}

bool CGridCtrl::ValidateEdit(int nRow, int nCol, const QString& str) {
    CGridCellBase* pCell = GetCell(nRow, nCol);
    return pCell ? pCell->ValidateEdit(str) : true;
}

void CGridCtrl::EndEditing() {
    if (CGridCellBase* pCell = GetCell(m_idCurrentCell.row, m_idCurrentCell.col))
        pCell->EndEdit();
}

Point CGridCtrl::GetPointClicked(int nRow, int nCol, Point point) const {
    Point origin;
    if (!GetCellOrigin(nRow, nCol, &origin))
        return Point(0, 0);
    return Point(point.x - origin.x, point.y - origin.y);
}

// ---- overridables of printing ------------------------------------------------------------------
// The steps of a print run (GridCtrlPrint.cpp); a grid class may replace any of them.

void CGridCtrl::OnBeginPrinting(Dc* pDC, CPrintInfo* pInfo) {
    BeginPrintJob(pDC, pInfo);
}
void CGridCtrl::OnPrint(Dc* pDC, CPrintInfo* pInfo) {
    PrintPage(pDC, pInfo);
}
void CGridCtrl::OnEndPrinting(Dc* pDC, CPrintInfo* pInfo) {
    EndPrintJob(pDC, pInfo);
}
void CGridCtrl::PrintColumnHeadings(Dc* pDC, CPrintInfo* pInfo) {
    PrintFixedRows(pDC, pInfo);
}
void CGridCtrl::PrintHeader(Dc* pDC, CPrintInfo* pInfo) {
    PrintPageHeader(pDC, pInfo);
}
void CGridCtrl::PrintFooter(Dc* pDC, CPrintInfo* pInfo) {
    PrintPageFooter(pDC, pInfo);
}
void CGridCtrl::PrintRowHeadings(Dc* pDC, CPrintInfo* pInfo) {
    PrintFixedColumns(pDC, pInfo);
}
