#include "analysis/AnalysisGrid.h"

#include "analysis/TrackQueries.h"
#include "controls/grid/GridCellBase.h"


namespace analysis {

int CompareByColumnTitle(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM) {
    if (!pCell1 || !pCell2)
        return 0;
    const CGridCtrl* grid = pCell1->GetGrid();
    const QString title = grid ? grid->GetItemText(0, grid->GetSortColumn()) : QString();
    return CompareCells(title, pCell1->GetText(), pCell2->GetText());
}

void FitColumnsToTexts(CGridCtrl& grid) {
    grid.AutoSizeColumns(GVS_BOTH);
}

} // namespace analysis
