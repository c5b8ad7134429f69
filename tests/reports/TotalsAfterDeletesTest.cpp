// The totals and the analysis context after subjects, exams and streams change: 年级基本统计量 by
// stream says how to get 文总 and 理总 (or to take the grade row) and that an exam without streams
// needs the grade row; a deleted subject leaves the totals that counted it out of date, to be
// recomputed from the subjects left, and no flag in the context; 算学生有效总分 on an exam deleted meanwhile
// writes nothing; a stream change or a mark of a subject outside a total records that total out of date no
// more.

#include "DialogSchool.h"

#include "admin/ExamSetup.h"
#include "admin/ScoreImport.h"
#include "admin/ScoreSheet.h"
#include "admin/SubjectSetDlg.h"
#include "data/TotalsState.h"
#include "reports/AnalysisParamDlg.h"
#include "reports/BasicStatDlg.h"
#include "reports/BasicStats.h"

#include <QRadioButton>

using namespace reports;

namespace {

class TotalsAfterDeletes : public DialogSchool {
protected:
    void SetUp() override {
        DialogSchool::SetUp();
        SetContext();
    }
    db::Connection& Db() { return data::Database(); }
    std::unique_ptr<CBasicStatDlg> GradeStats() {
        auto dlg = std::make_unique<CBasicStatDlg>();
        dlg->SetStatMode(kGradeStats);
        dlg->OnInitDialog();
        return dlg;
    }
    void ChooseGradeRow(CBasicStatDlg& dlg) {
        dlg.GetDlgItem<QRadioButton>(CBasicStatDlg::IDC_ACCUM_GRADE)->click();
    }
    std::optional<double> Sum(int sumNo, const char* student) {
        const db::Variant v =
            Db().Execute(QStringLiteral("SELECT sum%1 FROM tavrinKSK WHERE id=1 AND studentid=?").arg(sumNo),
                         student)
                .Field(0);
        return v.IsNull() ? std::nullopt : std::optional<double>(v.ToDouble());
    }
    long long Key(const char* student) {
        return Db()
            .Execute(QStringLiteral("SELECT rowid FROM tavrinKSK WHERE id=1 AND studentid=?"), student)
            .Field(0)
            .ToInt64();
    }
    // 删除 in 考试科目设置, answered 是: the last subject goes.
    void DeleteLastSubject() {
        CSubjectSetDlg dlg;
        dlg.OnInitDialog();
        boxes->SetNextAnswer(ui::IDYES);
        dlg.OnDeleteSubject();
        boxes->Clear();
    }
};

TEST_F(TotalsAfterDeletes, GradeStatisticsByStreamSayHowToGetTheirTotals) {
    // Only 总分 is computed (算学生有效总分's default item): the dialog opens on 文理.
    auto dlg = GradeStats();
    dlg->OnOK();
    ASSERT_EQ(boxes->Texts().size(), 1);
    const QString message = boxes->Texts().front();
    EXPECT_TRUE(message.startsWith(QStringLiteral("本次考试的学生有效总分（文总、理总）还没有计算。")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("算学生有效总分")));
    EXPECT_TRUE(message.contains(QStringLiteral("依次选“文总”、“理总”")));
    EXPECT_TRUE(message.contains(QStringLiteral("把“累计类型”选为“年级”")));
    EXPECT_EQ(dlg->Grid().GetRowCount(), 1);

    // The grade row needs 总分 only: it runs at once.
    boxes->Clear();
    ChooseGradeRow(*dlg);
    dlg->OnOK();
    EXPECT_TRUE(boxes->Texts().isEmpty()) << boxes->Texts().join('|').toStdString();
    EXPECT_GT(dlg->Grid().GetRowCount(), 1);

    // Without 总分 the grade row is no way out, and is not offered.
    Db().Execute(QStringLiteral("UPDATE tavrinKSK SET sum3=NULL WHERE id=1"));
    boxes->Clear();
    dlg->OnOK();
    ASSERT_EQ(boxes->Texts().size(), 1);
    EXPECT_TRUE(boxes->Texts().front().contains(QStringLiteral("在“计算”框中选“总分”")));
    EXPECT_FALSE(boxes->Texts().front().contains(QStringLiteral("累计类型")));
    auto byStream = GradeStats();
    boxes->Clear();
    byStream->OnOK();
    ASSERT_EQ(boxes->Texts().size(), 1);
    EXPECT_TRUE(
        boxes->Texts().front().startsWith(QStringLiteral("本次考试的学生有效总分（总分、文总、理总）")));
    EXPECT_FALSE(boxes->Texts().front().contains(QStringLiteral("累计类型")));
}

TEST_F(TotalsAfterDeletes, AnExamWithoutStreamsAsksForTheGradeRow) {
    Db().Execute(QStringLiteral("UPDATE tavrinKSK SET worl=NULL WHERE id=1"));
    Db().Execute(QStringLiteral("UPDATE tavrinKSK SET worl='' WHERE id=1 AND studentid='A'"));
    for (const bool computed : {false, true}) {
        if (computed) {
            // Even with 文总 and 理总 there, the stream rows would stay empty.
            ComputeValidTotals(Db(), 1, 0, {1, 3});
            ComputeValidTotals(Db(), 1, 1, {2});
        }
        auto dlg = GradeStats();
        boxes->Clear();
        dlg->OnOK();
        EXPECT_EQ(boxes->Texts(),
                  QStringList{QStringLiteral("本次考试的学生还没有文理科信息，请选择“年级”累计。")});
        EXPECT_EQ(dlg->Grid().GetRowCount(), 1);
        boxes->Clear();
        ChooseGradeRow(*dlg);
        dlg->OnOK();
        EXPECT_TRUE(boxes->Texts().isEmpty()) << boxes->Texts().join('|').toStdString();
    }
    // One student with a stream is enough for the rows by stream.
    Db().Execute(QStringLiteral("UPDATE tavrinKSK SET worl='文' WHERE id=1 AND studentid='D'"));
    auto dlg = GradeStats();
    boxes->Clear();
    dlg->OnOK();
    EXPECT_TRUE(boxes->Texts().isEmpty()) << boxes->Texts().join('|').toStdString();
}

TEST_F(TotalsAfterDeletes, ATotalWithADeletedSubjectIsRecomputedFromTheSubjectsLeft) {
    ComputeValidTotals(Db(), 1, 2, {1, 2, 3, 4});
    ComputeValidTotals(Db(), 1, 0, {1, 3, 4});
    ComputeValidTotals(Db(), 1, 1, {2});
    ASSERT_EQ(Sum(3, "A"), 90 + 120 + 70 + 50);
    ASSERT_TRUE(data::StaleTotals(Db(), 1).empty());
    DeleteLastSubject();
    ASSERT_EQ(Db().Execute(QStringLiteral("SELECT count(*) FROM tavrinKMK")).Field(0).ToInt(), 3);
    EXPECT_EQ(data::TotalSubjects(Db(), 1, 3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(data::TotalSubjects(Db(), 1, 1), (std::vector<int>{1, 3}));
    EXPECT_EQ(data::TotalSubjects(Db(), 1, 2), std::vector<int>{2});
    // 理总 did not count 物理; exam 2's totals have no recorded subjects and may have.
    EXPECT_EQ(data::StaleTotals(Db(), 1), (std::vector<int>{1, 3}));
    EXPECT_EQ(data::StaleTotals(Db(), 2), (std::vector<int>{1, 2, 3}));

    // The next report asks about the two, and 是 leaves each the sum of its subjects left.
    auto dlg = GradeStats();
    boxes->SetNextAnswer(ui::IDYES);
    dlg->OnOK();
    ASSERT_EQ(boxes->Texts().size(), 1) << boxes->Texts().join('|').toStdString();
    EXPECT_EQ(boxes->Texts().front(), StaleTotalsQuestion({0, 2}));
    EXPECT_TRUE(boxes->Texts().front().contains(QStringLiteral("（文总、总分）")));
    EXPECT_EQ(Sum(3, "A"), 90 + 120 + 70);
    EXPECT_EQ(Sum(1, "A"), 90 + 70);
    EXPECT_EQ(Sum(3, "B"), 80 + 89);
    EXPECT_EQ(Sum(1, "B"), 80);
    EXPECT_EQ(Sum(1, "D"), 85.008);
    EXPECT_EQ(Sum(3, "E"), std::nullopt);
    EXPECT_EQ(Sum(2, "A"), 120);
    EXPECT_TRUE(data::StaleTotals(Db(), 1).empty());
    EXPECT_GT(dlg->Grid().GetRowCount(), 1);

    // The subject's number taken again: the totals still do not count the new subject.
    Db().Execute(QStringLiteral("INSERT INTO tavrinKMK (id, fldname, mydesc, type) VALUES (4, 's04', "
                                "'*****', '分数型')"));
    EXPECT_EQ(data::TotalSubjects(Db(), 1, 3), (std::vector<int>{1, 2, 3}));
}

TEST_F(TotalsAfterDeletes, ASubjectDeletedInAnotherWindowIsUnknownToo) {
    // The other window forgot no record: the list names a subject the file no longer has.
    ComputeValidTotals(Db(), 1, 2, {1, 2, 4});
    scoresheet::WriteMarks(Db(), Key("A"), 1, QStringLiteral("s01"), 95, std::nullopt, 95);
    Db().Execute(QStringLiteral("DELETE FROM tavrinKMK WHERE id=4"));
    const std::optional<double> old = Sum(3, "A");
    EXPECT_EQ(data::TotalSubjects(Db(), 1, 3), std::nullopt);
    EXPECT_EQ(RecomputeStaleTotals(Db(), 1, {2}), std::vector<int>{2});
    EXPECT_EQ(Sum(3, "A"), old);
}

TEST_F(TotalsAfterDeletes, ADeletedSubjectNoLongerTakesPart) {
    SetContext({1, 2, 4});
    DeleteLastSubject();
    const CAnalysisContext& context = data::AnalysisContext();
    EXPECT_EQ(context.m_nSelectedSubjects, 2);
    EXPECT_EQ(context.ParticipatingSubjects(), (std::vector<int>{1, 2}));
    EXPECT_EQ(context.m_aSubjectSelected[3], 0);

    // The report shows the two subjects and no nameless column.
    auto dlg = GradeStats();
    ChooseGradeRow(*dlg);
    dlg->OnOK();
    QStringList titles;
    for (int c = 0; c < dlg->Grid().GetColumnCount(); ++c)
        titles << dlg->Grid().GetItemText(0, c);
    EXPECT_TRUE(titles.contains(QStringLiteral("数学"))) << titles.join('|').toStdString();
    EXPECT_FALSE(titles.contains(QString())) << titles.join('|').toStdString();

    // The only subject taking part deleted: the parameters are to be set again.
    SetContext({3});
    DeleteLastSubject();
    EXPECT_FALSE(data::AnalysisContext().HasSubjects());
    // No flag of a subject still there goes.
    SetContext({1});
    DeleteLastSubject();
    EXPECT_EQ(data::AnalysisContext().ParticipatingSubjects(), std::vector<int>{1});
    EXPECT_EQ(data::AnalysisContext().m_nSelectedSubjects, 1);
}

TEST_F(TotalsAfterDeletes, ComputingTotalsOfAnExamDeletedMeanwhileWritesNothing) {
    CAnalysisParamDlg dlg;
    dlg.SetParamMode(1);
    dlg.OnInitDialog();
    // Another window deletes the exam.
    examsetup::DeleteExam(Db(), 1);
    ASSERT_TRUE(data::TotalSubjects(Db(), 1, 3) == std::nullopt);
    const int kept = Db().Execute(QStringLiteral("SELECT count(*) FROM tavrinSumKM")).Field(0).ToInt();
    dlg.OnOK();
    EXPECT_EQ(boxes->Texts(), QStringList{ExamGoneMessage()});
    EXPECT_EQ(Db().Execute(QStringLiteral("SELECT count(*) FROM tavrinSumKM")).Field(0).ToInt(), kept);
    EXPECT_TRUE(Db().Execute(QStringLiteral("SELECT 1 FROM tavrinSumKM WHERE id=1")).IsEOF());
    EXPECT_TRUE(data::StaleTotals(Db(), 1).empty());
    // The context names no exam any more: the reports ask for the parameters, as at start.
    EXPECT_FALSE(data::AnalysisContext().HasExam());
    EXPECT_FALSE(data::AnalysisContext().HasSubjects());
    EXPECT_TRUE(data::AnalysisContext().m_strAnalysisExam.isEmpty());
    EXPECT_FALSE(ComputeValidTotals(Db(), 1, 2, {1, 2}));
}

TEST_F(TotalsAfterDeletes, OnlyTheTotalsAChangedMarkEntersAreRecordedOutOfDate) {
    ComputeValidTotals(Db(), 1, 0, {1, 3});
    ComputeValidTotals(Db(), 1, 1, {2});
    ASSERT_TRUE(data::StaleTotals(Db(), 1).empty());

    // 物理 is in no total.
    scoresheet::WriteMarks(Db(), Key("A"), 1, QStringLiteral("s04"), 40, std::nullopt, 40);
    EXPECT_TRUE(data::StaleTotals(Db(), 1).empty());
    // The import of 物理 neither.
    Db().Execute(QStringLiteral("UPDATE tavrinKSK SET s041=s04 WHERE id=1"));
    db::Recordset source({QStringLiteral("XH"), QStringLiteral("P1")},
                         {QStringLiteral("TEXT"), QStringLiteral("NUMBER")},
                         {{db::Variant("G"), db::Variant(45)}});
    scoreimport::Target target{1, QStringLiteral("s04"), {100, 0, 1, 0}, 4, {{Key("G"), "G", "", "4"}}};
    ASSERT_EQ(scoreimport::ImportScores(Db(), source, 1,
                                        {QStringLiteral("XH[C]"), QStringLiteral("P1[N]"), {}}, target)
                  .written,
              1);
    EXPECT_TRUE(data::StaleTotals(Db(), 1).empty());
    // 英语 is in 文总 and 总分.
    scoresheet::WriteMarks(Db(), Key("A"), 1, QStringLiteral("s03"), 71, std::nullopt, 71);
    EXPECT_EQ(data::StaleTotals(Db(), 1), (std::vector<int>{1, 3}));
    // 数学 in 理总 and 总分.
    scoresheet::WriteMarks(Db(), Key("A"), 1, QStringLiteral("s02"), 121, std::nullopt, 121);
    EXPECT_EQ(data::StaleTotals(Db(), 1), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(data::StaleTotals(Db(), 2).empty());

    // A total whose subjects are not recorded, or cannot be read, may hold any subject.
    ComputeValidTotals(Db(), 1, 0, {1, 3});
    ComputeValidTotals(Db(), 1, 1, {2});
    ComputeValidTotals(Db(), 1, 2, {1, 2, 3});
    Db().Execute(QStringLiteral("DELETE FROM tavrinSumKM WHERE id=1 AND sumno=1"));
    Db().Execute(QStringLiteral("UPDATE tavrinSumKM SET kmnos='语文' WHERE id=1 AND sumno=2"));
    scoresheet::WriteMarks(Db(), Key("A"), 1, QStringLiteral("s04"), 41, std::nullopt, 41);
    EXPECT_EQ(data::StaleTotals(Db(), 1), (std::vector<int>{1, 2}));
    // A total of no subject takes no mark.
    ComputeValidTotals(Db(), 1, 2, {});
    scoresheet::WriteMarks(Db(), Key("A"), 1, QStringLiteral("s01"), 91, std::nullopt, 91);
    EXPECT_EQ(data::StaleTotals(Db(), 1), (std::vector<int>{1, 2}));
}

TEST_F(TotalsAfterDeletes, AStreamChangeRecordsNoTotalOutOfDate) {
    ComputeValidTotals(Db(), 1, 0, {1, 3});
    ComputeValidTotals(Db(), 1, 1, {2});
    Db().Execute(QStringLiteral("INSERT INTO tavrinName (id, grade, studentid, name, class, active, worl) "
                                "VALUES (1, '12008', 'A', 'A', 1, '是', '文')"));
    const std::vector<double> before = {*Sum(1, "A"), *Sum(2, "A"), *Sum(3, "A")};
    EXPECT_EQ(examsetup::CopyStreams(Db(), 1), 1);
    EXPECT_EQ(Db().Execute(QStringLiteral("SELECT worl FROM tavrinKSK WHERE id=1 AND studentid='A'"))
                  .Field(0)
                  .ToString(),
              QStringLiteral("文"));
    EXPECT_TRUE(data::StaleTotals(Db(), 1).empty());
    EXPECT_EQ((std::vector<double>{*Sum(1, "A"), *Sum(2, "A"), *Sum(3, "A")}), before);
}

} // namespace
