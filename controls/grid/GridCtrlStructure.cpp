// The shape of a grid (row and column counts, fixed counts, insertion and deletion, cell types)
// and the sorting of its rows.

#include "controls/grid/GridCtrl.h"

#include "platform/text/Gbk.h"

#include <QString>

#include <climits>
#include <new>
#include <vector>

using namespace gdi;

bool CGridCtrl::SetRowCount(int nRows) {
    if (nRows < 0)
        return false;
    if (nRows == m_nRows)
        return true;

    bool bResult = true;
    m_idTopLeftCell.col = -1;
    if (nRows < m_nFixedRows)
        m_nFixedRows = nRows;
    if (m_idCurrentCell.row >= nRows)
        SetFocusCell(-1, -1);

    const int addedRows = nRows - m_nRows;
    if (addedRows < 0) {
        if (!m_bVirtualMode) {
            for (int row = nRows; row < m_nRows; ++row) {
                for (int col = 0; col < m_nCols; ++col)
                    DestroyCell(row, col);
                m_RowData[static_cast<std::size_t>(row)].clear();
            }
        }
        m_nRows = nRows;
    }

    try {
        m_arRowHeights.resize(static_cast<std::size_t>(nRows));
        if (m_bVirtualMode) {
            for (int row = m_nRows; row < nRows; ++row)
                m_arRowHeights[static_cast<std::size_t>(row)] = m_cellDefault->GetHeight();
            m_nRows = nRows;
        } else {
            m_RowData.resize(static_cast<std::size_t>(nRows));
            for (int row = m_nRows; row < nRows; ++row) {
                m_arRowHeights[static_cast<std::size_t>(row)] = m_cellDefault->GetHeight();
                CGridRow& newRow = m_RowData[static_cast<std::size_t>(row)];
                newRow.resize(static_cast<std::size_t>(m_nCols));
                for (int col = 0; col < m_nCols; ++col)
                    newRow[static_cast<std::size_t>(col)] = CreateCell(row, col);
                ++m_nRows;
            }
        }
    } catch (const std::bad_alloc&) {
        bResult = false;
    }

    SetModified();
    ResetScrollBars();
    Refresh();
    return bResult;
}

bool CGridCtrl::SetColumnCount(int nCols) {
    if (nCols < 0)
        return false;
    if (nCols == m_nCols)
        return true;

    bool bResult = true;
    m_idTopLeftCell.col = -1;
    if (nCols < m_nFixedCols)
        m_nFixedCols = nCols;
    if (m_idCurrentCell.col >= nCols)
        SetFocusCell(-1, -1);

    const int addedCols = nCols - m_nCols;
    if (addedCols < 0 && !m_bVirtualMode) {
        for (int row = 0; row < m_nRows; ++row)
            for (int col = nCols; col < m_nCols; ++col)
                DestroyCell(row, col);
    }

    try {
        m_arColWidths.resize(static_cast<std::size_t>(nCols));
        if (!m_bVirtualMode)
            for (CGridRow& row : m_RowData)
                row.resize(static_cast<std::size_t>(nCols));
        for (int col = m_nCols; col < nCols; ++col)
            m_arColWidths[static_cast<std::size_t>(col)] = m_cellFixedColDef->GetWidth();
        if (!m_bVirtualMode && addedCols > 0) {
            for (int row = 0; row < m_nRows; ++row) {
                CGridRow& cells = m_RowData[static_cast<std::size_t>(row)];
                for (int col = m_nCols; col < nCols; ++col)
                    cells[static_cast<std::size_t>(col)] = CreateCell(row, col);
            }
        }
    } catch (const std::bad_alloc&) {
        bResult = false;
    }
    m_nCols = nCols;

    SetModified();
    ResetScrollBars();
    Refresh();
    return bResult;
}

bool CGridCtrl::SetFixedRowCount(int nFixedRows) {
    if (nFixedRows < 0)
        return false;
    if (m_nFixedRows == nFixedRows)
        return true;

    ClearSelection();
    m_idTopLeftCell.col = -1;
    if (nFixedRows > GetRowCount() && !SetRowCount(nFixedRows))
        return false;
    if (m_idCurrentCell.row < nFixedRows)
        SetFocusCell(-1, -1);

    if (!m_bVirtualMode) {
        if (nFixedRows > m_nFixedRows) {
            for (int row = m_nFixedRows; row < nFixedRows; ++row) {
                for (int col = 0; col < m_nCols; ++col) {
                    SetItemState(row, col, GetItemState(row, col) | GCS_FIXED | GCS_FIXEDROW);
                    SetItemBkColour(row, col, CLR_DEFAULT);
                    SetItemFgColour(row, col, CLR_DEFAULT);
                }
            }
        } else {
            for (int row = nFixedRows; row < m_nFixedRows; ++row) {
                for (int col = 0; col < m_nFixedCols; ++col)
                    SetItemState(row, col, GetItemState(row, col) & ~GCS_FIXEDROW);
                for (int col = m_nFixedCols; col < m_nCols; ++col) {
                    SetItemState(row, col, GetItemState(row, col) & ~(GCS_FIXED | GCS_FIXEDROW));
                    SetItemBkColour(row, col, CLR_DEFAULT);
                    SetItemFgColour(row, col, CLR_DEFAULT);
                }
            }
        }
    }

    m_nFixedRows = nFixedRows;
    Refresh();
    return true;
}

bool CGridCtrl::SetFixedColumnCount(int nFixedCols) {
    if (nFixedCols < 0)
        return false;
    if (m_nFixedCols == nFixedCols)
        return true;

    if (nFixedCols > GetColumnCount() && !SetColumnCount(nFixedCols))
        return false;
    if (m_idCurrentCell.col < nFixedCols)
        SetFocusCell(-1, -1);
    ClearSelection();
    m_idTopLeftCell.col = -1;

    if (!m_bVirtualMode) {
        if (nFixedCols > m_nFixedCols) {
            for (int row = 0; row < m_nRows; ++row) {
                for (int col = m_nFixedCols; col < nFixedCols; ++col) {
                    SetItemState(row, col, GetItemState(row, col) | GCS_FIXED | GCS_FIXEDCOL);
                    SetItemBkColour(row, col, CLR_DEFAULT);
                    SetItemFgColour(row, col, CLR_DEFAULT);
                }
            }
        } else {
            for (int row = 0; row < m_nFixedRows; ++row)
                for (int col = nFixedCols; col < m_nFixedCols; ++col)
                    SetItemState(row, col, GetItemState(row, col) & ~GCS_FIXEDCOL);
            for (int row = m_nFixedRows; row < m_nRows; ++row) {
                for (int col = nFixedCols; col < m_nFixedCols; ++col) {
                    SetItemState(row, col, GetItemState(row, col) & ~(GCS_FIXED | GCS_FIXEDCOL));
                    SetItemBkColour(row, col, CLR_DEFAULT);
                    SetItemFgColour(row, col, CLR_DEFAULT);
                }
            }
        }
    }

    m_nFixedCols = nFixedCols;
    Refresh();
    return true;
}

int CGridCtrl::InsertRow(const QString& strHeading, int nRow) {
    // Not among the fixed rows, and appending is asked for with -1.
    if (nRow >= 0 && (nRow < m_nFixedRows || nRow >= m_nRows))
        return -1;

    m_idTopLeftCell.col = -1;
    ClearSelection();
    if (m_nCols < 1)
        SetColumnCount(1);

    try {
        if (nRow < 0) {
            nRow = m_nRows;
            m_arRowHeights.push_back(0);
            if (!m_bVirtualMode)
                m_RowData.emplace_back(static_cast<std::size_t>(m_nCols));
        } else {
            m_arRowHeights.insert(m_arRowHeights.begin() + nRow, 0);
            if (!m_bVirtualMode)
                m_RowData.emplace(m_RowData.begin() + nRow, static_cast<std::size_t>(m_nCols));
        }
    } catch (const std::bad_alloc&) {
        return -1;
    }

    ++m_nRows;
    if (!m_bVirtualMode) {
        CGridRow& row = m_RowData[static_cast<std::size_t>(nRow)];
        for (int col = 0; col < m_nCols; ++col)
            row[static_cast<std::size_t>(col)] = CreateCell(nRow, col);
    }

    SetItemText(nRow, 0, strHeading);
    m_arRowHeights[static_cast<std::size_t>(nRow)] =
        strHeading.isEmpty() ? m_cellFixedRowDef->GetHeight() : GetTextExtent(nRow, 0, strHeading).cy;

    if (m_idCurrentCell.row != -1 && nRow < m_idCurrentCell.row)
        ++m_idCurrentCell.row;

    ResetScrollBars();
    SetModified();
    return nRow;
}

int CGridCtrl::InsertColumn(const QString& strHeading, unsigned nFormat, int nColumn) {
    if (nColumn >= 0 && (nColumn < m_nFixedCols || nColumn > m_nCols))
        return -1;

    m_idTopLeftCell.col = -1;
    ClearSelection();
    if (m_nRows < 1)
        SetRowCount(1);

    try {
        if (nColumn < 0 || nColumn == m_nCols) {
            nColumn = m_nCols;
            m_arColWidths.push_back(0);
            if (!m_bVirtualMode)
                for (int row = 0; row < m_nRows; ++row)
                    m_RowData[static_cast<std::size_t>(row)].push_back(CreateCell(row, nColumn));
        } else {
            m_arColWidths.insert(m_arColWidths.begin() + nColumn, 0);
            if (!m_bVirtualMode)
                for (int row = 0; row < m_nRows; ++row) {
                    CGridRow& cells = m_RowData[static_cast<std::size_t>(row)];
                    cells.insert(cells.begin() + nColumn, CreateCell(row, nColumn));
                }
        }
    } catch (const std::bad_alloc&) {
        return -1;
    }

    ++m_nCols;
    SetItemText(0, nColumn, strHeading);
    for (int row = 0; row < m_nRows; ++row)
        SetItemFormat(row, nColumn, nFormat);
    m_arColWidths[static_cast<std::size_t>(nColumn)] = GetTextExtent(0, nColumn, strHeading).cx;

    if (m_idCurrentCell.col != -1 && nColumn < m_idCurrentCell.col)
        ++m_idCurrentCell.col;

    ResetScrollBars();
    SetModified();
    return nColumn;
}

bool CGridCtrl::DeleteRow(int nRow) {
    if (nRow < 0 || nRow >= GetRowCount())
        return false;

    ClearSelection();
    if (!m_bVirtualMode) {
        for (int col = 0; col < m_nCols; ++col)
            DestroyCell(nRow, col);
        m_RowData.erase(m_RowData.begin() + nRow);
    }
    m_arRowHeights.erase(m_arRowHeights.begin() + nRow);
    --m_nRows;
    if (nRow < m_nFixedRows)
        --m_nFixedRows;

    if (nRow == m_idCurrentCell.row)
        m_idCurrentCell = CGridCellId();
    else if (nRow < m_idCurrentCell.row)
        --m_idCurrentCell.row;

    ResetScrollBars();
    SetModified();
    return true;
}

bool CGridCtrl::DeleteColumn(int nColumn) {
    if (nColumn < 0 || nColumn >= GetColumnCount())
        return false;

    ClearSelection();
    if (!m_bVirtualMode) {
        for (int row = 0; row < m_nRows; ++row) {
            DestroyCell(row, nColumn);
            CGridRow& cells = m_RowData[static_cast<std::size_t>(row)];
            cells.erase(cells.begin() + nColumn);
        }
    }
    m_arColWidths.erase(m_arColWidths.begin() + nColumn);
    --m_nCols;
    if (nColumn < m_nFixedCols)
        --m_nFixedCols;

    if (nColumn == m_idCurrentCell.col)
        m_idCurrentCell = CGridCellId();
    else if (nColumn < m_idCurrentCell.col)
        --m_idCurrentCell.col;

    ResetScrollBars();
    SetModified();
    return true;
}

bool CGridCtrl::DeleteNonFixedRows() {
    ClearSelection();
    for (int nRow = GetRowCount() - 1; nRow >= m_nFixedRows; --nRow)
        DeleteRow(nRow);
    return true;
}

bool CGridCtrl::DeleteAllItems() {
    ClearSelection();
    m_arColWidths.clear();
    m_arRowHeights.clear();
    if (!m_bVirtualMode) {
        for (int row = 0; row < m_nRows; ++row)
            for (int col = 0; col < m_nCols; ++col)
                DestroyCell(row, col);
        m_RowData.clear();
    }
    m_idCurrentCell = CGridCellId();
    m_nRows = m_nFixedRows = m_nCols = m_nFixedCols = 0;

    ResetScrollBars();
    SetModified();
    return true;
}

std::unique_ptr<CGridCellBase> CGridCtrl::CreateCell(int nRow, int nCol) {
    if (!m_pRtcDefault || !m_pRtcDefault->IsDerivedFrom(RuntimeClass<CGridCellBase>()))
        return nullptr;
    std::unique_ptr<CObject> object = m_pRtcDefault->CreateObject();
    auto* pCell = dynamic_cast<CGridCellBase*>(object.get());
    if (!pCell)
        return nullptr;
    object.release();
    std::unique_ptr<CGridCellBase> cell(pCell);

    cell->SetGrid(this);
    cell->SetCoords(nRow, nCol);
    if (nCol < m_nFixedCols)
        cell->SetState(cell->GetState() | GCS_FIXED | GCS_FIXEDCOL);
    if (nRow < m_nFixedRows)
        cell->SetState(cell->GetState() | GCS_FIXED | GCS_FIXEDROW);
    if (const CGridDefaultCell* pDef = cell->GetDefaultCell())
        cell->SetFormat(pDef->GetFormat());
    return cell;
}

void CGridCtrl::DestroyCell(int nRow, int nCol) {
    // Through SetItemState, so that the cell also leaves the selection.
    SetItemState(nRow, nCol, 0);
    if (nRow < 0 || nRow >= static_cast<int>(m_RowData.size()))
        return;
    CGridRow& cells = m_RowData[static_cast<std::size_t>(nRow)];
    if (nCol >= 0 && nCol < static_cast<int>(cells.size()))
        cells[static_cast<std::size_t>(nCol)].reset();
}

bool CGridCtrl::SetCellType(int nRow, int nCol, const CRuntimeClass* pRuntimeClass) {
    if (m_bVirtualMode || !IsValid(nRow, nCol) || !pRuntimeClass ||
        !pRuntimeClass->IsDerivedFrom(RuntimeClass<CGridCellBase>()))
        return false;
    CGridRow* pRow = &m_RowData[static_cast<std::size_t>(nRow)];

    std::unique_ptr<CObject> object = pRuntimeClass->CreateObject();
    auto* pNew = dynamic_cast<CGridCellBase*>(object.get());
    if (!pNew)
        return false;
    object.release();
    std::unique_ptr<CGridCellBase> pNewCell(pNew);

    if (CGridCellBase* pCurrCell = GetCell(nRow, nCol))
        *pNewCell = *pCurrCell;
    pNewCell->SetCoords(nRow, nCol);
    (*pRow)[static_cast<std::size_t>(nCol)] = std::move(pNewCell);
    return true;
}

bool CGridCtrl::SetDefaultCellType(const CRuntimeClass* pRuntimeClass) {
    if (!pRuntimeClass || !pRuntimeClass->IsDerivedFrom(RuntimeClass<CGridCell>()))
        return false;
    m_pRtcDefault = pRuntimeClass;
    return true;
}

void CGridCtrl::FillWithEmptyCells() {
    if (!HasWindow())
        return;
    Rect rect;
    GetClientRect(&rect);
    const int nNumColumns = rect.Width() / std::max(1, m_cellDefault->GetWidth()) + 1;
    const int nNumRows = rect.Height() / std::max(1, m_cellDefault->GetHeight()) + 1;
    SetColumnCount(nNumColumns);
    SetRowCount(nNumRows);
    SetFixedRowCount(1);
    SetFixedColumnCount(1);
    ExpandToFit();
}

// ---- sorting -----------------------------------------------------------------------------------

bool CGridCtrl::SortItems(int nCol, bool bAscending, LPARAM data) {
    return SortItemsByFunction(m_pfnCompare ? m_pfnCompare : CompareTextItems, nCol, bAscending, data);
}

bool CGridCtrl::SortTextItems(int nCol, bool bAscending, LPARAM data) {
    return SortItemsByFunction(CompareTextItems, nCol, bAscending, data);
}

bool CGridCtrl::SortItemsByFunction(PFNLVCOMPARE pfnCompare, int nCol, bool bAscending, LPARAM data) {
    SetSortColumn(nCol);
    SetSortAscending(bAscending);
    ClearSelection();
    SetFocusCell(-1, -1);
    return SortRange(pfnCompare, nCol, bAscending, data, GetFixedRowCount(), -1);
}

namespace {

// GBK code of one BMP character (lead byte × 256 + trail byte, or the single byte); '?' for a
// character GBK lacks. Filled on first use of each character.
int GbkUnitCode(char16_t ch) {
    static std::vector<int> table(65536, -1);
    int& code = table[ch];
    if (code < 0) {
        const QByteArray bytes = text::ToGbk(QString(QChar(ch)));
        if (bytes.size() == 1)
            code = static_cast<unsigned char>(bytes[0]);
        else if (bytes.size() == 2)
            code = (static_cast<unsigned char>(bytes[0]) << 8) | static_cast<unsigned char>(bytes[1]);
        else
            code = '?';
    }
    return code;
}

// The code of the character at i (a surrogate pair counts as one, and GBK has none of them).
int NextUnit(const QString& s, qsizetype& i) {
    const QChar c = s[i];
    if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
        i += 2;
        return '?';
    }
    ++i;
    return c.isSurrogate() ? '?' : GbkUnitCode(c.unicode());
}

// Byte order of two character codes.
int CompareUnits(int a, int b) {
    const int leadA = a > 0xFF ? a >> 8 : a;
    const int leadB = b > 0xFF ? b >> 8 : b;
    if (leadA != leadB)
        return leadA < leadB ? -1 : 1;
    const int trailA = a > 0xFF ? a & 0xFF : -1;
    const int trailB = b > 0xFF ? b & 0xFF : -1;
    return trailA < trailB ? -1 : (trailA > trailB ? 1 : 0);
}

// Byte-wise comparison of the GBK forms, without converting whole strings.
int CompareGbkText(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i] == b[j] && !a[i].isSurrogate()) {
            ++i;
            ++j;
            continue;
        }
        const int r = CompareUnits(NextUnit(a, i), NextUnit(b, j));
        if (r != 0)
            return r;
    }
    return (i < a.size()) - (j < b.size());
}

// strtol on a 32-bit long: blanks skipped, an optional sign, decimal digits up to the first other
// character; no digits read as 0; out-of-range values saturate.
long ReadLong(const QString& s) {
    qsizetype i = 0;
    const qsizetype n = s.size();
    auto isBlank = [](QChar c) {
        const ushort u = c.unicode();
        return u == ' ' || (u >= '\t' && u <= '\r');
    };
    while (i < n && isBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    constexpr long long kCap = 1LL << 32;
    while (i < n && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9')) {
        value = std::min(kCap, value * 10 + (s[i].unicode() - '0'));
        ++i;
    }
    if (negative)
        value = -value;
    return static_cast<long>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

} // namespace

namespace {

// Quicksort by partition: a middle pivot held while rows move, equal keys not exchanged.
// `get` names the item at a position (the pivot keeps its item, not its position), `cmp` compares
// two items, `swap` exchanges two positions. The smaller side recurses and the larger loops, so
// the depth stays logarithmic; the order reached is the one plain recursion gives.
template <typename Get, typename Cmp, typename Swap>
void PartitionSort(int low, int high, bool bAscending, const Get& get, const Cmp& cmp, const Swap& swap) {
    while (low < high) {
        int lo = low;
        int hi = high;
        const auto pivot = get((low + high) / 2);
        while (lo <= hi) {
            if (bAscending) {
                while (lo < high && cmp(get(lo), pivot) < 0)
                    ++lo;
                while (hi > low && cmp(get(hi), pivot) > 0)
                    --hi;
            } else {
                while (lo < high && cmp(get(lo), pivot) > 0)
                    ++lo;
                while (hi > low && cmp(get(hi), pivot) < 0)
                    --hi;
            }
            if (lo <= hi) {
                if (cmp(get(lo), get(hi)) != 0)
                    swap(lo, hi);
                ++lo;
                --hi;
            }
        }
        if (hi - low < high - lo) {
            if (low < hi)
                PartitionSort(low, hi, bAscending, get, cmp, swap);
            low = lo;
        } else {
            if (lo < high)
                PartitionSort(lo, high, bAscending, get, cmp, swap);
            high = hi;
        }
    }
}

int Sign(long long v) {
    return (v > 0) - (v < 0);
}

} // namespace

bool CGridCtrl::SortRange(PFNLVCOMPARE pfnCompare, int nCol, bool bAscending, LPARAM data, int low,
                          int high) {
    // Rows are not stored in virtual mode, so there is nothing to reorder.
    if (!pfnCompare || m_bVirtualMode || nCol < 0 || nCol >= GetColumnCount())
        return false;
    if (high == -1)
        high = GetRowCount() - 1;
    if (high <= low)
        return false;
    if (low < 0 || high >= GetRowCount())
        return false;

    if (pfnCompare == CompareNumericItems || pfnCompare == CompareTextItems)
        SortRangeByKeys(pfnCompare == CompareNumericItems, nCol, bAscending, low, high);
    else
        SortRangeImpl(pfnCompare, nCol, bAscending, data, low, high);

    // The moved cells learn their places once, after the last exchange: nothing reads them in
    // between, and touching every cell of both rows at each exchange would cost most of the time.
    for (int row = low; row <= high; ++row) {
        CGridRow& cells = m_RowData[static_cast<std::size_t>(row)];
        for (int col = 0; col < static_cast<int>(cells.size()); ++col)
            if (CGridCellBase* pCell = cells[static_cast<std::size_t>(col)].get())
                pCell->SetCoords(row, col);
    }
    return true;
}

bool CGridCtrl::SortRangeImpl(PFNLVCOMPARE pfnCompare, int nCol, bool bAscending, LPARAM data, int low,
                              int high) {
    auto get = [this, nCol](int row) {
        return m_RowData[static_cast<std::size_t>(row)][static_cast<std::size_t>(nCol)].get();
    };
    auto cmp = [pfnCompare, data](CGridCellBase* a, CGridCellBase* b) { return pfnCompare(a, b, data); };
    auto swap = [this](int a, int b) { SwapRows(a, b); };
    PartitionSort(low, high, bAscending, get, cmp, swap);
    return true;
}

void CGridCtrl::SortRangeByKeys(bool bNumeric, int nCol, bool bAscending, int low, int high) {
    // The built-in compare functions depend on the text alone: read each key once into one
    // array and sort positions with exactly the comparisons the cells would give, then move the
    // rows once. Same order, a fraction of the cache misses of reaching every cell at each step.
    const int n = high - low + 1;
    std::vector<int> perm(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        perm[static_cast<std::size_t>(i)] = i;
    auto text = [&](int i) -> const QString* {
        const CGridCellBase* pCell =
            m_RowData[static_cast<std::size_t>(low + i)][static_cast<std::size_t>(nCol)].get();
        return pCell ? &pCell->GetText() : nullptr;
    };
    // A row without a cell compares equal to everything, as the compare functions answer.
    std::vector<char> present(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        present[static_cast<std::size_t>(i)] = text(i) != nullptr;

    auto get = [&perm, low](int pos) { return perm[static_cast<std::size_t>(pos - low)]; };
    auto swap = [&perm, low](int a, int b) {
        std::swap(perm[static_cast<std::size_t>(a - low)], perm[static_cast<std::size_t>(b - low)]);
    };

    if (bNumeric) {
        std::vector<long> keys(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            keys[static_cast<std::size_t>(i)] = present[static_cast<std::size_t>(i)] ? ReadLong(*text(i)) : 0;
        auto cmp = [&](int a, int b) {
            if (!present[static_cast<std::size_t>(a)] || !present[static_cast<std::size_t>(b)])
                return 0;
            return Sign(static_cast<long long>(keys[static_cast<std::size_t>(a)]) -
                        keys[static_cast<std::size_t>(b)]);
        };
        PartitionSort(low, high, bAscending, get, cmp, swap);
    } else {
        std::vector<std::uint16_t> codes;
        std::vector<std::size_t> start(static_cast<std::size_t>(n) + 1);
        for (int i = 0; i < n; ++i) {
            start[static_cast<std::size_t>(i)] = codes.size();
            if (const QString* s = present[static_cast<std::size_t>(i)] ? text(i) : nullptr)
                for (qsizetype k = 0; k < s->size();)
                    codes.push_back(static_cast<std::uint16_t>(NextUnit(*s, k)));
        }
        start[static_cast<std::size_t>(n)] = codes.size();
        auto cmp = [&](int a, int b) {
            if (!present[static_cast<std::size_t>(a)] || !present[static_cast<std::size_t>(b)])
                return 0;
            const std::uint16_t* pa = codes.data() + start[static_cast<std::size_t>(a)];
            const std::uint16_t* ea = codes.data() + start[static_cast<std::size_t>(a) + 1];
            const std::uint16_t* pb = codes.data() + start[static_cast<std::size_t>(b)];
            const std::uint16_t* eb = codes.data() + start[static_cast<std::size_t>(b) + 1];
            for (; pa != ea && pb != eb; ++pa, ++pb)
                if (*pa != *pb)
                    return *pa < *pb ? -1 : 1;
            return (pa != ea) - (pb != eb);
        };
        PartitionSort(low, high, bAscending, get, cmp, swap);
    }

    std::vector<CGridRow> rows(static_cast<std::size_t>(n));
    std::vector<int> heights(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const std::size_t from = static_cast<std::size_t>(low + perm[static_cast<std::size_t>(i)]);
        rows[static_cast<std::size_t>(i)] = std::move(m_RowData[from]);
        heights[static_cast<std::size_t>(i)] = m_arRowHeights[from];
    }
    for (int i = 0; i < n; ++i) {
        m_RowData[static_cast<std::size_t>(low + i)] = std::move(rows[static_cast<std::size_t>(i)]);
        m_arRowHeights[static_cast<std::size_t>(low + i)] = heights[static_cast<std::size_t>(i)];
    }
}

void CGridCtrl::SwapRows(int row1, int row2) {
    std::swap(m_RowData[static_cast<std::size_t>(row1)], m_RowData[static_cast<std::size_t>(row2)]);
    std::swap(m_arRowHeights[static_cast<std::size_t>(row1)], m_arRowHeights[static_cast<std::size_t>(row2)]);
}

int CGridCtrl::CompareTextItems(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM) {
    if (!pCell1 || !pCell2)
        return 0;
    return CompareGbkText(pCell1->GetText(), pCell2->GetText());
}

int CGridCtrl::CompareNumericItems(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM) {
    if (!pCell1 || !pCell2)
        return 0;
    const long n1 = ReadLong(pCell1->GetText());
    const long n2 = ReadLong(pCell2->GetText());
    return n1 < n2 ? -1 : (n1 == n2 ? 0 : 1);
}
