// Ranks and "at or above" compare values as they are shown at two decimals: the key against the
// text, and the reports on an exam whose scores sit on half cents (108.005 stored as 108.00499…,
// 97.125 exactly, a weighted 0.85 × 12.5 = 10.625) beside scores that show the same.

#include "SmallSchool.h"

#include "reports/BasicStats.h"
#include "reports/Format.h"
#include "reports/ScorePrint.h"
#include "reports/ScoreReport.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

using namespace reports;

namespace {

// printf's own "%.2f", as the C library writes it.
QString Printf2(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", v);
    return QString::fromLatin1(buffer);
}

// The key printf's text reads as: "-108.00" → -10800.
long long TextKey(double v) {
    QString t = Printf2(v);
    t.remove(u'.');
    return t.toLongLong();
}

TEST(ShownKey, IsTheShownTextWithoutItsPoint) {
    // Half cents: ties of the exact binary value go to the even digit, the others to the nearer.
    for (const double v : {108.005, 97.125, 0.85 * 12.5, 0.125, -0.125, 2.675, 1.005, 0.005, -0.005, -0.001,
                           0.0, 69.985, 85.004, 84.996, 0.29, 1e13 + 0.125, -97.125, 150.0})
        EXPECT_EQ(RankKey(v), TextKey(v)) << v;
    EXPECT_EQ(RankKey(108.005), 10800);
    EXPECT_EQ(RankKey(97.125), 9712);
    EXPECT_EQ(RankKey(0.85 * 12.5), 1062);
    EXPECT_EQ(RankKey(-0.001), 0); // shown "0.00"

    // Thousandths and values a few units of the last place away from them, all signs.
    std::mt19937 random(35);
    std::uniform_int_distribution<int> thousandths(-300000, 300000);
    std::uniform_int_distribution<int> steps(-3, 3);
    for (int i = 0; i < 20000; ++i) {
        double v = thousandths(random) / 1000.0;
        for (int s = steps(random); s != 0; s += s < 0 ? 1 : -1)
            v = std::nextafter(v, s < 0 ? -1e300 : 1e300);
        ASSERT_EQ(RankKey(v), TextKey(v)) << Printf2(v).toStdString();
        // The shown text is printf's, but for the sign of a zero.
        QString expected = Printf2(v);
        if (expected == QStringLiteral("-0.00"))
            expected.remove(0, 1);
        ASSERT_EQ(FormatFixed(v, 0, 2), expected);
        ASSERT_EQ(Format62(v), expected.rightJustified(6, u' '));
    }
    // Beyond every score: the nearest key that fits, and no wrap-around.
    EXPECT_GT(RankKey(1e300), RankKey(1e15));
    EXPECT_LT(RankKey(-1e300), RankKey(-1e15));
}

TEST(ShownKey, TheLeastValueWithAKeyIsTheExactBound) {
    for (const long long key : {10800LL, 10801LL, 9712LL, 9713LL, 1062LL, 1063LL, 0LL, 1LL, -1LL, -9712LL}) {
        const double b = LeastWithKey(key);
        EXPECT_GE(RankKey(b), key) << key;
        EXPECT_LT(RankKey(std::nextafter(b, -std::numeric_limits<double>::infinity())), key) << key;
    }
    // 10.625 is an exact tie that shows 10.62: the least value shown as 10.63 lies just above it.
    EXPECT_GT(LeastWithKey(1063), 0.85 * 12.5);
    EXPECT_EQ(LeastShownAs(108.00), LeastShownAs(108.005));
    EXPECT_LE(LeastShownAs(12.346), 12.346);
}

// Values from a damaged or hand-edited file: infinities, NaN, values beyond every score and keys
// at the ends of the range all give a bound at once, on the right side of every comparison.
TEST(ShownKey, TheBoundsAtTheEndsOfTheKeys) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const long long top = RankKey(inf);
    ASSERT_EQ(RankKey(1e17), top);
    ASSERT_EQ(RankKey(std::numeric_limits<double>::max()), top);

    // Above every number's key: only +infinity reaches the bound, and no number's key reaches it.
    EXPECT_EQ(LeastWithKey(top + 1), inf);
    EXPECT_EQ(LeastWithKey(std::numeric_limits<long long>::max()), inf);

    // At or below the lowest key every number reaches it: -infinity.
    for (const long long key : {RankKey(-inf), RankKey(-1e17), RankKey(nan), RankKey(nan) - 1,
                                std::numeric_limits<long long>::min()})
        EXPECT_EQ(LeastWithKey(key), -inf) << key;
    EXPECT_EQ(LeastShownAs(-inf), -inf);
    EXPECT_EQ(LeastShownAs(-1e17), -inf);
    EXPECT_EQ(LeastShownAs(nan), -inf);

    // The top key is that of finite values too: its bound is the least of them, which +infinity
    // and the greatest double reach; one key below it, the bound is finite and exact.
    for (const long long key : {top, top - 1, -top + 1, RankKey(-1e16)}) {
        const double b = LeastWithKey(key);
        ASSERT_TRUE(std::isfinite(b)) << key;
        EXPECT_GE(RankKey(b), key) << key;
        EXPECT_LT(RankKey(std::nextafter(b, -inf)), key) << key;
    }
    EXPECT_LE(LeastShownAs(inf), std::numeric_limits<double>::max());
    EXPECT_LE(LeastShownAs(1e17), 1e17);
    EXPECT_GE(1e300, LeastShownAs(1e17));
}

TEST(ShownKey, ARankIsOnePlusTheValuesShownAbove) {
    // Close values (counted per key) and spread ones (sorted), each against a count by printf.
    std::mt19937 random(108);
    const auto check = [](const std::vector<double>& values) {
        std::vector<long long> keys;
        for (const double v : values)
            keys.push_back(RankKey(v));
        const CRanking ranking(keys);
        ASSERT_EQ(ranking.Count(), int(values.size()));
        for (const double v : values) {
            int above = 0;
            for (const double w : values)
                above += TextKey(w) > TextKey(v) ? 1 : 0;
            ASSERT_EQ(ranking.Rank(v), above + 1) << Printf2(v).toStdString();
        }
        EXPECT_EQ(ranking.Rank(1e6), 1);
        EXPECT_EQ(ranking.Rank(-1e6), int(values.size()) + 1);
    };
    std::vector<double> close, spread;
    std::uniform_int_distribution<int> thousandths(50000, 50400);
    for (int i = 0; i < 400; ++i)
        close.push_back(thousandths(random) / 1000.0);
    close.push_back(50.125);
    std::uniform_real_distribution<double> anywhere(0, 1000);
    for (int i = 0; i < 40; ++i)
        spread.push_back(anywhere(random));
    spread.push_back(108.005);
    spread.push_back(108.0);
    check(close);
    check(spread);
    EXPECT_EQ(CRanking().Rank(5), 1);

    using V = std::vector<std::optional<double>>;
    using R = std::vector<std::optional<int>>;
    EXPECT_EQ(Ranks(V{97.125, 97.12, 97.13, std::nullopt}, false), (R{1, 1, 3, std::nullopt}));
}

// Exam 7: class 1 holds a score of every shown value twice or more, classes 2-6 one student each
// whose subject score is the class's maximum.
class ShownRanks : public SmallSchool {
protected:
    void SetUp() override {
        SmallSchool::SetUp();
        const double scores[] = {108.01, 108.005, 108.00, 108.00, 97.125, 97.12, 10.63, 0.85 * 12.5, 10.62};
        int k = 0;
        for (const double s : scores)
            Student(QStringLiteral("7%1").arg(++k), 1, s);
        const double maxima[] = {108.01, 108.00, 97.125, 97.12, 10.62};
        for (int c = 0; c < 5; ++c)
            Student(QStringLiteral("8%1").arg(c), c + 2, maxima[c]);
    }
    // One student: the same value as subject 1, sum3 and sum1 (shown at single precision).
    void Student(const QString& id, int cls, double score) {
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinKSK (id, studentid, name, class, worl, s01, sum3, sum1) "
                           "VALUES (7,?,?,?,'文',?,?,?)"),
            std::vector<db::Variant>{id, id, cls, score, score, score});
    }
    static CAnalysisContext Exam7() {
        CAnalysisContext c;
        c.m_nAnalysisExamId = 7;
        c.m_strAnalysisExam = QStringLiteral("2008|期中考试");
        c.m_aSubjectSelected[0] = 1;
        c.m_nSelectedSubjects = 1;
        return c;
    }
    // The (shown value, rank) pairs of the data rows.
    static QStringList Pairs(const CReportTable& t, int valueCol, int rankCol, int rows) {
        QStringList pairs;
        for (int r = 1; r <= rows; ++r)
            pairs << t.Text(r, valueCol).trimmed() + u'#' + t.Text(r, rankCol).trimmed();
        return pairs;
    }
    const QStringList m_classOne{"108.01#1", "108.00#2", "108.00#2", "108.00#2", "97.12#5",
                                 "97.12#5",  "10.63#7",  "10.62#8",  "10.62#8"};
};

} // namespace

TEST_F(ShownRanks, TheScoreReportRanksAsItShowsInEveryMode) {
    for (const int mode : {kSubjectList, kStandardScores, kTScores, kStandardised}) {
        ScoreReportOptions o;
        o.mode = mode;
        o.subject = 1;
        o.subjectName = QStringLiteral("语文");
        o.classNo = 1;
        CReportTable t = InitialScoreReportTable();
        ListScoreReport(m_db, Exam7(), o, t);
        EXPECT_EQ(Pairs(t, 4, mode == kSubjectList ? 5 : 6, 9), m_classOne) << mode;
    }
}

TEST_F(ShownRanks, TheClassListRanksTotalsStreamTotalsAndSubjectsAsItShows) {
    // Total and subject ranked in the grade, the arts total (single precision) in the grade too.
    CReportTable t;
    ListScorePrint(m_db, m_cipher, Exam7(), ClassScorePrintOptions(1, 0, 0, 1, 0, 0, 0), t);
    ASSERT_EQ(t.ColumnCount(), 9); // 学号 姓名 班级 总分 名次 文总 名次 语文 名次
    const QStringList grade{"108.01#1", "108.00#3", "108.00#3", "108.00#3", "97.12#7",
                            "97.12#7",  "10.63#11", "10.62#12", "10.62#12"};
    EXPECT_EQ(Pairs(t, 3, 4, 9), grade);
    EXPECT_EQ(Pairs(t, 5, 6, 9), grade);
    EXPECT_EQ(Pairs(t, 7, 8, 9), grade);
    // Within the class, and a range whose X-th place is shared keeps every student of that place.
    ListScorePrint(m_db, m_cipher, Exam7(), ClassScorePrintOptions(1, 1, 3, 0, 0, 0, 0), t);
    EXPECT_EQ(Pairs(t, 3, 4, 9), m_classOne);
    EXPECT_EQ(Pairs(t, 5, 6, 9), m_classOne);
    ListScorePrint(m_db, m_cipher, Exam7(), ClassScorePrintOptions(1, 3, 4, 0, 1, 3, 0), t);
    EXPECT_EQ(t.RowCount(), 1 + 4);
}

TEST_F(ShownRanks, ClassRanksOfTheBasicStatisticsShareShownValues) {
    // The maxima of classes 1-6: 108.01, 108.01, 108.00, 97.125, 97.12, 10.62.
    CReportTable t;
    ComputeGradeRanks(m_db, m_cipher, Exam7(), {Statistic::Max, kGradeRow, false}, t);
    ASSERT_GE(t.RowCount(), 7);
    EXPECT_EQ(t.Text(0, 4), QStringLiteral("名次"));
    QStringList ranks;
    for (int r = 1; r <= 6; ++r)
        ranks << t.Text(r, 3).trimmed() + u'#' + t.Text(r, 4).trimmed();
    EXPECT_EQ(ranks, QStringList({"108.01#1", "108.01#1", "108.00#3", "97.12#4", "97.12#4", "10.62#6"}));
}
