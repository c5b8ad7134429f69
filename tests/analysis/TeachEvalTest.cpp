// The teaching evaluation's computations on the hand-worked school, and the stationary shares of
// transition tables whose solutions were derived by the elimination step by step.

#include "EvalSchool.h"

#include "analysis/TeachEval.h"
#include "reports/ReportQueries.h"

using namespace teacheval;

namespace {

QStringList Cells(const CReportTable& t, int row, int first, int last) {
    QStringList texts;
    for (int c = first; c <= last; ++c)
        texts << t.Text(row, c);
    return texts;
}

QStringList Split(const char* texts) {
    return QString::fromUtf8(texts).split(u'|');
}

class TeachEvalTest : public EvalSchool {
protected:
    CReportTable RunM(int range, int subject = 1) {
        CReportTable t = EmptyTable(kMethodM, 4);
        RunMAnalysis(m_db, {1, 2, subject, range}, t, [this](int p) { positions.push_back(p); });
        return t;
    }
    CReportTable RunF() {
        CReportTable t = EmptyTable(kMethodF, 4);
        RunFAnalysis(m_db, {1, 2, 1, kWholeGrade}, t);
        return t;
    }
    std::vector<int> positions;
};

std::optional<Shares> Solve(std::initializer_list<std::initializer_list<double>> rows) {
    Transitions t{};
    int i = 0;
    for (const auto& row : rows) {
        int j = 0;
        for (double v : row)
            t[std::size_t(i)][std::size_t(j++)] = v;
        ++i;
    }
    return StationaryShares(t);
}

QStringList Texts(const Shares& s) {
    QStringList texts;
    for (double x : s.x)
        texts << QString::asprintf("%.2f", x);
    texts << QString::asprintf("%.2f", s.score);
    return texts;
}

} // namespace

TEST_F(TeachEvalTest, EmptyTablesLabelShadeAndAlignEveryRow) {
    const CReportTable m = EmptyTable(kMethodM, 4);
    ASSERT_EQ(m.RowCount(), 4);
    ASSERT_EQ(m.ColumnCount(), 18);
    EXPECT_EQ(Cells(m, 0, 0, 17),
              Split("班级|基A|基B|基C|基D|基E|本A|本B|本C|本D|本E|等级A|等级B|等级C|等级D|等级E|得分|名次"));
    EXPECT_EQ(Cells(m, 1, 0, 0), QStringList{"01班"});
    EXPECT_EQ(m.Text(3, 0), QStringLiteral("03班"));
    for (int c = 0; c < 18; ++c) {
        EXPECT_EQ(m.Cell(0, c)->align, CellAlign::Right);
        EXPECT_EQ(m.Cell(2, c)->align, CellAlign::Right);
        EXPECT_EQ(m.Cell(2, c)->background.isValid(), c >= 6 && c <= 10) << c;
        EXPECT_FALSE(m.Cell(0, c)->background.isValid());
    }
    EXPECT_EQ(m.Cell(1, 6)->background, QColor(231, 231, 231));

    const CReportTable f = EmptyTable(kMethodF, 12);
    EXPECT_EQ(Cells(f, 0, 0, 11), Split("班级|基A|基B|基C|基D|本A|本B|本C|本D|均分率一|均分率二|阶段F值"));
    EXPECT_EQ(f.Text(11, 0), QStringLiteral("11班"));
    for (int c = 0; c < 12; ++c)
        EXPECT_EQ(f.Cell(11, c)->background.isValid(), c >= 5 && c <= 8) << c;
    EXPECT_EQ(EmptyTable(kMethodF, 1).RowCount(), 1);
}

TEST_F(TeachEvalTest, LevelsPutAZOnAThresholdOneLevelLower) {
    EXPECT_EQ(LevelOfZ(0.85), 0);
    EXPECT_EQ(LevelOfZ(0.84), 1);
    EXPECT_EQ(LevelOfZ(0.25), 2);
    EXPECT_EQ(LevelOfZ(0.2501), 1);
    EXPECT_EQ(LevelOfZ(0.0), 2);
    EXPECT_EQ(LevelOfZ(-0.25), 3);
    EXPECT_EQ(LevelOfZ(-0.8399), 3);
    EXPECT_EQ(LevelOfZ(-0.84), 4);
    EXPECT_EQ(LevelOfZ(-5.0), 4);
}

TEST_F(TeachEvalTest, SharesOnlyFromADistribution) {
    const auto band =
        Solve({{2, 1, 0, 0, 0}, {1, 2, 1, 0, 0}, {0, 1, 2, 1, 0}, {0, 0, 1, 2, 1}, {0, 0, 0, 1, 2}});
    ASSERT_TRUE(band);
    EXPECT_EQ(Texts(*band), Split("0.17|0.22|0.22|0.22|0.17|50.00"));
    // Nobody started on D or E, and nobody reached them: pinned to 0, the rest shared out.
    const auto closed =
        Solve({{1, 1, 0, 0, 0}, {1, 1, 1, 0, 0}, {0, 1, 1, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}});
    ASSERT_TRUE(closed);
    EXPECT_EQ(Texts(*closed), Split("0.29|0.43|0.29|0.00|0.00|70.00"));
    // C kept by all six of its students: the pin is kept where the solve still sums to 1.
    const auto keptC =
        Solve({{8, 3, 1, 0, 0}, {2, 9, 4, 1, 0}, {0, 0, 6, 0, 0}, {0, 1, 3, 7, 2}, {0, 0, 1, 2, 5}});
    ASSERT_TRUE(keptC);
    EXPECT_EQ(Texts(*keptC), Split("0.57|0.32|0.11|0.00|0.00|79.16"));
    // A kept by all three and reached from B: the pin 3/15 leaves the other levels at 0, a sum of
    // 0.2; B kept with flows into A and D pinned to 0; nobody kept anything: no distribution.
    EXPECT_FALSE(
        Solve({{3, 0, 0, 0, 0}, {1, 2, 1, 0, 0}, {0, 1, 2, 1, 0}, {0, 0, 1, 2, 1}, {0, 0, 0, 1, 2}}));
    EXPECT_FALSE(
        Solve({{0, 0, 0, 0, 0}, {0, 3, 0, 0, 0}, {0, 1, 2, 1, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}));
    EXPECT_FALSE(Solve({{0, 1, 0, 0, 0}}));
    EXPECT_FALSE(Solve({}));
}

TEST_F(TeachEvalTest, MethodMOverTheWholeGrade) {
    // Grade statistics over the ten students with both scores: 72.50 / 15.14 and 73.80 / 14.17.
    db::Recordset rs =
        m_db.Execute(QStringLiteral("SELECT avg(s01), stdev(s01) FROM tavrinKSK WHERE id=1 AND "
                                    "studentid NOT IN ('s11','s12')"));
    EXPECT_EQ(QString::asprintf("%.2f %.2f", rs.Field(0).ToDouble(), rs.Field(1).ToDouble()),
              QStringLiteral("72.50 15.14"));

    const CReportTable t = RunM(kWholeGrade);
    // Class 1 keeps A (pinned to 2/5) while a B student rises to it; class 3 has B and A pinned to 0
    // while a C student reaches B: neither solve sums to 1, so neither class is scored.
    EXPECT_EQ(Cells(t, 1, 1, 17), Split("2|2|0|0|0|3|0|0|1|0|||||||该班的等级转移无法求出稳定分布"));
    // No student of class 2 has a score in both exams: its row says so rather than stay blank.
    QStringList nobody(17, QString());
    nobody.last() = QStringLiteral("该班没有学生两次考试都有成绩");
    EXPECT_EQ(Cells(t, 2, 1, 17), nobody);
    EXPECT_EQ(Cells(t, 3, 1, 17), Split("0|0|2|2|2|0|1|1|1|3|||||||该班的等级转移无法求出稳定分布"));
    EXPECT_EQ(t.Text(2, 0), QStringLiteral("02班"));
    // The bar runs from 0 to the class count + 2 and ends one past its top.
    EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 7}));
}

TEST_F(TeachEvalTest, MethodMByStream) {
    const CReportTable arts = RunM(kArts);
    EXPECT_EQ(Cells(arts, 1, 1, 10), Split("1|1|0|0|0|1|0|1|0|0"));
    EXPECT_EQ(Cells(arts, 1, 16, 17), Split("|该班的等级转移无法求出稳定分布"));
    EXPECT_EQ(Cells(arts, 3, 16, 17), Split("|该班的等级转移无法求出稳定分布"));
    EXPECT_EQ(arts.Text(2, 17), QStringLiteral("该班没有文科学生两次考试都有成绩"));
    const CReportTable science = RunM(kScience);
    EXPECT_EQ(Cells(science, 1, 11, 17), Split("0.50|0.50|0.00|0.00|0.00|80.00|1"));
    EXPECT_EQ(science.Text(2, 17), QStringLiteral("该班没有理科学生两次考试都有成绩"));
    EXPECT_EQ(Cells(science, 3, 16, 17), Split("|该班的等级转移无法求出稳定分布"));
}

TEST_F(TeachEvalTest, MethodMWithoutASpreadLevelsNobody) {
    // 数学 has no scores (NULL statistics); then every score equal (a standard deviation of 0).
    const CReportTable none = RunM(kWholeGrade, 2);
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET s02=60"));
    const CReportTable flat = RunM(kWholeGrade, 2);
    for (const CReportTable* t : {&none, &flat})
        for (int r = 1; r < 4; ++r)
            EXPECT_EQ(Cells(*t, r, 1, 17), QStringList(17, QString())) << r;
}

TEST_F(TeachEvalTest, MethodMRanksOnlyScoredClassesAndTiesShare) {
    // Classes 2 and 4 get two science students each who score alike.
    const double scores[][2] = {{90, 80}, {80, 92}};
    int n = 0;
    for (const int cls : {2, 4})
        for (int i = 0; i < 2; ++i) {
            const QString id = QStringLiteral("y%1").arg(2 * n++);
            AddRow(1, id, cls, scores[i][0]);
            AddRow(2, id, cls, scores[i][1]);
        }
    CReportTable t = EmptyTable(kMethodM, 5);
    RunMAnalysis(m_db, {1, 2, 1, kWholeGrade}, t);
    EXPECT_EQ(Cells(t, 2, 11, 17), Split("0.50|0.50|0.00|0.00|0.00|80.00|1"));
    EXPECT_EQ(Cells(t, 4, 11, 17), Cells(t, 2, 11, 17));
    EXPECT_EQ(Cells(t, 1, 16, 17), Split("|该班的等级转移无法求出稳定分布"));
    EXPECT_EQ(Cells(t, 3, 16, 17), Split("|该班的等级转移无法求出稳定分布"));
}

TEST_F(TeachEvalTest, MethodF) {
    const CReportTable t = RunF();
    EXPECT_EQ(Cells(t, 1, 1, 11), Split(" 3| 2| 0| 0| 3| 1| 0| 0|1.17|1.15|63.6"));
    EXPECT_EQ(Cells(t, 2, 1, 11), Split(" 0| 0| 0| 0| 0| 0| 0| 0|||"));
    EXPECT_EQ(Cells(t, 3, 1, 11), Split(" 0| 1| 3| 1| 0| 2| 3| 1|0.83|0.90|66.4"));
    // The range changes nothing.
    CReportTable arts = EmptyTable(kMethodF, 4);
    RunFAnalysis(m_db, {1, 2, 1, kArts}, arts);
    EXPECT_EQ(arts.Records(), t.Records());
}

TEST_F(TeachEvalTest, MethodFEdges) {
    // Unchanged counts score exactly 65.0; a grade mean of 0 leaves the rate empty, never inf.
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET s01=0 WHERE s01 IS NOT NULL"));
    const CReportTable t = RunF();
    // Ten equal scores: every cut is 0, so everybody is level A.
    EXPECT_EQ(Cells(t, 1, 1, 11), Split(" 5| 0| 0| 0| 4| 0| 0| 0|||63.0"));
    EXPECT_EQ(Cells(t, 3, 1, 11), Split(" 5| 0| 0| 0| 6| 0| 0| 0|||67.0"));
    // With three students, no place is within 30 %: cut A stays 0 and every score is level A.
    m_db.Execute(QStringLiteral("DELETE FROM tavrinKSK WHERE studentid NOT IN ('s1','s2','s3')"));
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET s01=50+substr(studentid,2)"));
    const CReportTable small = RunF();
    EXPECT_EQ(Cells(small, 1, 1, 11), Split(" 3| 0| 0| 0| 3| 0| 0| 0|1.00|1.00|65.0"));
}
