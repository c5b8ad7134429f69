#include "SmallSchool.h"

#include "reports/BasicStats.h"
#include "reports/ClassStandardScores.h"
#include "reports/ClassSubjectTables.h"
#include "reports/Format.h"
#include "reports/ValidTotals.h"

using namespace reports;

namespace {

QStringList Row(const CReportTable& t, int r) {
    QStringList texts;
    for (int c = 0; c < t.ColumnCount(); ++c)
        texts << t.Text(r, c);
    return texts;
}

QStringList Column(const CReportTable& t, int c) {
    QStringList texts;
    for (int r = 0; r < t.RowCount(); ++r)
        texts << t.Text(r, c);
    return texts;
}

class StatsTest : public SmallSchool {
protected:
    void SetUp() override {
        SmallSchool::SetUp();
        ComputeValidTotals(m_db, 1, 0, {1, 3});
        ComputeValidTotals(m_db, 1, 1, {2});
        ComputeValidTotals(m_db, 1, 2, {1, 2, 3});
    }

    CReportTable Grade(Statistic s, int accum, bool keepCounts, bool rank = false) {
        CReportTable t;
        const GradeStatOptions o{s, accum, keepCounts};
        if (rank)
            ComputeGradeRanks(m_db, m_cipher, Context(), o, t);
        else
            ComputeGradeStats(m_db, m_cipher, Context(), o, t);
        return t;
    }
};

TEST_F(StatsTest, GradeMeansPerClassAndForTheGrade) {
    const CReportTable t = Grade(Statistic::Avg, kGradeRow, true);
    EXPECT_EQ(t.caption, QStringLiteral("2008级期中考试平均分报表"));
    EXPECT_EQ(Row(t, 0),
              QStringList({"班级", "总分", "人数", "语文", "人数", "数学", "人数", "英语", "人数"}));
    ASSERT_EQ(t.RowCount(), 6); // classes 1-4 and the grade; the class-less row only counts in the grade
    EXPECT_EQ(Row(t, 1),
              QStringList({" 1班", "223.00", "  3", " 80.00", "  3", " 99.67", "  3", " 65.00", "  2"}));
    EXPECT_EQ(Row(t, 2),
              QStringList({" 2班", "200.00", "  2", " 80.00", "  2", " 80.00", "  2", " 80.00", "  1"}));
    EXPECT_EQ(Row(t, 3), QStringList({" 3班", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(Row(t, 5),
              QStringList({"年级", "221.29", "  7", " 80.00", "  7", " 91.29", "  7", " 70.00", "  5"}));
    EXPECT_EQ(t.Cell(5, 3)->background, LastRowColour());
    EXPECT_EQ(t.Cell(1, 3)->align, CellAlign::Right);

    const CReportTable compact = Grade(Statistic::Avg, kGradeRow, false);
    EXPECT_EQ(Row(compact, 0), QStringList({"班级", "总分", "语文", "数学", "英语"}));
    EXPECT_EQ(Row(compact, 4), QStringList({" 4班", "300.00", " 60.00", "150.00", " 90.00"}));
}

TEST_F(StatsTest, EachStatisticOfOneSubject) {
    struct Case {
        Statistic s;
        QStringList column; // 语文 for classes 1-4 and the grade
    } cases[] = {
        {Statistic::Min, {" 69.99", " 75.00", "", " 60.00", " 60.00"}},
        {Statistic::Max, {" 90.00", " 85.01", "", " 60.00", "100.00"}},
        {Statistic::StDev, {" 10.01", "  7.08", "", "", " 13.23"}}, // one student: no deviation
        {Statistic::CV, {" 12.51", "  8.85", "", "", " 16.54"}},
    };
    for (const Case& c : cases) {
        const CReportTable t = Grade(c.s, kGradeRow, false);
        EXPECT_EQ(Column(t, 2).mid(1), c.column) << int(c.s);
    }
    EXPECT_EQ(Grade(Statistic::StDev, kGradeRow, false).caption, QStringLiteral("2008级期中考试标准差报表"));
}

TEST_F(StatsTest, StreamRowsTakeArtsAndScienceApart) {
    const CReportTable t = Grade(Statistic::Avg, kStreamRows, true);
    ASSERT_EQ(t.ColumnCount(), 13);
    EXPECT_EQ(Row(t, 0).mid(0, 7), QStringList({"班级", "总分", "人数", "文总", "人数", "理总", "人数"}));
    ASSERT_EQ(t.RowCount(), 7);
    EXPECT_EQ(Row(t, 5), QStringList({"文科", "193.34", "  3", "130.00", "  3", " 63.33", "  3", " 86.67",
                                      "  3", " 63.33", "  3", " 65.00", "  2"}));
    EXPECT_EQ(Row(t, 6), QStringList({"理科", "242.25", "  4", "130.00", "  4", "112.25", "  4", " 75.00",
                                      "  4", "112.25", "  4", " 73.33", "  3"}));
    EXPECT_EQ(t.Text(1, 3), "123.33"); // arts total per class over both streams
    EXPECT_EQ(t.Cell(5, 1)->background, ArtsRowColour());
    EXPECT_EQ(t.Cell(6, 12)->background, LastRowColour());
    EXPECT_FALSE(t.Cell(6, 0)->background.isValid());
}

TEST_F(StatsTest, RanksShareAtTwoDecimalsAndFollowTheStatistic) {
    // 79.996 and 80.004 both show 80.00 and share the first rank.
    CReportTable t = Grade(Statistic::Avg, kGradeRow, false, true);
    EXPECT_EQ(t.ColumnCount(), 9); // the count columns stay and hold the ranks
    EXPECT_EQ(t.Text(0, 4), QStringLiteral("名次"));
    // The 年级 row is not ranked: its 名次 cells stay empty rather than show its student count.
    EXPECT_EQ(Column(t, 4).mid(1), QStringList({" 1", " 1", "", " 3", ""}));
    EXPECT_EQ(Column(t, 2).mid(1), QStringList({" 2", " 3", "", " 1", ""}));

    t = Grade(Statistic::StDev, kGradeRow, false, true); // the smaller deviation ranks first
    EXPECT_EQ(Column(t, 4).mid(1, 4), QStringList({" 2", " 1", "", ""}));

    // By stream: classes 1 and 4 are science classes, class 2 an arts class.
    t = Grade(Statistic::Avg, kStreamRows, false, true);
    EXPECT_EQ(Column(t, 8).mid(1, 4), QStringList({" 1", " 1", "", " 2"}));
    EXPECT_EQ(Column(t, 2).mid(1, 4), QStringList({" 2", " 1", "", " 1"}));
    for (int c = 2; c < t.ColumnCount(); c += 2) { // neither 文科 nor 理科 holds a rank
        EXPECT_EQ(t.Text(5, c), QString()) << c;
        EXPECT_EQ(t.Text(6, c), QString()) << c;
    }
    EXPECT_FALSE(t.Text(6, 1).isEmpty()); // their values stay
}

TEST_F(StatsTest, NoExamLeavesTheTable) {
    CAnalysisContext c = Context();
    c.m_nAnalysisExamId = -1;
    CReportTable t = InitialBasicStatTable();
    for (int mode : {kGradeStats, kClassStandardScores}) {
        ComputeBasicStat(mode, m_db, m_cipher, c, {}, t);
        EXPECT_EQ(Row(t, 0), QStringList({"班级", "总分"}));
        EXPECT_EQ(t.RowCount(), 1);
    }
    ComputeBasicStat(kSubjectClassTable, m_db, m_cipher, c, {}, t); // only its title row
    EXPECT_EQ(Row(t, 0), BlockTableTitles(kSubjectClassTable));
    EXPECT_EQ(t.RowCount(), 1);
}

TEST_F(StatsTest, ADatabaseErrorKeepsTheRowsFilledSoFar) {
    // Subject 5 is flagged but has no score column: its query fails after subject 1 was filled.
    CReportTable t;
    EXPECT_THROW(ComputeGradeStats(m_db, m_cipher, Context({1, 5}), {Statistic::Avg, kGradeRow, false}, t),
                 db::DbError);
    EXPECT_EQ(t.RowCount(), 6);
    EXPECT_EQ(t.Text(1, 0), QStringLiteral(" 1班"));
    EXPECT_EQ(t.Text(1, 3), QStringLiteral(" 80.00"));
    EXPECT_EQ(t.Text(1, 5), QString());
    EXPECT_EQ(DbErrorMessage(QStringLiteral("x")), QStringLiteral("错误信息:x"));
}

TEST_F(StatsTest, ClassBySubjectTable) {
    CReportTable t;
    ComputeClassSubjectTable(m_db, m_cipher, Context(), t);
    EXPECT_EQ(t.caption, QStringLiteral("2008级期中考试基本统计量"));
    // 6 × 4 − 2 rows, less the three subject rows of the empty class 3.
    ASSERT_EQ(t.RowCount(), 19);
    EXPECT_EQ(Row(t, 1), QStringList({" 1班", "语文", " 100", " 3", " 69.99", " 90.00", " 80.00", " 10.01",
                                      " 12.51", " 66.67%", "100.00%"}));
    EXPECT_EQ(Row(t, 2), QStringList({" 1班", "数学", " 150", " 3", " 89.00", "120.00", " 99.67", " 17.62",
                                      " 17.68", " 33.33%", " 66.67%"}));
    // No weights row: "??" and no rates.
    EXPECT_EQ(Row(t, 3), QStringList({" 1班", "英语", "??", " 2", " 60.00", " 70.00", " 65.00", "  7.07",
                                      " 10.88", "", ""}));
    EXPECT_EQ(Row(t, 8), QStringList({" 2班", "数学", " 150", " 2", " 60.00", "100.00", " 80.00", " 28.28",
                                      " 35.36", "", " 50.00%"}));
    EXPECT_EQ(Row(t, 12), BlockTableTitles(kClassSubjectTable)); // class 3: title and separators only
    EXPECT_EQ(t.Kind(13), RowKind::Separator);
    EXPECT_EQ(t.Text(15, 0), QStringLiteral("班级"));
    // A class of one: no deviation; 60 of 100 passes, 150 of 150 is excellent.
    EXPECT_EQ(Row(t, 16), QStringList({" 4班", "语文", " 100", " 1", " 60.00", " 60.00", " 60.00", "", "", "",
                                       "100.00%"}));
    EXPECT_EQ(t.Text(17, 9), QStringLiteral("100.00%"));

    const std::vector<QStringList> records = t.Records();
    ASSERT_EQ(records.size(), 9u);
    EXPECT_EQ(records[3], Row(t, 7));
    EXPECT_EQ(records[6], Row(t, 16));
    EXPECT_EQ(BasicStatPrint(kClassSubjectTable).titleSuffix, QStringLiteral("(2)"));
}

TEST_F(StatsTest, SubjectByClassTableKeepsEmptyRowsAndFeedsByPosition) {
    CReportTable t;
    ComputeSubjectClassTable(m_db, m_cipher, Context({1, 3}), t);
    ASSERT_EQ(t.RowCount(), 2 * 7 - 2);
    EXPECT_EQ(t.FixedColumnCount(), 2);
    EXPECT_EQ(Row(t, 0).mid(0, 4), QStringList({"科目", "班级", "满分", "参考人数"}));
    EXPECT_EQ(Row(t, 2), QStringList({"语文", " 2班", " 100", " 2", " 75.00", " 85.01", " 80.00", "  7.08",
                                      "  8.85", " 50.00%", "100.00%"}));
    // Class 3 keeps a row of its names alone, inside 语文's table.
    EXPECT_EQ(t.Text(3, 0), QStringLiteral("语文"));
    EXPECT_EQ(t.Text(3, 1), ClassLabel(3));
    for (int c = 2; c < kBlockTableColumns; ++c)
        EXPECT_TRUE(t.Text(3, c).isEmpty()) << c;
    EXPECT_EQ(Row(t, 7), BlockTableTitles(kSubjectClassTable)); // subject 3 is the second block
    EXPECT_EQ(t.Text(8, 0), QStringLiteral("英语"));

    // The empty row of class 3 costs no following row: 4 + 4 records.
    const std::vector<QStringList> records = t.Records();
    ASSERT_EQ(records.size(), 8u);
    EXPECT_EQ(records[2], Row(t, 3));
    EXPECT_EQ(records[3], Row(t, 4));
    EXPECT_EQ(records[4], Row(t, 8));
}

TEST_F(StatsTest, ClassStandardScores) {
    CReportTable t;
    ComputeClassStandardScores(m_db, m_cipher, Context({1, 2, 3, 4}), t);
    EXPECT_EQ(t.caption, QStringLiteral("2008级期中考试标准分"));
    EXPECT_EQ(Row(t, 0), QStringList({"班级", "总分", "语文", "数学", "英语", "物理"}));
    ASSERT_EQ(t.RowCount(), 5);
    EXPECT_EQ(Row(t, 2), QStringList({" 2班", " -0.59", "  0.00", " -0.41", "  0.63", ""}));
    EXPECT_EQ(Row(t, 3), QStringList({" 3班", "", "", "", "", ""}));
    // Every 物理 score is equal: no deviation, so that column stays empty.
    EXPECT_EQ(Row(t, 4), QStringList({" 4班", "  1.55", " -1.51", "  1.51", "  1.26", ""}));
    EXPECT_EQ(t.Records().size(), 4u);
}

TEST(ReportFormat, PrintfFormsAndRanks) {
    EXPECT_EQ(Format62(-1.25), QStringLiteral(" -1.25"));
    EXPECT_EQ(Format62(0), QStringLiteral("  0.00"));
    // A negative value that rounds to zero is zero, with no sign.
    EXPECT_EQ(Format62(-0.004), QStringLiteral("  0.00"));
    EXPECT_EQ(Format62(-0.0), QStringLiteral("  0.00"));
    EXPECT_EQ(FormatFixed(-0.0004, 1, 3), QStringLiteral("0.000"));
    EXPECT_EQ(FormatFixed(-0.0005001, 1, 3), QStringLiteral("-0.001"));
    EXPECT_EQ(Format62(-10.001), QStringLiteral("-10.00"));
    EXPECT_EQ(Format62(1234.5), QStringLiteral("1234.50"));
    EXPECT_EQ(FormatFixed(2.675, 1, 2), QStringLiteral("2.67")); // the binary value, as printf rounds it
    EXPECT_EQ(ClassLabel(3), QStringLiteral(" 3班"));
    EXPECT_EQ(ExamTitle(QStringLiteral("2008|期中考试")), QStringLiteral("2008级期中考试"));
    // A grade whose name already ends in 级 gets no second one.
    EXPECT_EQ(ExamTitle(QStringLiteral("高2008级|期中考试")), QStringLiteral("高2008级期中考试"));
    EXPECT_EQ(ExamTitle(QStringLiteral("级|期中")), QStringLiteral("级期中"));
    EXPECT_EQ(ExamTitle(QStringLiteral("|期中")), QStringLiteral("级期中"));
    EXPECT_EQ(ParseNumber(QStringLiteral("  78.46")), 78.46);
    EXPECT_EQ(ParseNumber(QStringLiteral("  ")), std::nullopt);

    using V = std::vector<std::optional<double>>;
    using R = std::vector<std::optional<int>>;
    EXPECT_EQ(Ranks(V{90, 80.001, 79.999, 70, std::nullopt}, true), (R{1, 2, 2, 4, std::nullopt}));
    EXPECT_EQ(Ranks(V{3, 1, 2}, false), (R{3, 1, 2}));
    // Shown as 0.29 and 0.28: 0.29 × 100 falls just short of 29, yet the two must not tie.
    EXPECT_EQ(Ranks(V{0.28, 0.29}, true), (R{2, 1}));
}

} // namespace
