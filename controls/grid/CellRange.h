#pragma once
// The records by which grid operations name one cell and a rectangle of cells.

#include <algorithm>

// One cell; (-1, -1) names none.
class CGridCellId {
public:
    int row = -1;
    int col = -1;

    constexpr CGridCellId() = default;
    constexpr CGridCellId(int nRow, int nCol) : row(nRow), col(nCol) {}

    // Both parts name something (the grid's IsValid also checks the counts).
    constexpr bool IsValid() const { return row >= 0 && col >= 0; }
    constexpr bool operator==(const CGridCellId&) const = default;
};

// Rows minRow..maxRow and columns minCol..maxCol, bounds included.
class CGridCellRange {
public:
    int minRow = -1;
    int minCol = -1;
    int maxRow = -1;
    int maxCol = -1;

    constexpr CGridCellRange() = default;
    constexpr CGridCellRange(int nMinRow, int nMinCol, int nMaxRow, int nMaxCol)
        : minRow(nMinRow), minCol(nMinCol), maxRow(nMaxRow), maxCol(nMaxCol) {}

    constexpr void Set(int nMinRow = -1, int nMinCol = -1, int nMaxRow = -1, int nMaxCol = -1) {
        minRow = nMinRow, minCol = nMinCol, maxRow = nMaxRow, maxCol = nMaxCol;
    }

    // Non-negative bounds in order (the grid's IsValid also checks the counts).
    constexpr bool IsValid() const {
        return minRow >= 0 && minCol >= 0 && maxRow >= 0 && maxCol >= 0 && minRow <= maxRow &&
               minCol <= maxCol;
    }
    constexpr bool InRange(int row, int col) const {
        return row >= minRow && row <= maxRow && col >= minCol && col <= maxCol;
    }
    constexpr bool InRange(const CGridCellId& id) const { return InRange(id.row, id.col); }
    constexpr bool Contains(const CGridCellRange& r) const {
        return r.IsValid() && InRange(r.minRow, r.minCol) && InRange(r.maxRow, r.maxCol);
    }

    constexpr int GetMinRow() const { return minRow; }
    constexpr int GetMinCol() const { return minCol; }
    constexpr int GetMaxRow() const { return maxRow; }
    constexpr int GetMaxCol() const { return maxCol; }
    constexpr void SetMinRow(int v) { minRow = v; }
    constexpr void SetMinCol(int v) { minCol = v; }
    constexpr void SetMaxRow(int v) { maxRow = v; }
    constexpr void SetMaxCol(int v) { maxCol = v; }

    constexpr int GetRowSpan() const { return maxRow - minRow + 1; }
    constexpr int GetColSpan() const { return maxCol - minCol + 1; }
    // Cells covered; 0 for an invalid range.
    constexpr long long Count() const {
        return IsValid() ? static_cast<long long>(GetRowSpan()) * GetColSpan() : 0;
    }
    constexpr CGridCellId GetTopLeft() const { return {minRow, minCol}; }

    // The overlap of the two ranges; invalid (min above max) when they do not meet.
    constexpr CGridCellRange Intersect(const CGridCellRange& r) const {
        return {std::max(minRow, r.minRow), std::max(minCol, r.minCol), std::min(maxRow, r.maxRow),
                std::min(maxCol, r.maxCol)};
    }

    constexpr bool operator==(const CGridCellRange&) const = default;
};
