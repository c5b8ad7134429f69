#include "analysis/AnalysisGrid.h"

#include "analysis/TrackQueries.h"
#include "controls/grid/GridCellBase.h"

#include <algorithm>

namespace analysis {

int CompareByColumnTitle(CGridCellBase* pCell1, CGridCellBase* pCell2, LPARAM) {
    if (!pCell1 || !pCell2)
        return 0;
    const CGridCtrl* grid = pCell1->GetGrid();
    const QString title = grid ? grid->GetItemText(0, grid->GetSortColumn()) : QString();
    return CompareCells(title, pCell1->GetText(), pCell2->GetText());
}

void FitColumnsToTexts(CGridCtrl& grid) {
    for (int col = 0; col < grid.GetColumnCount(); ++col) {
        if (grid.GetColumnWidth(col) <= 0)
            continue;
        int width = 0;
        for (int row = 0; row < grid.GetRowCount(); ++row) {
            CGridCellBase* cell = grid.GetCell(row, col);
            if (cell && !cell->GetText().isEmpty())
                width = std::max(width, cell->GetCellExtent(nullptr).cx);
        }
        if (width > 0)
            grid.SetColumnWidth(col, width);
        else
            grid.AutoSizeColumn(col, GVS_DEFAULT, false);
    }
    grid.ResetScrollBars();
}

} // namespace analysis
