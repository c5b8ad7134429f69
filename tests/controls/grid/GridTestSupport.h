#pragma once
// Helpers shared by the grid tests: a parent that records notifications and answers them, and a
// sized grid.

#include "controls/grid/GridCtrl.h"

#include <QWidget>

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

    std::vector<int> Codes() const {
        std::vector<int> out;
        for (const Received& r : received)
            out.push_back(r.code);
        return out;
    }

protected:
    bool event(QEvent* e) override {
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
