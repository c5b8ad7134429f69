// What a delete in 考试维护 or 考试科目设置 leaves of the analysis: the analysis exam deleted, the
// context names nothing as at start; a subject deleted, its flag and its count go, and it leaves
// the subjects of the totals computed with it, which are recorded out of date.
#include "AdminBSupport.h"

#include "admin/ExamMaintainDlg.h"
#include "admin/SubjectSetDlg.h"
#include "data/TotalsState.h"

#include <QComboBox>

namespace adminb {
namespace {

class AnalysisAfterDeletes : public AdminBTest {
protected:
    // The parameters as 设定成绩分析参数 saves them: exam `exam`, every subject taking part.
    void ChooseForAnalysis(const fixtures::ExamInfo& exam) {
        CAnalysisContext& context = data::AnalysisContext();
        context.m_nAnalysisExamId = exam.id;
        context.m_strAnalysisExam = EntryOf(exam);
        context.m_nSelectedSubjects = 0;
        for (const fixtures::SubjectInfo& s : school.subjects) {
            context.m_aSubjectSelected[std::size_t(s.no - 1)] = 1;
            ++context.m_nSelectedSubjects;
        }
    }
    // 删除 of the exam in 考试维护, answered 是.
    void DeleteInMaintenance(const fixtures::ExamInfo& exam) {
        CExamMaintainDlg dlg;
        Open(dlg);
        ASSERT_TRUE(Choose(dlg.GetDlgItem<QComboBox>(CExamMaintainDlg::IDC_GRADE), GradeOf(exam).name));
        ClickCell(dlg.Grid(), FindRow(dlg.Grid(), 0, QString::number(exam.id)), 2);
        boxes->SetNextAnswer(ui::IDYES);
        Click(dlg, CExamMaintainDlg::IDC_DELETE);
        ASSERT_EQ(Count("SELECT count(*) FROM tavrinKSLB WHERE id=?", {exam.id}), 0);
    }
};

TEST_F(AnalysisAfterDeletes, DeletingTheAnalysisExamClearsTheContext) {
    const fixtures::ExamInfo& analysed = school.exams[0];
    const fixtures::ExamInfo& other = school.exams[1];
    ChooseForAnalysis(analysed);
    // Another exam goes: the parameters stay.
    DeleteInMaintenance(other);
    EXPECT_EQ(data::AnalysisContext().m_nAnalysisExamId, analysed.id);
    EXPECT_EQ(data::AnalysisContext().m_nSelectedSubjects, int(school.subjects.size()));

    DeleteInMaintenance(analysed);
    const CAnalysisContext& context = data::AnalysisContext();
    EXPECT_FALSE(context.HasExam());
    EXPECT_FALSE(context.HasSubjects());
    EXPECT_TRUE(context.m_strAnalysisExam.isEmpty());
    EXPECT_TRUE(context.ParticipatingSubjects().empty());
}

TEST_F(AnalysisAfterDeletes, DeletingASubjectDropsItsFlagAndLeavesItsTotals) {
    const fixtures::ExamInfo& exam = school.exams[0];
    ChooseForAnalysis(exam);
    const int last = school.subjects.back().no;
    std::vector<int> all;
    for (const fixtures::SubjectInfo& s : school.subjects)
        all.push_back(s.no);
    const std::vector<int> first(all.begin(), all.end() - 1);
    data::RecordTotalSubjects(Db(), exam.id, 3, all);
    data::RecordTotalSubjects(Db(), exam.id, 1, first);
    data::RecordTotalSubjects(Db(), school.exams[1].id, 2, {last});
    data::RecordTotalSubjects(Db(), school.exams[1].id, 1, {first.front()});
    data::RecordTotalSubjects(Db(), school.exams[1].id, 3, first);
    Db().Execute(QStringLiteral("DELETE FROM tavrinSumKM WHERE id=? AND sumno=2"), exam.id);
    ASSERT_TRUE(data::StaleTotals(Db(), exam.id).empty());
    ASSERT_TRUE(data::StaleTotals(Db(), school.exams[1].id).empty());

    CSubjectSetDlg dlg;
    Open(dlg);
    boxes->SetNextAnswer(ui::IDNO);
    Click(dlg, CSubjectSetDlg::IDC_DELETE);
    EXPECT_EQ(data::AnalysisContext().ParticipatingSubjects(), all);
    EXPECT_EQ(data::TotalSubjects(Db(), exam.id, 3), all);

    boxes->SetNextAnswer(ui::IDYES);
    Click(dlg, CSubjectSetDlg::IDC_DELETE);
    const CAnalysisContext& context = data::AnalysisContext();
    EXPECT_EQ(context.ParticipatingSubjects(), first);
    EXPECT_EQ(context.m_nSelectedSubjects, int(first.size()));
    EXPECT_EQ(data::TotalSubjects(Db(), exam.id, 3), first);
    EXPECT_EQ(data::TotalSubjects(Db(), school.exams[1].id, 2), std::vector<int>{});
    EXPECT_EQ(data::TotalSubjects(Db(), exam.id, 1), first);
    // Out of date: the totals that counted it, and those whose subjects are not recorded.
    EXPECT_EQ(data::StaleTotals(Db(), exam.id), (std::vector<int>{2, 3}));
    EXPECT_EQ(data::StaleTotals(Db(), school.exams[1].id), std::vector<int>{2});
    // The subject's marks stay, as 删除 says.
    EXPECT_GT(Count(QStringLiteral("SELECT count(*) FROM tavrinKSK WHERE %1 IS NOT NULL")
                        .arg(school.subjects.back().field)),
              0);
}

} // namespace
} // namespace adminb
