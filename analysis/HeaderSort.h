#pragma once
// The comparison the score-history and tracking grids sort with: chosen by the title of the column
// being sorted (the grid records its sort column before it sorts), 姓名, 考试 and 文理 as GBK text
// and every other column as numbers with their decimals.

#include "controls/grid/GridCtrl.h"

namespace analysis {

int CompareByColumnTitle(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM lParamSort);

} // namespace analysis
