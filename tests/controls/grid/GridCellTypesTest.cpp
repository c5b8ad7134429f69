#include "GridTestSupport.h"

#include "controls/grid/GridCellCheck.h"
#include "controls/grid/GridCellCombo.h"
#include "controls/grid/GridCellNumeric.h"
#include "controls/grid/InPlaceEdit.h"
#include "platform/gdi/Recorder.h"
#include "platform/gdi/System.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QPainter>

#include <gtest/gtest.h>

using namespace gdi;

namespace {

CGridInPlaceList* List(const GridHost& host, int row, int col) {
    auto* pCell = dynamic_cast<CGridCellCombo*>(host.grid->GetCell(row, col));
    return pCell ? pCell->GetInPlaceList() : nullptr;
}

CGridCellCombo* MakeCombo(CGridCtrl& grid, int row, int col, const QStringList& options) {
    EXPECT_TRUE(grid.SetCellType(row, col, RuntimeClass<CGridCellCombo>()));
    auto* pCell = dynamic_cast<CGridCellCombo*>(grid.GetCell(row, col));
    pCell->SetOptions(options);
    return pCell;
}

QPoint BoxCentre(const CGridCtrl& grid, const CGridCellCheck& cell) {
    const Rect box = cell.GetCheckPlacement();
    return grid.ClientToWidget(Point((box.left + box.right) / 2, (box.top + box.bottom) / 2));
}

} // namespace

TEST(GridCellTypes, ACheckCellTogglesOnlyInItsBoxAlsoInAReadOnlyGrid) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    ASSERT_TRUE(grid.SetCellType(1, 1, RuntimeClass<CGridCellCheck>()));
    auto* check = dynamic_cast<CGridCellCheck*>(grid.GetCell(1, 1));
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->GetText(), QStringLiteral("1,1")); // the text came along
    EXPECT_FALSE(check->SetCheck(true));                // before any drawing: just the value
    EXPECT_TRUE(check->SetCheck(false));
    grid.grab(); // draws the cell, which places its box

    bool checkedAtClick = false;
    host.parent.onNotify = [&](const NotifyRecorder::Received& r) {
        if (r.code == NM_CLICK)
            checkedAtClick = dynamic_cast<CGridCellCheck*>(grid.GetCell(1, 1))->GetCheck();
    };
    QTest::mouseClick(&grid, Qt::LeftButton, {}, BoxCentre(grid, *check));
    EXPECT_TRUE(check->GetCheck());
    EXPECT_TRUE(checkedAtClick); // the owner reads the new state in its click handler
    EXPECT_FALSE(grid.IsItemEditing(1, 1));

    Rect cell;
    grid.GetCellRect(1, 1, &cell);
    host.Click(1, 1, Qt::ControlModifier, cell.Width() - 4); // on the text
    EXPECT_TRUE(check->GetCheck());

    grid.SetEditable(false);
    QTest::mouseClick(&grid, Qt::LeftButton, {}, BoxCentre(grid, *check));
    EXPECT_FALSE(check->GetCheck());
    QTest::mouseClick(&grid, Qt::LeftButton, {}, BoxCentre(grid, *check));
    EXPECT_TRUE(check->GetCheck());
}

TEST(GridCellTypes, AComboCellTakesTypedTextOrAnOption) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    MakeCombo(grid, 1, 2, {QStringLiteral("男"), QStringLiteral("女")});
    grid.SetFocusCell(1, 2);

    host.Type(QStringLiteral("x"));
    CGridInPlaceList* list = List(host, 1, 2);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->GetEdit()->text(), QStringLiteral("x"));
    host.Type(QStringLiteral("y"));
    host.Key(Qt::Key_Return);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(1, 2), QStringLiteral("xy"));
    EXPECT_FALSE(grid.IsItemEditing(1, 2));

    host.Key(Qt::Key_F2);
    list = List(host, 1, 2);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->currentIndex(), -1); // not an option: shown as it is
    EXPECT_EQ(list->GetEdit()->text(), QStringLiteral("xy"));
    host.Key(Qt::Key_Down);
    host.Key(Qt::Key_Down);
    EXPECT_EQ(list->GetEdit()->text(), QStringLiteral("女"));
    host.Key(Qt::Key_Tab); // stores and moves on
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(1, 2), QStringLiteral("女"));
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(1, 3));
    host.Key(Qt::Key_Escape);
    GridHost::Flush();

    // Escape puts the text back and the owner hears of no change.
    grid.SetFocusCell(1, 2);
    host.parent.received.clear();
    host.Type(QStringLiteral("z"));
    host.Key(Qt::Key_Escape);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(1, 2), QStringLiteral("女"));
    EXPECT_EQ(host.Count(GVN_ENDLABELEDIT), 0);
    EXPECT_EQ(host.Count(GVN_BEGINLABELEDIT), 1);
}

TEST(GridCellTypes, AComboChoosesOnlyAnOptionEqualToTheText) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    MakeCombo(grid, 1, 1, {QStringLiteral("AB"), QStringLiteral("A"), QStringLiteral("")});
    MakeCombo(grid, 2, 1, {QStringLiteral("优秀"), QStringLiteral("良好")});

    grid.SetItemText(1, 1, QStringLiteral("A"));
    grid.SetFocusCell(1, 1);
    host.Key(Qt::Key_F2);
    ASSERT_NE(List(host, 1, 1), nullptr);
    EXPECT_EQ(List(host, 1, 1)->currentIndex(), 1); // not "AB", which merely begins with it
    host.Key(Qt::Key_Return);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("A"));

    // An empty cell opens empty and, left alone, stays empty: the first option is not taken.
    grid.SetItemText(2, 1, QString());
    grid.SetFocusCell(2, 1);
    host.parent.received.clear();
    host.Key(Qt::Key_F2);
    ASSERT_NE(List(host, 2, 1), nullptr);
    EXPECT_EQ(List(host, 2, 1)->currentIndex(), -1);
    EXPECT_TRUE(List(host, 2, 1)->GetEdit()->text().isEmpty());
    host.Key(Qt::Key_Return);
    GridHost::Flush();
    EXPECT_TRUE(grid.GetItemText(2, 1).isEmpty());
    EXPECT_EQ(host.Count(GVN_ENDLABELEDIT), 0);
}

TEST(GridCellTypes, TheOwnerFillsTheOptionsAndTheListDoesNotEndWhenItDrops) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    MakeCombo(grid, 2, 2, {});
    const QString longOption(60, QChar(0x5B57));
    host.parent.onNotify = [&](const NotifyRecorder::Received& r) {
        if (r.code == GVN_BEGINLABELEDIT)
            dynamic_cast<CGridCellCombo*>(grid.GetCell(r.row, r.col))
                ->SetOptions({QStringLiteral("甲"), longOption});
    };
    grid.SetFocusCell(2, 2);
    host.Key(Qt::Key_F2);
    CGridInPlaceList* list = List(host, 2, 2);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->GetDroppedWidth(), CGridInPlaceList::kMaxDroppedWidth);

    // Its own list taking the focus is no end of the edit; another window taking it is.
    list->showPopup();
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(list->GetEdit(), &popup);
    EXPECT_TRUE(grid.IsItemEditing(2, 2));
    list->hidePopup();
    grid.setFocus();
    GridHost::Flush();
    EXPECT_FALSE(grid.IsItemEditing(2, 2));
    EXPECT_EQ(grid.GetItemText(2, 2), QStringLiteral("2,2"));
}

TEST(GridCellTypes, APickOnlyListKeepsTheTextUntilAnOptionIsPicked) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    CGridCellCombo* combo = MakeCombo(grid, 1, 1, {QStringLiteral("甲"), QStringLiteral("乙")});
    combo->SetStyle(CBS_DROPDOWNLIST);
    grid.SetItemText(1, 1, QStringLiteral("丙"));
    grid.SetFocusCell(1, 1);
    host.Key(Qt::Key_F2);
    CGridInPlaceList* list = List(host, 1, 1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetEdit(), nullptr);
    EXPECT_EQ(combo->GetEditWnd(), nullptr);
    host.Key(Qt::Key_Return);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("丙"));

    host.Key(Qt::Key_F2);
    host.Key(Qt::Key_Down);
    host.Key(Qt::Key_Down);
    host.Key(Qt::Key_Return);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("乙"));
}

TEST(GridCellTypes, AComboShowsItsButtonOnlyWhereItCanBeEdited) {
    CGridCtrl grid(3, 3, 1, 1);
    grid.SetCellType(1, 1, RuntimeClass<CGridCellCombo>());
    CGridCellBase* cell = grid.GetCell(1, 1);
    auto buttons = [&] {
        Recorder rec;
        Dc dc(&rec);
        cell->Draw(&dc, 1, 1, Rect(0, 0, 100, 20));
        return rec.Of(DrawOp::FrameControl);
    };
    ASSERT_EQ(buttons().size(), 1u);
    EXPECT_EQ(buttons()[0].format, DFC_SCROLL);
    EXPECT_EQ(buttons()[0].rect,
              Rect(100 - GetSystemMetrics(SM_CXVSCROLL), 0, 100, GetSystemMetrics(SM_CYHSCROLL)));

    // Its arrow points down: the widest row of ink is its top one.
    QImage image(100, 20, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        Dc dc(&painter);
        cell->Draw(&dc, 1, 1, Rect(0, 0, 100, 20));
    }
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    std::vector<int> widths;
    for (int y = 0; y < GetSystemMetrics(SM_CYHSCROLL); ++y) {
        int n = 0;
        for (int x = 100 - GetSystemMetrics(SM_CXVSCROLL); x < 100; ++x)
            n += FromQColor(image.pixelColor(x, y)) == ink;
        if (n > 0)
            widths.push_back(n);
    }
    ASSERT_GE(widths.size(), 2u);
    EXPECT_GT(widths.front(), widths.back());

    grid.SetItemState(1, 1, grid.GetItemState(1, 1) | GCS_READONLY);
    EXPECT_TRUE(buttons().empty());
    grid.SetItemState(1, 1, grid.GetItemState(1, 1) & ~GCS_READONLY);
    grid.SetEditable(false);
    EXPECT_TRUE(buttons().empty());
}

TEST(GridCellTypes, ANumericCellRefusesLetters) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    ASSERT_TRUE(grid.SetCellType(1, 1, RuntimeClass<CGridCellNumeric>()));
    grid.SetItemFormat(1, 1, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    grid.SetItemText(1, 1, QStringLiteral("85"));
    grid.SetFocusCell(1, 1);

    host.Type(QStringLiteral("a"));
    auto* edit = qobject_cast<CGridInPlaceEdit*>(host.Editor(1, 1));
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->IsNumeric());
    EXPECT_TRUE(edit->alignment() & Qt::AlignLeft);
    EXPECT_EQ(edit->text(), QStringLiteral("85"));
    host.Type(QStringLiteral("9x0"));
    EXPECT_EQ(edit->text(), QStringLiteral("90"));
    QInputMethodEvent ime;
    ime.setCommitString(QStringLiteral("五"));
    QApplication::sendEvent(edit, &ime);
    EXPECT_EQ(edit->text(), QStringLiteral("90"));
    host.Key(Qt::Key_Return);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("90"));
}
