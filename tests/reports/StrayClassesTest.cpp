// Score rows whose class number the program never gives (a foreign or damaged file) size no
// per-class table and reach no class's figures.

#include "tests/common/StrayClasses.h"
#include "fixtures/SchoolFixture.h"
#include "reports/BasicStats.h"
#include "reports/ClassStandardScores.h"
#include "reports/ClassSubjectTables.h"
#include "reports/ExcellentRates.h"
#include "reports/ReportQueries.h"
#include "reports/ScoreBands.h"
#include "reports/ValidTotals.h"

#include "data/TextCipher.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace reports;

namespace {

class StrayClassTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_school = fixtures::MakeSchool(m_dir.filePath(QStringLiteral("school.mdb")));
        m_db.OpenFile(m_school.path, fixtures::DatabasePassword());
        m_exam = m_school.exams.front().id;
        m_context.m_nAnalysisExamId = m_exam;
        m_context.m_strAnalysisExam = QStringLiteral("2008|期中");
        m_context.m_nSelectedSubjects = int(m_school.subjects.size());
        std::vector<int> all;
        for (const fixtures::SubjectInfo& s : m_school.subjects) {
            m_context.m_aSubjectSelected[s.no - 1] = 1;
            all.push_back(s.no);
            m_columns << s.field;
        }
        m_columns << QStringLiteral("sum1") << QStringLiteral("sum2") << QStringLiteral("sum3");
        ASSERT_TRUE(ComputeValidTotals(m_db, m_exam, 2, all));
        m_highest = HighestClass(m_db, m_exam);
        ASSERT_GE(m_highest, 3);
    }

    struct Report {
        QString name;
        std::function<void(CReportTable&)> compute;
        // Only the rows of the classes depend on nothing but their own class's scores.
        bool classRowsOnly = false;
    };

    // Every per-class report; `scored` keeps those whose every cell belongs to one class.
    std::vector<Report> Reports(bool scored) {
        std::vector<Report> reports = {
            {QStringLiteral("grade stats"),
             [this](CReportTable& t) {
                 ComputeGradeStats(m_db, m_cipher, m_context, {Statistic::Avg, kStreamRows, true}, t);
             },
             true},
            {QStringLiteral("class-subject table"),
             [this](CReportTable& t) { ComputeClassSubjectTable(m_db, m_cipher, m_context, t); }},
            {QStringLiteral("pass rates by score"),
             [this](CReportTable& t) {
                 ComputeExcellentRates(m_db, m_cipher, m_context,
                                       {kPassRate, kCutByScore, kAllStudents, QStringLiteral("60")}, t);
             }},
            {QStringLiteral("score bands"),
             [this](CReportTable& t) {
                 ComputeGradeBands(m_db, m_context, {1, QStringLiteral("s01"), 0, 0, 10}, t);
             }},
        };
        if (scored)
            return reports;
        // These take the whole grade's figures too, which a stray row with scores would change.
        reports.push_back(
            {QStringLiteral("grade ranks"), [this](CReportTable& t) {
                 ComputeGradeRanks(m_db, m_cipher, m_context, {Statistic::Max, kStreamRows, false}, t);
             }});
        reports.push_back({QStringLiteral("standard scores"), [this](CReportTable& t) {
                               ComputeClassStandardScores(m_db, m_cipher, m_context, t);
                           }});
        return reports;
    }

    std::vector<QStringList> Run(const std::vector<Report>& reports, bool scored) {
        std::vector<QStringList> cells;
        for (const Report& r : reports) {
            CReportTable table;
            r.compute(table);
            if (scored && r.classRowsOnly)
                table.SetRowCount(m_highest + 1);
            cells.push_back(strayclasses::Cells(table));
        }
        return cells;
    }

    void ExpectUnchangedBy(std::optional<int> copyOf) {
        const std::vector<Report> reports = Reports(copyOf.has_value());
        const std::vector<QStringList> before = Run(reports, copyOf.has_value());
        strayclasses::AddRows(m_db, m_exam, m_columns, copyOf);
        // Checked first: a table sized by a stray number would not fit in memory.
        ASSERT_EQ(HighestClass(m_db, m_exam), m_highest);
        const std::vector<QStringList> after = Run(reports, copyOf.has_value());
        for (std::size_t i = 0; i < reports.size(); ++i)
            EXPECT_EQ(strayclasses::FirstDifference(after[i], before[i]), "")
                << reports[i].name.toStdString();
    }

    QTemporaryDir m_dir;
    fixtures::SchoolInfo m_school;
    db::Connection m_db;
    CTextCipher m_cipher;
    CAnalysisContext m_context;
    QStringList m_columns;
    int m_exam = -1;
    int m_highest = 0;
};

} // namespace

TEST_F(StrayClassTest, RowsWithoutScoresLeaveEveryTableAsItWas) {
    ExpectUnchangedBy(std::nullopt);
}

TEST_F(StrayClassTest, ScoresOfAStrayClassReachNoClass) {
    // Copies of the exam's last class: a number that wrapped round to 1 would give class 1 its
    // figures.
    const int last = m_school.grades.front().classes.back();
    ASSERT_EQ(m_school.grades.front().code, m_school.exams.front().grade);
    ASSERT_GT(last, 1);
    ExpectUnchangedBy(last);
}

TEST_F(StrayClassTest, TheHighestClassCountsOnlyClassNumbersTheProgramGives) {
    m_db.Execute(QStringLiteral("INSERT INTO tavrinKSK (id, studentid, class) VALUES (?, 'a', 99)"), m_exam);
    EXPECT_EQ(HighestClass(m_db, m_exam), 99);
    m_db.Execute(QStringLiteral("DELETE FROM tavrinKSK WHERE id=?"), m_exam);
    for (const db::Variant& cls :
         {db::Variant(0), db::Variant(-7), db::Variant(QStringLiteral("九")), db::Variant()})
        m_db.Execute(QStringLiteral("INSERT INTO tavrinKSK (id, studentid, class) VALUES (?, 'b', ?)"),
                     m_exam, cls);
    EXPECT_EQ(HighestClass(m_db, m_exam), 0);

    EXPECT_EQ(ClassNumber(db::Variant(1)), 1);
    EXPECT_EQ(ClassNumber(db::Variant(99)), 99);
    for (const db::Variant& cls :
         {db::Variant(0), db::Variant(100), db::Variant(4294967297LL), db::Variant()})
        EXPECT_FALSE(ClassNumber(cls)) << cls.ToString().toStdString();
}
