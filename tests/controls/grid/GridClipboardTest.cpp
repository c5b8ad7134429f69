#include "GridTestSupport.h"

#include "platform/text/Gbk.h"

#include <QClipboard>
#include <QMimeData>

#include <gtest/gtest.h>

using namespace gdi;

namespace {

// Texts without the commas that a paste would split on: "r1c2" and so on.
void FillPlain(CGridCtrl& grid) {
    for (int r = 0; r < grid.GetRowCount(); ++r)
        for (int c = 0; c < grid.GetColumnCount(); ++c)
            grid.SetItemText(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
}

QString Clipboard() {
    return QApplication::clipboard()->text();
}

void SetClipboard(const QString& text) {
    QApplication::clipboard()->setText(text);
}

std::unique_ptr<QMimeData> TextData(const QString& text) {
    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    return data;
}

Point Centre(const CGridCtrl& grid, int row, int col) {
    Rect rect;
    grid.GetCellRect(row, col, &rect);
    return Point((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

// Installs a drag runner for one test and takes it away after.
struct ScriptedDrag {
    explicit ScriptedDrag(unsigned effect) {
        CGridCtrl::SetDragRunner(
            [this, effect](CGridCtrl&, std::unique_ptr<QMimeData> data, unsigned allowed) {
                text = data->text();
                offered = allowed;
                ++runs;
                return effect;
            });
    }
    ~ScriptedDrag() { CGridCtrl::SetDragRunner(nullptr); }
    QString text;
    unsigned offered = 0;
    int runs = 0;
};

} // namespace

TEST(GridClipboard, CopyWritesTabbedLinesOfTheSelection) {
    GridHost host(6, 5, 1, 1);
    CGridCtrl& grid = *host.grid;
    FillPlain(grid);
    grid.SetSelectedRange(1, 1, 2, 3);
    grid.SetFocusCell(1, 1);
    host.Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard(), QStringLiteral("r1c1\tr1c2\tr1c3\nr2c1\tr2c2\tr2c3"));

    // A cell left out of a Ctrl selection gives an empty field; hidden rows and columns none.
    grid.SetItemState(2, 2, grid.GetItemState(2, 2) & ~GCS_SELECTED);
    grid.SetColumnWidth(3, 0);
    grid.OnEditCopy();
    EXPECT_EQ(Clipboard(), QStringLiteral("r1c1\tr1c2\nr2c1\t"));
    grid.SetRowHeight(1, 0);
    grid.OnEditCopy();
    EXPECT_EQ(Clipboard(), QStringLiteral("r2c1\t"));

    grid.ResetSelectedRange();
    EXPECT_EQ(grid.CopyTextFromGrid(), nullptr);
    ui::CmdUI cmd;
    grid.OnUpdateEditCopy(&cmd);
    EXPECT_FALSE(cmd.enabled);
}

TEST(GridClipboard, ChineseTextSurvivesCopyAndPaste) {
    GridHost host(6, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    grid.SetItemText(1, 1, QStringLiteral("张三"));
    grid.SetItemText(1, 2, QStringLiteral("九十五"));
    grid.SetItemText(2, 1, QStringLiteral("李四"));
    grid.SetItemText(2, 2, QStringLiteral("缺考"));
    grid.SetSelectedRange(1, 1, 2, 2);
    grid.OnEditCopy();
    const QString copied = Clipboard();
    EXPECT_EQ(text::FromGbk(text::ToGbk(copied)), copied); // the program's code page holds it
    EXPECT_EQ(text::GbkLength(copied), 9 * 2 + 3);         // nine characters, two tabs and a line feed

    grid.SetFocusCell(4, 2);
    grid.ResetSelectedRange();
    grid.SetFocusCell(4, 2);
    host.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(grid.GetItemText(4, 2), QStringLiteral("张三"));
    EXPECT_EQ(grid.GetItemText(4, 3), QStringLiteral("九十五"));
    EXPECT_EQ(grid.GetItemText(5, 2), QStringLiteral("李四"));
    EXPECT_EQ(grid.GetItemText(5, 3), QStringLiteral("缺考"));
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(4, 2, 5, 3)); // the pasted cells
    EXPECT_TRUE(grid.GetModified(5, 3));
}

TEST(GridClipboard, PasteSplitsOnTabsOrCommasAndLinesWithinTheGrid) {
    GridHost host(5, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    FillPlain(grid);
    grid.SetFocusCell(1, 1);
    // Without a tab anywhere, commas separate the fields.
    SetClipboard(QStringLiteral(" 张三 , 85\r\n"));
    grid.OnEditPaste();
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("张三"));
    EXPECT_EQ(grid.GetItemText(1, 2), QStringLiteral("85"));

    grid.ResetSelectedRange();
    grid.SetFocusCell(1, 1);
    SetClipboard(QStringLiteral("李四\t, 90\r\n\r\nx\ty\tz\tbeyond\r\nr4\nr5\nr6"));
    grid.OnEditPaste();
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("李四"));
    EXPECT_EQ(grid.GetItemText(1, 2), QStringLiteral(", 90")); // with tabs, a comma is text
    EXPECT_EQ(grid.GetItemText(2, 1), QStringLiteral("r2c1")); // an empty line takes a row
    EXPECT_EQ(grid.GetItemText(3, 1), QStringLiteral("x"));
    EXPECT_EQ(grid.GetItemText(3, 3), QStringLiteral("z")); // "beyond" has no column
    EXPECT_EQ(grid.GetItemText(4, 1), QStringLiteral("r4"));
    EXPECT_EQ(grid.GetRowCount(), 5); // the lines past the last row are dropped

    // Hidden rows and columns are stepped over.
    grid.SetRowHeight(2, 0);
    grid.SetColumnWidth(2, 0);
    grid.ResetSelectedRange();
    grid.SetFocusCell(1, 1);
    SetClipboard(QStringLiteral("a\tb\nc"));
    grid.OnEditPaste();
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("a"));
    EXPECT_EQ(grid.GetItemText(1, 3), QStringLiteral("b"));
    EXPECT_EQ(grid.GetItemText(3, 1), QStringLiteral("c"));
    EXPECT_EQ(grid.GetItemText(2, 1), QStringLiteral("r2c1"));
}

TEST(GridClipboard, CellsHoldingCommasSurviveACopyAndPasteRoundTrip) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    FillPlain(grid);
    grid.SetItemText(1, 1, QStringLiteral("张三,李四"));
    grid.SetItemText(1, 2, QStringLiteral("85,5"));
    grid.SetItemText(2, 1, QStringLiteral("王五"));
    grid.SetSelectedRange(1, 1, 2, 2);
    grid.OnEditCopy();
    EXPECT_EQ(Clipboard(), QStringLiteral("张三,李四\t85,5\n王五\tr2c2"));

    grid.ResetSelectedRange();
    grid.SetFocusCell(2, 2);
    grid.OnEditPaste();
    EXPECT_EQ(grid.GetItemText(2, 2), QStringLiteral("张三,李四"));
    EXPECT_EQ(grid.GetItemText(2, 3), QStringLiteral("85,5")); // the neighbour gets its own cell only
    EXPECT_EQ(grid.GetItemText(3, 2), QStringLiteral("王五"));
    EXPECT_EQ(grid.GetItemText(3, 3), QStringLiteral("r2c2"));
}

TEST(GridClipboard, PasteHonoursReadOnlyCellsAndTheOwnersAnswers) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    FillPlain(grid);
    grid.SetItemState(1, 1, grid.GetItemState(1, 1) | GCS_READONLY);
    grid.SetFocusCell(1, 1);
    SetClipboard(QStringLiteral("a\tb"));
    ui::CmdUI cmd;
    grid.OnUpdateEditPaste(&cmd);
    EXPECT_FALSE(cmd.enabled);
    grid.OnEditPaste();
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("r1c1"));
    EXPECT_EQ(grid.GetItemText(1, 2), QStringLiteral("r1c2"));

    // The owner puts one cell's old text back; the other change stays.
    host.parent.onNotify = [&](const NotifyRecorder::Received& r) {
        host.parent.answers[GVN_ENDLABELEDIT] = r.col == 3 ? -1 : 0;
    };
    grid.SetFocusCell(2, 2);
    grid.OnEditPaste();
    EXPECT_EQ(grid.GetItemText(2, 2), QStringLiteral("a"));
    EXPECT_EQ(grid.GetItemText(2, 3), QStringLiteral("r2c3"));

    grid.SetEditable(false);
    grid.SetFocusCell(3, 2);
    grid.OnEditPaste();
    EXPECT_EQ(grid.GetItemText(3, 2), QStringLiteral("r3c2"));
}

TEST(GridClipboard, DeleteAndCutEmptyTheSelectionThroughTheEditNotifications) {
    GridHost host(4, 5, 1, 1);
    CGridCtrl& grid = *host.grid;
    FillPlain(grid);
    grid.SetItemText(1, 2, QString());
    grid.SetSelectedRange(1, 1, 1, 3);
    grid.SetFocusCell(1, 1);
    host.parent.received.clear();
    host.Key(Qt::Key_Delete);
    EXPECT_EQ(host.Count(GVN_BEGINLABELEDIT), 3);
    EXPECT_EQ(host.Count(GVN_ENDLABELEDIT), 2); // not for the cell that was empty already
    EXPECT_TRUE(grid.GetItemText(1, 1).isEmpty());
    EXPECT_TRUE(grid.GetItemText(1, 3).isEmpty());

    grid.SetSelectedRange(2, 1, 3, 2);
    host.Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Clipboard(), QStringLiteral("r2c1\tr2c2\nr3c1\tr3c2"));
    EXPECT_TRUE(grid.GetItemText(3, 2).isEmpty());

    // A refused begin-edit keeps the text.
    grid.SetItemText(2, 4, QStringLiteral("keep"));
    grid.SetSelectedRange(2, 4, 2, 4);
    host.parent.answers[GVN_BEGINLABELEDIT] = -1;
    host.Key(Qt::Key_Delete);
    EXPECT_EQ(grid.GetItemText(2, 4), QStringLiteral("keep"));
}

TEST(GridClipboard, SelectAllTellsTheOwner) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    grid.SetFocusCell(2, 2);
    host.parent.received.clear();
    host.Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(1, 1, 3, 3));
    EXPECT_EQ(host.parent.Codes(), (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED}));
    EXPECT_TRUE(grid.OnCmdMsg(ui::ID_EDIT_COPY));
    EXPECT_FALSE(grid.OnCmdMsg(ui::ID_FILE_PRINT));
}

TEST(GridClipboard, DropHandlersPasteTheTextAtTheCellUnderThePointer) {
    GridHost host(5, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    FillPlain(grid);
    const auto data = TextData(QStringLiteral("甲\t乙"));
    EXPECT_EQ(grid.OnDragEnter(data.get(), 0, Centre(grid, 2, 1)), DROPEFFECT_NONE); // not allowed yet

    grid.EnableDragAndDrop(true);
    EXPECT_EQ(grid.OnDragEnter(data.get(), MK_CONTROL, Centre(grid, 2, 1)), DROPEFFECT_COPY);
    EXPECT_TRUE(grid.GetItemState(2, 1) & GCS_DROPHILITED);
    EXPECT_EQ(grid.OnDragOver(data.get(), 0, Centre(grid, 3, 2)), DROPEFFECT_MOVE);
    EXPECT_FALSE(grid.GetItemState(2, 1) & GCS_DROPHILITED);
    EXPECT_TRUE(grid.GetItemState(3, 2) & GCS_DROPHILITED);
    EXPECT_EQ(grid.OnDragOver(data.get(), 0, Centre(grid, 0, 2)), DROPEFFECT_NONE); // a header
    EXPECT_EQ(grid.OnDragOver(data.get(), 0, Centre(grid, 3, 2)), DROPEFFECT_MOVE);

    const auto noText = std::make_unique<QMimeData>();
    EXPECT_EQ(grid.OnDragOver(noText.get(), 0, Centre(grid, 3, 2)), DROPEFFECT_NONE);

    EXPECT_TRUE(grid.OnDrop(data.get(), DROPEFFECT_MOVE, Centre(grid, 3, 2)));
    EXPECT_EQ(grid.GetItemText(3, 2), QStringLiteral("甲"));
    EXPECT_EQ(grid.GetItemText(3, 3), QStringLiteral("乙"));
    EXPECT_FALSE(grid.GetItemState(3, 2) & GCS_DROPHILITED);
    EXPECT_EQ(grid.GetSelectedCount(), 0);

    grid.SetItemState(4, 1, grid.GetItemState(4, 1) | GCS_READONLY);
    EXPECT_EQ(grid.OnDragOver(data.get(), 0, Centre(grid, 4, 1)), DROPEFFECT_NONE);

    // Through the window's own drop event, as the drop target hands it on.
    ASSERT_TRUE(grid.GetDropTarget()->IsRegistered());
    EXPECT_TRUE(grid.acceptDrops());
    const auto other = TextData(QStringLiteral("丙"));
    const QPointF at = grid.ClientToWidget(Centre(grid, 1, 3));
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, other.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&grid, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, other.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&grid, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(grid.GetItemText(1, 3), QStringLiteral("丙"));
}

TEST(GridClipboard, DraggingTheSelectionMovesOrCopiesIt) {
    GridHost host(5, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    FillPlain(grid);
    grid.EnableDragAndDrop(true);
    host.Click(1, 1);
    host.Click(2, 2, Qt::ShiftModifier);
    host.parent.received.clear();

    {
        ScriptedDrag drag(DROPEFFECT_COPY);
        QTest::mousePress(&grid, Qt::LeftButton, {}, host.At(2, 1));
        QTest::mouseMove(&grid, host.At(2, 1, 5));
        QTest::mouseRelease(&grid, Qt::LeftButton, {}, host.At(2, 1, 5));
        EXPECT_EQ(drag.runs, 1);
        EXPECT_EQ(drag.text, QStringLiteral("r1c1\tr1c2\nr2c1\tr2c2"));
        EXPECT_EQ(drag.offered, DROPEFFECT_COPY | DROPEFFECT_MOVE);
        ASSERT_FALSE(host.parent.received.empty());
        EXPECT_EQ(host.Count(GVN_BEGINDRAG), 1);
        EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("r1c1")); // copied: nothing emptied
    }
    {
        ScriptedDrag drag(DROPEFFECT_MOVE);
        grid.OnBeginDrag();
        EXPECT_EQ(drag.runs, 1);
        EXPECT_TRUE(grid.GetItemText(1, 1).isEmpty()); // moved: the source is emptied
        EXPECT_TRUE(grid.GetItemText(2, 2).isEmpty());
        EXPECT_EQ(grid.GetMouseMode(), CGridCtrl::MOUSE_NOTHING);
    }
    {
        ScriptedDrag drag(DROPEFFECT_MOVE);
        grid.EnableDragAndDrop(false);
        grid.OnBeginDrag();
        EXPECT_EQ(drag.runs, 0);
    }
}
