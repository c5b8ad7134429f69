// Subject settings: names enciphered, types from the list, adding a subject with its columns.

#include "AdminASupport.h"

#include "admin/SubjectSetDlg.h"
#include "controls/grid/GridCellCombo.h"
#include "data/TextCipher.h"

#include <QTest>

namespace admina {
namespace {

class AdminASubject : public AdminATest {
protected:
    QString StoredName(int id) {
        CTextCipher cipher;
        return cipher.DecodeText(fixtures::DescriptionKey(),
                                 Scalar(QStringLiteral("SELECT mydesc FROM tavrinKMK WHERE id=?"), {id}));
    }
    QStringList ScoreColumns() {
        db::Recordset rs = Db().Execute(QStringLiteral("SELECT * FROM tavrinKSK LIMIT 0"));
        QStringList names;
        for (int i = 0; i < rs.FieldCount(); ++i)
            names << rs.FieldName(i).toLower();
        return names;
    }
};

TEST_F(AdminASubject, FirstSubjectOfAnEmptyTableAndItsPlaceholderAfterReload) {
    UseEmptyDatabase();
    CSubjectSetDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    EXPECT_EQ(grid.GetRowCount(), 1);

    Click(dlg, CSubjectSetDlg::IDC_ADD);
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(Scalar(QStringLiteral("SELECT id || fldname || type FROM tavrinKMK")),
              QStringLiteral("1s01分数型"));
    EXPECT_EQ(StoredName(1), QStringLiteral("*****"));
    EXPECT_TRUE(ScoreColumns().contains(QStringLiteral("s01")));
    EXPECT_TRUE(ScoreColumns().contains(QStringLiteral("s011")));
    EXPECT_TRUE(ScoreColumns().contains(QStringLiteral("s012")));

    dlg.LoadSubjects();
    EXPECT_EQ(grid.GetItemText(1, 1), QStringLiteral("*****"));
    EXPECT_EQ(grid.GetItemText(1, 2), QStringLiteral("分数型"));
}

TEST_F(AdminASubject, NamesAreEncipheredWithinEightBytesAndNeverEmpty) {
    CSubjectSetDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    EXPECT_EQ(grid.GetItemText(1, 1), school.subjects[0].name);

    EditCell(grid, 1, 1, QStringLiteral("O'Neil"));
    EXPECT_EQ(StoredName(1), QStringLiteral("O'Neil"));
    CTextCipher cipher;
    EXPECT_EQ(Scalar(QStringLiteral("SELECT id FROM tavrinKMK WHERE mydesc=?"),
                     {cipher.EncodeText(fixtures::DescriptionKey(), QStringLiteral("O'Neil"))}),
              QStringLiteral("1"));

    EditCell(grid, 2, 1, QStringLiteral("高等数学"));
    EXPECT_EQ(StoredName(2), QStringLiteral("高等数学"));
    EXPECT_EQ(grid.GetItemText(2, 1), QStringLiteral("高等数学"));

    EditCell(grid, 2, 1, QStringLiteral("高等数学A"));
    EXPECT_EQ(grid.GetItemText(2, 1), QStringLiteral("高等数学"));
    EXPECT_EQ(BoxTexts().last(), QStringLiteral("长度最大不得超过8字节！"));

    EditCell(grid, 2, 1, QStringLiteral("   "));
    EXPECT_EQ(grid.GetItemText(2, 1), QStringLiteral("高等数学"));
    EXPECT_EQ(StoredName(2), QStringLiteral("高等数学"));
    EXPECT_EQ(boxes->Boxes().back().type, ui::MB_ICONERROR);
    EXPECT_EQ(BoxTexts().size(), 2);
}

TEST_F(AdminASubject, TypingInTheGridRenamesAndChoosesTheType) {
    CSubjectSetDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    ASSERT_TRUE(TypeIntoCell(grid, 2, 1, QStringLiteral("代数")));
    EXPECT_EQ(StoredName(2), QStringLiteral("代数"));
    EXPECT_EQ(grid.GetItemText(2, 1), QStringLiteral("代数"));

    ASSERT_TRUE(TypeIntoCell(grid, 2, 2, QStringLiteral("等级型")));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT type FROM tavrinKMK WHERE id=2")), QStringLiteral("等级型"));
    EXPECT_TRUE(BoxTexts().isEmpty());
}

TEST_F(AdminASubject, TypeMustComeFromTheList) {
    CSubjectSetDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    grid.SendMessageToParent(3, 2, GVN_BEGINLABELEDIT);
    auto* combo = dynamic_cast<CGridCellCombo*>(grid.GetCell(3, 2));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->GetOptions(), (QStringList{QStringLiteral("分数型"), QStringLiteral("等级型")}));
    EXPECT_EQ(combo->GetText(), QStringLiteral("分数型"));

    EditCell(grid, 3, 2, QStringLiteral("等级型"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT type FROM tavrinKMK WHERE id=3")), QStringLiteral("等级型"));
    EditCell(grid, 3, 2, QStringLiteral("百分制"));
    EXPECT_EQ(grid.GetItemText(3, 2), QStringLiteral("等级型"));
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("只能在下拉列表中进行选择！")});
    EXPECT_EQ(Scalar(QStringLiteral("SELECT type FROM tavrinKMK WHERE id=3")), QStringLiteral("等级型"));
}

TEST_F(AdminASubject, ANameAnotherSubjectHasIsRefused) {
    CSubjectSetDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    const QString first = school.subjects[0].name;
    const QString second = school.subjects[1].name;
    EditCell(grid, 2, 1, first);
    ASSERT_EQ(BoxTexts(),
              QStringList{QStringLiteral("对不起，已经有名为[%1]的科目，科目名称不能重复！").arg(first)});
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONERROR);
    EXPECT_EQ(grid.GetItemText(2, 1), second);
    EXPECT_EQ(StoredName(2), second);

    // Its own name again, or a name no other subject has, is taken.
    boxes->Clear();
    EditCell(grid, 1, 1, QStringLiteral(" ") + first);
    EditCell(grid, 2, 1, QStringLiteral("语文二"));
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(StoredName(2), QStringLiteral("语文二"));
}

TEST_F(AdminASubject, RowsAreKeptByTheirOwnKeyWhateverIdTheyShow) {
    // A subject whose id is no number sorts last; the next id still follows the largest number,
    // past the score column that subject already has.
    Db().Execute(
        QStringLiteral("INSERT INTO tavrinKMK (id, fldname, mydesc, type) VALUES ('x', 's07', ?, '分数型')"),
        {CTextCipher().EncodeText(fixtures::DescriptionKey(), QStringLiteral("书法"))});
    CSubjectSetDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    ASSERT_EQ(grid.GetRowCount(), 8);
    EXPECT_EQ(grid.GetItemText(7, 0), QStringLiteral("x"));
    EXPECT_EQ(grid.GetItemText(7, 1), QStringLiteral("书法"));

    EditCell(grid, 7, 2, QStringLiteral("等级型"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT type FROM tavrinKMK WHERE id='x'")), QStringLiteral("等级型"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM tavrinKMK WHERE type='等级型'")),
              QStringLiteral("1"));

    Click(dlg, CSubjectSetDlg::IDC_ADD);
    EXPECT_EQ(grid.GetItemText(8, 0), QStringLiteral("8"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT fldname FROM tavrinKMK WHERE id=8")), QStringLiteral("s08"));
    const QStringList ids{"1", "2", "3", "4", "5", "6"};
    Click(dlg, CSubjectSetDlg::IDC_DELETE);
    EXPECT_EQ(Column(QStringLiteral("SELECT id FROM tavrinKMK ORDER BY id")), ids + QStringList{"x"});
    Click(dlg, CSubjectSetDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts().last(), QStringLiteral("真的要删除科目[书法]吗？\n该科目还没有成绩。"));
    EXPECT_EQ(Column(QStringLiteral("SELECT id FROM tavrinKMK ORDER BY id")), ids);
}

TEST_F(AdminASubject, SubjectNumbersAboveFiftyAreRefused) {
    for (int n = 7; n <= CSubjectSetDlg::kMaxSubjects; ++n)
        Db().Execute(QStringLiteral("INSERT INTO tavrinKMK (id, fldname, type) VALUES (?, ?, '分数型')"), n,
                     QStringLiteral("s%1").arg(n));
    CSubjectSetDlg dlg;
    Open(dlg);
    Click(dlg, CSubjectSetDlg::IDC_ADD);
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONERROR);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT max(id) FROM tavrinKMK")), QStringLiteral("50"));
    EXPECT_FALSE(ScoreColumns().contains(QStringLiteral("s51")));
    EXPECT_EQ(dlg.GetGrid().GetRowCount(), 51);
}

TEST_F(AdminASubject, AddingIsAllOrNothing) {
    // A score table that cannot take columns: the subject row must not stay behind.
    Db().Execute(QStringLiteral("ALTER TABLE tavrinKSK RENAME TO real_ksk"));
    Db().Execute(QStringLiteral("CREATE VIEW tavrinKSK AS SELECT * FROM real_ksk"));
    ExpectWarning view(QStringLiteral("adding a subject failed"));
    CSubjectSetDlg dlg;
    Open(dlg);
    const int rows = dlg.GetGrid().GetRowCount();
    Click(dlg, CSubjectSetDlg::IDC_ADD);
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_TRUE(BoxTexts()[0].startsWith(QStringLiteral("对不起，数据库操作失败！\n原因：")))
        << BoxTexts()[0].toStdString();
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM tavrinKMK WHERE id=7")), QStringLiteral("0"));
    EXPECT_EQ(dlg.GetGrid().GetRowCount(), rows);
}

TEST_F(AdminASubject, DeleteKeepsTheScoresUntilANewSubjectTakesTheNumber) {
    const QString field = school.subjects.back().field;
    const QString scored =
        Scalar(QStringLiteral("SELECT count(*) FROM tavrinKSK WHERE %1 IS NOT NULL").arg(field));
    CSubjectSetDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();

    boxes->SetNextAnswer(ui::IDNO);
    Click(dlg, CSubjectSetDlg::IDC_DELETE);
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_TRUE(BoxTexts()[0].startsWith(
        QStringLiteral("真的要删除科目[%1]吗？\n科目删除后，").arg(school.subjects.back().name)));
    EXPECT_EQ(grid.GetRowCount(), 7);

    Click(dlg, CSubjectSetDlg::IDC_DELETE);
    EXPECT_EQ(grid.GetRowCount(), 6);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM tavrinKMK WHERE id=6")), QStringLiteral("0"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM tavrinKSK WHERE %1 IS NOT NULL").arg(field)),
              scored);

    // The new subject of the number asks, then starts without the old marks.
    Click(dlg, CSubjectSetDlg::IDC_ADD);
    EXPECT_EQ(BoxTexts().size(), 3);
    EXPECT_EQ(grid.GetItemText(6, 0), QStringLiteral("6"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT fldname FROM tavrinKMK WHERE id=6")), field);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM tavrinKSK WHERE %1 IS NOT NULL").arg(field)),
              QStringLiteral("0"));
}

TEST_F(AdminASubject, DeleteWithOnlyTheHeaderDoesNothing) {
    UseEmptyDatabase();
    CSubjectSetDlg dlg;
    Open(dlg);
    Click(dlg, CSubjectSetDlg::IDC_DELETE);
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(dlg.GetGrid().GetRowCount(), 1);
}

TEST_F(AdminASubject, UpdateFailureRestoresTheCellAndEnterKeepsTheDialogOpen) {
    CSubjectSetDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    Db().Execute(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE UPDATE ON tavrinKMK BEGIN SELECT RAISE(ABORT, 'locked'); END"));
    ExpectWarning locked(QStringLiteral("locked"));
    EditCell(grid, 1, 1, QStringLiteral("新科目"));
    EXPECT_EQ(grid.GetItemText(1, 1), school.subjects[0].name);
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("对不起，数据更新失败！\n原因：locked")});

    QTest::keyClick(&dlg, Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
}

} // namespace
} // namespace admina
