// The teaching evaluation on a generated school edited as a school year leaves it: a class whose
// level-A students all stay at A (its shares are no distribution), an exam before the 文理 split
// (no row has a stream) and a subject that one exam did not set.

#include "analysis/TeachEval.h"
#include "fixtures/SchoolFixture.h"
#include "platform/db/Connection.h"
#include "reports/ReportQueries.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace teacheval;

namespace {

QStringList Cells(const CReportTable& t, int row, int first, int last) {
    QStringList texts;
    for (int c = first; c <= last; ++c)
        texts << t.Text(row, c);
    return texts;
}

class TeachEvalSchoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        fixtures::SchoolOptions o;
        o.grades = 1;
        o.classesPerGrade = 5;
        o.minStudents = 30;
        o.maxStudents = 40;
        o.subjects = 3;
        o.examsPerGrade = 2;
        const QString path = m_dir.filePath(QStringLiteral("school.mdb"));
        const fixtures::SchoolInfo info = fixtures::MakeSchool(path, o);
        ASSERT_EQ(info.exams.size(), 2u);
        m_first = info.exams[0].id;
        m_second = info.exams[1].id;
        m_db.OpenFile(path, fixtures::DatabasePassword());
        m_rows = reports::HighestClass(m_db, m_second) + 1;
        ASSERT_GE(m_rows, 5);
    }

    CReportTable Run(int method, int subject, int range, MissingScores& missing) {
        CReportTable t = EmptyTable(method, m_rows);
        const Choice choice{m_first, m_second, subject, range};
        missing = method == kMethodM ? RunMAnalysis(m_db, choice, t) : RunFAnalysis(m_db, choice, t);
        return t;
    }
    CReportTable RunM(int subject = 1, int range = kWholeGrade) {
        MissingScores missing;
        CReportTable t = Run(kMethodM, subject, range, missing);
        EXPECT_EQ(missing, MissingScores::None);
        return t;
    }

    // Gives the second-exam scores of class `cls` to its students in the order of their first-exam
    // scores, best to best: the grade's scores stay the same, so every other class keeps its levels.
    void SortSecondExamScores(int cls) {
        struct Row {
            long long rowid;
            double first, second;
        };
        std::vector<Row> rows;
        for (db::Recordset rs = m_db.Execute(
                 QStringLiteral("SELECT s.rowid, f.s01, s.s01 FROM tavrinKSK s JOIN tavrinKSK f ON "
                                "f.studentid=s.studentid AND f.id=? WHERE s.id=? AND s.class=? AND "
                                "s.s01 IS NOT NULL AND f.s01 IS NOT NULL"),
                 {m_first, m_second, cls});
             !rs.IsEOF(); rs.MoveNext())
            rows.push_back({rs.Field(0).ToInt64(), rs.Field(1).ToDouble(), rs.Field(2).ToDouble()});
        std::vector<double> seconds;
        for (const Row& r : rows)
            seconds.push_back(r.second);
        std::sort(seconds.begin(), seconds.end(), std::greater<>());
        std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.first > b.first; });
        for (std::size_t i = 0; i < rows.size(); ++i)
            m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET s01=? WHERE rowid=?"), seconds[i],
                         rows[i].rowid);
    }

    QTemporaryDir m_dir;
    db::Connection m_db;
    int m_first = -1;
    int m_second = -1;
    int m_rows = 0;
};

} // namespace

TEST_F(TeachEvalSchoolTest, AClassWhoseLevelAStudentsAllStayGetsNoScoreAndTheOthersKeepTheirs) {
    const CReportTable before = RunM();
    // A scored class with first-exam level-A students and more level-A scores in the second exam:
    // sorted, its A students all stay at A and others rise to A.
    int edited = -1;
    for (int r = 1; r < m_rows && edited < 0; ++r)
        if (before.Text(r, 1).toInt() > 0 && before.Text(r, 6).toInt() > before.Text(r, 1).toInt() &&
            !before.Text(r, 16).isEmpty())
            edited = r;
    ASSERT_NE(edited, -1);
    SortSecondExamScores(edited);

    const CReportTable after = RunM();
    EXPECT_EQ(Cells(after, edited, 1, 10), Cells(before, edited, 1, 10));
    EXPECT_EQ(Cells(after, edited, 11, 17), QStringList(6, QString()) << "该班的等级转移无法求出稳定分布");

    int scored = 0;
    for (int r = 1; r < m_rows; ++r) {
        if (r == edited)
            continue;
        EXPECT_EQ(Cells(after, r, 1, 16), Cells(before, r, 1, 16)) << r;
        if (before.Text(r, 16).isEmpty()) {
            EXPECT_EQ(after.Text(r, 17), before.Text(r, 17)) << r;
            continue;
        }
        ++scored;
        // Ranked among the classes that still have a score.
        int rank = 1;
        for (int s = 1; s < m_rows; ++s)
            if (s != edited && !before.Text(s, 16).isEmpty() &&
                before.Text(s, 16).toDouble() > before.Text(r, 16).toDouble())
                ++rank;
        EXPECT_EQ(after.Text(r, 17), QString::number(rank)) << r;
    }
    EXPECT_GE(scored, 2);
}

TEST_F(TeachEvalSchoolTest, AnExamWithoutScoresOfTheRangeLeavesTheTableEmptyAndSaysWhich) {
    const CReportTable empty = EmptyTable(kMethodM, m_rows);
    const CReportTable emptyF = EmptyTable(kMethodF, m_rows);
    const CReportTable whole = RunM();
    MissingScores missing;
    ASSERT_NE(Run(kMethodM, 1, kArts, missing).Records(), empty.Records());

    // Before the 文理 split no row of the first exam has a stream; the whole grade still compares.
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET worl=NULL WHERE id=?"), m_first);
    for (const int range : {kArts, kScience}) {
        EXPECT_EQ(Run(kMethodM, 1, range, missing).Records(), empty.Records()) << range;
        EXPECT_EQ(missing, MissingScores::FirstExam) << range;
    }
    EXPECT_EQ(RunM().Records(), whole.Records());

    // 数学 not set in the second exam: M and F compare nothing; then set in neither.
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET s02=NULL WHERE id=?"), m_second);
    EXPECT_EQ(Run(kMethodM, 2, kWholeGrade, missing).Records(), empty.Records());
    EXPECT_EQ(missing, MissingScores::SecondExam);
    EXPECT_EQ(Run(kMethodF, 2, kWholeGrade, missing).Records(), emptyF.Records());
    EXPECT_EQ(missing, MissingScores::SecondExam);
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET s02=NULL"));
    EXPECT_EQ(Run(kMethodF, 2, kArts, missing).Records(), emptyF.Records());
    EXPECT_EQ(missing, MissingScores::BothExams);
    // 语文 is untouched: F still counts every class.
    EXPECT_NE(Run(kMethodF, 1, kWholeGrade, missing).Text(1, 1), QString());
    EXPECT_EQ(missing, MissingScores::None);

    EXPECT_EQ(MissingScoresMessage(MissingScores::FirstExam, kArts, QStringLiteral("语文")),
              QStringLiteral("第一次考试没有文科学生的语文成绩。"));
    EXPECT_EQ(MissingScoresMessage(MissingScores::SecondExam, kScience, QStringLiteral("语文")),
              QStringLiteral("第二次考试没有理科学生的语文成绩。"));
    EXPECT_EQ(MissingScoresMessage(MissingScores::BothExams, kWholeGrade, QStringLiteral("数学")),
              QStringLiteral("第一次考试没有数学成绩。\n第二次考试没有数学成绩。"));
    EXPECT_EQ(MissingScoresMessage(MissingScores::None, kArts, QStringLiteral("数学")), QString());
}
