// Deleting and re-adding on a sample school: the exam deleted is the exam the list shows, a new
// subject never takes over a deleted subject's marks and weights, and every delete question says
// what goes or stays, each answer read back from the database.
#include "AdminBSupport.h"

#include "admin/ExamMaintainDlg.h"
#include "admin/GradeSetDlg.h"
#include "admin/StudentListDlg.h"
#include "admin/SubjectSetDlg.h"

#include <QComboBox>
#include <QSpinBox>

namespace adminb {
namespace {

class DeleteQuestions : public AdminBTest {
protected:
    const fixtures::ExamInfo& ExamOf(int g, int n) {
        for (const fixtures::ExamInfo& e : school.exams)
            if (e.grade == school.grades[g].code && n-- == 0)
                return e;
        throw std::logic_error("no such exam");
    }
    int ScoreRows(int examId) { return Count("SELECT count(*) FROM tavrinKSK WHERE id=?", {examId}); }
    int Exams(int examId) { return Count("SELECT count(*) FROM tavrinKSLB WHERE id=?", {examId}); }
};

// ---- 考试维护

TEST_F(DeleteQuestions, ChangingTheGradeForgetsTheChosenExamAndTheQuestionNamesTheOneThatGoes) {
    // Two grades hold an exam of the same description.
    const fixtures::ExamInfo& a = ExamOf(0, 0);
    const fixtures::ExamInfo& b = ExamOf(1, 0);
    Db().Execute("UPDATE tavrinKSLB SET mydesc=? WHERE id=?", {Encode(a.name), b.id});
    const int aRows = ScoreRows(a.id);
    const int bRows = ScoreRows(b.id);
    ASSERT_GT(aRows, 0);
    ASSERT_GT(bRows, 0);

    CExamMaintainDlg dlg;
    Open(dlg);
    auto* grades = dlg.GetDlgItem<QComboBox>(CExamMaintainDlg::IDC_GRADE);
    ASSERT_TRUE(Choose(grades, school.grades[0].name));
    ClickCell(dlg.Grid(), FindRow(dlg.Grid(), 0, QString::number(a.id)), 2);
    EXPECT_EQ(dlg.GetDlgItemText(CExamMaintainDlg::IDC_EXAM_ID), QString::number(a.id));

    // Another grade listed: nothing is chosen, nothing can go.
    ASSERT_TRUE(Choose(grades, school.grades[1].name));
    EXPECT_EQ(dlg.GetDlgItemText(CExamMaintainDlg::IDC_EXAM_ID), "");
    const std::string before = TableDigests();
    Click(dlg, CExamMaintainDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts(), QStringList{"请先在左侧表中选一次考试！"});
    EXPECT_EQ(TableDigests(), before);

    // The exam of the list shown, with a date changed in the list: the question names it whole.
    const int row = FindRow(dlg.Grid(), 0, QString::number(b.id));
    ASSERT_TRUE(EditCell(dlg.Grid(), row, 3, "2010-4-9"));
    ClickCell(dlg.Grid(), row, 2);
    const QString question =
        QStringLiteral("你真的要删除【%1 %2（2010-04-09）】吗？\n该考试的%3条成绩记录将一并删除。")
            .arg(school.grades[1].name, a.name, QString::number(bRows));
    boxes->Clear();
    boxes->SetNextAnswer(ui::IDNO);
    Click(dlg, CExamMaintainDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts(), QStringList{question});
    EXPECT_EQ(Exams(b.id), 1);
    EXPECT_EQ(ScoreRows(b.id), bRows);

    boxes->SetNextAnswer(ui::IDYES);
    Click(dlg, CExamMaintainDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts().size(), 2);
    EXPECT_EQ(BoxTexts().back(), question);
    EXPECT_EQ(Exams(b.id), 0);
    EXPECT_EQ(ScoreRows(b.id), 0);
    EXPECT_EQ(Exams(a.id), 1);
    EXPECT_EQ(ScoreRows(a.id), aRows);
    EXPECT_EQ(FindRow(dlg.Grid(), 0, QString::number(b.id)), -1);
    EXPECT_EQ(dlg.GetDlgItemText(CExamMaintainDlg::IDC_EXAM_ID), "");
}

// ---- 考试科目设置

class SubjectReAdd : public DeleteQuestions {
protected:
    void SetUp() override {
        DeleteQuestions::SetUp();
        last = school.subjects.back();
        dlg = std::make_unique<CSubjectSetDlg>();
        Open(*dlg);
    }
    // The score rows with a mark of the number (or, with `exams`, their exams).
    int Marks(const QString& field, bool exams = false) {
        return Count(
            QStringLiteral("SELECT count(%4) FROM tavrinKSK WHERE %1 IS NOT NULL OR %1%2 IS NOT NULL "
                           "OR %1%3 IS NOT NULL")
                .arg(field, "1", "2", exams ? "DISTINCT id" : "*"));
    }
    int Weights(const QString& field) {
        return Count("SELECT count(*) FROM tavrinKMWGT WHERE kmfld=? COLLATE NOCASE", {field});
    }
    int Subjects() { return Count("SELECT count(*) FROM tavrinKMK"); }
    void DeleteLast() {
        boxes->SetNextAnswer(ui::IDYES);
        Click(*dlg, CSubjectSetDlg::IDC_DELETE);
    }

    fixtures::SubjectInfo last;
    std::unique_ptr<CSubjectSetDlg> dlg;
};

TEST_F(SubjectReAdd, DeleteNamesTheMarksThatStayAndReAddAsksBeforeClearingThem) {
    const int marks = Marks(last.field);
    const int exams = Marks(last.field, true);
    const int weights = Weights(last.field);
    ASSERT_GT(marks, 0);
    ASSERT_GT(weights, 0);
    const QString other = school.subjects[0].field;
    const int otherMarks = Marks(other);
    const int otherWeights = Weights(other);

    DeleteLast();
    EXPECT_EQ(BoxTexts(),
              QStringList{QStringLiteral("真的要删除科目[%1]吗？\n科目删除后，它在%2个考试中的%3个成绩和"
                                         "加权系数仍保留在数据库中。")
                              .arg(last.name)
                              .arg(exams)
                              .arg(marks)});
    EXPECT_EQ(Marks(last.field), marks);
    EXPECT_EQ(Weights(last.field), weights);
    const int subjects = Subjects();
    const QString question =
        QStringLiteral("科目号%1的已删除科目在%2个考试中还有%3个成绩。增加新科目会先清除这些旧成绩"
                       "和加权系数，是否继续？")
            .arg(last.no)
            .arg(exams)
            .arg(marks);

    // 否 adds nothing.
    boxes->Clear();
    boxes->SetNextAnswer(ui::IDNO);
    const std::string before = TableDigests();
    Click(*dlg, CSubjectSetDlg::IDC_ADD);
    EXPECT_EQ(BoxTexts(), QStringList{question});
    EXPECT_EQ(TableDigests(), before);
    EXPECT_EQ(dlg->GetRowCount(), subjects + 1);

    // 是 clears the number's marks and weights and adds the subject; nothing else changes.
    boxes->Clear();
    boxes->SetNextAnswer(ui::IDYES);
    Click(*dlg, CSubjectSetDlg::IDC_ADD);
    EXPECT_EQ(BoxTexts(), QStringList{question});
    EXPECT_EQ(Subjects(), subjects + 1);
    EXPECT_EQ(Scalar("SELECT fldname FROM tavrinKMK WHERE id=?", {last.no}), last.field);
    EXPECT_EQ(dlg->GetGrid().GetItemText(dlg->GetRowCount() - 1, 0), QString::number(last.no));
    EXPECT_EQ(Marks(last.field), 0);
    EXPECT_EQ(Weights(last.field), 0);
    EXPECT_EQ(Marks(other), otherMarks);
    EXPECT_EQ(Weights(other), otherWeights);

    // Deleted again, the number holds nothing: the delete says so and the add asks nothing.
    boxes->Clear();
    DeleteLast();
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("真的要删除科目[*****]吗？\n该科目还没有成绩。")});
    boxes->Clear();
    Click(*dlg, CSubjectSetDlg::IDC_ADD);
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(Subjects(), subjects + 1);
}

TEST_F(SubjectReAdd, WeightsAloneAskToo) {
    Db().Execute(
        QStringLiteral("UPDATE tavrinKSK SET %1=NULL, %1%2=NULL, %1%3=NULL").arg(last.field, "1", "2"));
    const int weightExams = Count("SELECT count(DISTINCT id) FROM tavrinKMWGT WHERE kmfld=?", {last.field});
    ASSERT_GT(weightExams, 0);
    DeleteLast();
    boxes->Clear();
    boxes->SetNextAnswer(ui::IDYES);
    Click(*dlg, CSubjectSetDlg::IDC_ADD);
    EXPECT_EQ(BoxTexts(),
              QStringList{QStringLiteral("科目号%1的已删除科目在%2个考试中还有加权系数。增加新科目会先清除"
                                         "这些旧加权系数，是否继续？")
                              .arg(last.no)
                              .arg(weightExams)});
    EXPECT_EQ(Weights(last.field), 0);
}

TEST_F(SubjectReAdd, AFailedAddKeepsTheOldMarksAndWeights) {
    DeleteLast();
    const int marks = Marks(last.field);
    const int weights = Weights(last.field);
    const std::string before = TableDigests();
    FailOn("INSERT", "tavrinKMK");
    boxes->Clear();
    Click(*dlg, CSubjectSetDlg::IDC_ADD);
    ASSERT_EQ(BoxTexts().size(), 2);
    EXPECT_EQ(BoxTexts()[1], "对不起，数据库操作失败！\n原因：refused");
    EXPECT_EQ(Marks(last.field), marks);
    EXPECT_EQ(Weights(last.field), weights);
    Db().Execute("DROP TRIGGER fail_INSERT_tavrinKMK");
    EXPECT_EQ(TableDigests(), before);
}

TEST_F(DeleteQuestions, AFullDiskOrAReadOnlyFileFailsASubjectAddWithItsReason) {
    CSubjectSetDlg dlg;
    Open(dlg);
    const int subjects = Count("SELECT count(*) FROM tavrinKMK");
    for (const WriteFailure failure : kWriteFailures) {
        boxes->Clear();
        FailWrites(failure, "INSERT", "tavrinKMK");
        Click(dlg, CSubjectSetDlg::IDC_ADD);
        EXPECT_EQ(BoxTexts(), QStringList{"对不起，数据库操作失败！\n" + ReasonOf(failure)});
        EndWriteFailure();
        EXPECT_EQ(Count("SELECT count(*) FROM tavrinKMK"), subjects);
        EXPECT_EQ(dlg.GetGrid().GetRowCount(), subjects + 1);
    }
}

// ---- 学校年级设置

TEST_F(DeleteQuestions, GradeDeleteAndCodeChangeNameWhatStaysUnderTheCode) {
    CGradeSetDlg dlg;
    Open(dlg);
    CGridCtrl& grid = dlg.GetGrid();
    const int last = dlg.GetRowCount() - 1;
    const QString code = grid.GetItemText(last, 2);
    const QString name = grid.GetItemText(last, 1);
    const int students = Count("SELECT count(*) FROM tavrinName WHERE grade=?", {code});
    const int exams = Count("SELECT count(*) FROM tavrinKSLB WHERE grade=?", {code});
    ASSERT_GT(students, 0);
    ASSERT_GT(exams, 0);
    const QString unreachable = QStringLiteral("只以代码显示，在学生名单、考试注册和成绩跟踪中无法再选到。");
    const std::string before = TableDigests();

    boxes->SetNextAnswer(ui::IDNO);
    Click(dlg, CLookupTableDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts(),
              QStringList{QStringLiteral("真的要删除年级[%1]吗？\n该年级的%2名学生和%3次考试将留在数据库中，")
                              .arg(code)
                              .arg(students)
                              .arg(exams) +
                          unreachable});

    // A new code asks first; 否 keeps the code in the cell and the database.
    const QString question =
        QStringLiteral("真的要把年级[%1]的代码由[%2]改为[19999]吗？\n该年级的%3名学生和%4次考试仍用代码"
                       "%2，改后")
            .arg(name, code, QString::number(students), QString::number(exams)) +
        unreachable;
    boxes->Clear();
    boxes->SetNextAnswer(ui::IDNO);
    EditCell(grid, last, 2, "19999");
    EXPECT_EQ(BoxTexts(), QStringList{question});
    EXPECT_EQ(grid.GetItemText(last, 2), code);
    EXPECT_EQ(TableDigests(), before);

    boxes->Clear();
    boxes->SetNextAnswer(ui::IDYES);
    EditCell(grid, last, 2, "19999");
    EXPECT_EQ(BoxTexts(), QStringList{question});
    EXPECT_EQ(grid.GetItemText(last, 2), "19999");
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinGrade WHERE gradeno='19999'"), 1);
    // The students keep their code: that is what the question said.
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinName WHERE grade=?", {code}), students);

    // A code that files nothing changes without a question, and its delete says so.
    boxes->Clear();
    EditCell(grid, last, 2, "19998");
    EXPECT_TRUE(BoxTexts().isEmpty());
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinGrade WHERE gradeno='19998'"), 1);
    Click(dlg, CLookupTableDlg::IDC_DELETE);
    EXPECT_EQ(BoxTexts(), QStringList{"真的要删除年级[19998]吗？\n该年级没有学生和考试。"});
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinGrade WHERE gradeno='19998'"), 0);
}

// ---- 学生名单's 数据清空

TEST_F(DeleteQuestions, ClearingNamesTheClassOrGradeItsStudentsAndThoseWithMarks) {
    const fixtures::GradeInfo& grade = school.grades[0];
    const int cls = grade.classes[0];
    // A student without a score row.
    Db().Execute("INSERT INTO tavrinName (grade, studentid, class, active) VALUES (?, ?, ?, '是')",
                 {grade.code, grade.code + "9901", cls});
    auto count = [&](const QString& where, const std::vector<db::Variant>& params) {
        return Count("SELECT count(*) FROM tavrinName n WHERE grade=? " + where, params);
    };
    const QString marked = "AND EXISTS (SELECT 1 FROM tavrinKSK k WHERE k.studentid=n.studentid)";
    const int inClass = count("AND class=?", {grade.code, cls});
    const int markedInClass = count("AND class=? " + marked, {grade.code, cls});
    const int inGrade = count("", {grade.code});
    const int markedInGrade = count(marked, {grade.code});
    ASSERT_GT(markedInClass, 0);
    ASSERT_LT(markedInClass, inClass);

    CStudentListDlg dlg;
    Open(dlg);
    auto show = [&](int c) {
        ASSERT_TRUE(Choose(dlg.GetDlgItem<QComboBox>(CStudentListDlg::IDC_GRADE), grade.name));
        dlg.GetDlgItem<QSpinBox>(CStudentListDlg::IDC_CLASS)->setValue(c);
        Click(dlg, CStudentListDlg::IDC_LIST);
    };
    const QString ask = QStringLiteral("真的要清空这个班/年级的数据吗？\n");

    show(cls);
    boxes->Clear();
    boxes->SetNextAnswer(ui::IDNO);
    Click(dlg, CStudentListDlg::IDC_CLEAR);
    EXPECT_EQ(BoxTexts(), QStringList{ask + QStringLiteral("%1%2班共%3名学生，其中%4名已有成绩。")
                                                .arg(grade.name)
                                                .arg(cls)
                                                .arg(inClass)
                                                .arg(markedInClass)});
    show(0);
    boxes->Clear();
    boxes->SetNextAnswer(ui::IDNO);
    Click(dlg, CStudentListDlg::IDC_CLEAR);
    EXPECT_EQ(BoxTexts(), QStringList{ask + QStringLiteral("%1全年级共%2名学生，其中%3名已有成绩。")
                                                .arg(grade.name)
                                                .arg(inGrade)
                                                .arg(markedInGrade)});
    EXPECT_EQ(count("", {grade.code}), inGrade);

    // 是 clears as before.
    boxes->Clear();
    boxes->SetNextAnswer(ui::IDYES);
    Click(dlg, CStudentListDlg::IDC_CLEAR);
    EXPECT_EQ(count("", {grade.code}), 0);
}

} // namespace
} // namespace adminb
