#pragma once
// CGridCellCheck: a cell that draws a check box before its text and toggles it when a click
// falls in the box. Its text stays editable as in any cell.

#include "controls/grid/GridCell.h"

class CGridCellCheck : public CGridCell {
public:
    static constexpr const char* ClassName = "CGridCellCheck";
    using BaseClass = CGridCell;
    const CRuntimeClass* GetRuntimeClass() const override { return RuntimeClass<CGridCellCheck>(); }

    CGridCellCheck();
    ~CGridCellCheck() override;

    // Returns the previous state; redraws a cell that has been drawn before.
    bool SetCheck(bool bChecked = true);
    bool GetCheck() const { return m_bChecked; }

    bool Draw(gdi::Dc* pDC, int nRow, int nCol, gdi::Rect rect, bool bEraseBkgnd = true) override;
    bool GetTextRect(gdi::Rect* pRect) override;
    gdi::Size GetCellExtent(gdi::Dc* pDC) override;
    void OnClick(gdi::Point pointCellRelative) override;

    // The box in client coordinates, placed in the rectangle the cell was last drawn in.
    gdi::Rect GetCheckPlacement() const;

protected:
    void InvalidateDrawnRect();

    bool m_bChecked = false;
    gdi::Rect m_Rect; // where the cell was last drawn; empty before
};
