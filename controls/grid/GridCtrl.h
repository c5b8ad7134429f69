#pragma once
// CGridCtrl: the table control of the program's dialogs. A rectangular array of cells whose first
// rows and columns may be fixed (headers that do not scroll); cells are objects of run-time
// classes (CGridCell by default) owned by the grid.
//
// Geometry is in client pixels: the client area lies inside a 2-pixel sunken edge and left of and
// above the scroll bars, as in a Windows window with WS_EX_CLIENTEDGE. A cell rectangle includes
// its right and bottom pixel (origin + size - 1); the grid line of a non-fixed cell is drawn on
// that last column and row of pixels.
//
// The grid tells its owner (SetOwner, else its parent widget) of clicks, selection changes and
// edits through WM_NOTIFY (Notify.h) with an NMGRIDCELL record; the answers to
// GVN_BEGINLABELEDIT and GVN_ENDLABELEDIT are honoured. At every left-button release over a cell
// it also posts ui::WM_COMMAND (wParam = its control id, code 0; lParam = the grid) to the owner.
//
// Keyboard: the grid keeps the arrow and paging keys and, while it has a focus cell, Enter and
// Escape; with the Tab flag on it keeps Tab too, also inside a ui::Dialog (the dialog's default
// button and Escape do not fire). Tab on the last cell moves the focus on to the next control.

#include "controls/grid/CellRange.h"
#include "controls/grid/DropTarget.h"
#include "controls/grid/GridCell.h"
#include "controls/grid/GridCellBase.h"
#include "controls/grid/GridKeys.h"
#include "controls/grid/GridNotify.h"
#include "controls/grid/TitleTip.h"
#include "platform/gdi/Colour.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/Types.h"
#include "platform/ui/Commands.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QMimeData;
class QPagedPaintDevice;
class QScrollBar;
class QWidget;

// The state of one print run, shared by the grid's printing steps and the preview.
struct CPrintInfo {
    int nFromPage = 1;
    int nMaxPage = 1;
    int nCurPage = 1;
    gdi::Rect rectDraw;
    bool bPreview = false;
};

namespace ui {
class ScrollBarLink;
}

// One row: a cell per column.
using CGridRow = std::vector<std::unique_ptr<CGridCellBase>>;

// Row compare function: (first cell, second cell, user data) → <0, 0, >0. Either cell may be null.
using PFNLVCOMPARE = int (*)(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM lParamSort);
// Virtual-mode display callback: fills the record for the cell it names.
using GRIDCALLBACK = bool (*)(GRIDDISPINFO* pDispInfo, LPARAM lParam);

// Grid-line modes.
inline constexpr int GVL_NONE = 0;
inline constexpr int GVL_HORZ = 1;
inline constexpr int GVL_VERT = 2;
inline constexpr int GVL_BOTH = 3;

// Auto-size styles (0 = the grid's own).
inline constexpr unsigned GVS_DEFAULT = 0;
inline constexpr unsigned GVS_HEADER = 1;
inline constexpr unsigned GVS_DATA = 2;
inline constexpr unsigned GVS_BOTH = 3;

// FindNextCell flags.
inline constexpr unsigned GVNI_FOCUSED = 0x0001;
inline constexpr unsigned GVNI_SELECTED = 0x0002;
inline constexpr unsigned GVNI_DROPHILITED = 0x0004;
inline constexpr unsigned GVNI_READONLY = 0x0008;
inline constexpr unsigned GVNI_FIXED = 0x0010;
inline constexpr unsigned GVNI_MODIFIED = 0x0020;
inline constexpr unsigned GVNI_ABOVE = 0x0100;
inline constexpr unsigned GVNI_BELOW = 0x0200;
inline constexpr unsigned GVNI_TOLEFT = 0x0400;
inline constexpr unsigned GVNI_TORIGHT = 0x0800;
inline constexpr unsigned GVNI_ALL = GVNI_BELOW | GVNI_TOLEFT | GVNI_TORIGHT;

class CGridCtrl : public QWidget, public ui::CommandTarget {
    Q_OBJECT

public:
    static constexpr const char* WindowClassName = "VeltoraGrid";
    static constexpr unsigned kAutoScrollTimerId = 513;
    // Control id of the in-place editors.
    static constexpr unsigned kInPlaceControlId = 8;

    // Runs the drag of the selection's text and returns the drop effect (DROPEFFECT_*); by
    // default a QDrag. Tests install one that answers at once; an empty function restores the
    // default.
    using DragRunner =
        std::function<unsigned(CGridCtrl& grid, std::unique_ptr<QMimeData> data, unsigned allowed)>;
    static void SetDragRunner(DragRunner runner);

    enum MouseMode {
        MOUSE_NOTHING = 0,
        MOUSE_SELECT_ALL = 1,
        MOUSE_SELECT_COL = 2,
        MOUSE_SELECT_ROW = 3,
        MOUSE_SELECT_CELLS = 4,
        MOUSE_OVER_ROW_DIVIDE = 6,
        MOUSE_SIZING_ROW = 7,
        MOUSE_OVER_COL_DIVIDE = 8,
        MOUSE_SIZING_COL = 9,
        MOUSE_PREPARE_EDIT = 10,
        MOUSE_PREPARE_DRAG = 11,
        MOUSE_DRAGGING = 12,
    };

    explicit CGridCtrl(int nRows = 0, int nCols = 0, int nFixedRows = 0, int nFixedCols = 0,
                       QWidget* parent = nullptr);
    ~CGridCtrl() override;

    // Window ----------------------------------------------------------------------------------
    // Places the grid in `parent` at `rect` (parent coordinates) with control id `nID`, shown
    // when the style has WS_VISIBLE, and gives every row and column the normal default size.
    bool Create(const gdi::Rect& rect, QWidget* parent, unsigned nID, unsigned dwStyle = 0x50010000);
    virtual void PreSubclassWindow();
    bool ApplyClientEdge();
    static bool RegisterWindowClass();
    bool HasWindow() const { return !m_bDestroying; }

    int GetDlgCtrlID() const;
    void SetDlgCtrlID(int nID);
    // The window that receives notifications; the parent widget when none is set.
    void SetOwner(QWidget* pOwner) { m_pOwner = pOwner; }
    QWidget* GetOwner() const;

    void GetClientRect(gdi::Rect* pRect) const;
    // Client coordinates ⇄ widget coordinates.
    QPoint ClientToWidget(gdi::Point p) const;
    gdi::Point WidgetToClient(const QPoint& p) const;
    void InvalidateRect(const gdi::Rect* pRect = nullptr);

    // Notifications ---------------------------------------------------------------------------
    LRESULT SendMessageToParent(int nRow, int nCol, int nMessage) const;
    LRESULT SendDisplayRequestToParent(GRIDDISPINFO* pDisplayInfo) const;
    LRESULT SendCacheHintToParent(const CGridCellRange& range) const;

    // Structure -------------------------------------------------------------------------------
    int GetRowCount() const { return m_nRows; }
    int GetColumnCount() const { return m_nCols; }
    int GetFixedRowCount() const { return m_nFixedRows; }
    int GetFixedColumnCount() const { return m_nFixedCols; }
    bool SetRowCount(int nRows = 10);
    bool SetColumnCount(int nCols = 10);
    bool SetFixedRowCount(int nFixedRows = 1);
    bool SetFixedColumnCount(int nFixedCols = 1);

    int InsertRow(const QString& strHeading, int nRow = -1);
    int InsertColumn(const QString& strHeading,
                     unsigned nFormat = gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE,
                     int nColumn = -1);
    bool DeleteRow(int nRow);
    bool DeleteColumn(int nColumn);
    bool DeleteNonFixedRows();
    bool DeleteAllItems();

    bool SetCellType(int nRow, int nCol, const CRuntimeClass* pRuntimeClass);
    bool SetDefaultCellType(const CRuntimeClass* pRuntimeClass);
    const CRuntimeClass* GetDefaultCellType() const { return m_pRtcDefault; }
    virtual std::unique_ptr<CGridCellBase> CreateCell(int nRow, int nCol);
    virtual void DestroyCell(int nRow, int nCol);
    void FillWithEmptyCells();

    // Cells -----------------------------------------------------------------------------------
    // The cell object; null out of range. In virtual mode a shared scratch cell that the next
    // call overwrites.
    CGridCellBase* GetCell(int nRow, int nCol) const;
    CGridDefaultCell* GetDefaultCell(bool bFixedRow, bool bFixedCol) const;
    bool IsValid(int nRow, int nCol) const;
    bool IsValid(const CGridCellId& cell) const { return IsValid(cell.row, cell.col); }
    bool IsValid(const CGridCellRange& range) const;
    CGridCellRange GetCellRange() const;
    bool IsCellFixed(int nRow, int nCol) const;

    CGridCellId FindNextCell(CGridCellId start, unsigned nFlags) const;
    bool SetItem(const GRIDITEM* pItem);
    bool GetItem(GRIDITEM* pItem) const;

    bool SetItemText(int nRow, int nCol, const QString& str);
    bool SetItemTextFmt(int nRow, int nCol, const char* szFmt, ...);
    bool SetItemTextFmtID(int nRow, int nCol, int nID, ...);
    QString GetItemText(int nRow, int nCol) const;
    bool SetItemData(int nRow, int nCol, LPARAM lParam);
    LPARAM GetItemData(int nRow, int nCol) const;
    bool SetItemImage(int nRow, int nCol, int iImage);
    int GetItemImage(int nRow, int nCol) const;
    bool SetItemState(int nRow, int nCol, unsigned state);
    unsigned GetItemState(int nRow, int nCol) const;
    bool SetItemFormat(int nRow, int nCol, unsigned nFormat);
    unsigned GetItemFormat(int nRow, int nCol) const;
    bool SetItemBkColour(int nRow, int nCol, gdi::COLORREF cr = gdi::CLR_DEFAULT);
    gdi::COLORREF GetItemBkColour(int nRow, int nCol) const;
    bool SetItemFgColour(int nRow, int nCol, gdi::COLORREF cr = gdi::CLR_DEFAULT);
    gdi::COLORREF GetItemFgColour(int nRow, int nCol) const;
    bool SetItemFont(int nRow, int nCol, const gdi::LOGFONT* plf);
    const gdi::LOGFONT* GetItemFont(int nRow, int nCol) const;
    bool IsItemEditing(int nRow, int nCol) const;

    bool IsCellEditable(int nRow, int nCol) const;
    bool IsCellEditable(const CGridCellId& cell) const { return IsCellEditable(cell.row, cell.col); }
    bool IsCellSelected(int nRow, int nCol) const;
    bool IsCellSelected(const CGridCellId& cell) const { return IsCellSelected(cell.row, cell.col); }
    bool IsCellVisible(int nRow, int nCol) const;
    bool IsCellVisible(const CGridCellId& cell) const { return IsCellVisible(cell.row, cell.col); }

    // Sizes -----------------------------------------------------------------------------------
    int GetRowHeight(int nRow) const;
    int GetColumnWidth(int nCol) const;
    bool SetRowHeight(int nRow, int height);
    bool SetColumnWidth(int nCol, int width);
    int GetFixedRowHeight() const;
    int GetFixedColumnWidth() const;
    long GetVirtualWidth() const;
    long GetVirtualHeight() const;
    gdi::Size GetTextExtent(int nRow, int nCol, const QString& str);

    bool AutoSizeColumn(int nCol, unsigned nAutoSizeStyle = GVS_DEFAULT, bool bResetScroll = true);
    bool AutoSizeRow(int nRow, bool bResetScroll = true);
    void AutoSizeColumns(unsigned nAutoSizeStyle = GVS_DEFAULT);
    void AutoSizeRows();
    void AutoSize(unsigned nAutoSizeStyle = GVS_DEFAULT);
    // Widens a column, never narrows it, so that one cell's text fits: what an edit needs, at a
    // cost that does not grow with the number of rows. Returns whether the width changed.
    bool WidenColumnToCell(int nRow, int nCol, bool bResetScroll = true);
    // Right-aligns, on the screen and in print, every column whose data cells hold numbers by
    // text::NumberColumn's rule (numbers padded like " 9" or not, percentages, empty cells); its
    // header keeps its own alignment. Other columns are left as they are.
    void RightAlignNumberColumns();
    // The widget width at which every column is in view beside a vertical scroll bar: for a
    // dialog that lets its grid grow to show the columns it has just fitted.
    int WidthShowingAllColumns() const;
    // Narrows one column (a long name), not below minWidth, so that every column is in view in a
    // grid that cannot grow; its text is then cut with an ellipsis. Returns whether it narrowed.
    bool NarrowColumnToFit(int nCol, int minWidth);
    void ExpandColumnsToFit(bool bExpandFixed = true);
    void ExpandLastColumn();
    void ExpandRowsToFit(bool bExpandFixed = true);
    void ExpandToFit(bool bExpandFixed = true);
    void SetAutoSizeStyle(unsigned nStyle = GVS_BOTH) { m_nAutoSizeColumnStyle = nStyle; }
    unsigned GetAutoSizeStyle() const { return m_nAutoSizeColumnStyle; }

    // Geometry --------------------------------------------------------------------------------
    CGridCellId GetTopleftNonFixedCell(bool bForceRecalculation = false) const;
    CGridCellRange GetVisibleNonFixedCellRange(gdi::Rect* pRect = nullptr,
                                               bool bForceRecalculation = false) const;
    CGridCellRange GetUnobstructedNonFixedCellRange(bool bForceRecalculation = false) const;
    bool GetCellOrigin(int nRow, int nCol, gdi::Point* p) const;
    bool GetCellOrigin(const CGridCellId& cell, gdi::Point* p) const {
        return GetCellOrigin(cell.row, cell.col, p);
    }
    bool GetCellRect(int nRow, int nCol, gdi::Rect* pRect) const;
    bool GetCellRect(const CGridCellId& cell, gdi::Rect* pRect) const {
        return GetCellRect(cell.row, cell.col, pRect);
    }
    bool GetCellRangeRect(const CGridCellRange& cellRange, gdi::Rect* lpRect) const;
    bool GetTextRect(int nRow, int nCol, gdi::Rect* pRect);
    CGridCellId GetCellFromPt(gdi::Point point, bool bAllowFixedCellCheck = true) const;
    bool MouseOverRowResizeArea(gdi::Point point) const;
    bool MouseOverColumnResizeArea(gdi::Point point) const;
    gdi::Point GetPointClicked(int nRow, int nCol, gdi::Point point) const;

    // Scrolling -------------------------------------------------------------------------------
    int GetScrollPos32(int nBar, bool bGetTrackPos = false) const;
    bool SetScrollPos32(int nBar, int nPos, bool bRedraw = true);
    void EnableScrollBars(int nBar, bool bEnable = true);
    bool IsVisibleVScroll() const { return (m_nBarState & 2) != 0; }
    bool IsVisibleHScroll() const { return (m_nBarState & 1) != 0; }
    void ResetScrollBars();
    void EnsureVisible(int nRow, int nCol);
    void EnsureVisible(const CGridCellId& cell) { EnsureVisible(cell.row, cell.col); }
    QScrollBar* HorizontalScrollBar() const;
    QScrollBar* VerticalScrollBar() const;

    // Drawing ---------------------------------------------------------------------------------
    virtual void OnDraw(gdi::Dc* pDC);
    void EraseBkgnd(gdi::Dc* pDC);
    bool RedrawCell(int nRow, int nCol, gdi::Dc* pDC = nullptr);
    bool RedrawCell(const CGridCellId& cell, gdi::Dc* pDC = nullptr) {
        return RedrawCell(cell.row, cell.col, pDC);
    }
    bool RedrawRow(int row);
    bool RedrawColumn(int col);
    void Refresh();
    bool InvalidateCellRect(int row, int col);
    bool InvalidateCellRect(const CGridCellId& cell) { return InvalidateCellRect(cell.row, cell.col); }
    bool InvalidateCellRect(const CGridCellRange& cellRange);
    void SetRedraw(bool bAllowDraw, bool bResetScrollBars = false);
    bool GetRedraw() const { return m_bAllowDraw; }

    // Colours, fonts, images ------------------------------------------------------------------
    void SetGridBkColor(gdi::COLORREF clr) { m_crGridBkColour = clr; }
    gdi::COLORREF GetGridBkColor() const { return m_crGridBkColour; }
    void SetGridLineColor(gdi::COLORREF clr) { m_crGridLineColour = clr; }
    gdi::COLORREF GetGridLineColor() const { return m_crGridLineColour; }
    void SetTitleTipBackClr(gdi::COLORREF clr = gdi::CLR_DEFAULT) { m_crTTipBackClr = clr; }
    gdi::COLORREF GetTitleTipBackClr() const { return m_crTTipBackClr; }
    void SetTitleTipTextClr(gdi::COLORREF clr = gdi::CLR_DEFAULT) { m_crTTipTextClr = clr; }
    gdi::COLORREF GetTitleTipTextClr() const { return m_crTTipTextClr; }
    // Gives all four default cells the font (WM_SETFONT); the caller keeps its font.
    void SetFont(const gdi::LOGFONT& lf, bool bRedraw = true);
    const gdi::Font* GetFont() const { return OnGetFont(); }
    void SetImageList(gdi::ImageList* pList) { m_pImageList = pList; }
    gdi::ImageList* GetImageList() const { return m_pImageList; }

    // Switches --------------------------------------------------------------------------------
    void SetGridLines(int nWhichLines = GVL_BOTH);
    int GetGridLines() const { return m_nGridLines; }
    void SetEditable(bool bEditable = true) { m_bEditable = bEditable; }
    bool IsEditable() const { return m_bEditable; }
    void SetListMode(bool bEnableListMode = true);
    bool GetListMode() const { return m_bListMode; }
    void SetSingleRowSelection(bool bSing = true) { m_bSingleRowSelection = bSing; }
    bool GetSingleRowSelection() const { return m_bSingleRowSelection && m_bListMode; }
    void SetSingleColSelection(bool bSing = true) { m_bSingleColSelection = bSing; }
    bool GetSingleColSelection() const { return m_bSingleColSelection; }
    void EnableCellSelection(bool bEnable = true) { m_bEnableSelection = bEnable; }
    bool IsSelectable() const { return m_bEnableSelection; }
    void SetFixedColumnSelection(bool bSelect) { m_bFixedColumnSelection = bSelect; }
    bool GetFixedColumnSelection() const { return m_bFixedColumnSelection; }
    void SetFixedRowSelection(bool bSelect) { m_bFixedRowSelection = bSelect; }
    bool GetFixedRowSelection() const { return m_bFixedRowSelection; }
    void EnableDragAndDrop(bool bAllow = true) { m_bAllowDragAndDrop = bAllow; }
    bool GetDragAndDrop() const { return m_bAllowDragAndDrop; }
    void SetHandleTabKey(bool bHandleTab = true) { m_bHandleTabKey = bHandleTab; }
    bool GetHandleTabKey() const { return m_bHandleTabKey; }
    void SetDoubleBuffering(bool bBuffer = true) { m_bDoubleBuffer = bBuffer; }
    bool GetDoubleBuffering() const { return m_bDoubleBuffer; }
    void EnableTitleTips(bool bEnable = true) { m_bTitleTips = bEnable; }
    bool GetTitleTips() const { return m_bTitleTips; }
    void SetSortOnClick(bool bSortOnClick) { m_bSortOnClick = bSortOnClick; }
    bool GetSortOnClick() const { return m_bSortOnClick; }
    void SetTrackFocusCell(bool bTrack) { m_bTrackFocusCell = bTrack; }
    bool GetTrackFocusCell() const { return m_bTrackFocusCell; }
    void SetFrameFocusCell(bool bFrame) { m_bFrameFocus = bFrame; }
    bool GetFrameFocusCell() const { return m_bFrameFocus; }
    void EnableColumnResize(bool bResize = true) { m_bAllowColumnResize = bResize; }
    bool GetColumnResize() const { return m_bAllowColumnResize; }
    void EnableRowResize(bool bResize = true) { m_bAllowRowResize = bResize; }
    bool GetRowResize() const { return m_bAllowRowResize; }
    void EnableHiddenColUnhide(bool bEnable = true) { m_bHiddenColUnhide = bEnable; }
    bool GetHiddenColUnhide() const { return m_bHiddenColUnhide; }
    void EnableHiddenRowUnhide(bool bEnable = true) { m_bHiddenRowUnhide = bEnable; }
    bool GetHiddenRowUnhide() const { return m_bHiddenRowUnhide; }
    void EnableColumnHide(bool bEnable = true) { m_bAllowColHide = bEnable; }
    bool GetColumnHide() const { return m_bAllowColHide; }
    void EnableRowHide(bool bEnable = true) { m_bAllowRowHide = bEnable; }
    bool GetRowHide() const { return m_bAllowRowHide; }
    void SetVirtualMode(bool bVirtual);
    bool GetVirtualMode() const { return m_bVirtualMode; }
    void SetCallbackFunc(GRIDCALLBACK pCallback, LPARAM lParam) {
        m_pfnCallback = pCallback;
        m_lParam = lParam;
    }
    GRIDCALLBACK GetCallbackFunc() const { return m_pfnCallback; }
    void SetModified(bool bModified = true, int nRow = -1, int nCol = -1);
    bool GetModified(int nRow = -1, int nCol = -1) const;
    int GetMouseScrollLines() const;
    bool IsPrintPreviewRunning() const { return m_bPrintPreviewRunning; }

    // Focus and selection ---------------------------------------------------------------------
    CGridCellId GetFocusCell() const { return m_idCurrentCell; }
    CGridCellId SetFocusCell(CGridCellId cell);
    CGridCellId SetFocusCell(int nRow, int nCol) { return SetFocusCell(CGridCellId(nRow, nCol)); }
    CGridCellRange GetSelectedCellRange() const;
    int GetSelectedCount() const { return static_cast<int>(m_SelectedCellMap.size()); }
    void SetSelectedRange(const CGridCellRange& Range, bool bForceRepaint = false, bool bSelectCells = true);
    void SetSelectedRange(int nMinRow, int nMinCol, int nMaxRow, int nMaxCol, bool bForceRepaint = false,
                          bool bSelectCells = true);
    void ResetSelectedRange();
    void SelectAllCells();
    void SelectColumns(CGridCellId currentCell, bool bForceRedraw = false, bool bSelectCells = true);
    void SelectRows(CGridCellId currentCell, bool bForceRedraw = false, bool bSelectCells = true);
    void SelectCells(CGridCellId currentCell, bool bForceRedraw = false, bool bSelectCells = true);
    void OnSelecting(const CGridCellId& currentCell);
    int GetMouseMode() const { return m_MouseMode; }
    void SetMouseMode(int nMode) { m_MouseMode = nMode; }

    // Sorting ---------------------------------------------------------------------------------
    void SetSortColumn(int nCol);
    int GetSortColumn() const { return m_nSortColumn; }
    void SetSortAscending(bool bAscending) { m_bAscending = bAscending; }
    bool GetSortAscending() const { return m_bAscending; }
    void SetCompareFunction(PFNLVCOMPARE pfnCompare) { m_pfnCompare = pfnCompare; }
    // A header click sorts with the comparison this returns for the clicked column (set before
    // the sort, so the column's own rule applies at once); none keeps the compare function.
    void SetColumnCompareChooser(std::function<PFNLVCOMPARE(int nCol)> chooser) {
        m_compareChooser = std::move(chooser);
    }
    PFNLVCOMPARE GetCompareFunction() const { return m_pfnCompare; }
    bool SortItems(int nCol, bool bAscending, LPARAM data = 0);
    bool SortTextItems(int nCol, bool bAscending, LPARAM data = 0);
    bool SortItemsByFunction(PFNLVCOMPARE pfnCompare, int nCol, bool bAscending, LPARAM data = 0);
    bool SortRange(PFNLVCOMPARE pfnCompare, int nCol, bool bAscending, LPARAM data, int low, int high = -1);
    // Texts in code-page-936 byte order.
    static int CompareTextItems(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM lParamSort);
    // Texts read as signed decimal integers (as strtol on a 32-bit long: saturating).
    static int CompareNumericItems(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM lParamSort);

    // Prints every page on `pDevice` (a printer chosen by the caller); with null it asks for a
    // printer first. False when nothing was printed or a page failed.
    bool Print(QPagedPaintDevice* pDevice = nullptr);
    // Opens the print preview, or focuses the open one.
    void PrintPreview();
    // The preview's Print command: the preview has closed; the command goes to `pMainWnd`.
    static void ForwardPreviewPrint(QWidget* pMainWnd);
    // Cells as lines of text, one separator between columns.
    bool Save(const QString& strFileName, QChar chSeparator = QChar(','));
    bool Load(const QString& strFileName, QChar chSeparator = QChar(','));
    // Print steps (the virtual OnBeginPrinting, OnPrint and OnEndPrinting forward to these).
    void BeginPrintJob(gdi::Dc* pDC, CPrintInfo* pInfo);
    void PrintPage(gdi::Dc* pDC, CPrintInfo* pInfo);
    void EndPrintJob(gdi::Dc* pDC, CPrintInfo* pInfo);
    int GetPrintPageCount() const { return m_nPageCount; }
    // The first row of every printed page of the current print job: rows fill the body in turn
    // and a row that does not fit starts the next page, so a row taller than the body has a page
    // of its own (printed clipped to the body).
    std::vector<int> GetPrintPageStarts() const;
    gdi::Size GetPrintPageSize() const { return {m_nPageWidth, m_nPageHeight}; }

    // Printing margins (header, footer, left, right, top, bottom, gap; -1 keeps a value).
    void SetPrintMarginInfo(int nHeaderHeight, int nFooterHeight, int nLeftMargin, int nRightMargin,
                            int nTopMargin, int nBottomMargin, int nGap);
    void GetPrintMarginInfo(int& nHeaderHeight, int& nFooterHeight, int& nLeftMargin, int& nRightMargin,
                            int& nTopMargin, int& nBottomMargin, int& nGap) const;
    void SetShadedPrintOut(bool bEnable = true) { m_bShadedPrintOut = bEnable; }
    bool GetShadedPrintOut() const { return m_bShadedPrintOut; }

    // Overridables of clipboard, drag-and-drop, editing and printing --------------------------
    virtual void ClearSelectedText();
    virtual std::unique_ptr<QMimeData> CopyTextFromGrid();
    virtual bool PasteTextToGrid(CGridCellId cell, const QMimeData* pDataObject,
                                 bool bSelectPastedCells = true);
    virtual void OnBeginDrag();
    virtual unsigned OnDragEnter(const QMimeData* pDataObject, unsigned dwKeyState, gdi::Point point);
    virtual unsigned OnDragOver(const QMimeData* pDataObject, unsigned dwKeyState, gdi::Point point);
    virtual void OnDragLeave();
    virtual bool OnDrop(const QMimeData* pDataObject, unsigned dropEffect, gdi::Point point);
    virtual void OnEditCut();
    virtual void OnEditCopy();
    virtual void OnEditPaste();
    virtual void OnEditSelectAll();
    virtual void OnBeginPrinting(gdi::Dc* pDC, CPrintInfo* pInfo);
    virtual void OnPrint(gdi::Dc* pDC, CPrintInfo* pInfo);
    virtual void OnEndPrinting(gdi::Dc* pDC, CPrintInfo* pInfo);
    virtual void PrintColumnHeadings(gdi::Dc* pDC, CPrintInfo* pInfo);
    virtual void PrintHeader(gdi::Dc* pDC, CPrintInfo* pInfo);
    virtual void PrintFooter(gdi::Dc* pDC, CPrintInfo* pInfo);
    virtual void PrintRowHeadings(gdi::Dc* pDC, CPrintInfo* pInfo);
    void PrintRowCells(gdi::Dc* pDC, int nRow, int nFirstCol, int nEndCol, int nTop, bool bFirstRow);
    void PrintPageHeader(gdi::Dc* pDC, CPrintInfo* pInfo);
    void PrintPageFooter(gdi::Dc* pDC, CPrintInfo* pInfo);
    void PrintFixedRows(gdi::Dc* pDC, CPrintInfo* pInfo);
    void PrintFixedColumns(gdi::Dc* pDC, CPrintInfo* pInfo);
    // Limits drawing to the page body (a row taller than the body is cut at its foot).
    void ClipToPrintBody(gdi::Dc* pDC) const;
    void PrintGridLines(gdi::Dc* pDC, const gdi::Rect& rect, bool bFirstRow, bool bFirstCol);
    QString PrintWindowTitle() const;
    virtual std::unique_ptr<gdi::ImageList> CreateDragImage(gdi::Point* pHotSpot);
    virtual void OnFixedColumnClick(CGridCellId& cell);
    virtual void OnFixedRowClick(CGridCellId& cell);
    // nChar: the first key (controls/grid/GridKeys.h): VK_LBUTTON for the mouse and F2, a
    // navigation key or Tab when an edit moves on, CharKey(c) for a typed character.
    virtual void OnEditCell(int nRow, int nCol, gdi::Point point, unsigned nChar);
    virtual void OnEndEditCell(int nRow, int nCol, const QString& str);
    virtual bool ValidateEdit(int nRow, int nCol, const QString& str);
    virtual void EndEditing();

    // Clipboard helpers: one cell's text changed as an edit would change it (GVN_BEGINLABELEDIT,
    // validation, GVN_ENDLABELEDIT; a refusal puts the old text back), and a range emptied so.
    void SetTextThroughEdit(int nRow, int nCol, const QString& str);
    void ClearCellRange(int nMinRow, int nMinCol, int nMaxRow, int nMaxCol);
    void ClearCellRange(const CGridCellRange& range) {
        ClearCellRange(range.minRow, range.minCol, range.maxRow, range.maxCol);
    }
    void OnUpdateEditCut(ui::CmdUI* pCmdUI) const;
    void OnUpdateEditCopy(ui::CmdUI* pCmdUI) const;
    void OnUpdateEditPaste(ui::CmdUI* pCmdUI) const;
    void OnUpdateEditSelectAll(ui::CmdUI* pCmdUI) const;
    // ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE and ID_EDIT_SELECT_ALL.
    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(int id, ui::CmdUI& cmdUI) override;

    // Message handlers ------------------------------------------------------------------------
    void OnHScroll(int nSBCode);
    void OnVScroll(int nSBCode);
    void OnSize();
    // The auto-scroll tick (kAutoScrollTimerId): reads the cursor with QCursor::pos, so a test
    // places the cursor with QCursor::setPos and calls this directly.
    void OnTimer(unsigned nIDEvent);
    void OnCaptureChanged(QWidget* pWnd);
    void OnSysColorChange();
    void OnSettingChange();
    void OnSetFont(const gdi::LOGFONT& lf);
    const gdi::Font* OnGetFont() const;
    bool OnSetCursor(gdi::Point point);
    // nChar is a virtual key; Ctrl and Shift are read from the keyboard state.
    void OnKeyDown(unsigned nChar, unsigned nRepCnt, unsigned nFlags);
    // A typed character (not marked with GK_CHAR): opens the focus cell's editor with it.
    void OnChar(unsigned nChar);
    void OnImeChar(unsigned nChar);
    unsigned OnGetDlgCode() const;
    // The end of an in-place edit: stores the text, and after Tab or a navigation key moves on
    // and opens the next cell's editor.
    void OnEndInPlaceEdit(const GRIDDISPINFO* pgvDispInfo);
    // Mouse handlers; nFlags are MK_ flags, points in client coordinates.
    void OnLButtonDown(unsigned nFlags, gdi::Point point);
    void OnMouseMove(unsigned nFlags, gdi::Point point);
    void OnLButtonUp(unsigned nFlags, gdi::Point point);
    void OnLButtonDblClk(unsigned nFlags, gdi::Point point);
    void OnRButtonUp(unsigned nFlags, gdi::Point point);

    // The auto-scroll timer: kAutoScrollTimerId while a drag-selection runs, else 0.
    unsigned GetAutoScrollTimer() const { return static_cast<unsigned>(m_nTimerID); }
    int GetAutoScrollInterval() const { return m_nTimerInterval; }
    CGridTitleTip* GetTitleTip() const { return m_TitleTip.get(); }
    CGridDropTarget* GetDropTarget() { return &m_DropTarget; }
    // The inverted line shown while a row or column border is dragged (client coordinates).
    std::optional<gdi::Rect> GetTrackingLine() const { return m_rcTrackLine; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    // The input method's window opens at the focus cell.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    void HideTitleTip();
    void StartAutoScrollTimer();
    void KillAutoScrollTimer();
    void ReleaseMouseCapture();
    // Moves the inverted sizing line to `rect`, or removes it.
    void SetTrackingLine(const std::optional<gdi::Rect>& rect);
    bool IsClickOnText(const CGridCellId& cell, gdi::Point point);
    // The first or last non-fixed row (column) that is not hidden; -1 when there is none.
    int FirstVisibleRow() const;
    int LastVisibleRow() const;
    int FirstVisibleColumn() const;
    int LastVisibleColumn() const;

    // Empties the selected-cell maps and clears the cells' selected state; the focus stays.
    void ClearSelection();
    bool SortRangeImpl(PFNLVCOMPARE pfnCompare, int nCol, bool bAscending, LPARAM data, int low, int high);
    void SortRangeByKeys(bool bNumeric, int nCol, bool bAscending, int low, int high);
    void SwapRows(int row1, int row2);
    void LayoutScrollBars();
    int ClientEdge() const { return m_bClientEdge ? 2 : 0; }
    void ResetColours();

    static unsigned long long CellKey(int row, int col) {
        return (static_cast<unsigned long long>(static_cast<unsigned>(col)) << 32) |
               static_cast<unsigned>(row);
    }

    // Print preview.
    bool m_bPrintPreviewRunning = false;

    // Colours.
    gdi::COLORREF m_crGridBkColour = 0;
    gdi::COLORREF m_crGridLineColour = gdi::Rgb(192, 192, 192);
    gdi::COLORREF m_crWindowText = 0;
    gdi::COLORREF m_crWindowColour = 0;
    gdi::COLORREF m_cr3DFace = 0;
    gdi::COLORREF m_crShadow = 0;
    gdi::COLORREF m_crTTipBackClr = gdi::CLR_DEFAULT;
    gdi::COLORREF m_crTTipTextClr = gdi::CLR_DEFAULT;

    // Virtual mode.
    bool m_bVirtualMode = false;
    LPARAM m_lParam = 0;
    GRIDCALLBACK m_pfnCallback = nullptr;

    // Behaviour.
    int m_nGridLines = GVL_BOTH;
    bool m_bEditable = true;
    bool m_bModified = false;
    bool m_bAllowDragAndDrop = false;
    bool m_bListMode = false;
    bool m_bSingleRowSelection = false;
    bool m_bSingleColSelection = false;
    bool m_bAllowDraw = true;
    bool m_bEnableSelection = true;
    bool m_bFixedColumnSelection = true;
    bool m_bFixedRowSelection = true;
    bool m_bSortOnClick = false;
    bool m_bHandleTabKey = true;
    bool m_bDoubleBuffer = true;
    bool m_bTitleTips = true;
    int m_nBarState = 0;
    bool m_bPrintScaling = false;
    bool m_bHiddenColUnhide = true;
    bool m_bHiddenRowUnhide = true;
    bool m_bAllowColHide = true;
    bool m_bAllowRowHide = true;
    bool m_bTrackFocusCell = true;
    bool m_bFrameFocus = true;
    unsigned m_nAutoSizeColumnStyle = GVS_BOTH;

    // Size.
    int m_nRows = 0;
    int m_nFixedRows = 0;
    int m_nCols = 0;
    int m_nFixedCols = 0;
    std::vector<int> m_arRowHeights;
    std::vector<int> m_arColWidths;
    int m_nVScrollMax = 0;
    int m_nHScrollMax = 0;

    // Cells.
    const CRuntimeClass* m_pRtcDefault = nullptr;
    std::unique_ptr<CGridDefaultCell> m_cellDefault;
    std::unique_ptr<CGridDefaultCell> m_cellFixedColDef;
    std::unique_ptr<CGridDefaultCell> m_cellFixedRowDef;
    std::unique_ptr<CGridDefaultCell> m_cellFixedRowColDef;
    std::optional<gdi::Font> m_PrinterFont;
    gdi::ImageList* m_pImageList = nullptr;
    std::vector<CGridRow> m_RowData; // one per row (none in virtual mode)

    // Mouse.
    int m_MouseMode = MOUSE_NOTHING;
    bool m_bLMouseButtonDown = false;
    bool m_bRMouseButtonDown = false;
    gdi::Point m_LeftClickDownPoint;
    gdi::Point m_LastMousePoint;
    CGridCellId m_LeftClickDownCell;
    CGridCellId m_SelectionStartCell;
    CGridCellId m_idCurrentCell;
    mutable CGridCellId m_idTopLeftCell;
    int m_nTimerID = 0;
    int m_nTimerInterval = 25;
    int m_nResizeCaptureRange = 3;
    bool m_bAllowRowResize = true;
    bool m_bAllowColumnResize = true;
    int m_nRowsPerWheelNotch = 3;

    // Selection: cell key → cell.
    std::unordered_map<unsigned long long, CGridCellId> m_SelectedCellMap;
    std::unordered_map<unsigned long long, CGridCellId> m_PrevSelectedCellMap;

    // Drag and drop.
    CGridCellId m_LastDragOverCell;

    // Sorting.
    bool m_bAscending = true;
    int m_nSortColumn = -1;
    PFNLVCOMPARE m_pfnCompare = nullptr;
    std::function<PFNLVCOMPARE(int)> m_compareChooser;

    // Printing.
    bool m_bShadedPrintOut = true;
    int m_nHeaderHeight = 2;
    int m_nFooterHeight = 2;
    int m_nLeftMargin = 4;
    int m_nRightMargin = 4;
    int m_nTopMargin = 1;
    int m_nBottomMargin = 1;
    int m_nGap = 1;
    gdi::Size m_CharSize;
    int m_nPageWidth = 0;
    int m_nPageHeight = 0;
    gdi::Size m_PaperSize;
    int m_nBodyHeight = 0;
    int m_nBodyWidth = 0;
    int m_nCurrPrintRow = 0;
    int m_nCurrPrintCol = 0;
    int m_nPageCount = 0;
    QWidget* m_pPreviewWnd = nullptr;

private:
    // The width a column needs for one cell when columns are fitted: an empty cell counts as
    // nothing (a column of blanks would otherwise be as wide as the default cell), and the
    // header of a column that shows a sort arrow keeps room for the arrow beside its text.
    // `extent`: the cell's extent, when it was measured already.
    int FittedCellWidth(int nRow, int nCol, gdi::Dc& dc, const gdi::Size* extent = nullptr);
    // A column whose every measured cell is empty keeps the default cell's width.
    int FittedColumnWidth(int nCol, int width) const;
    // The scroll of bar `nBar` (SB_HORZ or SB_VERT) by a scroll-bar code.
    void OnScroll(int nBar, int nSBCode);
    // The steps of OnKeyDown. Ctrl+A/C/V/X and Ctrl+Insert: true when the key was one of them.
    bool RunEditShortcut(unsigned nChar);
    // Tab at either end of the grid hands the focus to the dialog's next or previous control.
    void MoveFocusOutOfGrid(bool bForward);
    // The focus cell a key leads to from the current one (unchanged for a key that moves nothing).
    CGridCellId CellForKey(unsigned nChar, bool bCtrl, bool bShift, bool bHandled, bool& bChangeLine);
    // The shown cell before `next` (Shift+Tab), wrapping to the end of the row above.
    CGridCellId CellBackFrom(CGridCellId next, bool& bChangeLine);
    // The shown cell after `next` (Right; Tab wraps to the start of the row below).
    CGridCellId CellOnFrom(CGridCellId next, bool bWrap, bool& bChangeLine);
    CGridCellId CellPageFrom(CGridCellId next, bool bDown);
    // Home or End: the first or last shown column, with Ctrl also the first or last row.
    CGridCellId CellAtEdgeFrom(CGridCellId next, bool bEnd, bool bCtrl);
    // The selection follows a keyed move (Shift extends it, except with Tab).
    void SelectByKey(const CGridCellId& next, unsigned nChar, bool bShift);
    void ScrollToKeyedCell(const CGridCellId& next, unsigned nChar, bool bShift, bool bChangeLine);

    std::unique_ptr<CGridTitleTip> m_TitleTip;
    CGridDropTarget m_DropTarget;
    bool m_bMouseCaptured = false;
    // OnKeyDown left the key to the default handling (the dialog's).
    bool m_bKeyNotHandled = false;
    std::optional<gdi::Rect> m_rcTrackLine;
    // The cursor's allowed range while a border is dragged (x for columns, y for rows).
    int m_nClipMin = 0;
    int m_nClipMax = -1;
    QWidget* m_pOwner = nullptr;
    bool m_bClientEdge = false;
    bool m_bDestroying = false;
    bool m_bInOnSize = false;
    int m_nQtTimerId = 0;
    QScrollBar* m_pHBar = nullptr;
    QScrollBar* m_pVBar = nullptr;
    std::unique_ptr<ui::ScrollBarLink> m_HScroll;
    std::unique_ptr<ui::ScrollBarLink> m_VScroll;
    // The virtual-mode scratch cell and its display record.
    mutable CGridCell m_cellVirtual;
    mutable GRIDDISPINFO m_dispInfo;
};
