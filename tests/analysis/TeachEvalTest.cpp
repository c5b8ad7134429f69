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

TEST_F(TeachEvalTest, SharesFromCountsAlone) {
    // Every level solved: the shares need not sum to 1 (the sum row is the one left out).
    const auto band =
        Solve({{2, 1, 0, 0, 0}, {1, 2, 1, 0, 0}, {0, 1, 2, 1, 0}, {0, 0, 1, 2, 1}, {0, 0, 0, 1, 2}});
    ASSERT_TRUE(band);
    EXPECT_EQ(Texts(*band), Split("0.17|0.22|0.22|0.22|0.17|50.00"));
    // Level A kept by all three of its students is pinned to 3/15.
    const auto keptA =
        Solve({{3, 0, 0, 0, 0}, {1, 2, 1, 0, 0}, {0, 1, 2, 1, 0}, {0, 0, 1, 2, 1}, {0, 0, 0, 1, 2}});
    ASSERT_TRUE(keptA);
    EXPECT_EQ(Texts(*keptA), Split("0.17|0.00|0.00|0.00|0.00|15.00"));
    // Nobody started on A, D or E: those are pinned to 0; B, kept by all, to 3/7.
    const auto twoRows =
        Solve({{0, 0, 0, 0, 0}, {0, 3, 0, 0, 0}, {0, 1, 2, 1, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}});
    ASSERT_TRUE(twoRows);
    EXPECT_EQ(Texts(*twoRows), Split("0.00|0.43|0.00|0.00|0.00|30.00"));
    const auto one = Solve({{0, 1, 0, 0, 0}});
    ASSERT_TRUE(one);
    EXPECT_EQ(Texts(*one), Split("0.00|0.00|0.00|0.00|0.00|0.00"));
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
    EXPECT_EQ(Cells(t, 1, 1, 17), Split("2|2|0|0|0|3|0|0|1|0|0.50|0.00|0.00|0.00|0.00|45.00|1"));
    EXPECT_EQ(Cells(t, 2, 1, 17), QStringList(17, QString())); // no students
    EXPECT_EQ(Cells(t, 3, 1, 17), Split("0|0|2|2|2|0|1|1|1|3|0.00|0.00|0.13|0.27|0.53|20.00|2"));
    EXPECT_EQ(t.Text(2, 0), QStringLiteral("02班"));
    // The bar runs from 0 to the class count + 2 and ends one past its top.
    EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 7}));
}

TEST_F(TeachEvalTest, MethodMByStream) {
    const CReportTable arts = RunM(kArts);
    EXPECT_EQ(arts.Text(1, 16), QStringLiteral("45.00"));
    EXPECT_EQ(arts.Text(3, 16), QStringLiteral("15.00"));
    EXPECT_EQ(arts.Text(1, 17), QStringLiteral("1"));
    EXPECT_EQ(arts.Text(3, 17), QStringLiteral("2"));
    const CReportTable science = RunM(kScience);
    EXPECT_EQ(science.Text(1, 16), QStringLiteral("80.00"));
    EXPECT_EQ(science.Text(3, 16), QStringLiteral("20.00"));
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
    // Class 2 gets students who score as class 1's do.
    const double scores[][2] = {{95, 90}, {90, 92}, {85, 70}, {80, 88}};
    for (int i = 0; i < 4; ++i) {
        AddRow(1, QStringLiteral("x%1").arg(i), 2, scores[i][0]);
        AddRow(2, QStringLiteral("x%1").arg(i), 2, scores[i][1]);
    }
    const CReportTable t = RunM(kWholeGrade);
    ASSERT_FALSE(t.Text(1, 16).isEmpty());
    EXPECT_EQ(t.Text(1, 16), t.Text(2, 16));
    EXPECT_EQ(Cells(t, 1, 17, 17), QStringList{"1"});
    EXPECT_EQ(t.Text(2, 17), QStringLiteral("1"));
    EXPECT_EQ(t.Text(3, 17), QStringLiteral("3"));
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
