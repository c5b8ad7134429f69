#pragma once
// CGridDropTarget: hands the drag-and-drop events that reach a grid window to the grid's own
// handlers (OnDragEnter, OnDragOver, OnDragLeave, OnDrop), as long as it is registered.

#include "platform/gdi/Types.h"

class CGridCtrl;
class QMimeData;
class QWidget;

class CGridDropTarget {
public:
    CGridDropTarget() = default;
    CGridDropTarget(const CGridDropTarget&) = delete;
    CGridDropTarget& operator=(const CGridDropTarget&) = delete;

    // Makes `pWnd` accept drops; false when already registered or `pWnd` is no grid.
    bool Register(QWidget* pWnd);
    void Revoke();
    bool IsRegistered() const { return m_bRegistered; }

    // Each answers DROPEFFECT_NONE for a window that is not the registered grid.
    unsigned OnDragEnter(QWidget* pWnd, const QMimeData* pDataObject, unsigned dwKeyState, gdi::Point point);
    unsigned OnDragOver(QWidget* pWnd, const QMimeData* pDataObject, unsigned dwKeyState, gdi::Point point);
    void OnDragLeave(QWidget* pWnd);
    bool OnDrop(QWidget* pWnd, const QMimeData* pDataObject, unsigned dropEffect, gdi::Point point);
    // Copy while Ctrl is held, else move; it never scrolls.
    unsigned OnDragScroll(QWidget* pWnd, unsigned dwKeyState, gdi::Point point);

private:
    bool IsOurs(QWidget* pWnd) const;

    CGridCtrl* m_pGridCtrl = nullptr;
    bool m_bRegistered = false;
};
