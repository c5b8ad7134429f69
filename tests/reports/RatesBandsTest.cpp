// The rates and the score bands on the hand-made school (SmallSchool.h), checked against values
// worked out by hand.

#include "SmallSchool.h"

#include "reports/ExcellentRates.h"
#include "reports/ScoreBands.h"

#include <cmath>
#include <limits>

using namespace reports;

namespace {

class RatesBands : public SmallSchool {
protected:
    CReportTable Rates(int mode, int method, const QString& cut, int scope = kAllStudents,
                       std::initializer_list<int> subjects = {1}) {
        CReportTable t;
        ComputeExcellentRates(m_db, m_cipher, Context(subjects), {mode, method, scope, cut}, t);
        return t;
    }
    CReportTable Grade(int subject, int width, std::initializer_list<int> subjects = {1, 2, 3}) {
        CReportTable t;
        ComputeGradeBands(m_db, Context(subjects), {subject, QStringLiteral("科目"), 0, 0, width}, t);
        return t;
    }
    CReportTable OneClass(int subject, int cls, int width = 10,
                          std::initializer_list<int> subjects = {1, 2, 3}) {
        CReportTable t;
        ComputeClassBands(m_db, Context(subjects), {subject, QStringLiteral("语文"), 0, 0, width}, cls, t);
        return t;
    }
    void AddStudents(int count, int cls, const char* worl, std::optional<double> s01,
                     std::optional<double> s04 = std::nullopt) {
        for (int i = 0; i < count; ++i)
            AddRow(1, "Z", cls, worl, {s01, std::nullopt, std::nullopt, s04});
    }
    static QStringList Column(const CReportTable& t, int col) {
        QStringList texts;
        for (int r = 0; r < t.RowCount(); ++r)
            texts << t.Text(r, col);
        return texts;
    }
};

} // namespace

TEST_F(RatesBands, TheShareOfTheBestIsCountedOnTheTypedDecimal) {
    EXPECT_EQ(TopCount(45, QStringLiteral("20")), 9);
    EXPECT_EQ(TopCount(50, QStringLiteral("20")), 10);
    EXPECT_EQ(TopCount(125, QStringLiteral("2.4")), 3); // single precision would give 4
    EXPECT_EQ(TopCount(7, QStringLiteral("20")), 2);
    EXPECT_EQ(TopCount(0, QStringLiteral("20")), 0);
    EXPECT_EQ(TopCount(7, QStringLiteral("150")), 11);
    EXPECT_EQ(TopCount(3, QStringLiteral("33.34")), 2);
    EXPECT_EQ(TopCount(8, QStringLiteral("2.5e1")), 2); // not a plain decimal: read as a number
}

TEST_F(RatesBands, RatesByScoreCountEachClassAtOrAboveTheCut) {
    // 语文 ≥ 80: class 1 has 90, 80 of 90, 80, 69.988; class 2 85.008 of 85.008, 75 (E absent).
    const CReportTable t = Rates(kExcellentRate, kCutByScore, QStringLiteral("80"));
    ASSERT_EQ(t.RowCount(), 6);
    EXPECT_EQ(Column(t, 0), (QStringList{"班级", " 1班", " 2班", " 3班", " 4班", "年级"}));
    EXPECT_EQ(Column(t, 1), (QStringList{"语文", "66.67%", "50.00%", "", "", ""}));
    EXPECT_EQ(t.Cell(0, 1)->align, CellAlign::Right);
    // Cut and score compare as shown: C's 69.988 (69.99) reaches 69.984 (69.98) and 69.985 (69.99),
    // not 69.995 (70.00).
    EXPECT_EQ(Rates(kPassRate, kCutByScore, QStringLiteral("69.984")).Text(1, 1), QStringLiteral("100.00%"));
    EXPECT_EQ(Rates(kPassRate, kCutByScore, QStringLiteral("69.985")).Text(1, 1), QStringLiteral("100.00%"));
    EXPECT_EQ(Rates(kPassRate, kCutByScore, QStringLiteral("69.995")).Text(1, 1), QStringLiteral("66.67%"));
    // The student without a class (100) is no class's.
    EXPECT_EQ(Rates(kExcellentRate, kCutByScore, QStringLiteral("95")).RowCount(), 6);
}

TEST_F(RatesBands, RatesByProportionTakeTheKthScoreAsTheCut) {
    // 7 scores, 20 %: K = 2, the 2nd best is 90 (after H's 100), which class 1 reaches once.
    CReportTable t = Rates(kExcellentRate, kCutByProportion, QStringLiteral("20"));
    EXPECT_EQ(Column(t, 1), (QStringList{"语文", "33.33%", "", "", "", "90.00"}));
    // Above 100 % there is no K-th score: the column stays empty, 年级 row included.
    t = Rates(kExcellentRate, kCutByProportion, QStringLiteral("150"), kAllStudents, {1, 3});
    EXPECT_EQ(Column(t, 1), (QStringList{"语文", "", "", "", "", ""}));
    EXPECT_EQ(Column(t, 2), (QStringList{"英语", "", "", "", "", ""}));
    // 英语 alone: 5 scores, 20 % → K = 1, the cut 90 is G's, the whole of class 4.
    t = Rates(kPassRate, kCutByProportion, QStringLiteral("20"), kAllStudents, {3});
    EXPECT_EQ(Column(t, 1), (QStringList{"英语", "", "", "", "100.00%", "90.00"}));
}

TEST_F(RatesBands, TheKthStudentAlwaysReachesHisOwnCut) {
    // 英语 with a sixth score, 12.346 in class 1: 90, 80, 70, 60, 50, 12.346.
    AddRow(1, "Z", 1, "理", {std::nullopt, std::nullopt, 12.346, std::nullopt});
    // 100 %: K = 6, the cut is 12.346, shown 12.35; all of class 1 (70, 60, 12.346) reach it.
    CReportTable t = Rates(kExcellentRate, kCutByProportion, QStringLiteral("100"), kAllStudents, {3});
    EXPECT_EQ(Column(t, 1), (QStringList{"英语", "100.00%", "100.00%", "", "100.00%", "12.35"}));
    // The top students' averages at 100 % leave nobody out: class 1 142.346 / 3, the grade 362.346 / 6.
    t = Rates(kTopAverage, kCutByProportion, QStringLiteral("100"), kAllStudents, {3});
    EXPECT_EQ(Column(t, 1), (QStringList{"英语", "47.45", "80.00", "", "90.00", "60.39"}));
    // A score below the cut that shows as it reaches it too: with 12.3451 in class 2, 85.71 % of
    // the seven is K = 6, the cut still 12.346, and 12.3451 shows 12.35 as well.
    AddRow(1, "Y", 2, "文", {std::nullopt, std::nullopt, 12.3451, std::nullopt});
    t = Rates(kPassRate, kCutByProportion, QStringLiteral("85.71"), kAllStudents, {3});
    EXPECT_EQ(Column(t, 1), (QStringList{"英语", "100.00%", "100.00%", "", "100.00%", "12.35"}));
}

TEST_F(RatesBands, AnInfiniteScoreOfAnEditedFileGivesTheTableAtOnce) {
    // 英语 with a sixth score of -infinity in class 1: at 100 % it is the cut, which every score
    // reaches.
    AddRow(1, "Z", 1, "理", {std::nullopt, std::nullopt, -std::numeric_limits<double>::infinity(), std::nullopt});
    const CReportTable t = Rates(kPassRate, kCutByProportion, QStringLiteral("100"), kAllStudents, {3});
    EXPECT_EQ(Column(t, 1), (QStringList{"英语", "100.00%", "100.00%", "", "100.00%", "-inf"}));
}

TEST_F(RatesBands, AStreamCountsItsStudentsOverAllTheClasssScores) {
    AddStudents(1, 1, "文", 95); // class 1: 90, 80, 69.988 (理) and 95 (文)
    const CReportTable t = Rates(kExcellentRate, kCutByScore, QStringLiteral("80"), kArtsStudents);
    EXPECT_EQ(Column(t, 1), (QStringList{"语文", "25.00%", "50.00%", "", "", ""}));
    // By proportion the cut comes from the stream: 文 scores 100, 95, 85.008, 75; 50 % → K = 2 → 95.
    const CReportTable p = Rates(kExcellentRate, kCutByProportion, QStringLiteral("50"), kArtsStudents);
    EXPECT_EQ(Column(p, 1), (QStringList{"语文", "25.00%", "", "", "", "95.00"}));
}

TEST_F(RatesBands, TopAveragesGiveClassMeansAndTheGradeMean) {
    // 语文 ≥ 80: class 1 (90 + 80) / 2, class 2 85.008, the grade (90 + 80 + 85.008 + 100) / 4.
    CReportTable t = Rates(kTopAverage, kCutByScore, QStringLiteral("80"));
    EXPECT_EQ(Column(t, 1), (QStringList{"语文", "85.00", "85.01", "", "", "88.75"}));
    // 100 %: every score counts; class 1 (90 + 80 + 69.988) / 3 = 79.996, class 2
    // (85.008 + 75) / 2 = 80.004, the grade 559.996 / 7 = 79.9994.
    t = Rates(kTopAverage, kCutByProportion, QStringLiteral("100"));
    EXPECT_EQ(Column(t, 1), (QStringList{"语文", "80.00", "80.00", "", "60.00", "80.00"}));
    // A cut of 0 computes nothing.
    EXPECT_EQ(Rates(kTopAverage, kCutByScore, QStringLiteral("0")).RowCount(), 1);
}

TEST_F(RatesBands, CutsThatCanGiveNoTableAreRefused) {
    const QString none = QStringLiteral("看来您并不需要此项功能，请使用基本统计量报表功能！");
    EXPECT_EQ(CutRefusal(kCutByScore, QStringLiteral("0")), none);
    EXPECT_EQ(CutRefusal(kCutByProportion, QStringLiteral("-5")), none);
    EXPECT_EQ(CutRefusal(kCutByScore, QStringLiteral("150")), QString()); // a score may pass 100
    EXPECT_EQ(CutRefusal(kCutByProportion, QStringLiteral("100")), QString());
    EXPECT_NE(CutRefusal(kCutByProportion, QStringLiteral("100.0001")), QString());
    EXPECT_NE(CutRefusal(kCutByProportion, QStringLiteral("150")), QString());
}

TEST_F(RatesBands, RateTextsFollowModeAndMethod) {
    EXPECT_EQ(ExcellentRateTitle(0), QStringLiteral("优生率报表"));
    EXPECT_EQ(ExcellentRateTitle(1), QStringLiteral("及格率报表"));
    EXPECT_EQ(ExcellentRateTitle(2), QStringLiteral("平均分报表"));
    EXPECT_EQ(CutLeadText(kCutByScore) + QStringLiteral(" 80 ") + CutTailText(0, kCutByScore),
              QStringLiteral("分数不低于 80 分为优秀"));
    EXPECT_EQ(CutLeadText(kCutByProportion) + QStringLiteral(" 20 ") + CutTailText(0, kCutByProportion),
              QStringLiteral("全年级前 20 %为优秀"));
    EXPECT_EQ(CutTailText(2, kCutByScore), QStringLiteral("分平均分"));
    const float defaults[2][3] = {{80, 60, 0}, {20, 60, 100}};
    for (int method = 0; method < 2; ++method)
        for (int mode = 0; mode < 3; ++mode)
            EXPECT_EQ(DefaultCut(mode, method), defaults[method][mode]);
}

TEST_F(RatesBands, BandsAreLaidOutFromTheFullMark) {
    BandPlan p = PlanBands(0, 0, 10, 150);
    ASSERT_EQ(p.bands.size(), 15u);
    EXPECT_EQ(p.bands.front().label, QStringLiteral("(140,150]"));
    EXPECT_EQ(p.bands.back().label, QStringLiteral("(0,10]"));
    p = PlanBands(0, 0, 8, 150);
    ASSERT_EQ(p.bands.size(), 19u);
    EXPECT_EQ(p.bands.front().label, QStringLiteral("(144,150]"));
    EXPECT_EQ(p.bands.front().upper, 150.0);
    EXPECT_EQ(p.bands[1].label, QStringLiteral("(136,144]"));
    p = PlanBands(0, 0, 10, 97.5);
    ASSERT_EQ(p.bands.size(), 10u);
    EXPECT_EQ(p.bands.front().label, QStringLiteral("(90,97]"));
    EXPECT_EQ(p.bands.front().upper, 97.5);
    EXPECT_EQ(p.bands[1].upper, 90.0);
    // Width 0 is 5; equal bounds mean the whole range; a high bound above the full mark comes down.
    EXPECT_EQ(PlanBands(0, 0, 0, 100).width, 5);
    EXPECT_EQ(PlanBands(-3, 0, -3, 100).width, 5);
    p = PlanBands(50, 50, 10, 150);
    EXPECT_EQ(p.low, 0);
    EXPECT_EQ(p.high, 150);
    p = PlanBands(20, 200, 10, 150);
    EXPECT_EQ(p.high, 150);
    EXPECT_EQ(p.bands.size(), 13u);
    // A low bound at or above the truncated full mark leaves no band.
    EXPECT_FALSE(PlanBands(97, 100, 10, 97.5).valid);
    EXPECT_FALSE(PlanBands(200, 100, 10, 150).valid);
    EXPECT_FALSE(PlanBands(0, 0, 10, 0).valid);
    EXPECT_TRUE(PlanBands(96, 100, 10, 97.5).valid);
}

TEST_F(RatesBands, TheGradeTableCountsEachClassWithRunningTotals) {
    // 数学 (full mark 150): A 120, B 89, C 90 in class 1; D 100, F 60 in class 2; G 150 in class 4.
    const CReportTable t = Grade(2, 10);
    ASSERT_EQ(t.RowCount(), 17);
    ASSERT_EQ(t.ColumnCount(), 5);
    EXPECT_EQ(t.Text(0, 0), QStringLiteral("科目"));
    EXPECT_EQ(t.Text(0, 3), QStringLiteral(" 3班"));
    EXPECT_EQ(t.Text(16, 0), QStringLiteral("0"));
    const auto row = [&](int r) {
        return QStringList{t.Text(r, 0), t.Text(r, 1), t.Text(r, 2), t.Text(r, 3), t.Text(r, 4)};
    };
    EXPECT_EQ(row(1), (QStringList{"(140,150]", "", "", "", "  1/ 1"}));
    EXPECT_EQ(row(4), (QStringList{"(110,120]", "  1/ 1", "", "", ""}));
    EXPECT_EQ(row(6), (QStringList{"(90,100]", "", "  1/ 1", "", ""}));
    EXPECT_EQ(row(7), (QStringList{"(80,90]", "  2/ 2", "", "", ""})); // 89 and 90
    EXPECT_EQ(row(10), (QStringList{"(50,60]", "", "  1/ 1", "", ""}));
    EXPECT_EQ(t.Cell(6, 2)->align, CellAlign::Right);
    int counted = 0;
    for (int r = 1; r < t.RowCount(); ++r)
        for (int c = 1; c < t.ColumnCount(); ++c)
            counted += t.Text(r, c).isEmpty() ? 0 : t.Text(r, c).section(u'/', 0, 0).trimmed().toInt();
    EXPECT_EQ(counted, 6); // H, without a class, is no class's
}

TEST_F(RatesBands, AnEmptyCellBreaksNoRunningTotal) {
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET s04=NULL WHERE class=2"));
    AddStudents(5, 3, "理", std::nullopt, 50);
    const CReportTable t = Grade(4, 10);
    EXPECT_EQ(t.Text(6, 0), QStringLiteral("(40,50]"));
    EXPECT_EQ(t.Text(6, 1), QStringLiteral("  3/ 3"));
    EXPECT_EQ(t.Text(6, 2), QString());
    EXPECT_EQ(t.Text(6, 3), QStringLiteral("  5/ 8"));
    EXPECT_EQ(t.Text(6, 4), QStringLiteral("  1/ 9"));
}

TEST_F(RatesBands, TheTopBandCutAtTheHighBoundCountsUpToTheFullMark) {
    m_db.Execute(QStringLiteral("UPDATE tavrinKMWGT SET t1=97.5 WHERE kmfld='s01'"));
    AddStudents(1, 3, "理", 97.5);
    AddStudents(1, 3, "理", 90);
    const CReportTable t = Grade(1, 10);
    EXPECT_EQ(t.Text(1, 0), QStringLiteral("(90,97]"));
    EXPECT_EQ(t.Text(1, 3), QStringLiteral("  1/ 1")); // 97.5
    EXPECT_EQ(t.Text(2, 3), QStringLiteral("  1/ 3")); // 90 is in (80,90], after A's 90 and D's 85.008
    // Width 8 on 数学: the top band (144,150] holds G's 150.
    const CReportTable w8 = Grade(2, 8);
    ASSERT_EQ(w8.RowCount(), 21);
    EXPECT_EQ(w8.Text(1, 0), QStringLiteral("(144,150]"));
    EXPECT_EQ(w8.Text(1, 4), QStringLiteral("  1/ 1"));
}

TEST_F(RatesBands, TotalsUseTheirSumColumnAndTheParticipatingFullMarks) {
    EXPECT_EQ(GetFullMarks(m_db, 1, 2), 150.0f);
    EXPECT_EQ(GetFullMarks(m_db, 1, 3), 0.0f); // no weights row
    EXPECT_EQ(GetAllFullMarks(m_db, Context({1, 2, 3})), 250.0f);
    EXPECT_EQ(GetAllFullMarks(m_db, Context({1, 2, 4})), 350.0f);
    m_db.Execute(QStringLiteral("UPDATE tavrinKSK SET sum3=s01"));
    // 总分 over 250 in bands of 50: the 语文 scores, as sum3 now holds them.
    const CReportTable t = Grade(-3, 50);
    ASSERT_EQ(t.RowCount(), 7);
    EXPECT_EQ(t.Text(2, 0), QStringLiteral("(150,200]"));
    EXPECT_EQ(t.Text(4, 0), QStringLiteral("(50,100]"));
    EXPECT_EQ((QStringList{t.Text(4, 1), t.Text(4, 2), t.Text(4, 3), t.Text(4, 4)}),
              (QStringList{"  3/ 3", "  2/ 5", "", "  1/ 6"}));
    const CReportTable one = OneClass(-3, 1, 50);
    EXPECT_EQ(one.Text(4, 1), QStringLiteral("  3"));
    EXPECT_EQ(one.Text(4, 2), QStringLiteral("%100.00"));
}

TEST_F(RatesBands, OneClassSharesAreOfEveryRowShownAndEndAt100) {
    AddStudents(10, 3, "理", 95);
    AddStudents(30, 3, "理", 75);
    AddStudents(2, 3, "理", 0); // the row of the low bound counts in the class too: 42 in all
    const CReportTable t = OneClass(1, 3);
    ASSERT_EQ(t.RowCount(), 12);
    EXPECT_EQ(t.Text(0, 0), QStringLiteral("3班语文"));
    EXPECT_EQ(t.Text(0, 4), QStringLiteral("累计百分比"));
    EXPECT_EQ((QStringList{t.Text(1, 0), t.Text(1, 1), t.Text(1, 2), t.Text(1, 3), t.Text(1, 4)}),
              (QStringList{"(90,100]", " 10", "%23.81", " 10", "%23.81"}));
    EXPECT_EQ((QStringList{t.Text(2, 1), t.Text(2, 2), t.Text(2, 3)}), (QStringList{"", "", ""}));
    EXPECT_EQ((QStringList{t.Text(3, 0), t.Text(3, 1), t.Text(3, 2), t.Text(3, 3), t.Text(3, 4)}),
              (QStringList{"(70,80]", " 30", "%71.43", " 40", "%95.24"}));
    EXPECT_EQ((QStringList{t.Text(11, 0), t.Text(11, 1), t.Text(11, 2), t.Text(11, 3), t.Text(11, 4)}),
              (QStringList{"0", "  2", "%4.76", " 42", "%100.00"}));

    // A class whose only score is the low bound: all of it.
    AddStudents(1, 5, "理", 0);
    const CReportTable zero = OneClass(1, 5);
    EXPECT_EQ((QStringList{zero.Text(11, 1), zero.Text(11, 2), zero.Text(11, 4)}),
              (QStringList{"  1", "%100.00", "%100.00"}));
}

TEST_F(RatesBands, AUserRangeCountsEachBandInsideItsLabel) {
    // 数学 of 147.5 marks, range 0–97 in bands of 10: (90,97] holds only the 95, not 100, 120, 150.
    m_db.Execute(QStringLiteral("UPDATE tavrinKMWGT SET t2=47.5 WHERE kmfld='s02'"));
    AddRow(1, "Y", 3, "理", {std::nullopt, 95, std::nullopt, std::nullopt});
    CReportTable t;
    ComputeGradeBands(m_db, Context(), {2, QStringLiteral("数学"), 0, 97, 10}, t);
    ASSERT_EQ(t.RowCount(), 12);
    EXPECT_EQ(t.Text(1, 0), QStringLiteral("(90,97]"));
    EXPECT_EQ((QStringList{t.Text(1, 1), t.Text(1, 2), t.Text(1, 3), t.Text(1, 4)}),
              (QStringList{"", "", "  1/ 1", ""}));
    // Only a high bound at the full mark's whole part reaches the full mark, cut or not.
    EXPECT_EQ(PlanBands(0, 97, 10, 147.5).bands.front().upper, 97.0);
    EXPECT_EQ(PlanBands(0, 147, 10, 147.5).bands.front().upper, 147.5);
    const BandPlan even = PlanBands(7, 97, 10, 97.5);
    EXPECT_EQ(even.bands.front().label, QStringLiteral("(87,97]"));
    EXPECT_EQ(even.bands.front().upper, 97.5);
}

TEST_F(RatesBands, ABandReportWithoutAFullMarkIsRefusedAndTheWidthBounded) {
    BandCheck c = CheckBandSubject(m_db, m_cipher, Context(), 2);
    EXPECT_EQ(c.refusal, QString());
    EXPECT_EQ(c.maxWidth, 150);
    // 英语 has no weights row; a total of subjects without any names them all.
    EXPECT_EQ(CheckBandSubject(m_db, m_cipher, Context(), 3).refusal,
              QStringLiteral("本次考试的英语还没有设置满分，请先运行'考前准备→加权系数'！"));
    m_db.Execute(QStringLiteral("UPDATE tavrinKMWGT SET t1w=0, t2w=0 WHERE kmfld IN ('s01','s02')"));
    EXPECT_EQ(CheckBandSubject(m_db, m_cipher, Context(), -3).refusal,
              QStringLiteral("本次考试的语文、数学、英语还没有设置满分，请先运行'考前准备→加权系数'！"));
    // An exam without any weights says so, whatever the subject.
    m_db.Execute(QStringLiteral("DELETE FROM tavrinKMWGT"));
    c = CheckBandSubject(m_db, m_cipher, Context(), 1);
    EXPECT_EQ(c.refusal, NoFullMarksMessage());
    EXPECT_EQ(NoFullMarksMessage(),
              QStringLiteral("本次考试还没有设置加权系数（满分），请先运行'考前准备→加权系数'！"));
}

TEST_F(RatesBands, TheChartShowsTheClassFromItsLowestToItsHighestBand) {
    CReportTable t(6, 2);
    const char* labels[] = {"(30,40]", "(20,30]", "(10,20]", "(0,10]", "0"};
    const char* counts[] = {"", "  2/ 2", "", "  1/ 3", ""};
    for (int r = 1; r <= 5; ++r) {
        t.SetText(r, 0, QString::fromUtf8(labels[r - 1]));
        t.SetText(r, 1, QString::fromUtf8(counts[r - 1]));
    }
    const std::vector<ChartValue> v = ChartValues(t, 1);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].label, QStringLiteral("(0,10]"));
    EXPECT_EQ(v[0].value, 1);
    EXPECT_EQ(v[1].label, QStringLiteral("(10,20]"));
    EXPECT_EQ(v[1].value, 0);
    EXPECT_EQ(v[2].label, QStringLiteral("(20,30]"));
    EXPECT_EQ(v[2].value, 2);
    EXPECT_TRUE(ChartValues(t, 2).empty());
    EXPECT_TRUE(ChartValues(t, 0).empty());

    // The normal curve of class 1's 语文: 90, 80, 69.988.
    const BandMarker m = ClassMarker(m_db, Context(), 1, 1);
    EXPECT_EQ(m.count, 3);
    EXPECT_NEAR(m.mean, 79.996, 1e-9);
    EXPECT_NEAR(m.sd, std::sqrt((10.004 * 10.004 + 0.004 * 0.004 + 10.008 * 10.008) / 2), 1e-9);
    // No scores, or one: a NULL mean or deviation is 0, never another class's.
    const BandMarker none = ClassMarker(m_db, Context(), 1, 3);
    EXPECT_EQ(none.count, 0);
    EXPECT_EQ(none.mean, 0);
    const BandMarker one = ClassMarker(m_db, Context(), 1, 4);
    EXPECT_EQ(one.count, 1);
    EXPECT_EQ(one.mean, 60);
    EXPECT_EQ(one.sd, 0);
}
