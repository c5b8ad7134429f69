#include "controls/grid/DropTarget.h"

#include "controls/grid/GridCtrl.h"
#include "controls/grid/GridKeys.h"

bool CGridDropTarget::Register(QWidget* pWnd) {
    static bool s_bInProcedure = false;
    if (m_bRegistered || s_bInProcedure)
        return false;
    auto* pGrid = qobject_cast<CGridCtrl*>(pWnd);
    if (!pGrid)
        return false;
    s_bInProcedure = true;
    m_pGridCtrl = pGrid;
    pGrid->setAcceptDrops(true);
    m_bRegistered = true;
    s_bInProcedure = false;
    return true;
}

void CGridDropTarget::Revoke() {
    m_bRegistered = false;
    if (m_pGridCtrl)
        m_pGridCtrl->setAcceptDrops(false);
}

bool CGridDropTarget::IsOurs(QWidget* pWnd) const {
    return m_bRegistered && m_pGridCtrl && pWnd == m_pGridCtrl;
}

unsigned CGridDropTarget::OnDragEnter(QWidget* pWnd, const QMimeData* pDataObject, unsigned dwKeyState,
                                      gdi::Point point) {
    return IsOurs(pWnd) ? m_pGridCtrl->OnDragEnter(pDataObject, dwKeyState, point) : DROPEFFECT_NONE;
}

unsigned CGridDropTarget::OnDragOver(QWidget* pWnd, const QMimeData* pDataObject, unsigned dwKeyState,
                                     gdi::Point point) {
    return IsOurs(pWnd) ? m_pGridCtrl->OnDragOver(pDataObject, dwKeyState, point) : DROPEFFECT_NONE;
}

void CGridDropTarget::OnDragLeave(QWidget* pWnd) {
    if (IsOurs(pWnd))
        m_pGridCtrl->OnDragLeave();
}

bool CGridDropTarget::OnDrop(QWidget* pWnd, const QMimeData* pDataObject, unsigned dropEffect,
                             gdi::Point point) {
    return IsOurs(pWnd) && m_pGridCtrl->OnDrop(pDataObject, dropEffect, point);
}

unsigned CGridDropTarget::OnDragScroll(QWidget* pWnd, unsigned dwKeyState, gdi::Point) {
    if (!IsOurs(pWnd))
        return DROPEFFECT_NONE;
    return (dwKeyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}
