#pragma once
// CGridCellNumeric: a cell whose in-place editor takes digits only.

#include "controls/grid/GridCell.h"

class CGridCellNumeric : public CGridCell {
public:
    static constexpr const char* ClassName = "CGridCellNumeric";
    using BaseClass = CGridCell;
    const CRuntimeClass* GetRuntimeClass() const override { return RuntimeClass<CGridCellNumeric>(); }

    // A left-aligned CGridInPlaceEdit with ES_NUMBER, whatever the cell's format.
    bool Edit(int nRow, int nCol, gdi::Rect rect, gdi::Point point, unsigned nID, unsigned nChar) override;
};
