#pragma once
// The typed side of the WM_NOTIFY messages of a grid that a dialog owns: the dialog gives handlers
// for the start and the end of a cell edit and for a click, and forwards its events here. The
// adapter reads the notification record, keeps the cell's text at the start of an edit, gives the
// grid its answer (-1 for a vetoed start or a refused end, after which the grid shows the old text
// again) and guards every handler: a db::DbError out of one is logged, an edit it ends is refused
// with the old text back in the cell, and then the dialog shows its own message.

#include <QString>

#include <functional>

class CGridCtrl;
class QEvent;
namespace db {
class DbError;
}

class CGridNotifyAdapter {
public:
    enum class Notice { BeginEdit, EndEdit, Click };

    explicit CGridNotifyAdapter(CGridCtrl& grid);
    CGridNotifyAdapter(const CGridNotifyAdapter&) = delete;
    CGridNotifyAdapter& operator=(const CGridNotifyAdapter&) = delete;

    // GVN_BEGINLABELEDIT, after the cell's text has been kept as the old text; false vetoes the edit.
    void OnBeginEdit(std::function<bool(int row, int col)> handler) { m_beginEdit = std::move(handler); }
    // GVN_ENDLABELEDIT with the text the cell now holds; false refuses the edit.
    void OnEndEdit(std::function<bool(int row, int col, const QString& text)> handler) {
        m_endEdit = std::move(handler);
    }
    // NM_CLICK on a cell.
    void OnClick(std::function<void(int row, int col)> handler) { m_click = std::move(handler); }
    // A handler failed with `error` (already logged, the old text already back): the dialog's
    // message.
    void OnDbError(std::function<void(Notice notice, int row, int col, const db::DbError& error)> handler) {
        m_dbError = std::move(handler);
    }

    // From the owner's event(): true when `event` was a notification of this grid, which has been
    // answered; false for every other event.
    bool Handle(QEvent* event);

    // The cell's text at the start of the current (or last) edit.
    const QString& OldText() const { return m_strOldText; }
    // Puts the old text back into the cell and repaints the grid.
    void RestoreOldText(int row, int col);

private:
    CGridCtrl& m_grid;
    QString m_strOldText;
    std::function<bool(int, int)> m_beginEdit;
    std::function<bool(int, int, const QString&)> m_endEdit;
    std::function<void(int, int)> m_click;
    std::function<void(Notice, int, int, const db::DbError&)> m_dbError;
};
