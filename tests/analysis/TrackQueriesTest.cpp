#include "TrackSchool.h"

#include "analysis/TrackQueries.h"

using namespace analysis;

namespace {

class TrackQueriesTest : public TrackSchool {
protected:
    std::vector<TrackStudent> Class1() { return ClassStudents(m_db, QStringLiteral("12008"), 1); }

    // Exams 3, 2, 1 as the exam list shows them, with their weights.
    static std::vector<TrackedExam> Exams(const char* w1 = "1.0", const char* w2 = "1.0",
                                          const char* w3 = "1.0") {
        return {{1, 3, QString::fromUtf8(w1)}, {2, 2, QString::fromUtf8(w2)}, {3, 1, QString::fromUtf8(w3)}};
    }

    static QStringList Row(const CReportTable& t, int row) {
        QStringList texts;
        for (int c = 0; c < t.ColumnCount(); ++c)
            texts << t.Text(row, c);
        return texts;
    }
    static QStringList Column(const CReportTable& t, int col) {
        QStringList texts;
        for (int r = 1; r < t.RowCount(); ++r)
            texts << t.Text(r, col);
        return texts;
    }
};

TEST_F(TrackQueriesTest, ExamsComeInDateOrderAndSubjectsAfterTheTotals) {
    const std::vector<TrackExam> exams = GradeExams(m_db, m_cipher, QStringLiteral("12008"));
    ASSERT_EQ(exams.size(), 4u);
    EXPECT_EQ(exams[0].id, 3);
    EXPECT_EQ(exams[0].name, QStringLiteral("月考"));
    EXPECT_EQ(exams[1].name, QStringLiteral("期中考试"));
    EXPECT_EQ(exams[2].name, QStringLiteral("期末考试"));
    EXPECT_EQ(exams[3].id, 4);
    EXPECT_FALSE(exams[3].name);
    EXPECT_TRUE(GradeExams(m_db, m_cipher, QStringLiteral("19999")).empty());

    EXPECT_EQ(TrackSubjects(m_db, m_cipher), QStringList({"文总", "理总", "总分", "语文", "数学"}));
    m_db.Execute(QStringLiteral("DELETE FROM tavrinKMK"));
    EXPECT_TRUE(TrackSubjects(m_db, m_cipher).isEmpty());
}

TEST_F(TrackQueriesTest, SubjectTextNamesATotalOrACheckedColumn) {
    EXPECT_EQ(SubjectColumn(m_db, m_cipher, QStringLiteral("文总")), QStringLiteral("sum1"));
    EXPECT_EQ(SubjectColumn(m_db, m_cipher, QStringLiteral("理总")), QStringLiteral("sum2"));
    EXPECT_EQ(SubjectColumn(m_db, m_cipher, QStringLiteral("总分")), QStringLiteral("sum3"));
    EXPECT_EQ(SubjectColumn(m_db, m_cipher, QStringLiteral("数学")), QStringLiteral("s02"));
    EXPECT_FALSE(SubjectColumn(m_db, m_cipher, QStringLiteral("物理")));
    EXPECT_FALSE(SubjectColumn(m_db, m_cipher, QString()));
    // A stored column name that is no score column never reaches SQL.
    m_db.Execute(QStringLiteral("UPDATE tavrinKMK SET fldname='id; drop' WHERE id=1"));
    EXPECT_FALSE(SubjectColumn(m_db, m_cipher, QStringLiteral("语文")));
}

TEST_F(TrackQueriesTest, RanksShareEqualScoresInEveryScope) {
    const QString sum3 = QStringLiteral("sum3");
    const auto rank = [&](int exam, const char* id, int target) {
        return GetStudentRank(m_db, exam, sum3, QString::fromLatin1(id), target);
    };
    // 90, 90, 80 in class 1 and in the grade (王五 70 below them).
    for (int target : {kClassRank, kGradeRank}) {
        EXPECT_EQ(rank(3, "120080101", target).rank, 1) << target;
        EXPECT_EQ(rank(3, "120080102", target).rank, 1) << target;
        EXPECT_EQ(rank(3, "120080103", target).rank, 3) << target;
    }
    // A stream rank among that stream's students (文 abcd 90, 王五 70; 理 张三 90, a张b 80), and
    // none for a student of the other stream, whose score still shows.
    EXPECT_EQ(rank(3, "120080102", kArtsRank).rank, 1);
    EXPECT_EQ(rank(3, "120080201", kArtsRank).rank, 2);
    EXPECT_EQ(rank(3, "120080101", kScienceRank).rank, 1);
    EXPECT_EQ(rank(3, "120080103", kScienceRank).rank, 2);
    for (const auto& [id, target] : {std::pair{"120080101", kArtsRank},
                                     {"120080103", kArtsRank},
                                     {"120080102", kScienceRank},
                                     {"120080201", kScienceRank}}) {
        EXPECT_FALSE(rank(3, id, target).rank) << id;
        EXPECT_TRUE(rank(3, id, target).score) << id;
    }
    // The class of the exam's own row: a张b sat exam 2 in class 2, below 王五.
    EXPECT_EQ(rank(2, "120080103", kClassRank).rank, 2);
    EXPECT_EQ(rank(2, "120080103", kClassRank).score, 0.0);
    // Compared at two decimals: 80.126 and 80.13 share rank 2 behind 90.
    EXPECT_EQ(rank(1, "120080102", kGradeRank).rank, 2);
    EXPECT_EQ(rank(1, "120080201", kGradeRank).rank, 2);
    EXPECT_EQ(rank(1, "120080101", kGradeRank).rank, 4);
    // Absent, NULL, and a target outside the list.
    EXPECT_FALSE(rank(3, "120080100", kClassRank).score);
    EXPECT_FALSE(rank(2, "120080102", kClassRank).score);
    const TrackScore typed = rank(3, "120080101", -1);
    EXPECT_EQ(typed.score, 90.0);
    EXPECT_FALSE(typed.rank);
}

TEST_F(TrackQueriesTest, TheTableAndTheChartRankAsTheScoresShow) {
    // Exam 5: 108.01, then 108.005 (stored 108.00499…) beside 108.00, then 97.125 (shown 97.12)
    // beside 97.12, then 0.85 × 12.5 = 10.625 (shown 10.62) below 10.63.
    AddExam(5, "周考", "2009-04-01");
    const std::pair<const char*, double> rows[] = {
        {"120080100", 108.01}, {"120080101", 108.005}, {"120080102", 108.00},     {"120080103", 97.125},
        {"120080201", 97.12},  {"120080301", 10.63},   {"120080302", 0.85 * 12.5}};
    for (const auto& [id, sum3] : rows)
        Score(5, id, "", 1, "文", sum3, sum3, std::nullopt);
    const std::vector<int> expected{1, 2, 2, 4, 4, 6, 7};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const QString id = QString::fromLatin1(rows[i].first);
        for (const char* column : {"sum3", "s01"}) {
            EXPECT_EQ(GetStudentRank(m_db, 5, QString::fromLatin1(column), id, kGradeRank).rank, expected[i])
                << id.toStdString() << column;
            EXPECT_EQ(StudentTraceValue(m_db, 5, QString::fromLatin1(column), id, kTraceGradeRank),
                      double(expected[i]))
                << id.toStdString() << column;
        }
    }
}

TEST_F(TrackQueriesTest, NamesArePaddedOnlyAtACharacterBoundary) {
    EXPECT_EQ(PadShortName(QStringLiteral("张三")), QStringLiteral("张　三"));
    EXPECT_EQ(PadShortName(QStringLiteral("abcd  ")), QStringLiteral("ab　cd"));
    EXPECT_EQ(PadShortName(QStringLiteral("a张b")), QStringLiteral("a张b"));
    EXPECT_EQ(PadShortName(QStringLiteral("李小明 ")), QStringLiteral("李小明"));
    EXPECT_EQ(PadShortName(QStringLiteral("abc")), QStringLiteral("abc"));

    const std::vector<TrackStudent> students = Class1();
    ASSERT_EQ(students.size(), 4u);
    EXPECT_EQ(students[0].studentId, QStringLiteral("120080100"));
    EXPECT_EQ(students[1].name, QStringLiteral("张　三"));
    EXPECT_EQ(students[2].name, QStringLiteral("ab　cd"));
    EXPECT_EQ(students[3].name, QStringLiteral("a张b"));
    // An empty grade text matches every grade; "%" in it only itself.
    EXPECT_EQ(ClassStudents(m_db, QString(), 3).size(), 2u);
    EXPECT_TRUE(ClassStudents(m_db, QStringLiteral("%"), 3).empty());
}

TEST_F(TrackQueriesTest, WeightsAreReadAsAtofReadsThem) {
    EXPECT_EQ(WeightOf(QStringLiteral("1.0")), 1.0);
    EXPECT_EQ(WeightOf(QStringLiteral(" 0.5")), 0.5);
    EXPECT_EQ(WeightOf(QStringLiteral("2kg")), 2.0);
    EXPECT_EQ(WeightOf(QStringLiteral("-1")), -1.0);
    EXPECT_EQ(WeightOf(QStringLiteral("abc")), 0.0);
    EXPECT_EQ(WeightOf(QString()), 0.0);
    EXPECT_EQ(WeightOf(QStringLiteral("0.1")), double(0.1f));

    EXPECT_GT(CompareCells(QStringLiteral("综合"), QStringLiteral(" 85.50"), QStringLiteral(" 85.49")), 0);
    EXPECT_LT(CompareCells(QStringLiteral("综合"), QString(), QStringLiteral("  0.01")), 0);
    EXPECT_GT(CompareCells(QStringLiteral("学号"), QStringLiteral("10"), QStringLiteral("9")), 0);
    EXPECT_LT(CompareCells(QStringLiteral("姓名"), QStringLiteral("李小明"), QStringLiteral("张　三")), 0);
    EXPECT_LT(CompareCells(QStringLiteral("考试"), QStringLiteral("b"), QStringLiteral("月考")), 0);
}

TEST_F(TrackQueriesTest, TrackTableAgreesWithTheHandComputedOne) {
    const CReportTable t = TrackTable(m_db, Class1(), Exams(), QStringLiteral("sum3"), kClassRank);
    ASSERT_EQ(t.RowCount(), 5);
    EXPECT_EQ(Row(t, 0),
              QStringList({"学号", "姓名", "第1次", "名次", "第2次", "名次", "第3次", "名次", "综合"}));
    EXPECT_EQ(Row(t, 1),
              QStringList({"120080101", "张　三", " 90.00", "1", " 85.50", "1", " 70.25", "3", "245.75"}));
    EXPECT_EQ(Row(t, 2),
              QStringList({"120080100", "李小明", "", "", " 85.49", "2", " 90.00", "1", "175.49"}));
    // NULL in exam 2: both cells empty and nothing added; 80.126 + 90.00 = 170.13.
    EXPECT_EQ(Row(t, 3),
              QStringList({"120080102", "ab　cd", " 90.00", "1", "", "", " 80.13", "2", "170.13"}));
    // 0.00 ranked in the class of its row (class 2, behind 王五) and adding 0.
    EXPECT_EQ(Row(t, 4),
              QStringList({"120080103", "a张b", " 80.00", "3", "  0.00", "2", " 50.00", "4", "130.00"}));
    EXPECT_EQ(t.Cell(1, 2)->align, CellAlign::Right);
    EXPECT_EQ(t.Cell(1, 3)->align, CellAlign::Right);
    EXPECT_EQ(t.FixedColumnCount(), 2);

    // A second run on the shown rows gives the same table.
    std::vector<TrackStudent> again;
    for (int r = 1; r < t.RowCount(); ++r)
        again.push_back({t.Text(r, 0), t.Text(r, 1)});
    const CReportTable u = TrackTable(m_db, again, Exams(), QStringLiteral("sum3"), kClassRank);
    for (int r = 0; r < t.RowCount(); ++r)
        EXPECT_EQ(Row(u, r), Row(t, r));

    // Grade ranks of exam 1: 80.126 and 80.13 share rank 2.
    const CReportTable g = TrackTable(m_db, Class1(), Exams(), QStringLiteral("sum3"), kGradeRank);
    EXPECT_EQ(Column(g, 7), QStringList({"4", "1", "2", "5"}));
}

TEST_F(TrackQueriesTest, WeightedSumAddsOnlyPositiveWeightsInTwoDecimalSteps) {
    // 0.004 three times: each step is kept at two decimals, so the sum stays 0.00.
    const CReportTable s = TrackTable(m_db, Class1(), Exams(), QStringLiteral("s01"), kClassRank);
    EXPECT_EQ(s.Text(0, 8), QStringLiteral("综合"));
    // Sums 37.00 (a张b), 15.00 (abcd), 4.00 (李小明), 0.00 (张三).
    EXPECT_EQ(Column(s, 0), QStringList({"120080103", "120080102", "120080100", "120080101"}));
    EXPECT_EQ(Column(s, 8), QStringList({" 37.00", " 15.00", "  4.00", "  0.00"}));

    const CReportTable none =
        TrackTable(m_db, Class1(), Exams("0", "-1", "abc"), QStringLiteral("sum3"), kClassRank);
    EXPECT_EQ(Column(none, 8), QStringList({"", "", "", ""}));
    EXPECT_EQ(Column(none, 2), QStringList({"", " 90.00", " 90.00", " 80.00"})); // roster order kept
    EXPECT_EQ(Column(none, 3), QStringList({"", "1", "1", "3"}));

    const CReportTable half =
        TrackTable(m_db, Class1(), {{1, 3, QStringLiteral("0.5")}}, QStringLiteral("sum3"), kClassRank);
    EXPECT_EQ(Column(half, 0), QStringList({"120080101", "120080102", "120080103", "120080100"}));
    EXPECT_EQ(Column(half, 4), QStringList({" 45.00", " 45.00", " 40.00", ""}));

    // 85.50 before 85.49, though 李小明 comes first in the roster.
    const CReportTable close =
        TrackTable(m_db, Class1(), {{2, 2, QStringLiteral("1.0")}}, QStringLiteral("sum3"), kClassRank);
    // An empty sum and 0.00 compare equal and keep their order.
    EXPECT_EQ(Column(close, 4), QStringList({" 85.50", " 85.49", "", "  0.00"}));
}

TEST_F(TrackQueriesTest, NoTrackedExamLeavesTheRosterWithAnEmptySum) {
    const CReportTable t = TrackTable(m_db, Class1(), {}, QStringLiteral("sum3"), kClassRank);
    EXPECT_EQ(Row(t, 0), QStringList({"学号", "姓名", "综合"}));
    EXPECT_EQ(Column(t, 0), QStringList({"120080100", "120080101", "120080102", "120080103"}));
    EXPECT_EQ(Column(t, 2), QStringList({"", "", "", ""}));

    // A rank target typed into the list: scores without ranks.
    const CReportTable typed = TrackTable(m_db, Class1(), Exams(), QStringLiteral("sum3"), -1);
    EXPECT_EQ(typed.Text(1, 2), QStringLiteral(" 90.00"));
    EXPECT_EQ(typed.Text(1, 3), QString());
}

} // namespace
