// Student categories: the table made on first opening, codes and descriptions cut to their bytes.

#include "AdminASupport.h"

#include "admin/StudentTypeDlg.h"

#include <QTest>

namespace admina {
namespace {

class AdminAStudentType : public AdminATest {
protected:
    QStringList Rows() { return Column(QStringLiteral("SELECT xjtype || '|' || xjdesc FROM tavrinXJLB")); }
};

TEST_F(AdminAStudentType, FirstOpeningCreatesTheTableAndLaterOpeningsKeepIt) {
    Db().Execute(QStringLiteral("DROP TABLE tavrinXJLB"));
    {
        CStudentTypeDlg dlg;
        Open(dlg);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("学生常用类别设置"));
        CGridCtrl& grid = dlg.GetGrid();
        EXPECT_EQ(GridColumn(grid, 0), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
        EXPECT_EQ(GridColumn(grid, 1), (QStringList{QStringLiteral("正"), QStringLiteral("旁")}));
        EXPECT_EQ(GridColumn(grid, 2), (QStringList{QStringLiteral("正式学籍"), QStringLiteral("旁听生")}));
        EditCell(grid, 2, 2, QStringLiteral("旁听"));
    }
    CStudentTypeDlg again;
    Open(again);
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("正|正式学籍"), QStringLiteral("旁|旁听")}));
    EXPECT_EQ(again.GetGrid().GetRowCount(), 3);
    EXPECT_TRUE(BoxTexts().isEmpty());
}

TEST_F(AdminAStudentType, TextsAreCutOnCharacterBoundariesAndTheRowStaysEditable) {
    CStudentTypeDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    const int row = GridColumn(grid, 1).indexOf(QStringLiteral("旁")) + 1;
    ASSERT_GT(row, 0);

    ASSERT_TRUE(TypeIntoCell(grid, row, 1, QStringLiteral("ABC")));
    EXPECT_EQ(grid.GetItemText(row, 1), QStringLiteral("AB"));
    EditCell(grid, row, 2, QStringLiteral("一二三四五六"));
    EXPECT_EQ(grid.GetItemText(row, 2), QStringLiteral("一二三四五"));
    EditCell(grid, row, 1, QStringLiteral("A旁"));
    EXPECT_EQ(grid.GetItemText(row, 1), QStringLiteral("A"));
    EditCell(grid, row, 2, QStringLiteral("O'Neil's"));
    EXPECT_TRUE(Rows().contains(QStringLiteral("A|O'Neil's")));
    EXPECT_EQ(Rows().size(), 2);
    EXPECT_TRUE(BoxTexts().isEmpty());
}

TEST_F(AdminAStudentType, ACodeAnotherRowHasIsRefusedByNameAndTheOldTextComesBack) {
    CStudentTypeDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    const QString other = grid.GetItemText(2, 1);
    const QStringList before = Rows();
    EditCell(grid, 1, 1, other);
    EXPECT_EQ(BoxTexts(), QStringList{"类别代码[" + other + "]已经有别的类别在使用！"});
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONWARNING);
    EXPECT_NE(grid.GetItemText(1, 1), other);
    EXPECT_EQ(Rows(), before);
}

TEST_F(AdminAStudentType, EnterAndRefreshReload) {
    CStudentTypeDlg dlg;
    Open(dlg);
    Db().Execute(QStringLiteral("INSERT INTO tavrinXJLB VALUES ('借', '借读生')"));
    QTest::keyClick(&dlg, Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.GetGrid().GetRowCount(), 4);
    EXPECT_EQ(dlg.GetGrid().GetItemText(3, 2), QStringLiteral("借读生"));

    Db().Execute(QStringLiteral("DELETE FROM tavrinXJLB WHERE xjtype='借'"));
    Click(dlg, ui::IDOK);
    EXPECT_EQ(dlg.GetGrid().GetRowCount(), 3);
}

} // namespace
} // namespace admina
