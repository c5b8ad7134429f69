#include "controls/grid/GridNotifyAdapter.h"

#include "controls/grid/GridCtrl.h"
#include "platform/db/DbError.h"
#include "platform/log/Log.h"

CGridNotifyAdapter::CGridNotifyAdapter(CGridCtrl& grid) : m_grid(grid) {}

bool CGridNotifyAdapter::Handle(QEvent* event) {
    NMHDR* hdr = NotifyHeader(event);
    if (!hdr || hdr->hwndFrom != &m_grid)
        return false;
    // Every code handled here comes with the cell record.
    const auto& cell = *reinterpret_cast<const NMGRIDCELL*>(hdr);
    const int row = cell.row;
    const int col = cell.col;
    LRESULT answer = 0;
    Notice notice = Notice::Click;
    try {
        switch (hdr->code) {
        case GVN_BEGINLABELEDIT:
            notice = Notice::BeginEdit;
            m_strOldText = m_grid.GetItemText(row, col);
            if (m_beginEdit && !m_beginEdit(row, col))
                answer = -1;
            break;
        case GVN_ENDLABELEDIT:
            notice = Notice::EndEdit;
            if (m_endEdit && !m_endEdit(row, col, m_grid.GetItemText(row, col)))
                answer = -1;
            break;
        case NM_CLICK:
            if (m_click)
                m_click(row, col);
            break;
        default:
            break;
        }
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "grid" << hdr->idFrom << "notice" << hdr->code << "at" << row << col
                            << "failed:" << e.Message();
        answer = -1;
        if (notice == Notice::EndEdit)
            RestoreOldText(row, col);
        if (m_dbError)
            m_dbError(notice, row, col, e);
    }
    ui::AsWindowMessage(event)->SetResult(answer);
    return true;
}

void CGridNotifyAdapter::RestoreOldText(int row, int col) {
    m_grid.SetItemText(row, col, m_strOldText);
    m_grid.InvalidateRect();
}
