#pragma once
// What the score-history and tracking grids share: the comparison they sort with, and column
// widths fitted to the texts they show.

#include "controls/grid/GridCtrl.h"

namespace analysis {

// Chosen by the title of the column being sorted (the grid records its sort column before it
// sorts): 姓名, 考试 and 文理 as GBK text, every other column as numbers with their decimals.
int CompareByColumnTitle(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM lParamSort);

// Fits every shown column (width above 0) to its widest text, header included; empty cells (a
// student absent from an exam) do not widen it.
void FitColumnsToTexts(CGridCtrl& grid);

} // namespace analysis
