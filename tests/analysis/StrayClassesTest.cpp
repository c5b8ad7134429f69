// Score rows whose class number the program never gives (a foreign or damaged file): the normality
// and significance tests, the qualifying lines and the teaching evaluation keep to the real
// classes, sized as without those rows.

#include "tests/common/StrayClasses.h"
#include "analysis/NormalityTests.h"
#include "analysis/QualifyLines.h"
#include "analysis/TeachEval.h"
#include "data/TextCipher.h"
#include "fixtures/SchoolFixture.h"
#include "reports/ReportQueries.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

class StrayClassAnalysisTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_school = fixtures::MakeSchool(m_dir.filePath(QStringLiteral("school.mdb")));
        m_db.OpenFile(m_school.path, fixtures::DatabasePassword());
        const fixtures::ExamInfo& first = m_school.exams[0];
        const fixtures::ExamInfo& second = m_school.exams[1];
        ASSERT_EQ(first.grade, second.grade);
        m_first = first.id;
        m_second = second.id;
        m_context.m_nAnalysisExamId = m_first;
        m_context.m_strAnalysisExam = QStringLiteral("2008|期中");
        m_context.m_nSelectedSubjects = 3;
        for (int k = 0; k < 3; ++k)
            m_context.m_aSubjectSelected[m_school.subjects[k].no - 1] = 1;
        for (const fixtures::SubjectInfo& s : m_school.subjects)
            m_columns << s.field;
        m_highest = reports::HighestClass(m_db, m_first);
        ASSERT_GE(m_highest, 3);
    }

    using Compute = std::function<CReportTable()>;

    CReportTable Tested(int mode, int subject) {
        const int highest = reports::HighestClass(m_db, m_first);
        // Checked first: a class × class table of a stray number would not fit in memory.
        EXPECT_EQ(highest, m_highest);
        CReportTable table = normality::TestTable(mode, std::min(highest, m_highest));
        normality::RunTest(m_db, mode, m_first, subject, QStringLiteral("科目"), table);
        return table;
    }

    CReportTable Lines(int range, int object) {
        CReportTable table;
        qualify::ComputeQualifyLines(m_db, m_cipher, m_context, {range, object, 10}, table);
        return table;
    }

    CReportTable Evaluated(int method) {
        const int rows = reports::HighestClass(m_db, m_second) + 1;
        EXPECT_EQ(rows, m_highest + 1);
        CReportTable table = teacheval::EmptyTable(method, std::min(rows, m_highest + 1));
        const teacheval::Choice choice{m_first, m_second, m_school.subjects[0].no, teacheval::kWholeGrade};
        if (method == teacheval::kMethodM)
            teacheval::RunMAnalysis(m_db, choice, table);
        else
            teacheval::RunFAnalysis(m_db, choice, table);
        return table;
    }

    // Runs every computation, adds the stray rows to both exams, runs them again: same cells.
    void ExpectUnchanged(const std::vector<std::pair<QString, Compute>>& computations,
                         std::optional<int> copyOf) {
        std::vector<QStringList> before;
        for (const auto& [name, compute] : computations)
            before.push_back(strayclasses::Cells(compute()));
        for (const int exam : {m_first, m_second})
            strayclasses::AddRows(m_db, exam, m_columns, copyOf);
        for (std::size_t i = 0; i < computations.size(); ++i)
            EXPECT_EQ(strayclasses::FirstDifference(strayclasses::Cells(computations[i].second()), before[i]),
                      "")
                << computations[i].first.toStdString();
    }

    QTemporaryDir m_dir;
    fixtures::SchoolInfo m_school;
    db::Connection m_db;
    CTextCipher m_cipher;
    CAnalysisContext m_context;
    QStringList m_columns;
    int m_first = -1;
    int m_second = -1;
    int m_highest = 0;
};

} // namespace

TEST_F(StrayClassAnalysisTest, TheTestsCompareOnlyTheRealClasses) {
    // Copies of the last class: a number that wrapped round to 1 would add them to class 1.
    const int last = m_school.grades.front().classes.back();
    ASSERT_GT(last, 1);
    const int subject = m_school.subjects[0].no;
    ExpectUnchanged(
        {
            {QStringLiteral("significance"), [&] { return Tested(normality::kSignificance, subject); }},
            {QStringLiteral("normality"), [&] { return Tested(normality::kNormality, subject); }},
            {QStringLiteral("class-top averages"),
             [&] { return Lines(qualify::kClassTop, qualify::kAverageByClass); }},
        },
        last);
}

TEST_F(StrayClassAnalysisTest, RowsWithoutScoresLeaveLinesAndEvaluationsAsTheyWere) {
    std::vector<std::pair<QString, Compute>> computations;
    for (int range = qualify::kGradeTop; range <= qualify::kPercentOfFull; ++range)
        for (const int object : {qualify::kCountByClass, qualify::kAverageByClass})
            computations.emplace_back(QStringLiteral("lines %1/%2").arg(range).arg(object),
                                      [this, range, object] { return Lines(range, object); });
    computations.emplace_back(QStringLiteral("method M"), [this] { return Evaluated(teacheval::kMethodM); });
    computations.emplace_back(QStringLiteral("method F"), [this] { return Evaluated(teacheval::kMethodF); });
    computations.emplace_back(QStringLiteral("significance"),
                              [this] { return Tested(normality::kSignificance, m_school.subjects[1].no); });
    ExpectUnchanged(computations, std::nullopt);
}
