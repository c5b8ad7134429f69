#include "analysis/TeachEval.h"

#include "reports/Format.h"
#include "reports/ReportQueries.h"
#include "statlib/quorrel.h"

#include <QDate>

#include <cmath>
#include <vector>

namespace teacheval {

namespace {

using reports::Query;

constexpr double kWeights[kLevelsM] = {90, 70, 50, 30, 10};
constexpr int kLevelsF = 4;
// How far stationary shares may stray from a distribution by rounding alone.
constexpr double kDistributionTolerance = 1e-6;

QString Fixed(double value, int decimals) {
    return reports::FormatFixed(value, 0, decimals);
}

// The students who have a score in the subject in both exams, as a condition on the outer row.
// The list of the other exam's students is built once per statement: right for the statements
// over the whole grade, which run once per analysis and whose row order the sums follow.
QString BothExams(const QString& column) {
    return QStringLiteral(
               " and (studentid in (select studentid from tavrinKSK where id=? and %1 is not null))")
        .arg(column);
}

// The same condition for the statements of one class: each row looks its student up in the other
// exam through the (id, studentid) index, so that a class costs its own size and not the grade's.
// The rows are the same as BothExams gives; the statements order them.
QString AlsoInOtherExam(const QString& column) {
    return QStringLiteral(" and exists (select 1 from tavrinKSK other where other.id=? and "
                          "other.studentid=tavrinKSK.studentid and other.%1 is not null)")
        .arg(column);
}

QString StreamOf(int range) {
    if (range == kArts)
        return QStringLiteral("文");
    if (range == kScience)
        return QStringLiteral("理");
    return {};
}

struct GradeStats {
    long long count = 0;
    std::optional<double> mean;
    std::optional<double> sd;
};

// Count, mean and standard deviation of `exam` over the students with a score in both exams, of
// the stream when one is given.
GradeStats ExamStats(db::Connection& connection, const QString& column, int exam, int otherExam,
                     const QString& stream) {
    QString sql =
        QStringLiteral("SELECT count(*),avg(%1),stdev(%1) FROM tavrinKSK WHERE id=? and %1 is not null")
            .arg(column) +
        BothExams(column);
    std::vector<db::Variant> params{exam, otherExam};
    if (!stream.isEmpty()) {
        sql += QStringLiteral(" and worl=?");
        params.emplace_back(stream);
    }
    db::Recordset rs = Query(connection, sql, params);
    GradeStats stats;
    if (rs.IsEOF())
        return stats;
    stats.count = rs.Field(0).IsNull() ? 0 : rs.Field(0).ToInt64();
    if (!rs.Field(1).IsNull())
        stats.mean = rs.Field(1).ToDouble();
    if (!rs.Field(2).IsNull())
        stats.sd = rs.Field(2).ToDouble();
    return stats;
}

// Which exam has no score of the subject at all (of the stream, when one is given).
MissingScores Missing(db::Connection& connection, const QString& column, const Choice& choice,
                      const QString& stream) {
    QString sql = QStringLiteral("SELECT 1 FROM tavrinKSK WHERE id=? and %1 is not null").arg(column);
    if (!stream.isEmpty())
        sql += QStringLiteral(" and worl=?");
    sql += QStringLiteral(" limit 1");
    const auto has = [&](int exam) {
        std::vector<db::Variant> params{exam};
        if (!stream.isEmpty())
            params.emplace_back(stream);
        return !Query(connection, sql, params).IsEOF();
    };
    const bool first = has(choice.firstExamId);
    const bool second = has(choice.secondExamId);
    if (first && second)
        return MissingScores::None;
    if (first)
        return MissingScores::SecondExam;
    return second ? MissingScores::FirstExam : MissingScores::BothExams;
}

bool Usable(const std::optional<double>& v) {
    return v && std::isfinite(*v) && *v != 0;
}

} // namespace

int ColumnCount(int method) {
    return method == kMethodM ? kMColumns : kFColumns;
}

std::pair<int, int> SecondExamColumns(int method) {
    return method == kMethodM ? std::pair{6, 10} : std::pair{5, 8};
}

QString ClassLabel(int cls) {
    return QString::asprintf("%02d", cls) + QStringLiteral("班");
}

CReportTable EmptyTable(int method, int rowCount) {
    const int cols = ColumnCount(method);
    CReportTable t(std::max(rowCount, 1), cols);
    t.SetFixedRowCount(1);
    t.SetFixedColumnCount(1);
    QStringList headers{QStringLiteral("班级")};
    const int levels = method == kMethodM ? kLevelsM : kLevelsF;
    for (const QString& prefix : {QStringLiteral("基"), QStringLiteral("本")})
        for (int l = 0; l < levels; ++l)
            headers << prefix + QChar(u'A' + l);
    if (method == kMethodM) {
        for (int l = 0; l < levels; ++l)
            headers << QStringLiteral("等级") + QChar(u'A' + l);
        headers << QStringLiteral("得分") << QStringLiteral("名次");
    } else {
        headers << QStringLiteral("均分率一") << QStringLiteral("均分率二") << QStringLiteral("阶段F值");
    }
    const auto [shadeFirst, shadeLast] = SecondExamColumns(method);
    for (int r = 0; r < t.RowCount(); ++r)
        for (int c = 0; c < cols; ++c) {
            t.SetAlign(r, c, CellAlign::Right);
            if (r > 0 && c >= shadeFirst && c <= shadeLast)
                t.SetBackground(r, c, SecondExamShade());
        }
    for (int c = 0; c < cols; ++c)
        t.SetText(0, c, headers.value(c));
    for (int r = 1; r < t.RowCount(); ++r)
        t.SetText(r, 0, ClassLabel(r));
    return t;
}

int LevelOfZ(double z) {
    if (z > 0.84)
        return 0;
    if (z > 0.25)
        return 1;
    if (z > -0.25)
        return 2;
    if (z > -0.84)
        return 3;
    return 4;
}

std::optional<Shares> StationaryShares(const Transitions& t) {
    double r[kLevelsM] = {};
    double n = 0;
    for (int i = 0; i < kLevelsM; ++i) {
        for (int j = 0; j < kLevelsM; ++j)
            r[i] += t[i][j];
        n += r[i];
    }
    if (n <= 0)
        return std::nullopt;
    double p[kLevelsM][kLevelsM] = {};
    double fixed[kLevelsM];
    for (int i = 0; i < kLevelsM; ++i) {
        fixed[i] = -1;
        if (r[i] == 0) {
            fixed[i] = 0; // nobody started here: its share is 0
            continue;
        }
        for (int j = 0; j < kLevelsM; ++j)
            p[i][j] = t[i][j] / r[i];
        if (r[i] == t[i][i])
            fixed[i] = r[i] / n; // everybody stayed: the level keeps its share of the class
    }
    // Row j: the share of level j equals the flow into it, (I − P) transposed.
    double a[(kLevelsM + 1) * kLevelsM] = {};
    for (int j = 0; j < kLevelsM; ++j)
        for (int i = 0; i < kLevelsM; ++i)
            a[j * kLevelsM + i] = (i == j ? 1.0 : 0.0) - p[i][j];
    Shares s;
    if (!Matrix(a, s.x.data(), fixed))
        return std::nullopt;
    double sum = 0;
    for (int l = 0; l < kLevelsM; ++l) {
        if (!std::isfinite(s.x[l]) || s.x[l] < -kDistributionTolerance)
            return std::nullopt;
        sum += s.x[l];
        s.score += kWeights[l] * s.x[l];
    }
    if (std::fabs(sum - 1) > kDistributionTolerance || !std::isfinite(s.score))
        return std::nullopt;
    return s;
}

QString NoStationarySharesText() {
    return QStringLiteral("该班的等级转移无法求出稳定分布");
}

QString NoStudentInBothExamsText(int range) {
    QString who = QStringLiteral("学生");
    if (range == kArts)
        who = QStringLiteral("文科学生");
    else if (range == kScience)
        who = QStringLiteral("理科学生");
    return QStringLiteral("该班没有") + who + QStringLiteral("两次考试都有成绩");
}

QString MissingScoresMessage(MissingScores missing, int range, const QString& subject) {
    QString of;
    if (range == kArts)
        of = QStringLiteral("文科学生的");
    else if (range == kScience)
        of = QStringLiteral("理科学生的");
    const auto line = [&](const QString& exam) {
        return exam + QStringLiteral("没有") + of + subject + QStringLiteral("成绩。");
    };
    switch (missing) {
    case MissingScores::FirstExam:
        return line(QStringLiteral("第一次考试"));
    case MissingScores::SecondExam:
        return line(QStringLiteral("第二次考试"));
    case MissingScores::BothExams:
        return line(QStringLiteral("第一次考试")) + u'\n' + line(QStringLiteral("第二次考试"));
    case MissingScores::None:
        break;
    }
    return {};
}

MissingScores RunMAnalysis(db::Connection& connection, const Choice& choice, CReportTable& table,
                           const Progress& progress) {
    const auto step = [&](int position) {
        if (progress)
            progress(position);
    };
    const int rows = table.RowCount();
    const QString column = reports::ScoreColumn(choice.subject);
    const QString stream = StreamOf(choice.range);
    step(0);
    if (const MissingScores missing = Missing(connection, column, choice, stream);
        missing != MissingScores::None) {
        step(rows + 3);
        return missing;
    }
    const GradeStats first = ExamStats(connection, column, choice.firstExamId, choice.secondExamId, stream);
    step(1);
    const GradeStats second = ExamStats(connection, column, choice.secondExamId, choice.firstExamId, stream);
    step(2);
    // Without a spread in either exam no z exists: no class gets counts, shares or a score.
    const bool levelled = first.mean && second.mean && Usable(first.sd) && Usable(second.sd);

    QString classSql =
        QStringLiteral("SELECT studentid,class,%1 FROM tavrinKSK WHERE id=? and %1 is not null and class=?")
            .arg(column);
    if (!stream.isEmpty())
        classSql += QStringLiteral(" and worl=?");
    // Ordered by student number as a value (the unary plus): the class index then finds the rows,
    // where ordering by the (id, studentid) index would walk the whole exam for every class.
    classSql += AlsoInOtherExam(column) + QStringLiteral(" order by class,+studentid");
    const QString firstScoreSql =
        QStringLiteral("SELECT %1 FROM tavrinKSK WHERE id=? and studentid=?").arg(column);

    std::vector<std::optional<double>> scores(std::size_t(std::max(rows - 1, 0)));
    for (int c = 1; levelled && c < rows; ++c) {
        Transitions t{};
        std::vector<db::Variant> params{choice.secondExamId, c};
        if (!stream.isEmpty())
            params.emplace_back(stream);
        params.emplace_back(choice.firstExamId);
        bool any = false;
        for (db::Recordset rs = Query(connection, classSql, params); !rs.IsEOF(); rs.MoveNext()) {
            const double z2 = (rs.Field(2).ToDouble() - *second.mean) / *second.sd;
            db::Recordset f = Query(connection, firstScoreSql, {choice.firstExamId, rs.Field(0)});
            if (f.IsEOF() || f.Field(0).IsNull())
                continue;
            const double z1 = (f.Field(0).ToDouble() - *first.mean) / *first.sd;
            t[LevelOfZ(z1)][LevelOfZ(z2)] += 1;
            any = true;
        }
        if (any) {
            for (int l = 0; l < kLevelsM; ++l) {
                double across = 0, down = 0;
                for (int k = 0; k < kLevelsM; ++k) {
                    across += t[l][k];
                    down += t[k][l];
                }
                table.SetText(c, 1 + l, Fixed(across, 0));
                table.SetText(c, 6 + l, Fixed(down, 0));
            }
            if (const std::optional<Shares> s = StationaryShares(t)) {
                for (int l = 0; l < kLevelsM; ++l)
                    table.SetText(c, 11 + l, Fixed(s->x[l], 2));
                table.SetText(c, 16, Fixed(s->score, 2));
                scores[std::size_t(c - 1)] = s->score;
            } else {
                table.SetText(c, 17, NoStationarySharesText());
            }
        } else {
            table.SetText(c, 17, NoStudentInBothExamsText(choice.range));
        }
        step(c + 2);
    }
    // Only classes with a score are ranked.
    const std::vector<std::optional<int>> ranks = reports::Ranks(scores, true);
    for (int c = 1; c < rows; ++c)
        if (const std::optional<int>& rank = ranks[std::size_t(c - 1)])
            table.SetText(c, 17, reports::FormatInt(*rank, 1));
    step(rows + 3);
    return MissingScores::None;
}

MissingScores RunFAnalysis(db::Connection& connection, const Choice& choice, CReportTable& table) {
    const int rows = table.RowCount();
    const QString column = reports::ScoreColumn(choice.subject);
    if (const MissingScores missing = Missing(connection, column, choice, {}); missing != MissingScores::None)
        return missing;
    const GradeStats first = ExamStats(connection, column, choice.firstExamId, choice.secondExamId, {});
    const GradeStats second = ExamStats(connection, column, choice.secondExamId, choice.firstExamId, {});
    const long long n = second.count;

    // The cut scores: the score of the last student whose place in the ranking is within 30, 60
    // and 90 % of it; students after that place with the same score reach the same level.
    const QString rankingSql =
        QStringLiteral("SELECT studentid,%1 FROM tavrinKSK WHERE id=? and %1 is not null").arg(column) +
        BothExams(column) + QStringLiteral(" order by %1 desc").arg(column);
    const auto cuts = [&](int exam, int otherExam) {
        std::array<double, 3> cut{0, 0, 0};
        long long p = 0;
        for (db::Recordset rs = Query(connection, rankingSql, {exam, otherExam}); !rs.IsEOF();
             rs.MoveNext()) {
            if (rs.Field(1).IsNull())
                continue;
            const double share = double(++p) / double(n);
            if (share <= 0.3)
                cut[0] = rs.Field(1).ToDouble();
            else if (share <= 0.6)
                cut[1] = rs.Field(1).ToDouble();
            else if (share <= 0.9)
                cut[2] = rs.Field(1).ToDouble();
        }
        return cut;
    };
    const std::array<double, 3> cut2 = cuts(choice.secondExamId, choice.firstExamId);
    const std::array<double, 3> cut1 = cuts(choice.firstExamId, choice.secondExamId);

    const QString classSql =
        QStringLiteral("SELECT studentid,%1 FROM tavrinKSK WHERE id=? and %1 is not null and class=?")
            .arg(column) +
        AlsoInOtherExam(column) + QStringLiteral(" order by %1 desc").arg(column);
    // The level counts of class c in `exam` (its class as recorded in that exam) and its mean rate.
    const auto count = [&](int exam, int otherExam, int c, const std::array<double, 3>& cut,
                           const std::optional<double>& mean, std::array<long long, kLevelsF>& levels,
                           int rateColumn) {
        double sum = 0;
        long long size = 0;
        for (db::Recordset rs = Query(connection, classSql, {exam, c, otherExam}); !rs.IsEOF();
             rs.MoveNext()) {
            if (rs.Field(1).IsNull())
                continue;
            const double s = rs.Field(1).ToDouble();
            sum += s;
            ++size;
            // At or above a cut as the scores show, at two decimals.
            const long long key = reports::RankKey(s);
            int level = 3;
            for (int k = 0; k < 3; ++k)
                if (key >= reports::RankKey(cut[std::size_t(k)])) {
                    level = k;
                    break;
                }
            ++levels[std::size_t(level)];
        }
        if (size > 0 && Usable(mean))
            table.SetText(c, rateColumn, Fixed(sum / double(size) / *mean, 2));
        return size;
    };
    for (int c = 1; c < rows; ++c) {
        std::array<long long, kLevelsF> a1{}, a2{};
        const long long n2 = count(choice.secondExamId, choice.firstExamId, c, cut2, second.mean, a2, 10);
        count(choice.firstExamId, choice.secondExamId, c, cut1, first.mean, a1, 9);
        for (int l = 0; l < kLevelsF; ++l) {
            table.SetText(c, 1 + l, reports::FormatInt(a1[std::size_t(l)], 2));
            table.SetText(c, 5 + l, reports::FormatInt(a2[std::size_t(l)], 2));
        }
        if (n2 > 0)
            table.SetText(
                c, 11,
                Fixed(65 + 2.0 * double(a2[0] - a1[0]) + 1.4 * double(a2[1] - a1[1]) + double(a2[2] - a1[2]),
                      1));
    }
    return MissingScores::None;
}

bool ExitExamIsEarlier(db::Connection& connection, int firstExamId, int secondExamId) {
    const auto dateOf = [&](int examId) {
        db::Recordset rs =
            reports::Query(connection, QStringLiteral("SELECT ksrq FROM tavrinKSLB WHERE id=?"), {examId});
        return rs.IsEOF() ? QDate() : rs.Field(0).ToDate();
    };
    const QDate entry = dateOf(firstExamId);
    const QDate exit = dateOf(secondExamId);
    return entry.isValid() && exit.isValid() && exit < entry;
}

QString ReportTitle(const QString& caption, const QString& grade, const QString& subject) {
    return caption + u' ' + grade + subject;
}

std::vector<ColumnGroupSpec> ReportColumnGroups(int method) {
    if (method == kMethodM)
        return {{QStringLiteral("第一次考试ABCDE人数"), 1, 5},
                {QStringLiteral("第二次考试ABCDE人数"), 6, 10},
                {QStringLiteral("评价结果"), 11, 15}};
    return {{QStringLiteral("第一次考试ABCD人数"), 1, 4}, {QStringLiteral("第二次考试ABCD人数"), 5, 8}};
}

bool IsLevelCountColumn(int method, int column) {
    return column >= 1 && column <= (method == kMethodM ? 10 : 8);
}

} // namespace teacheval
