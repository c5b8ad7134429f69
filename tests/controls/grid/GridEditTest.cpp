#include "GridTestSupport.h"

#include "controls/grid/GridCellCheck.h"
#include "controls/grid/GridCellNumeric.h"
#include "controls/grid/InPlaceEdit.h"
#include "platform/ui/ScrollInfo.h"

#include <QInputMethodEvent>

#include <gtest/gtest.h>

using namespace gdi;

namespace {

CGridInPlaceEdit* InPlaceEdit(const GridHost& host, int row, int col) {
    return qobject_cast<CGridInPlaceEdit*>(host.Editor(row, col));
}

} // namespace

TEST(GridEdit, TypingOpensTheEditorWithTheCharacterAndEnterCommits) {
    GridHost host(5, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    grid.SetFocusCell(1, 1);
    host.parent.received.clear();

    host.Type(QStringLiteral("z"));
    CGridInPlaceEdit* edit = InPlaceEdit(host, 1, 1);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(edit->text(), QStringLiteral("z")); // the typed character replaced the text
    EXPECT_EQ(host.parent.Codes(), std::vector<int>{GVN_BEGINLABELEDIT});

    host.Type(QStringLiteral("9"));
    host.Key(Qt::Key_Return);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("z9"));
    EXPECT_EQ(host.parent.Codes(), (std::vector<int>{GVN_BEGINLABELEDIT, GVN_ENDLABELEDIT}));
    EXPECT_FALSE(grid.IsItemEditing(1, 1));
    EXPECT_EQ(QApplication::focusWidget(), &grid);
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(1, 1)); // Enter does not move on
    EXPECT_TRUE(grid.GetModified(1, 1));
}

TEST(GridEdit, EnterAndF2KeepTheTextWithTheCaretAtItsEnd) {
    GridHost host(5, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    grid.SetFocusCell(2, 2);

    host.Key(Qt::Key_Return);
    CGridInPlaceEdit* edit = InPlaceEdit(host, 2, 2);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), QStringLiteral("2,2"));
    EXPECT_FALSE(edit->hasSelectedText());
    EXPECT_EQ(edit->cursorPosition(), 3);
    EXPECT_TRUE(edit->GetExitOnArrows()); // opened by a key
    host.Key(Qt::Key_Escape);
    GridHost::Flush();

    host.Key(Qt::Key_F2);
    edit = InPlaceEdit(host, 2, 2);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->cursorPosition(), 3);
    EXPECT_FALSE(edit->GetExitOnArrows());
    host.Key(Qt::Key_Left); // stays in the editor: caret movement
    EXPECT_EQ(edit->cursorPosition(), 2);
    EXPECT_TRUE(grid.IsItemEditing(2, 2));
    host.Type(QStringLiteral("x"));
    host.Key(Qt::Key_Down, Qt::ControlModifier); // Ctrl+arrow leaves even a mouse-opened editor
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(2, 2), QStringLiteral("2,x2"));
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(3, 2));
    EXPECT_TRUE(grid.IsItemEditing(3, 2)); // the edit went on in the next cell
    host.Key(Qt::Key_Escape);
}

TEST(GridEdit, FirstCharactersAreCharactersNotNavigationKeys) {
    GridHost host(5, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    // Their codes 33..40 are those of Page up .. Down.
    for (const QChar ch : QStringLiteral("!\"#$%&'(")) {
        grid.SetItemText(2, 2, QStringLiteral("old"));
        grid.SetFocusCell(2, 2);
        host.Type(QString(ch));
        CGridInPlaceEdit* edit = InPlaceEdit(host, 2, 2);
        ASSERT_NE(edit, nullptr) << QString(ch).toStdString();
        EXPECT_EQ(edit->text(), QString(ch));
        EXPECT_TRUE(edit->GetExitOnArrows());
        host.Key(Qt::Key_Return);
        GridHost::Flush();
        EXPECT_EQ(grid.GetItemText(2, 2), QString(ch));
        EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 2));
    }

    // A first blank only selects; Backspace takes the last character.
    host.Key(Qt::Key_Space);
    CGridInPlaceEdit* edit = InPlaceEdit(host, 2, 2);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->selectedText(), QStringLiteral("("));
    host.Key(Qt::Key_Escape);
    grid.SetItemText(2, 2, QStringLiteral("abc"));
    host.Key(Qt::Key_Backspace);
    edit = InPlaceEdit(host, 2, 2);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), QStringLiteral("ab"));
    host.Key(Qt::Key_Escape);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(2, 2), QStringLiteral("abc"));
}

TEST(GridEdit, InputMethodTextOpensTheEditor) {
    GridHost host(5, 4, 1, 1);
    host.grid->SetFocusCell(1, 2);
    QInputMethodEvent ime;
    ime.setCommitString(QStringLiteral("成绩"));
    QApplication::sendEvent(host.grid, &ime);
    CGridInPlaceEdit* edit = InPlaceEdit(host, 1, 2);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), QStringLiteral("成绩"));
    host.Key(Qt::Key_Return);
    EXPECT_EQ(host.grid->GetItemText(1, 2), QStringLiteral("成绩"));
}

TEST(GridEdit, TabStoresAndEditsTheNextCellAndEscapeSendsNoEndEdit) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    grid.SetFocusCell(1, 2);
    host.Type(QStringLiteral("a"));
    host.Key(Qt::Key_Tab);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(1, 2), QStringLiteral("a"));
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(1, 3));
    CGridInPlaceEdit* edit = InPlaceEdit(host, 1, 3);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->selectedText(), QStringLiteral("1,3"));

    host.Key(Qt::Key_Tab); // the last column: the next row
    GridHost::Flush();
    EXPECT_TRUE(grid.IsItemEditing(2, 1));
    host.parent.received.clear();
    host.Type(QStringLiteral("q"));
    host.Key(Qt::Key_Escape);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(2, 1), QStringLiteral("2,1"));
    EXPECT_EQ(host.Count(GVN_ENDLABELEDIT), 0);
    EXPECT_FALSE(grid.IsItemEditing(2, 1));

    // An arrow ends an editor opened by typing, and the edit goes on below.
    host.Type(QStringLiteral("w"));
    host.Key(Qt::Key_Down);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(2, 1), QStringLiteral("w"));
    EXPECT_TRUE(grid.IsItemEditing(3, 1));
    host.Key(Qt::Key_Escape);
}

TEST(GridEdit, MouseOpensTheEditorOnTheFocusCellsTextOnly) {
    GridHost host(5, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    host.Click(2, 2); // the first click makes it the focus cell
    EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 2));
    EXPECT_FALSE(grid.IsItemEditing(2, 2));

    host.Click(2, 2, Qt::ControlModifier); // Ctrl: no edit
    EXPECT_FALSE(grid.IsItemEditing(2, 2));
    grid.SetFocusCell(2, 2);

    // Pressed and moved before the release: no edit.
    QTest::mousePress(&grid, Qt::LeftButton, {}, host.At(2, 2));
    QTest::mouseMove(&grid, host.At(2, 2, 3));
    QTest::mouseRelease(&grid, Qt::LeftButton, {}, host.At(2, 2, 3));
    EXPECT_FALSE(grid.IsItemEditing(2, 2));

    grid.SetFocusCell(2, 2);
    host.Click(2, 2);
    CGridInPlaceEdit* edit = InPlaceEdit(host, 2, 2);
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(edit->GetExitOnArrows());
    host.Key(Qt::Key_Escape);
    GridHost::Flush();

    // A double click opens any data cell.
    host.DoubleClick(host.At(3, 1));
    EXPECT_TRUE(grid.IsItemEditing(3, 1));
    EXPECT_EQ(host.Count(NM_DBLCLK), 1);
    host.Key(Qt::Key_Escape);
}

TEST(GridEdit, TheOwnerCanRefuseAnEditOrTheNewText) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    grid.SetFocusCell(1, 1);
    host.parent.answers[GVN_BEGINLABELEDIT] = -1;
    host.Type(QStringLiteral("z"));
    EXPECT_FALSE(grid.IsItemEditing(1, 1));
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("1,1"));

    host.parent.answers[GVN_BEGINLABELEDIT] = 0;
    host.parent.answers[GVN_ENDLABELEDIT] = -1;
    host.Type(QStringLiteral("z"));
    ASSERT_TRUE(grid.IsItemEditing(1, 1));
    host.Key(Qt::Key_Return);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("1,1")); // put back
    EXPECT_FALSE(grid.IsItemEditing(1, 1));

    // Read-only cells and a read-only grid open no editor.
    host.parent.answers.clear();
    grid.SetItemState(1, 2, grid.GetItemState(1, 2) | GCS_READONLY);
    grid.SetFocusCell(1, 2);
    host.Type(QStringLiteral("z"));
    EXPECT_FALSE(grid.IsItemEditing(1, 2));
    grid.SetEditable(false);
    grid.SetFocusCell(2, 2);
    host.Key(Qt::Key_F2);
    EXPECT_FALSE(grid.IsItemEditing(2, 2));
}

TEST(GridEdit, TheOwnerMayReplaceTheCellWhileItAnswers) {
    GridHost host(4, 4, 1, 1);
    CGridCtrl& grid = *host.grid;
    host.parent.onNotify = [&](const NotifyRecorder::Received& r) {
        if (r.code == GVN_BEGINLABELEDIT)
            grid.SetCellType(r.row, r.col, RuntimeClass<CGridCellNumeric>());
        if (r.code == GVN_ENDLABELEDIT)
            grid.SetCellType(r.row, r.col, RuntimeClass<CGridCellCheck>());
    };
    grid.SetFocusCell(2, 2);
    host.Type(QStringLiteral("a")); // the numeric editor that opens refuses the letter
    CGridInPlaceEdit* edit = InPlaceEdit(host, 2, 2);
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->IsNumeric());
    EXPECT_EQ(edit->text(), QStringLiteral("2,2"));
    host.Type(QStringLiteral("12"));
    host.Key(Qt::Key_Return);
    GridHost::Flush();
    EXPECT_EQ(grid.GetItemText(2, 2), QStringLiteral("12"));
    EXPECT_TRUE(grid.GetCell(2, 2)->IsKindOf(RuntimeClass<CGridCellCheck>()));
    EXPECT_FALSE(grid.IsItemEditing(2, 2));
}

TEST(GridEdit, EditorFollowsTheFormatAndWidensWhileTyping) {
    GridHost host(4, 3, 1, 1, 400, 200);
    CGridCtrl& grid = *host.grid;
    grid.SetItemFormat(1, 1, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    grid.SetFocusCell(1, 1);
    host.Key(Qt::Key_Return);
    CGridInPlaceEdit* edit = InPlaceEdit(host, 1, 1);
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->alignment() & Qt::AlignRight);
    const int width = edit->width();
    host.Type(QString(40, QLatin1Char('W')));
    EXPECT_GT(edit->width(), width);
    Rect client;
    grid.GetClientRect(&client);
    EXPECT_LE(edit->GetEditRect().right, client.right);

    // Scrolling ends the edit and keeps what was typed.
    grid.OnVScroll(ui::SB_LINEDOWN);
    GridHost::Flush();
    EXPECT_FALSE(grid.IsItemEditing(1, 1));
    EXPECT_TRUE(grid.GetItemText(1, 1).endsWith(QStringLiteral("WWW")));
}

TEST(GridEdit, AGridClosedWhileEditingTakesItsEditorWithIt) {
    auto host = std::make_unique<GridHost>(4, 4, 1, 1);
    host->grid->SetFocusCell(1, 1);
    host->Type(QStringLiteral("z"));
    QPointer<QWidget> editor = host->Editor(1, 1);
    ASSERT_FALSE(editor.isNull());
    // Alt+letter is no mnemonic of the dialog while a cell is edited.
    QKeyEvent alt(QEvent::ShortcutOverride, Qt::Key_O, Qt::AltModifier, QStringLiteral("o"));
    QApplication::sendEvent(editor, &alt);
    EXPECT_TRUE(alt.isAccepted());
    host.reset();
    EXPECT_TRUE(editor.isNull());
}
