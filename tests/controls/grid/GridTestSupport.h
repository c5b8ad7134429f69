#pragma once
// Helpers shared by the grid tests: a parent that records notifications and answers them, and a
// sized grid.

#include "controls/grid/GridCtrl.h"

#include <QWidget>

#include <functional>
#include <map>
#include <vector>

// Records every notification it receives and answers with a scripted result per code.
class NotifyRecorder : public QWidget {
public:
    struct Received {
        int controlId;
        int code;
        int row;
        int col;
    };

    std::vector<Received> received;
    std::map<int, LRESULT> answers;
    // Called for each notification before it is answered (a dialog's handler).
    std::function<void(const Received&)> onNotify;
    // wParam of every WM_COMMAND received.
    std::vector<std::uintptr_t> commands;

    std::vector<int> Codes() const {
        std::vector<int> out;
        for (const Received& r : received)
            out.push_back(r.code);
        return out;
    }

protected:
    bool event(QEvent* e) override {
        if (auto* m = ui::AsWindowMessage(e); m && m->Message() == ui::WM_COMMAND) {
            commands.push_back(m->WParam());
            return true;
        }
        NMHDR* hdr = NotifyHeader(e);
        if (!hdr)
            return QWidget::event(e);
        auto* message = ui::AsWindowMessage(e);
        Received r{static_cast<int>(message->WParam()), hdr->code, -1, -1};
        if (hdr->code != GVN_GETDISPINFO && hdr->code != GVN_ODCACHEHINT) {
            r.row = reinterpret_cast<NMGRIDCELL*>(hdr)->row;
            r.col = reinterpret_cast<NMGRIDCELL*>(hdr)->col;
        }
        received.push_back(r);
        if (onNotify)
            onNotify(r);
        if (auto it = answers.find(hdr->code); it != answers.end())
            message->SetResult(it->second);
        return true;
    }
};

// The grid's widget size for a wanted client size (inside the 2-pixel client edge).
inline void SizeClient(CGridCtrl& grid, int clientWidth, int clientHeight) {
    grid.resize(clientWidth + 4, clientHeight + 4);
    grid.OnSize();
}

// Fills rows × cols with "r,c" texts.
inline void FillTexts(CGridCtrl& grid) {
    for (int r = 0; r < grid.GetRowCount(); ++r)
        for (int c = 0; c < grid.GetColumnCount(); ++c)
            grid.SetItemText(r, c, QStringLiteral("%1,%2").arg(r).arg(c));
}

// ---- interactive grids ------------------------------------------------------------------------
// A shown and active top-level window holding a grid with control id 1007, as a dialog holds one,
// so that focus changes happen as they do for a user.

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

class GridHost {
public:
    GridHost(int rows, int cols, int fixedRows = 1, int fixedCols = 1, int clientWidth = 400,
             int clientHeight = 200) {
        parent.resize(clientWidth + 60, clientHeight + 60);
        grid = new CGridCtrl(rows, cols, fixedRows, fixedCols, &parent);
        grid->SetDlgCtrlID(1007);
        grid->setGeometry(0, 0, clientWidth + 4, clientHeight + 4);
        grid->OnSize();
        FillTexts(*grid);
        parent.show();
        parent.activateWindow();
        (void)QTest::qWaitForWindowActive(&parent);
        grid->setFocus();
    }

    // A point in the grid's widget coordinates: inside cell (row, col), `dx` pixels from its left
    // edge (the middle when -1).
    QPoint At(int row, int col, int dx = -1) const {
        gdi::Rect rect;
        grid->GetCellRect(row, col, &rect);
        const int x = dx < 0 ? (rect.left + rect.right) / 2 : rect.left + dx;
        return grid->ClientToWidget(gdi::Point(x, (rect.top + rect.bottom) / 2));
    }
    void Click(int row, int col, Qt::KeyboardModifiers modifiers = {}, int dx = -1) {
        QTest::mouseClick(grid, Qt::LeftButton, modifiers, At(row, col, dx));
    }
    void DoubleClick(const QPoint& p) {
        QTest::mouseClick(grid, Qt::LeftButton, {}, p);
        QTest::mouseDClick(grid, Qt::LeftButton, {}, p);
        QTest::mouseRelease(grid, Qt::LeftButton, {}, p);
    }
    // A move with no button held, straight to the grid.
    void Hover(const QPoint& p) {
        QMouseEvent move(QEvent::MouseMove, p, grid->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(grid, &move);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : grid, key, modifiers);
    }
    void Type(const QString& text) {
        QTest::keyClicks(QApplication::focusWidget() ? QApplication::focusWidget() : grid, text);
    }
    // The cell's open editor widget, or null.
    QWidget* Editor(int row, int col) const {
        CGridCellBase* pCell = grid->GetCell(row, col);
        return pCell && pCell->IsEditing() ? pCell->GetEditWnd() : nullptr;
    }
    int Count(int code) const {
        int n = 0;
        for (const auto& r : parent.received)
            n += r.code == code;
        return n;
    }
    // Runs the deletions of closed editors.
    static void Flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    NotifyRecorder parent;
    CGridCtrl* grid;
};
