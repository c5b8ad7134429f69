// The typed grid notifications every editing dialog uses: vetoes, refusals, the edited text, and a
// database failure in a handler (logged, the old text back, the dialog's message).
#include "controls/grid/GridNotifyAdapter.h"
#include "controls/grid/GridCtrl.h"
#include "platform/db/DbError.h"
#include "tests/common/Warnings.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <vector>

namespace {

using Notice = CGridNotifyAdapter::Notice;

// A window that owns two grids and hands the first one's notifications to an adapter.
class Owner : public QWidget {
public:
    static constexpr int IDC_GRID = 1007;
    static constexpr int IDC_OTHER = 1008;

    Owner() {
        grid.Create(gdi::Rect(0, 0, 200, 100), this, IDC_GRID);
        other.Create(gdi::Rect(0, 100, 200, 100), this, IDC_OTHER);
        grid.SetItemText(1, 1, "old");
        other.SetItemText(1, 1, "old");
    }
    bool event(QEvent* e) override { return notify.Handle(e) || QWidget::event(e); }

    CGridCtrl grid{3, 3, 1, 1};
    CGridCtrl other{3, 3, 1, 1};
    CGridNotifyAdapter notify{grid};
};

// The grid's own edit path: the start, then the end with the typed text.
bool Edit(CGridCtrl& grid, int row, int col, const QString& text) {
    if (grid.SendMessageToParent(row, col, GVN_BEGINLABELEDIT) < 0)
        return false;
    grid.OnEndEditCell(row, col, text);
    return true;
}

TEST(GridNotifyAdapter, VetoesRefusalsAndTheEditedText) {
    Owner owner;
    std::vector<QString> ended;
    owner.notify.OnBeginEdit([](int, int col) { return col != 2; });
    owner.notify.OnEndEdit([&](int row, int col, const QString& text) {
        ended.push_back(QStringLiteral("%1,%2 %3").arg(row).arg(col).arg(text));
        return text != "bad";
    });

    EXPECT_FALSE(Edit(owner.grid, 1, 2, "x")); // vetoed at the start
    EXPECT_TRUE(Edit(owner.grid, 1, 1, "bad"));
    EXPECT_EQ(owner.grid.GetItemText(1, 1), "old"); // refused: the old text is back
    EXPECT_TRUE(Edit(owner.grid, 1, 1, "good"));
    EXPECT_EQ(owner.grid.GetItemText(1, 1), "good");
    EXPECT_EQ(owner.notify.OldText(), "old");
    EXPECT_EQ(ended, (std::vector<QString>{"1,1 bad", "1,1 good"}));

    // Another grid of the same owner is not this adapter's.
    EXPECT_TRUE(Edit(owner.other, 1, 1, "bad"));
    EXPECT_EQ(owner.other.GetItemText(1, 1), "bad");
    EXPECT_EQ(ended.size(), 2u);
}

TEST(GridNotifyAdapter, ADatabaseFailureIsLoggedRefusedAndReported) {
    Owner owner;
    std::vector<Notice> reported;
    QString shownWhileReporting;
    owner.notify.OnEndEdit(
        [](int, int, const QString&) -> bool { throw db::DbError(db::DbError::kNotOpen, "locked"); });
    owner.notify.OnClick([](int, int) { throw db::DbError(db::DbError::kNotOpen, "locked"); });
    owner.notify.OnDbError([&](Notice notice, int row, int col, const db::DbError& error) {
        EXPECT_EQ(error.Message(), "locked");
        reported.push_back(notice);
        shownWhileReporting = owner.grid.GetItemText(row, col);
    });

    ExpectWarning locked("locked");
    EXPECT_TRUE(Edit(owner.grid, 1, 1, "new"));
    EXPECT_EQ(owner.grid.GetItemText(1, 1), "old");
    EXPECT_EQ(shownWhileReporting, "old"); // restored before the message
    EXPECT_EQ(owner.grid.SendMessageToParent(1, 1, NM_CLICK), -1);
    EXPECT_EQ(reported, (std::vector<Notice>{Notice::EndEdit, Notice::Click}));
    EXPECT_EQ(locked.Count(), 2);
}

} // namespace
