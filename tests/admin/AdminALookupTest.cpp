// Grades, common exam names and grade values.

#include "AdminASupport.h"

#include "admin/ExamNameDlg.h"
#include "admin/GradeSetDlg.h"
#include "admin/GradeValueDlg.h"
#include "data/ExamChooser.h"

#include <QTest>

namespace admina {
namespace {

class AdminALookup : public AdminATest {};

TEST_F(AdminALookup, GradesLoadAndEditWithByteLimitsAndCodeLength) {
    CGradeSetDlg dlg;
    Open(dlg);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("年级设置"));
    CGridCtrl& grid = dlg.GetGrid();
    ASSERT_EQ(grid.GetRowCount(), 3);
    EXPECT_EQ(grid.GetItemText(0, 2), QStringLiteral("年级代码"));
    EXPECT_EQ(GridColumn(grid, 2), (QStringList{school.grades[0].code, school.grades[1].code}));

    // Four Chinese characters fit; one more letter does not.
    EditCell(grid, 1, 1, QStringLiteral("  高一年级  "));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT mydesc FROM tavrinGrade WHERE id=1")),
              QStringLiteral("高一年级"));
    EditCell(grid, 1, 1, QStringLiteral("高一年级A"));
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("高一年级"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT mydesc FROM tavrinGrade WHERE id=1")),
              QStringLiteral("高一年级"));
    EXPECT_EQ(boxes->Boxes().back().text, QStringLiteral("长度最大不得超过8字节！"));
    EXPECT_EQ(boxes->Boxes().back().type, ui::MB_ICONERROR);
    EXPECT_EQ(boxes->Boxes().back().caption, QStringLiteral("信息提示"));

    // A short code is refused and the stored one shows again; so is a long one.
    boxes->Clear();
    EditCell(grid, 2, 2, QStringLiteral("1200"));
    EXPECT_EQ(grid.GetItemText(2, 2), school.grades[1].code);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT gradeno FROM tavrinGrade WHERE id=2")), school.grades[1].code);
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("年级代码必须是五位数字，请按F1获取帮助。")});
    EditCell(grid, 2, 2, QStringLiteral("120099"));
    EXPECT_EQ(BoxTexts().last(), QStringLiteral("长度最大不得超过5字节！"));
    EditCell(grid, 2, 2, QStringLiteral("12020"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT gradeno FROM tavrinGrade WHERE id=2")), QStringLiteral("12020"));
}

TEST_F(AdminALookup, AGradeCodeIsFiveDigitsThatNoOtherGradeHas) {
    CGradeSetDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    const QString own = school.grades[1].code;
    const QString other = school.grades[0].code;
    const QString stored = QStringLiteral("SELECT gradeno FROM tavrinGrade WHERE id=2");
    const QString notDigits = QStringLiteral("年级代码必须是五位数字，请按F1获取帮助。");

    for (const QString& typed :
         {QStringLiteral("abcde"), QStringLiteral("1200a"), QStringLiteral("１２００８")}) {
        boxes->Clear();
        ASSERT_TRUE(TypeIntoCell(grid, 2, 2, typed));
        EXPECT_EQ(BoxTexts(), QStringList{typed.startsWith(u'１') ? QStringLiteral("长度最大不得超过5字节！")
                                                                  : notDigits})
            << qPrintable(typed);
        EXPECT_EQ(grid.GetItemText(2, 2), own);
        EXPECT_EQ(Scalar(stored), own);
    }

    boxes->Clear();
    EditCell(grid, 2, 2, other);
    ASSERT_EQ(BoxTexts(),
              QStringList{QStringLiteral("对不起，年级代码[%1]已经有别的年级在使用！").arg(other)});
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONERROR);
    EXPECT_EQ(grid.GetItemText(2, 2), own);
    EXPECT_EQ(Scalar(stored), own);

    // Its own code again changes nothing; the code of a grade that is gone is free.
    boxes->Clear();
    EditCell(grid, 2, 2, own);
    Db().Execute(QStringLiteral("DELETE FROM tavrinGrade WHERE id=1"));
    EditCell(grid, 2, 2, other);
    // The grade's students and exams keep the old code: the change asks first.
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_TRUE(BoxTexts()[0].startsWith(QStringLiteral("真的要把年级[")));
    EXPECT_EQ(Scalar(stored), other);
}

TEST_F(AdminALookup, RowsAreWrittenAndDeletedByTheirOwnKey) {
    // Two names share id 1 and one has an id that is no number (it sorts last).
    Db().Execute(QStringLiteral("DELETE FROM tavrinKSMC"));
    Db().Execute(
        QStringLiteral("INSERT INTO tavrinKSMC (id, mydesc) VALUES (1, '月考'), (1, '期中'), (4, '期末'), "
                       "(2.5, '补考'), ('x', '联考')"));
    CExamNameDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    ASSERT_EQ(GridColumn(grid, 0), (QStringList{"1", "1", "2.5", "4", "x"}));
    const int second = GridColumn(grid, 1).indexOf(QStringLiteral("期中")) + 1;
    ASSERT_GT(second, 0);

    EditCell(grid, second, 1, QStringLiteral("期中考试"));
    const QString names = QStringLiteral(
        "SELECT group_concat(mydesc, ',') FROM (SELECT mydesc FROM tavrinKSMC ORDER BY rowid)");
    EXPECT_EQ(Scalar(names), QStringLiteral("月考,期中考试,期末,补考,联考"));

    // The new row follows the largest whole-number id, and deleting it deletes it alone.
    Click(dlg, CExamNameDlg::IDC_ADD);
    EXPECT_EQ(grid.GetItemText(6, 0), QStringLiteral("5"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT mydesc FROM tavrinKSMC WHERE id=5")), QStringLiteral("*****"));
    Click(dlg, CLookupTableDlg::IDC_DELETE);
    EXPECT_EQ(Scalar(names), QStringLiteral("月考,期中考试,期末,补考,联考"));
    Click(dlg, CLookupTableDlg::IDC_DELETE);
    EXPECT_EQ(Scalar(names), QStringLiteral("月考,期中考试,期末,补考"));
    EXPECT_EQ(grid.GetRowCount(), 5);

    // A row that is gone since the load is not written in another's place.
    Db().Execute(QStringLiteral("DELETE FROM tavrinKSMC WHERE mydesc='月考'"));
    ExpectWarning gone(QStringLiteral("the row is gone"));
    EditCell(grid, 1, 1, QStringLiteral("第一次月考"));
    EXPECT_EQ(
        BoxTexts().last(),
        QStringLiteral("对不起，数据更新失败！\n要修改的记录已不在数据库中，可能已在另一个窗口中删除。"));
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("月考"));
    EXPECT_EQ(Scalar(names), QStringLiteral("期中考试,期末,补考"));
}

TEST_F(AdminALookup, QuotesAreStoredAndFoundAsTyped) {
    CGradeSetDlg dlg;
    Open(dlg);
    ASSERT_TRUE(TypeIntoCell(dlg.GetGrid(), 1, 1, QStringLiteral("O'Neil")));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT id FROM tavrinGrade WHERE mydesc=?"), {QStringLiteral("O'Neil")}),
              QStringLiteral("1"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM tavrinGrade")), QStringLiteral("2"));
}

TEST_F(AdminALookup, UnchangedTextExecutesNothing) {
    CountUpdates(QStringLiteral("tavrinKSMC"));
    CExamNameDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    const QString name = grid.GetItemText(1, 1);
    EditCell(grid, 1, 1, QStringLiteral(" ") + name + QStringLiteral("  "));
    EXPECT_EQ(Updates(), 0);
    EditCell(grid, 1, 1, QStringLiteral("期中联考"));
    EXPECT_EQ(Updates(), 1);
    EXPECT_TRUE(BoxTexts().isEmpty());
}

TEST_F(AdminALookup, AddOnEmptyTableStartsAtOneAndContinuesFromLastRow) {
    Db().Execute(QStringLiteral("DELETE FROM tavrinKSMC"));
    CExamNameDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    EXPECT_EQ(grid.GetRowCount(), 1);
    Click(dlg, CExamNameDlg::IDC_ADD);
    Click(dlg, CExamNameDlg::IDC_ADD);
    EXPECT_EQ(GridColumn(grid, 0), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_EQ(GridColumn(grid, 1), (QStringList{QStringLiteral("*****"), QStringLiteral("*****")}));
    EXPECT_EQ(Column(QStringLiteral("SELECT id || mydesc FROM tavrinKSMC ORDER BY id")),
              (QStringList{QStringLiteral("1*****"), QStringLiteral("2*****")}));
}

TEST_F(AdminALookup, ANewGradeIsStoredOnceItsCodeIsValidAndNeverAsAPlaceholder) {
    const QString grades =
        QStringLiteral("SELECT group_concat(id || ':' || coalesce(mydesc, '-') || ':' || gradeno, ',') FROM "
                       "(SELECT * FROM tavrinGrade ORDER BY rowid)");
    const QString before = Scalar(grades);
    const QString notDigits = QStringLiteral("年级代码必须是五位数字，请按F1获取帮助。");
    {
        // 增加, a code of three digits, 退出: no grade came of it.
        CGradeSetDlg dlg;
        Open(dlg);
        CGridCtrl& grid = dlg.GetGrid();
        Click(dlg, CGradeSetDlg::IDC_ADD);
        ASSERT_EQ(grid.GetRowCount(), 4);
        EXPECT_EQ(grid.GetItemText(3, 0), QStringLiteral("3"));
        EXPECT_EQ(grid.GetItemText(3, 2), QStringLiteral("*****"));
        ASSERT_TRUE(TypeIntoCell(grid, 3, 2, QStringLiteral("123")));
        EXPECT_EQ(BoxTexts(), QStringList{notDigits});
        EXPECT_EQ(Scalar(grades), before);
        Click(dlg, ui::IDCANCEL);
    }
    EXPECT_EQ(Scalar(grades), before);
    EXPECT_EQ(data::GradeEntries(Db()).size(), 2u);

    CGradeSetDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    ASSERT_EQ(grid.GetRowCount(), 3);
    // The name waits with the row; a code another grade has is refused; a valid one stores both.
    Click(dlg, CGradeSetDlg::IDC_ADD);
    Click(dlg, CGradeSetDlg::IDC_ADD); // still the one new row
    ASSERT_EQ(grid.GetRowCount(), 4);
    ASSERT_TRUE(TypeIntoCell(grid, 3, 1, QStringLiteral("高2030级")));
    EXPECT_EQ(Scalar(grades), before);
    boxes->Clear();
    EditCell(grid, 3, 2, school.grades[0].code);
    EXPECT_EQ(
        BoxTexts(),
        QStringList{QStringLiteral("对不起，年级代码[%1]已经有别的年级在使用！").arg(school.grades[0].code)});
    EXPECT_EQ(Scalar(grades), before);
    ASSERT_TRUE(TypeIntoCell(grid, 3, 2, QStringLiteral("12030")));
    EXPECT_EQ(Scalar(grades), before + QStringLiteral(",3:高2030级:12030"));
    // From then on it is a grade like the others: edited and deleted in the table.
    EditCell(grid, 3, 1, QStringLiteral("高三"));
    EXPECT_EQ(Scalar(grades), before + QStringLiteral(",3:高三:12030"));

    // A new row deleted before it had its code leaves nothing to delete.
    Click(dlg, CGradeSetDlg::IDC_ADD);
    EXPECT_EQ(grid.GetItemText(4, 0), QStringLiteral("4"));
    boxes->Clear();
    Click(dlg, CLookupTableDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("真的要删除年级[*****]吗？")});
    EXPECT_EQ(grid.GetRowCount(), 4);
    EXPECT_EQ(Scalar(grades), before + QStringLiteral(",3:高三:12030"));
    Click(dlg, CLookupTableDlg::IDC_DELETE);
    EXPECT_EQ(grid.GetRowCount(), 3);
    EXPECT_EQ(Scalar(grades), before);
}

TEST_F(AdminALookup, DeleteAsksAboutTheLastRowWhateverIsSelected) {
    CGradeValueDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    EXPECT_TRUE(grid.GetListMode());
    const int rows = grid.GetRowCount();
    const QString last = grid.GetItemText(rows - 1, 1);
    grid.SetFocusCell(1, 1);

    boxes->SetNextAnswer(ui::IDNO);
    Click(dlg, CLookupTableDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("真的要删除等级成绩值[%1]吗？").arg(last)});
    EXPECT_EQ(boxes->Boxes().back().type, ui::MB_YESNO | ui::MB_ICONQUESTION);
    EXPECT_EQ(grid.GetRowCount(), rows);

    Click(dlg, CLookupTableDlg::IDC_DELETE);
    EXPECT_EQ(grid.GetRowCount(), rows - 1);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM tavrinDJZ WHERE mydesc=?"), {last}),
              QStringLiteral("0"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM tavrinDJZ")), QString::number(rows - 2));
}

TEST_F(AdminALookup, DeleteWithOnlyTheHeaderDoesNothing) {
    Db().Execute(QStringLiteral("DELETE FROM tavrinGrade"));
    CGradeSetDlg dlg;
    Open(dlg);
    Click(dlg, CLookupTableDlg::IDC_DELETE);
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(dlg.GetGrid().GetRowCount(), 1);
    EXPECT_EQ(dlg.GetGrid().GetItemText(0, 1), QStringLiteral("年级"));
}

TEST_F(AdminALookup, DatabaseFailuresAreReportedAndTheOldTextComesBack) {
    CExamNameDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    const QString old = grid.GetItemText(1, 1);
    Db().Execute(QStringLiteral("DROP TABLE tavrinKSMC"));
    ExpectWarning dropped(QStringLiteral("no such table: tavrinKSMC"));

    EditCell(grid, 1, 1, QStringLiteral("新名称"));
    EXPECT_EQ(grid.GetItemText(1, 1), old);
    ASSERT_EQ(BoxTexts().size(), 1);
    const QString why = QStringLiteral("\n原因：no such table: tavrinKSMC");
    EXPECT_EQ(BoxTexts()[0], QStringLiteral("对不起，数据更新失败！") + why);
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONWARNING);

    const int rows = grid.GetRowCount();
    Click(dlg, CExamNameDlg::IDC_ADD);
    Click(dlg, CLookupTableDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts().mid(1),
              (QStringList{QStringLiteral("对不起，数据库操作失败！") + why,
                           QStringLiteral("真的要删除考试名称[%1]吗？").arg(grid.GetItemText(rows - 1, 1)),
                           QStringLiteral("对不起，数据库操作失败！") + why}));
    EXPECT_EQ(grid.GetRowCount(), rows);
}

TEST_F(AdminALookup, HelpAndEnterKeepTheDialogOpen) {
    CGradeSetDlg grades;
    Open(grades);
    QTest::keyClick(&grades, Qt::Key_Return);
    EXPECT_TRUE(grades.isVisible());
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_TRUE(BoxTexts()[0].startsWith(
        QStringLiteral("请注意：\n1、增加将在最后面新增一个年级代码为*****的年级；")));
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONINFORMATION);

    CGradeValueDlg values;
    Open(values);
    Click(values, CGradeValueDlg::IDC_HELP);
    EXPECT_EQ(BoxTexts().last(), QStringLiteral("长度最大不得超过6字节！"));
}

} // namespace
} // namespace admina
