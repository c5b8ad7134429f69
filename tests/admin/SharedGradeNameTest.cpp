// Two grades that share a name (one with a quote and a '|' in it): every exam chooser of the exam
// set-up finds each grade's own exams, whether an entry is picked or its text typed.
#include "AdminBSupport.h"

#include "admin/ExamMaintainDlg.h"
#include "admin/ExamRegisterDlg.h"
#include "admin/ExamSetup.h"
#include "admin/PrepareScoreSheetDlg.h"
#include "admin/ScoreEntryDlg.h"
#include "admin/WeightCoefDlg.h"

#include <QComboBox>
#include <QDateEdit>
#include <QSpinBox>

namespace adminb {
namespace {

class SharedGradeName : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        Db().Execute("UPDATE tavrinGrade SET mydesc=?", {kShared});
        first = AddExam(school.grades[0].code, kExam);
        second = AddExam(school.grades[1].code, kExam);
        own = AddExam(school.grades[1].code, kOwn);
    }
    // The user picks the entry that was listed for `exam` (its text is shared with another).
    static void Pick(QComboBox* combo, int exam) {
        const int index = combo->findData(exam);
        ASSERT_GE(index, 0) << "no entry for exam " << exam;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    int RowsOf(int exam) { return Count("SELECT count(*) FROM tavrinKSK WHERE id=?", {exam}); }

    const QString kShared = "高'2008|级";
    const QString kExam = "期中|考试";
    const QString kOwn = "二年级'补考";
    int first = -1, second = -1, own = -1;
};

TEST_F(SharedGradeName, WeightsOfEachExam) {
    CWeightCoefDlg dlg;
    Open(dlg);
    QComboBox* exams = dlg.GetDlgItem<QComboBox>(CWeightCoefDlg::IDC_EXAM);
    EXPECT_EQ(exams->itemText(exams->findData(first)), exams->itemText(exams->findData(second)));
    for (int exam : {second, first}) {
        Pick(exams, exam);
        Click(dlg, ui::IDOK);
        EXPECT_EQ(dlg.GetChosenExamId(), exam);
    }
    exams->setEditText(kShared + "|" + kOwn); // typed (through the input method)
    Click(dlg, ui::IDOK);
    EXPECT_EQ(dlg.GetChosenExamId(), own);
    EXPECT_TRUE(BoxTexts().isEmpty());
}

TEST_F(SharedGradeName, PreparationFillsTheChosenExamFromItsOwnGrade) {
    CPrepareScoreSheetDlg dlg;
    dlg.SetMode(0);
    Open(dlg);
    Pick(dlg.GetDlgItem<QComboBox>(CPrepareScoreSheetDlg::IDC_EXAM), second);
    Click(dlg, CPrepareScoreSheetDlg::IDC_LOAD);
    EXPECT_GT(RowsOf(second), 0);
    EXPECT_EQ(RowsOf(first), 0);
    EXPECT_EQ(
        Count("SELECT count(*) FROM tavrinKSK WHERE id=? AND grade<>?", {second, school.grades[1].code}), 0);
    EXPECT_EQ(dlg.Grid().GetRowCount(), RowsOf(second) + 1);
}

TEST_F(SharedGradeName, ScoreEntryListsTheChosenExamsStudents) {
    for (int exam : {first, second}) {
        examsetup::InitWeights(Db(), exam);
        examsetup::PrepareScoreRows(Db(), exam, school.grades[exam == first ? 0 : 1].code);
    }
    CScoreEntryDlg dlg;
    Open(dlg);
    for (int exam : {second, first}) {
        Pick(dlg.GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_EXAM), exam);
        ASSERT_TRUE(Choose(dlg.GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_SUBJECT), school.subjects[0].name));
        dlg.GetDlgItem<QSpinBox>(CScoreEntryDlg::IDC_NUMBER)->setValue(0); // the whole grade
        ASSERT_EQ(dlg.OnLoadScores(), 1) << BoxTexts().join(' ').toStdString();
        EXPECT_EQ(dlg.GetExamId(), QString::number(exam));
        EXPECT_EQ(dlg.GetGrid().GetRowCount(), RowsOf(exam) + 1);
    }
}

TEST_F(SharedGradeName, MaintenanceListsEachGradesExams) {
    CExamMaintainDlg dlg;
    Open(dlg);
    QComboBox* grades = dlg.GetDlgItem<QComboBox>(CExamMaintainDlg::IDC_GRADE);
    ASSERT_EQ(grades->count(), 2);
    EXPECT_EQ(grades->itemText(0), grades->itemText(1));
    for (const fixtures::GradeInfo& g : school.grades) {
        QStringList ids;
        for (db::Recordset rs =
                 Db().Execute("SELECT id FROM tavrinKSLB WHERE grade=? ORDER BY id DESC", {g.code});
             !rs.IsEOF(); rs.MoveNext())
            ids << rs.Field(0).ToString();
        const int index = grades->findData(g.code);
        ASSERT_GE(index, 0);
        grades->setCurrentIndex(index);
        emit grades->activated(index);
        EXPECT_EQ(GridColumn(dlg.Grid(), 0), ids) << g.code.toStdString();
    }
}

TEST_F(SharedGradeName, RegistrationUsesTheChosenGrade) {
    CExamRegisterDlg dlg;
    dlg.SetToday(QDate(2008, 2, 1));
    Open(dlg);
    QComboBox* grades = dlg.GetDlgItem<QComboBox>(CExamRegisterDlg::IDC_GRADE);
    ASSERT_EQ(grades->count(), 2);
    EXPECT_EQ(grades->itemText(1), kShared);
    ASSERT_TRUE(Choose(dlg.GetDlgItem<QComboBox>(CExamRegisterDlg::IDC_EXAM_NAME), "期中考试"));
    grades->setCurrentIndex(1);
    emit grades->activated(1);
    Click(dlg, CExamRegisterDlg::IDC_REGISTER);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSLB WHERE mydesc=? AND grade=?",
                    {Encode("2007至2008学年下学期期中考试"), school.grades[1].code}),
              1);
}

} // namespace
} // namespace adminb
