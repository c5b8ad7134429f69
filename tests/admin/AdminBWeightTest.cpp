// Paper weights: default rows, writing a row at once, the row's own subject column as its key.
#include "AdminBSupport.h"

#include "admin/WeightCoefDlg.h"

#include <QComboBox>

namespace adminb {
namespace {

class AdminBWeights : public AdminBTest {
protected:
    void OpenDialog() {
        dlg = std::make_unique<CWeightCoefDlg>();
        Open(*dlg);
    }
    CGridCtrl& Grid() { return dlg->Grid(); }
    QComboBox* Exams() { return dlg->GetDlgItem<QComboBox>(CWeightCoefDlg::IDC_EXAM); }
    // Chooses the exam's entry and presses 确定.
    void Load(const QString& entry) {
        ASSERT_TRUE(Choose(Exams(), entry));
        Click(*dlg, ui::IDOK);
    }
    QString Stored(int exam, const QString& field) {
        return Scalar(
            "SELECT t1 || ' ' || t1w || ' ' || t2 || ' ' || t2w FROM tavrinKMWGT WHERE id=? AND kmfld=?",
            {exam, field});
    }
    int Rows(int exam) { return Count("SELECT count(*) FROM tavrinKMWGT WHERE id=?", {exam}); }
    // The exam without score rows, so that its full marks may be lowered freely.
    void DropScoreRows(int exam) { Db().Execute("DELETE FROM tavrinKSK WHERE id=?", {exam}); }

    std::unique_ptr<CWeightCoefDlg> dlg;
};

TEST_F(AdminBWeights, NewExamGetsDefaultRowsOnce) {
    const QString grade = school.grades[0].code;
    const int exam = AddExam(grade, "2009至2010学年上学期第一次月考");
    OpenDialog();
    EXPECT_EQ(Grid().GetRowCount(), 1);
    const QString entry = school.grades[0].name + "|2009至2010学年上学期第一次月考";
    Load(entry);
    ASSERT_EQ(Grid().GetRowCount(), 5);
    for (int r = 1; r <= 4; ++r) {
        EXPECT_EQ(GridRow(Grid(), r),
                  QStringList({school.subjects[r - 1].name, "100", "  1.00", " 50", "  1.00"}));
        EXPECT_EQ(Stored(exam, school.subjects[r - 1].field), "100.0 1.0 50.0 1.0");
    }

    // A subject added later gets its row on the next 确定; edited rows stay as they were.
    ASSERT_TRUE(EditCell(Grid(), 1, 1, "120"));
    Db().Execute("INSERT INTO tavrinKMK (id, fldname, mydesc, type) VALUES (5, 's05', ?, '分数型')",
                 {Encode("信息")});
    Load(entry);
    EXPECT_EQ(Rows(exam), 5);
    EXPECT_EQ(GridColumn(Grid(), 0).last(), "信息");
    EXPECT_EQ(Grid().GetItemText(1, 1), "120");
    Load(entry);
    EXPECT_EQ(Rows(exam), 5);
}

TEST_F(AdminBWeights, AnEditWritesTheWholeRowRoundedAsShown) {
    const fixtures::ExamInfo& exam = school.exams[0];
    DropScoreRows(exam.id);
    OpenDialog();
    Load(EntryOf(exam));
    const QString field = school.subjects[0].field;
    TypeIntoCell(Grid(), 1, 1, "120.6");
    EXPECT_EQ(Grid().GetItemText(1, 1), "121");
    ASSERT_TRUE(EditCell(Grid(), 1, 2, "0.8"));
    EXPECT_EQ(Grid().GetItemText(1, 2), "  0.80");
    ASSERT_TRUE(EditCell(Grid(), 1, 3, "0"));
    EXPECT_EQ(Grid().GetItemText(1, 3), "  0");
    ASSERT_TRUE(EditCell(Grid(), 1, 4, " 1.255 "));
    EXPECT_EQ(Stored(exam.id, field), "121.0 0.8 0.0 1.25");
    EXPECT_TRUE(BoxTexts().isEmpty());
    // Other rows are untouched.
    EXPECT_EQ(Stored(exam.id, school.subjects[1].field).section(' ', 0, 0),
              QString::number(school.subjects[1].t1) + ".0");
}

TEST_F(AdminBWeights, ExactTiesRoundToTheEvenDigitAsEveryMarkDoes) {
    const fixtures::ExamInfo& exam = school.exams[0];
    DropScoreRows(exam.id);
    OpenDialog();
    Load(EntryOf(exam));
    ASSERT_TRUE(EditCell(Grid(), 1, 1, "50.5"));
    ASSERT_TRUE(EditCell(Grid(), 1, 2, "0.125"));
    ASSERT_TRUE(EditCell(Grid(), 1, 3, "20.5"));
    ASSERT_TRUE(EditCell(Grid(), 1, 4, "0.125"));
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(Stored(exam.id, school.subjects[0].field), "50.0 0.12 20.0 0.12");
    EXPECT_EQ(GridRow(Grid(), 1).mid(1), QStringList({" 50", "  0.12", " 20", "  0.12"}));
    // A full mark just above the limit that rounds down to it is the limit.
    ASSERT_TRUE(EditCell(Grid(), 1, 1, "1000.5"));
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(Grid().GetItemText(1, 1), "1000");
}

TEST_F(AdminBWeights, TextsOutsideTheRangesAreRefusedAndTheOldTextComesBack) {
    const fixtures::ExamInfo& exam = school.exams[0];
    const QString field = school.subjects[0].field;
    OpenDialog();
    Load(EntryOf(exam));
    ASSERT_TRUE(EditCell(Grid(), 1, 1, "100"));
    ASSERT_TRUE(EditCell(Grid(), 1, 2, "1"));
    ASSERT_TRUE(EditCell(Grid(), 1, 3, "50"));
    ASSERT_TRUE(EditCell(Grid(), 1, 4, "1"));
    const QString stored = Stored(exam.id, field);
    const QStringList shown = GridRow(Grid(), 1);
    const QString marks = "对不起，满分必须是0到1000之间的整数！";
    const QString weights = "对不起，加权系数必须是0到10之间的数！";
    struct Case {
        int col;
        const char* text;
        QString message;
    };
    for (const Case& c :
         {Case{1, "abc", marks}, Case{1, "-5", marks}, Case{3, "1.2.3", marks}, Case{3, "1000.6", marks},
          Case{1, "1e3", marks}, Case{1, "", marks}, Case{2, "abc", weights}, Case{4, "-0.5", weights},
          Case{2, "10.01", weights}, Case{4, "8kg", weights}}) {
        boxes->Clear();
        ASSERT_TRUE(EditCell(Grid(), 1, c.col, QString::fromUtf8(c.text)));
        ASSERT_EQ(BoxTexts(), QStringList{c.message}) << c.text;
        EXPECT_EQ(GridRow(Grid(), 1), shown) << c.text;
    }
    EXPECT_EQ(boxes->Boxes().back().type, ui::MB_ICONERROR);
    EXPECT_EQ(boxes->Boxes().back().caption, "信息提示");
    EXPECT_EQ(Stored(exam.id, field), stored);

    // A subject of one paper: paper II's full mark 0; but the subject's full mark stays above 0.
    boxes->Clear();
    ASSERT_TRUE(EditCell(Grid(), 1, 3, "0"));
    ASSERT_TRUE(EditCell(Grid(), 1, 1, "1000"));
    ASSERT_TRUE(EditCell(Grid(), 1, 4, "10"));
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(Stored(exam.id, field), "1000.0 1.0 0.0 10.0");
    ASSERT_TRUE(EditCell(Grid(), 1, 2, "0"));
    ASSERT_TRUE(EditCell(Grid(), 1, 1, "0.4"));
    EXPECT_EQ(BoxTexts(),
              QStringList({"对不起，该科满分（I卷满分×加权系数＋II卷满分×加权系数）必须大于0！",
                           "对不起，该科满分（I卷满分×加权系数＋II卷满分×加权系数）必须大于0！"}));
    EXPECT_EQ(GridRow(Grid(), 1), QStringList({school.subjects[0].name, "1000", "  1.00", "  0", " 10.00"}));
    EXPECT_EQ(Stored(exam.id, field), "1000.0 1.0 0.0 10.0");
}

TEST_F(AdminBWeights, RowsAreWrittenUnderTheirOwnSubjectColumn) {
    // Two subjects of one name, and a row whose subject is gone.
    Db().Execute("UPDATE tavrinKMK SET mydesc=(SELECT mydesc FROM tavrinKMK WHERE id=1) WHERE id=2");
    Db().Execute("DELETE FROM tavrinKMK WHERE id=3");
    const fixtures::ExamInfo& exam = school.exams[0];
    DropScoreRows(exam.id);
    const QString before1 = Stored(exam.id, "s01");
    OpenDialog();
    Load(EntryOf(exam));
    ASSERT_EQ(GridColumn(Grid(), 0).mid(0, 3),
              QStringList({school.subjects[0].name, school.subjects[0].name, "s03"}));
    ASSERT_TRUE(EditCell(Grid(), 2, 1, "99"));
    ASSERT_TRUE(EditCell(Grid(), 3, 1, "77"));
    EXPECT_EQ(Stored(exam.id, "s02").section(' ', 0, 0), "99.0");
    EXPECT_EQ(Stored(exam.id, "s03").section(' ', 0, 0), "77.0");
    EXPECT_EQ(Stored(exam.id, "s01"), before1);
}

TEST_F(AdminBWeights, TextThatNamesNoExamIsRefused) {
    const fixtures::ExamInfo& exam = school.exams[0];
    OpenDialog();
    Load(EntryOf(exam));
    ASSERT_EQ(Grid().GetRowCount(), 5);
    // Typing in the box empties the grid at once.
    Type(Exams(), "no such exam");
    EXPECT_EQ(Grid().GetRowCount(), 1);
    Click(*dlg, ui::IDOK);
    // An entry whose exam was deleted after the list was filled.
    ASSERT_TRUE(Choose(Exams(), EntryOf(exam)));
    Db().Execute("DELETE FROM tavrinKSLB WHERE id=?", {exam.id});
    Click(*dlg, ui::IDOK);
    EXPECT_EQ(BoxTexts(),
              QStringList({"注意：以上各项必须在列表中选择！", "注意：以上各项必须在列表中选择！"}));
    EXPECT_EQ(boxes->Boxes()[0].caption, "");
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKMWGT WHERE id<0"), 0);
    EXPECT_EQ(Grid().GetRowCount(), 1);
}

TEST_F(AdminBWeights, GradesSharingANameFindTheirOwnExam) {
    const QString name = "2011至2012学年下学期期末考试";
    const int exam = AddExam(school.grades[1].code, name);
    Db().Execute("UPDATE tavrinGrade SET mydesc=? WHERE gradeno=?",
                 {school.grades[0].name, school.grades[1].code});
    OpenDialog();
    Load(school.grades[0].name + "|" + name);
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(dlg->GetChosenExamId(), exam);
    EXPECT_EQ(Rows(exam), 4);
}

TEST_F(AdminBWeights, FailedWriteBringsTheOldTextBack) {
    DropScoreRows(school.exams[0].id);
    FailOn("UPDATE", "tavrinKMWGT");
    OpenDialog();
    Load(EntryOf(school.exams[0]));
    const QString old = Grid().GetItemText(1, 1);
    ASSERT_TRUE(EditCell(Grid(), 1, 1, "88"));
    EXPECT_EQ(BoxTexts(), QStringList{"对不起，数据更新失败！\n原因：refused"});
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONINFORMATION);
    EXPECT_EQ(Grid().GetItemText(1, 1), old);
}

TEST_F(AdminBWeights, AFullDiskOrAReadOnlyFileIsToldByItsReason) {
    DropScoreRows(school.exams[0].id);
    OpenDialog();
    Load(EntryOf(school.exams[0]));
    const QString old = Grid().GetItemText(1, 1);
    for (const WriteFailure failure : kWriteFailures) {
        boxes->Clear();
        FailWrites(failure, "UPDATE", "tavrinKMWGT");
        ASSERT_TRUE(EditCell(Grid(), 1, 1, "88"));
        EXPECT_EQ(BoxTexts(), QStringList{"对不起，数据更新失败！\n" + ReasonOf(failure)});
        EXPECT_EQ(Grid().GetItemText(1, 1), old);
        EndWriteFailure();
    }
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKMWGT WHERE id=? AND t1=88", {school.exams[0].id}), 0);
}

} // namespace
} // namespace adminb
