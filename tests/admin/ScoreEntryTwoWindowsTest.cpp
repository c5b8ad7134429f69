// Score entry with a second window on the same school: what the other window stored since this one
// listed its rows is kept (the other paper, the weights, the full marks), a row that no longer holds
// the student shown is never written, a busy database is named, and a renamed subject still loads.
#include "AdminBSupport.h"

#include "admin/ScoreEntryDlg.h"
#include "admin/ScoreSheet.h"

#include <QComboBox>
#include <QSpinBox>

namespace adminb {
namespace {

constexpr gdi::COLORREF kBlue = 0xFF0000;

class ScoreEntryTwoWindows : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        for (const fixtures::ExamInfo& e : school.exams)
            if (!e.grade.startsWith(u'1') && e.yjcd.isEmpty())
                exam = &e;
        ASSERT_NE(exam, nullptr);
        // 英语 (s03): paper I out of 100, paper II out of 50, weights 1 and 0.5.
        Db().Execute("UPDATE tavrinKMWGT SET t1=100, t2=50, t1w=1, t2w=0.5 WHERE kmfld='s03'");
        cls = GradeOf(*exam).classes[0];
        other.OpenFile(school.path, fixtures::DatabasePassword());
        dlg = std::make_unique<CScoreEntryDlg>();
        Open(*dlg);
    }
    CGridCtrl& Grid() { return dlg->GetGrid(); }
    int Load(const QString& subject = "英语") {
        EXPECT_TRUE(Choose(dlg->GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_EXAM), EntryOf(*exam)));
        EXPECT_TRUE(Choose(dlg->GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_SUBJECT), subject));
        dlg->GetDlgItem<QSpinBox>(CScoreEntryDlg::IDC_NUMBER)->setValue(cls);
        return dlg->OnLoadScores();
    }
    QString Stored(const QString& student) {
        return Scalar("SELECT quote(s031) || ' ' || quote(s032) || ' ' || quote(s03) FROM tavrinKSK "
                      "WHERE id=? AND studentid=?",
                      {exam->id, student});
    }
    // The subject's total, paper I and paper II as row `row` of the grid shows them.
    QStringList Shown(int row) {
        return {Grid().GetItemText(row, 4), Grid().GetItemText(row, 5), Grid().GetItemText(row, 6)};
    }

    const fixtures::ExamInfo* exam = nullptr;
    int cls = 0;
    db::Connection other; // the second window's connection
    std::unique_ptr<CScoreEntryDlg> dlg;
};

TEST_F(ScoreEntryTwoWindows, APaperTypedKeepsWhatTheOtherWindowStoredSinceTheLoad) {
    ASSERT_EQ(Load(), 1);
    ASSERT_GE(Grid().GetRowCount(), 3);
    for (int r = 1; r <= 2; ++r)
        ASSERT_TRUE(EditCell(Grid(), r, 6, "20"));
    // The other window types paper II for both students after this one listed them.
    for (int r = 1; r <= 2; ++r)
        other.Execute("UPDATE tavrinKSK SET s032=? WHERE id=? AND studentid=?", 10 + r, exam->id,
                      Grid().GetItemText(r, 0));
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "80"));
    EXPECT_EQ(Stored(Grid().GetItemText(1, 0)), "80.0 11.0 85.5");
    EXPECT_EQ(Shown(1), QStringList({" 85.50", " 80.00", " 11.00"}));
    // Weights changed there count at the write too.
    other.Execute("UPDATE tavrinKMWGT SET t1w=0.5, t2w=1 WHERE id=? AND kmfld='s03'", exam->id);
    ASSERT_TRUE(EditCell(Grid(), 2, 5, "80"));
    EXPECT_EQ(Stored(Grid().GetItemText(2, 0)), "80.0 12.0 52.0");
    EXPECT_EQ(Shown(2), QStringList({" 52.00", " 80.00", " 12.00"}));
    EXPECT_TRUE(BoxTexts().isEmpty());
}

TEST_F(ScoreEntryTwoWindows, ARowThatNoLongerHoldsTheStudentShownIsNeverWritten) {
    ASSERT_EQ(Load(), 1);
    ASSERT_GE(Grid().GetRowCount(), 3);
    const QString first = Grid().GetItemText(1, 0);
    const QString second = Grid().GetItemText(2, 0);
    // The other window lists the students again in another order: the rowids shown here now hold
    // other students.
    other.Execute("UPDATE tavrinKSK SET studentid='swap' WHERE id=? AND studentid=?", exam->id, first);
    other.Execute("UPDATE tavrinKSK SET studentid=? WHERE id=? AND studentid=?", first, exam->id, second);
    other.Execute("UPDATE tavrinKSK SET studentid=? WHERE id=? AND studentid='swap'", second, exam->id);
    const std::string before = TableDigests();
    const QStringList shown = Shown(1);

    boxes->Clear();
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "77"));
    ASSERT_TRUE(EditCell(Grid(), 2, 6, "33"));
    ASSERT_TRUE(EditCell(Grid(), 1, 2, "9"));
    EXPECT_EQ(BoxTexts(), QStringList(3, "该学生的记录已被另一个窗口修改或删除，请重新列出。"));
    EXPECT_EQ(TableDigests(), before);
    EXPECT_EQ(Shown(1), shown);
    EXPECT_EQ(Grid().GetItemText(1, 2), QString::asprintf("%2d", cls));
}

TEST_F(ScoreEntryTwoWindows, TheFullMarkIsTheOneStoredWhenTheMarkIsWritten) {
    ASSERT_EQ(Load(), 1);
    const QString sid = Grid().GetItemText(1, 0);
    ASSERT_TRUE(EditCell(Grid(), 1, 6, "40"));
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "90"));
    // Lowered to 50 in the other window: 80 is refused, naming the stored full mark.
    other.Execute("UPDATE tavrinKMWGT SET t1=50 WHERE id=? AND kmfld='s03'", exam->id);
    const std::string before = TableDigests();
    boxes->Clear();
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "80"));
    EXPECT_EQ(BoxTexts(), QStringList({"对不起，您输入的数据越界！\n本卷满分为50分。"}));
    EXPECT_EQ(TableDigests(), before);
    EXPECT_EQ(Shown(1), QStringList({"110.00", " 90.00", " 40.00"}));
    // Raised to 200: a mark above the full mark this grid was listed with is taken.
    other.Execute("UPDATE tavrinKMWGT SET t1=200 WHERE id=? AND kmfld='s03'", exam->id);
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "150"));
    EXPECT_EQ(Stored(sid), "150.0 40.0 170.0");
    EXPECT_EQ(Grid().GetItemFgColour(1, 5), kBlue);
}

TEST_F(ScoreEntryTwoWindows, ABusyDatabaseIsNamedAndTheMarkIsNotStored) {
    ASSERT_EQ(Load(), 1);
    const QString sid = Grid().GetItemText(1, 0);
    ASSERT_TRUE(EditCell(Grid(), 1, 6, "40"));
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "90"));
    other.Execute("BEGIN IMMEDIATE"); // the other window holds a write transaction
    {
        ExpectWarning failed("update failed");
        boxes->Clear();
        ASSERT_TRUE(EditCell(Grid(), 1, 5, "70"));
        EXPECT_EQ(BoxTexts(),
                  QStringList({"对不起，数据更新失败！成绩没有保存。\n数据库正被另一个程序使用。"}));
        EXPECT_EQ(Shown(1), QStringList({"110.00", " 90.00", " 40.00"}));
    }
    other.Execute("COMMIT");
    EXPECT_EQ(Stored(sid), "90.0 40.0 110.0");
}

TEST_F(ScoreEntryTwoWindows, ASubjectRenamedInTheOtherWindowIsFoundByItsNumber) {
    ASSERT_EQ(Load(), 1);
    other.Execute("UPDATE tavrinKMK SET mydesc=? WHERE fldname='s03'", Encode("外语"));
    boxes->Clear();
    EXPECT_EQ(dlg->OnLoadScores(), 1); // 英语 still chosen in this window
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(dlg->GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_SUBJECT)->currentText(), "外语");
    EXPECT_EQ(Grid().GetItemText(0, 4), "外语");
    EXPECT_GT(Grid().GetRowCount(), 1);
    // Deleted there: said so, and nothing is left to edit.
    other.Execute("DELETE FROM tavrinKMK WHERE fldname='s03'");
    EXPECT_EQ(dlg->OnLoadScores(), 0);
    EXPECT_TRUE(BoxTexts().value(0).contains("另一个窗口"));
    EXPECT_TRUE(dlg->GetSubjectField().isEmpty());
}

} // namespace
} // namespace adminb
