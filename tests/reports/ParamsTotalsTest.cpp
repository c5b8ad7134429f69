#include "SmallSchool.h"

#include "data/ExamChooser.h"
#include "reports/AnalysisParams.h"
#include "reports/ValidTotals.h"

#include <stdexcept>

using namespace reports;

namespace {

using ParamsTest = SmallSchool;
using TotalsTest = SmallSchool;

TEST_F(ParamsTest, ExamEntriesShowGradeNameOrCodeInTextOrder) {
    const std::vector<data::ExamEntry> entries = data::ExamEntries(m_db, m_cipher);
    ASSERT_EQ(entries.size(), 2u);
    // A grade code without a grade row stands for itself; "1" sorts before "高" in GBK.
    EXPECT_EQ(entries[0].text, QStringLiteral("19999|期末考试"));
    EXPECT_EQ(entries[0].id, 2);
    EXPECT_EQ(entries[1].text, QStringLiteral("高2008级|期中考试"));
    for (const data::ExamEntry& e : entries)
        EXPECT_EQ(data::ResolveExam(m_db, m_cipher, e.text).id, e.id) << e.text.toStdString();
    EXPECT_EQ(data::ResolveExam(m_db, m_cipher, QStringLiteral("期中考试")).id, -1);
    EXPECT_EQ(data::ResolveExam(m_db, m_cipher, QStringLiteral("高2008级|期末考试")).id, -1);
}

TEST_F(ParamsTest, SaveWritesContextAndRefusesWithoutExam) {
    CAnalysisContext c;
    c.m_aSubjectSelected[3] = 1; // a flag from an earlier save, past the rows listed now
    EXPECT_EQ(SaveParams(m_db, m_cipher, QString(), {true, true}, c), SaveResult::NoExam);
    EXPECT_EQ(c.m_nSelectedSubjects, 0);
    EXPECT_EQ(c.m_nAnalysisExamId, -1);
    EXPECT_EQ(c.m_aSubjectSelected[0], 0);

    ASSERT_EQ(SaveParams(m_db, m_cipher, QStringLiteral("高2008级|期中考试"), {true, false, true}, c),
              SaveResult::Saved);
    EXPECT_EQ(c.m_nAnalysisExamId, 1);
    EXPECT_EQ(c.m_strAnalysisExam, QStringLiteral("高2008级|期中考试"));
    EXPECT_EQ(c.m_nSelectedSubjects, 2);
    EXPECT_EQ(c.ParticipatingSubjects(), (std::vector<int>{1, 3}));
    EXPECT_EQ(c.m_aSubjectSelected[3], 1);

    // A text that names no exam is refused too, and the context keeps the exam saved before.
    EXPECT_EQ(SaveParams(m_db, m_cipher, QStringLiteral("随便"), {false, false, false, false}, c),
              SaveResult::NoExam);
    EXPECT_EQ(c.m_nAnalysisExamId, 1);
    EXPECT_EQ(c.m_nSelectedSubjects, 2);
}

TEST_F(ParamsTest, SubjectRowsCarryContextFlagsAndStopAtFifty) {
    CAnalysisContext c = Context({2});
    std::vector<SubjectRow> rows = SubjectRows(m_db, m_cipher, c);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].name, QStringLiteral("数学"));
    EXPECT_EQ(rows[1].number, 2);
    EXPECT_TRUE(rows[1].checked);
    EXPECT_FALSE(rows[0].checked);

    for (int id = 5; id <= 51; ++id)
        m_db.Execute(QStringLiteral("INSERT INTO tavrinKMK (id, fldname, mydesc) VALUES (?, ?, ?)"), id,
                     data::SubjectField(id),
                     m_cipher.EncodeText(data::DescriptionKey(), QStringLiteral("选修")));
    rows = SubjectRows(m_db, m_cipher, c);
    ASSERT_EQ(rows.size(), 50u);
    EXPECT_EQ(rows.back().number, 50);
}

TEST_F(TotalsTest, EachTotalTypeSumsThePresentScoresOfTheTickedSubjects) {
    ASSERT_TRUE(ComputeValidTotals(m_db, 1, 2, {1, 2, 3}));
    EXPECT_EQ(Total(3, "A"), 280);
    EXPECT_EQ(Total(3, "B"), 169); // s03 missing: the others still count
    EXPECT_DOUBLE_EQ(*Total(3, "C"), 69.988 + 90 + 60);
    EXPECT_EQ(Total(3, "E"), std::nullopt); // absent: NULL, not 0
    EXPECT_EQ(Total(3, "H"), 180);

    ASSERT_TRUE(ComputeValidTotals(m_db, 1, 0, {1, 3}));
    EXPECT_EQ(Total(1, "A"), 160);
    EXPECT_EQ(Total(1, "B"), 80);
    EXPECT_EQ(Total(3, "A"), 280); // other totals untouched
    EXPECT_EQ(Total(2, "A"), std::nullopt);

    ASSERT_TRUE(ComputeValidTotals(m_db, 1, 1, {2}));
    EXPECT_EQ(Total(2, "G"), 150);
    ASSERT_TRUE(ComputeValidTotals(m_db, 1, 0, {2})); // a rerun replaces the total completely
    EXPECT_EQ(Total(1, "A"), 120);
    ASSERT_TRUE(ComputeValidTotals(m_db, 1, 0, {}));
    EXPECT_EQ(Total(1, "A"), std::nullopt);

    db::Recordset other = m_db.Execute(QStringLiteral("SELECT sum1, sum2, sum3 FROM tavrinKSK WHERE id=2"));
    EXPECT_TRUE(other.Field(0).IsNull() && other.Field(1).IsNull() && other.Field(2).IsNull());
}

TEST_F(TotalsTest, NoExamDoesNothingAndAFailureChangesNothing) {
    EXPECT_FALSE(ComputeValidTotals(m_db, -1, 2, {1}));
    EXPECT_EQ(Total(3, "A"), std::nullopt);

    ASSERT_TRUE(ComputeValidTotals(m_db, 1, 2, {1, 2}));
    // Subject 9 has no score column: the statement fails after the totals were cleared and the
    // first subjects added; all of it is undone.
    EXPECT_THROW(ComputeValidTotals(m_db, 1, 2, {1, 3, 9}), db::DbError);
    EXPECT_EQ(Total(3, "A"), 210);
    EXPECT_EQ(Total(3, "G"), 210);
    EXPECT_THROW(ComputeValidTotals(m_db, 1, 3, {1}), std::out_of_range);
}

TEST_F(TotalsTest, ReportsSayWhichTotalsWereNeverComputed) {
    const QString both =
        QStringLiteral("本次考试的学生有效总分（总分、文总）还没有计算。\n请先运行“统计分析→算学生有效总分”，"
                       "在“计算”框中依次选“总分”、“文总”，每次勾选计入的科目后计算一次！");
    EXPECT_EQ(TotalsNotComputedMessage(m_db, Context(), {2, 0}), both);
    ASSERT_TRUE(ComputeValidTotals(m_db, 1, 2, {1, 2, 3}));
    EXPECT_EQ(TotalsNotComputedMessage(m_db, Context(), {2}), QString());
    EXPECT_TRUE(
        TotalsNotComputedMessage(m_db, Context(), {2, 0, 1}).contains(QStringLiteral("（文总、理总）")));

    // Nothing to say without an exam, a subject, or any score of the subjects taking part.
    CAnalysisContext none = Context();
    none.m_nAnalysisExamId = -1;
    EXPECT_EQ(TotalsNotComputedMessage(m_db, none, {0}), QString());
    CAnalysisContext noSubject = Context();
    noSubject.m_nSelectedSubjects = 0;
    EXPECT_EQ(TotalsNotComputedMessage(m_db, noSubject, {0}), QString());
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET s03=NULL WHERE id=1"));
    EXPECT_EQ(TotalsNotComputedMessage(m_db, Context({3}), {0}), QString());
    EXPECT_NE(TotalsNotComputedMessage(m_db, Context({1, 3}), {0}), QString());
}

TEST(TotalTypeTexts, HeadersAndCaptions) {
    EXPECT_EQ(TotalTypeItems().at(kDefaultTotalType), QStringLiteral("总分"));
    EXPECT_EQ(TotalTypeHeader(0), QStringLiteral("是否计入文科总分"));
    EXPECT_EQ(TotalTypeHeader(5), QString());
    EXPECT_EQ(TotalTypeCaption(1), QStringLiteral("计算理总"));
    EXPECT_EQ(TotalsDoneMessage(), QStringLiteral("计算任务已经完成！"));
}

} // namespace
