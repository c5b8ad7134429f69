// The reports on a generated school, checked against the same statistics computed here from the
// raw score rows.
#include "fixtures/SchoolFixture.h"
#include "reports/BasicStats.h"
#include "reports/ClassStandardScores.h"
#include "reports/ClassSubjectTables.h"
#include "reports/ValidTotals.h"

#include "data/TextCipher.h"
#include "platform/db/Connection.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>
#include <map>

using namespace reports;

namespace {

struct Moments {
    int n = 0;
    double mean = 0;
    std::optional<double> sd;
};

Moments Of(const std::vector<double>& v) {
    Moments m;
    m.n = int(v.size());
    double sum = 0;
    for (double x : v)
        sum += x;
    m.mean = sum / m.n;
    if (m.n > 1) {
        double ss = 0;
        for (double x : v)
            ss += (x - m.mean) * (x - m.mean);
        m.sd = std::sqrt(ss / (m.n - 1));
    }
    return m;
}

QString F62(double v) {
    return QString::asprintf("%6.2f", v);
}

TEST(FixtureStats, TablesAgreeWithAnIndependentComputation) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const fixtures::SchoolInfo school = fixtures::MakeSchool(dir.filePath(QStringLiteral("school.mdb")));
    db::Connection conn;
    conn.OpenFile(school.path, fixtures::DatabasePassword());
    CTextCipher cipher;
    const int exam = school.exams.front().id;

    CAnalysisContext context;
    context.m_nAnalysisExamId = exam;
    context.m_strAnalysisExam = QStringLiteral("2008|期中");
    context.m_nSelectedSubjects = int(school.subjects.size());
    for (int k = 0; k < context.m_nSelectedSubjects; ++k)
        context.m_aSubjectSelected[k] = 1;
    std::vector<int> all;
    for (const fixtures::SubjectInfo& s : school.subjects)
        all.push_back(s.no);
    ASSERT_TRUE(ComputeValidTotals(conn, exam, 2, all));

    // Raw rows per class: s01 and sum3.
    std::map<int, std::vector<double>> s01, sum3;
    std::vector<double> grade01, gradeSum;
    int k = 0;
    for (db::Recordset rs =
             conn.Execute(QStringLiteral("SELECT class, s01, sum3 FROM tavrinKSK WHERE id=?"), exam);
         !rs.IsEOF(); rs.MoveNext()) {
        const int c = rs.Field(0).ToInt();
        k = std::max(k, c);
        if (!rs.Field(1).IsNull()) {
            s01[c].push_back(rs.Field(1).ToDouble());
            grade01.push_back(rs.Field(1).ToDouble());
        }
        if (!rs.Field(2).IsNull()) {
            sum3[c].push_back(rs.Field(2).ToDouble());
            gradeSum.push_back(rs.Field(2).ToDouble());
        }
    }
    ASSERT_GT(school.edges.emptyClass, 0);
    ASSERT_TRUE(s01.count(school.edges.emptyClass) == 0);

    CReportTable byClass;
    ComputeSubjectClassTable(conn, cipher, context, byClass);
    ASSERT_EQ(byClass.RowCount(), int(all.size()) * (k + 3) - 2);
    CReportTable z;
    ComputeClassStandardScores(conn, cipher, context, z);
    ASSERT_EQ(z.RowCount(), k + 1);
    const Moments g01 = Of(grade01);
    const Moments gSum = Of(gradeSum);
    for (int c = 1; c <= k; ++c) {
        if (!s01.count(c)) {
            EXPECT_EQ(byClass.Text(c, 3), QString()) << c;
            EXPECT_EQ(z.Text(c, 2), QString()) << c;
            continue;
        }
        const Moments m = Of(s01[c]);
        EXPECT_EQ(byClass.Text(c, 0), school.subjects[0].name);
        EXPECT_EQ(byClass.Text(c, 3), QString::asprintf("%2d", m.n)) << c;
        EXPECT_EQ(byClass.Text(c, 6), F62(m.mean)) << c;
        EXPECT_EQ(byClass.Text(c, 7), m.sd ? F62(*m.sd) : QString()) << c;
        EXPECT_EQ(z.Text(c, 2), F62((m.mean - g01.mean) * std::sqrt(double(m.n)) / *g01.sd)) << c;
        const Moments t = Of(sum3[c]);
        EXPECT_EQ(z.Text(c, 1), F62((t.mean - gSum.mean) * std::sqrt(double(t.n)) / *gSum.sd)) << c;
    }

    for (int s = 0; s <= 4; ++s)
        for (int accum : {kGradeRow, kStreamRows}) {
            CReportTable t;
            ComputeGradeRanks(conn, cipher, context, {Statistic(s), accum, false}, t);
            EXPECT_EQ(t.RowCount(), k + 1 + (accum == kStreamRows ? 2 : 1));
            EXPECT_EQ(t.ColumnCount(), 2 * int(all.size()) + 3 + (accum == kStreamRows ? 4 : 0));
        }
    CReportTable grade;
    ComputeGradeStats(conn, cipher, context, {Statistic::Avg, kGradeRow, true}, grade);
    EXPECT_EQ(grade.Text(k + 1, 1), F62(gSum.mean));
    EXPECT_EQ(grade.Text(k + 1, 4), QString::asprintf("%3d", g01.n));
}

} // namespace
