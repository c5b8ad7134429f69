#include "controls/grid/GridCellNumeric.h"

#include "controls/grid/GridCtrl.h"
#include "controls/grid/InPlaceEdit.h"

bool CGridCellNumeric::Edit(int nRow, int nCol, gdi::Rect rect, gdi::Point point, unsigned nID,
                            unsigned nChar) {
    if (IsEditing())
        return CGridCell::Edit(nRow, nCol, rect, point, nID, nChar);
    if (!GetGrid())
        return false;
    m_bEditing = true;
    m_pEditWnd =
        new CGridInPlaceEdit(GetGrid(), rect, ES_NUMBER | ES_LEFT, nID, nRow, nCol, GetText(), nChar);
    return true;
}
